// Message boxes with the program's texts and placement, and modal dialogs.
#include "ui/Prompts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <map>

#include "ui/QtText.h"

namespace kelvantori {

std::string PromptButtonText(PromptButton button) {
    switch (button) {
        case PromptButton::Ok:
            return "OK";
        case PromptButton::Cancel:
            return "キャンセル";
        case PromptButton::Yes:
            return "はい(&Y)";
        case PromptButton::No:
            return "いいえ(&N)";
        case PromptButton::YesToAll:
            return "すべて上書き(&A)";
        case PromptButton::NoToAll:
            return "すべてスキップ(&S)";
        case PromptButton::Retry:
            return "再試行(&R)";
        case PromptButton::Skip:
            return "スキップ(&K)";
    }
    return {};
}

PromptButton EscapeButton(const Prompt& prompt) {
    for (const PromptButton candidate : {PromptButton::Cancel, PromptButton::No}) {
        if (std::find(prompt.buttons.begin(), prompt.buttons.end(), candidate) !=
            prompt.buttons.end())
            return candidate;
    }
    return prompt.buttons.empty() ? PromptButton::Ok : prompt.buttons.back();
}

QPoint OffsetPlace(const QWidget* parent) {
    if (!parent)
        return QPoint(50, 50);
    const QWidget* window = parent->window();
    return window->frameGeometry().topLeft() + QPoint(50, 50);
}

void PromptService::Message(QWidget* parent, std::string_view title, std::string_view text,
                            PromptIcon icon, PromptPlace place) {
    Prompt prompt;
    prompt.title = std::string(title);
    prompt.text = std::string(text);
    prompt.icon = icon;
    prompt.place = place;
    prompt.parent = parent;
    Ask(prompt);
}

bool PromptService::AskYesNo(QWidget* parent, std::string_view title, std::string_view text,
                             PromptIcon icon, PromptPlace place) {
    Prompt prompt;
    prompt.title = std::string(title);
    prompt.text = std::string(text);
    prompt.icon = icon;
    prompt.buttons = {PromptButton::Yes, PromptButton::No};
    prompt.place = place;
    prompt.parent = parent;
    return Ask(prompt) == PromptButton::Yes;
}

PromptButton QtPromptService::Ask(const Prompt& prompt) {
    QMessageBox box(prompt.parent);
    box.setWindowTitle(Q(prompt.title));
    box.setText(Q(prompt.text));
    switch (prompt.icon) {
        case PromptIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case PromptIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case PromptIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case PromptIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case PromptIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    std::map<QAbstractButton*, PromptButton> answers;
    for (const PromptButton button : prompt.buttons) {
        // The box orders its buttons by role: "No to all" stands with No, after the Yes
        // answers, as the user reads the overwrite question.
        const auto role = button == PromptButton::Cancel || button == PromptButton::No ||
                                  button == PromptButton::NoToAll
                              ? QMessageBox::RejectRole
                              : QMessageBox::AcceptRole;
        QPushButton* pushButton = box.addButton(Q(PromptButtonText(button)), role);
        answers[pushButton] = button;
        if (answers.size() == 1)
            box.setDefaultButton(pushButton);
    }
    const PromptButton escape = EscapeButton(prompt);
    for (const auto& [pushButton, answer] : answers) {
        if (answer == escape)
            box.setEscapeButton(pushButton);
    }
    if (prompt.place == PromptPlace::Offset)
        box.move(OffsetPlace(prompt.parent));
    box.exec();
    const auto it = answers.find(box.clickedButton());
    return it == answers.end() ? escape : it->second;
}

int QtPromptService::RunDialog(QDialog& dialog) {
    return dialog.exec();
}

QAction* QtPromptService::RunMenu(QMenu& menu, const QPoint& globalPosition) {
    return menu.exec(globalPosition);
}

}  // namespace kelvantori
