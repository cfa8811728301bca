// The find dialog.
#include "ui/Find.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/HistoryList.h"
#include "files/FileOperations.h"
#include "files/FindPattern.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

TFindForm::TFindForm(QWidget* window, PromptService& prompts, std::vector<std::string>& history,
                     std::string dirPath, std::string mask)
    : CentredDialog(window),
      prompts_(prompts),
      history_(history),
      dirPath_(std::move(dirPath)),
      mask_(std::move(mask)) {
    setObjectName("FindForm");
    setWindowTitle(Q(kFindCaption));
    setFixedSize(304, 116);

    Label1 = MakeLabel(this, "Label1", "検索・絞り込み名", QRect(16, 12, 272, 18));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(16, 34, 272, 26);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what is used: completing from the history would turn "D:" into a
    // folder of the list, or "O1" into "O123", as Enter is pressed.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setMaxVisibleItems(20);
    Button1 = MakeButton(this, "Button1", "ＯＫ", QRect(64, 74, 84, 28));
    Button2 = MakeButton(this, "Button2", "ｷｬﾝｾﾙ", QRect(156, 74, 84, 28));

    FillHistory(*ComboBox1, history_);
    ComboBox1->setEditText(QString());
    Button1->setEnabled(false);
    ComboBox1->setFocus();

    connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { ComboBox1Change(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // Keys reach the box's own edit from the box itself, past any filter of the edit, so the
    // filter sits on both.
    for (QWidget* field :
         {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox1->lineEdit())})
        FilterKeys(*field, [this](QKeyEvent& event) { return ComboBox1KeyPress(event); });
}

void TFindForm::ComboBox1Change() {
    Button1->setEnabled(!ComboBox1->currentText().isEmpty());
}

void TFindForm::Refuse() {
    prompts_.Message(this, kConfirmTitle, kFindRefusedMessage, PromptIcon::Error);
}

bool TFindForm::ComboBox1KeyPress(QKeyEvent& event) {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        if (!ComboBox1->currentText().isEmpty())
            Button1Click();
        return true;
    }
    const std::string typed = TypedCharacter(event);
    if (typed.empty() || FindAcceptsCharacter(typed))
        return false;
    Refuse();
    return true;
}

void TFindForm::Button1Click() {
    const std::string text = U(ComboBox1->currentText());
    if (text.empty()) {
        reject();
        return;
    }
    // A pasted text passes no key filter.
    if (!FindAcceptsText(text)) {
        Refuse();
        ComboBox1->setFocus();
        return;
    }
    pattern_ = FindPattern(dirPath_, text, mask_);
    AddToHistory(history_, text);
    FillHistory(*ComboBox1, history_);
    accept();
}

}  // namespace kelvantori
