// The tool host of the split, join and double dialogs. The tool runs on a worker thread while
// the window goes on answering: a long split writes thousands of files and ends with one flush
// of them all, and the window must paint, tick and take F3/Esc meanwhile. Questions are asked on
// the window's thread through the prompt service (warning icon, placed beside the dialog's
// corner) while the tool waits; progress and the programs the split begins are handed over to
// the window's thread and shown there; F3 or Esc anywhere (or the dialog's cancel button) stops
// the tool at its next step. A stopped tool puts nothing in place.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "files/ToolHost.h"

class QDialog;
class QWidget;

namespace kelvantori {

class PromptService;

// A tool's report in a message box (its title, text and icon).
void ShowToolReport(PromptService& prompts, QWidget* parent, const ToolReport& report);

class ToolDialogHost : public QObject, public ToolHost {
    Q_OBJECT

  public:
    ToolDialogHost(PromptService& prompts, QDialog& dialog);

    // On the window's thread: the latest progress the tool reported, and the start lines the
    // split began since the last time (decoded).
    void SetProgressHandler(std::function<void(const ToolProgress&)> handler) {
        onProgress_ = std::move(handler);
    }
    void SetProgramsHandler(std::function<void(std::vector<std::string>&&)> handler) {
        onPrograms_ = std::move(handler);
    }

    // Runs a tool with this host on a worker thread and returns its result once it has ended;
    // meanwhile the window's events run here.
    ToolResult Run(const std::function<ToolResult(ToolHost&)>& tool);
    bool Running() const { return running_; }
    // The tool stops at its next step.
    void Stop() { stop_ = true; }
    // The text of the last question asked during the last run.
    const std::string& LastQuestion() const { return lastQuestion_; }

    // The tool's side (any thread).
    bool AskYesNo(const std::string& text) override;
    bool Progress(const ToolProgress& progress) override;
    void ProgramStarted(std::string_view startLine) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // On the window's thread: hands what the tool reported to the handlers.
    void ShowReported();

    PromptService& prompts_;
    QDialog& dialog_;
    std::function<void(const ToolProgress&)> onProgress_;
    std::function<void(std::vector<std::string>&&)> onPrograms_;
    std::string lastQuestion_;
    bool running_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> showPosted_{false};
    std::mutex mutex_;  // guards what follows
    std::optional<ToolProgress> progress_;
    std::vector<std::string> programs_;
};

}  // namespace kelvantori
