// The one prompt service of the window: every message box, question and modal dialog goes
// through it, so tests replace it with a scripted one that records each prompt and answers from
// a queue, and no test ever blocks on a dialog.
#pragma once

#include <QPoint>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace kelvantori {

enum class PromptIcon { None, Information, Warning, Error, Question };

// The buttons a prompt offers; Ask() returns the one pressed.
enum class PromptButton { Ok, Cancel, Yes, No, YesToAll, NoToAll, Retry, Skip };

// Where a message box stands: centred on its parent, or 50 px right of and below the top-left
// corner of the window or dialog it belongs to (as many of the program's boxes are).
enum class PromptPlace { Centred, Offset };

struct Prompt {
    std::string title;
    std::string text;
    PromptIcon icon = PromptIcon::None;
    std::vector<PromptButton> buttons{PromptButton::Ok};
    PromptPlace place = PromptPlace::Centred;
    QWidget* parent = nullptr;  // the window or dialog the prompt belongs to
};

class PromptService {
  public:
    virtual ~PromptService() = default;

    // Shows the prompt modally; the button pressed. Closing the box without a button gives the
    // prompt's escape answer (Cancel or No when offered, else its last button).
    virtual PromptButton Ask(const Prompt& prompt) = 0;
    // Runs a modal dialog; its result code (QDialog::Accepted / Rejected).
    virtual int RunDialog(QDialog& dialog) = 0;
    // Pops a menu up at a point of the screen; the item chosen, nullptr when none was.
    virtual QAction* RunMenu(QMenu& menu, const QPoint& globalPosition) = 0;

    // The forms most callers need.
    void Message(QWidget* parent, std::string_view title, std::string_view text, PromptIcon icon,
                 PromptPlace place = PromptPlace::Centred);
    // Yes and No; true for Yes.
    bool AskYesNo(QWidget* parent, std::string_view title, std::string_view text, PromptIcon icon,
                  PromptPlace place = PromptPlace::Centred);
};

// The escape answer of a prompt (see Ask).
PromptButton EscapeButton(const Prompt& prompt);

// Message boxes and dialogs of Qt.
class QtPromptService : public PromptService {
  public:
    PromptButton Ask(const Prompt& prompt) override;
    int RunDialog(QDialog& dialog) override;
    QAction* RunMenu(QMenu& menu, const QPoint& globalPosition) override;
};

// The button's caption ("はい(&Y)", "いいえ(&N)", ...).
std::string PromptButtonText(PromptButton button);

// The top-left corner of a prompt placed with PromptPlace::Offset.
QPoint OffsetPlace(const QWidget* parent);

}  // namespace kelvantori
