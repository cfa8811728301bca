// What the split, join and double dialogs share: their tool runs through a ToolDialogHost on a
// worker thread while the dialog takes nothing but a stop; Enter in the field the tool works
// with starts it, and a character the field refuses is answered with a message; a tool that
// is done has the list read again, shows its report and closes the dialog; closing the dialog
// while the tool runs stops the tool instead.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/ToolHost.h"

class QComboBox;
class QKeyEvent;

namespace kelvantori {

class PromptService;
class ToolDialogHost;

class ScreenSaverControl;

class ToolDialog : public QDialog {
    Q_OBJECT

  public:
    // Starts the tool with what the dialog holds (its OK button).
    virtual void Button1Click() = 0;
    // The screen saver is kept off while a tool runs (nullptr: there is none to keep off).
    void SetScreenSaver(ScreenSaverControl* screenSaver) { screenSaver_ = screenSaver; }

  protected:
    ToolDialog(QWidget* window, PromptService& prompts);

    // The keys of field, which holds text(): Enter starts the tool when there is text, and a
    // key that refused() is true for is not typed but answered with refusedMessage.
    void TakeFieldKeys(QWidget& field, std::function<QString()> text,
                       std::function<bool(const QKeyEvent&)> refused,
                       std::string_view refusedMessage);
    // The same for a combo box where a name or a folder is typed: a character of
    // refusedCharacters is refused. The box has the focus and hands the keys to its line edit
    // itself, so the box's own keys are the ones looked at.
    void TakeComboKeys(QComboBox& box, std::string_view refusedCharacters,
                       std::string_view refusedMessage);

    // The text of box for a run, put first in history and in the box's list. Nothing while a
    // tool runs, or (the focus back in the box) when the box is empty.
    std::optional<std::string> TypedForRun(QComboBox& box, std::vector<std::string>& history);

    // Runs tool with the dialog's input taken (takeInput(false) before, takeInput(true) after).
    // When it is done, refreshList() reads the list again, its report is shown and the dialog
    // is accepted; any other result is the caller's to show.
    ToolResult RunTool(const std::function<ToolResult(ToolHost&)>& tool,
                       const std::function<void(bool)>& takeInput,
                       const std::function<void()>& refreshList);

    ToolDialogHost& Host() { return *host_; }

    void reject() override;

  private:
    ScreenSaverControl* screenSaver_ = nullptr;

  protected:
  private:
    PromptService& prompts_;
    ToolDialogHost* host_ = nullptr;
};

}  // namespace kelvantori
