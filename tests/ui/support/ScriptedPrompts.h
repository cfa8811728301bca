// The prompt service of the window's tests: every message box is recorded and answered from a
// queue, every modal dialog and pop-up menu is run by a scripted step instead of a user, so no
// test ever blocks. A prompt nobody scripted is answered with its escape button and marked, so
// the comparison of the log fails.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Prompts.h"

namespace kelvantori::test {

struct PromptRecord {
    Prompt prompt;
    PromptButton answer = PromptButton::Ok;
    bool scripted = true;
};

class ScriptedPrompts : public PromptService {
  public:
    using DialogStep = std::function<int(QDialog&)>;
    using MenuStep = std::function<QAction*(QMenu&)>;

    // The answers to the next message boxes with more than one button, in order (a box with
    // one button is answered with it).
    void Answer(PromptButton button) { answers_.push_back({button, {}}); }
    // The same, running an action first while the box is asked (the time an answer takes, a
    // key pressed elsewhere meanwhile).
    void Answer(PromptButton button, std::function<void()> whileAsked) {
        answers_.push_back({button, std::move(whileAsked)});
    }
    // Called with every prompt as it is asked (what else the screen shows at that moment).
    void WatchPrompts(std::function<void(const Prompt&)> watcher) { watcher_ = std::move(watcher); }
    // The next modal dialog is run by this step (it may fill fields, press buttons, and
    // returns the dialog's result). The dialog is shown and active while the step runs, as
    // under a user, and hidden afterwards.
    void RunNextDialog(DialogStep step) { dialogs_.push_back(std::move(step)); }
    // The next pop-up menu: the item whose text is given is chosen ("" for none).
    void ChooseInNextMenu(const QString& itemText);

    PromptButton Ask(const Prompt& prompt) override;
    int RunDialog(QDialog& dialog) override;
    QAction* RunMenu(QMenu& menu, const QPoint& globalPosition) override;

    const std::vector<PromptRecord>& Asked() const { return asked_; }
    // The prompts as "title|text" lines, an unscripted one marked "(unanswered) ".
    QStringList Log() const;
    // Names (objectName) of the dialogs run, and the item texts of the menus shown.
    const QStringList& Dialogs() const { return dialogNames_; }
    const std::vector<QStringList>& Menus() const { return menus_; }
    // Where the last prompt was placed (its parent and placement), for the placement checks.
    void Clear() { asked_.clear(); }
    bool AllScriptUsed() const {
        return answers_.empty() && dialogs_.empty() && menuSteps_.empty();
    }

  private:
    struct ScriptedAnswer {
        PromptButton button;
        std::function<void()> whileAsked;
    };

    std::deque<ScriptedAnswer> answers_;
    std::function<void(const Prompt&)> watcher_;
    std::deque<DialogStep> dialogs_;
    std::deque<MenuStep> menuSteps_;
    std::vector<PromptRecord> asked_;
    QStringList dialogNames_;
    std::vector<QStringList> menus_;
};

// "title|text" of a prompt.
QString PromptLine(const std::string& title, const std::string& text);

}  // namespace kelvantori::test
