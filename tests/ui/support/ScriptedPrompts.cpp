// The scripted prompt service.
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>

namespace kelvantori::test {

QString PromptLine(const std::string& title, const std::string& text) {
    return QString::fromStdString(title) + "|" + QString::fromStdString(text);
}

void ScriptedPrompts::ChooseInNextMenu(const QString& itemText) {
    menuSteps_.push_back([itemText](QMenu& menu) -> QAction* {
        for (QAction* action : menu.actions()) {
            if (!itemText.isEmpty() && action->text() == itemText)
                return action;
        }
        return nullptr;
    });
}

PromptButton ScriptedPrompts::Ask(const Prompt& prompt) {
    if (watcher_)
        watcher_(prompt);
    PromptRecord record;
    record.prompt = prompt;
    if (prompt.buttons.size() == 1) {
        // A box with one button has one answer; it needs no script.
        record.answer = prompt.buttons.front();
    } else if (answers_.empty()) {
        record.scripted = false;
        record.answer = EscapeButton(prompt);
    } else {
        const ScriptedAnswer answer = std::move(answers_.front());
        answers_.pop_front();
        if (answer.whileAsked)
            answer.whileAsked();
        record.answer = answer.button;
    }
    asked_.push_back(record);
    return record.answer;
}

int ScriptedPrompts::RunDialog(QDialog& dialog) {
    dialogNames_.push_back(dialog.objectName());
    if (dialogs_.empty())
        return QDialog::Rejected;
    const DialogStep step = std::move(dialogs_.front());
    dialogs_.pop_front();
    // A modal dialog is shown and active while it runs, as exec() has it, so that its fields
    // take the focus and the keys the step presses.
    QWidget* active = QApplication::activeWindow();
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QApplication::processEvents();
    const int result = step(dialog);
    dialog.hide();
    if (active != nullptr)
        QApplication::setActiveWindow(active);
    return result;
}

QAction* ScriptedPrompts::RunMenu(QMenu& menu, const QPoint&) {
    QStringList items;
    for (QAction* action : menu.actions())
        items.push_back(action->text());
    menus_.push_back(items);
    if (menuSteps_.empty())
        return nullptr;
    const MenuStep step = std::move(menuSteps_.front());
    menuSteps_.pop_front();
    return step(menu);
}

QStringList ScriptedPrompts::Log() const {
    QStringList lines;
    for (const PromptRecord& record : asked_) {
        lines.push_back((record.scripted ? QString() : QString("(unanswered) ")) +
                        PromptLine(record.prompt.title, record.prompt.text));
    }
    return lines;
}

}  // namespace kelvantori::test
