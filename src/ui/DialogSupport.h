// What the window's dialogs share: the font, the centring on the main window when a dialog is
// shown, their labels and buttons, key filters on their input fields (the character rules of
// each field), and the history lists of their combo boxes.
#pragma once

#include <QDialog>
#include <QRect>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
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

// A label named name (its objectName) at geometry, showing text as it is (never as markup).
QLabel* MakeLabel(QWidget* parent, std::string_view name, std::string_view text, QRect geometry);

// A label that shows a file name or a path: when its text is wider than the label, the text is
// cut in its middle with "…" (its start and the name's extension stay) and the whole text is the
// label's tool-tip.
void FitLabelText(QLabel& label);

// A button named name at geometry. Enter belongs to the dialog's fields: it never presses the
// button (no auto-default).
QPushButton* MakeButton(QWidget* parent, std::string_view name, std::string_view caption,
                        QRect geometry);

// Every key pressed in widget goes to filter first; true consumes it.
void FilterKeys(QWidget& widget, std::function<bool(QKeyEvent&)> filter);

// The one printable character a key press types, as UTF-8; empty for Enter, Backspace, the
// arrows, function keys and keys held with Ctrl or Alt.
std::string TypedCharacter(const QKeyEvent& event);

// The entries of a history list as the combo box's list; the text in the box stays as it is.
void FillHistory(QComboBox& combo, const std::vector<std::string>& history);

// The same for a box whose text changes are watched: it signals nothing meanwhile, and the first
// entry stays the current one.
void FillHistoryQuietly(QComboBox& combo, const std::vector<std::string>& history);

}  // namespace kelvantori
