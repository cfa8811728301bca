// Completion in the combo boxes.
#include "ui/ComboCompletion.h"

#include <QComboBox>
#include <QLineEdit>

#include "ui/QtText.h"

namespace kelvantori {

CompletedText CompleteInBox(const QComboBox& box, Unmatched unmatched) {
    const QLineEdit* edit = box.lineEdit();
    std::vector<std::string> items;
    for (int i = 0; i < box.count(); ++i)
        items.push_back(U(box.itemText(i)));
    return CompleteFromList(items, U(edit->text()),
                            static_cast<std::size_t>(edit->cursorPosition()), unmatched);
}

void ShowCompletion(QLineEdit& edit, const CompletedText& done) {
    edit.setText(Q(done.text));
    if (done.selectionEnd > done.caret) {
        edit.setSelection(static_cast<int>(done.selectionEnd),
                          -static_cast<int>(done.selectionEnd - done.caret));
    } else {
        edit.setCursorPosition(static_cast<int>(done.caret));
    }
}

}  // namespace kelvantori
