// The tool host of the split, join and double dialogs: questions go through the prompt service
// (warning icon, placed beside the dialog's corner), progress moves the dialog's bar and lets
// the window's events run, and F3 or Esc anywhere (or the dialog's cancel button) stops the tool
// at its next step. A stopped tool puts nothing in place.
#pragma once

#include <QObject>
#include <functional>
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

    // Called with every progress the tool reports, and with the start lines gathered since the
    // last progress (the split's programs).
    void SetProgressHandler(std::function<void(const ToolProgress&)> handler) {
        onProgress_ = std::move(handler);
    }
    void SetProgramsHandler(std::function<void(std::vector<std::string>&&)> handler) {
        onPrograms_ = std::move(handler);
    }

    // Runs a tool with this host; while it runs, F3 and Esc stop it.
    ToolResult Run(const std::function<ToolResult(ToolHost&)>& tool);
    bool Running() const { return running_; }
    // The tool stops at its next step.
    void Stop() { stop_ = true; }
    // The text of the last question asked, and whether it was answered Yes.
    const std::string& LastQuestion() const { return lastQuestion_; }

    bool AskYesNo(const std::string& text) override;
    bool Progress(const ToolProgress& progress) override;
    void ProgramStarted(std::string_view startLine) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FlushPrograms();

    PromptService& prompts_;
    QDialog& dialog_;
    std::function<void(const ToolProgress&)> onProgress_;
    std::function<void(std::vector<std::string>&&)> onPrograms_;
    std::vector<std::string> programs_;
    std::string lastQuestion_;
    bool running_ = false;
    bool stop_ = false;
};

}  // namespace kelvantori
