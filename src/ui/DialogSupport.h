// What the window's dialogs share: the font, the centring on the main window when a dialog is
// shown, and key filters on their input fields (the character rules of each field).
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QKeyEvent;
class QWidget;

namespace kelvantori {

// A modal dialog of the window in the program's font. When shown it centres itself on the main
// window: top = main top + main height / 2 - own height / 2, the same for left.
class CentredDialog : public QDialog {
    Q_OBJECT

  public:
    explicit CentredDialog(QWidget* window);

  protected:
    void showEvent(QShowEvent* event) override;
};

// Every key pressed in widget goes to filter first; true consumes it.
void FilterKeys(QWidget& widget, std::function<bool(QKeyEvent&)> filter);

// The one printable character a key press types, as UTF-8; empty for Enter, Backspace, the
// arrows, function keys and keys held with Ctrl or Alt.
std::string TypedCharacter(const QKeyEvent& event);

// The entries of a history list as the combo box's list; the text in the box stays as it is.
void FillHistory(QComboBox& combo, const std::vector<std::string>& history);

}  // namespace kelvantori
