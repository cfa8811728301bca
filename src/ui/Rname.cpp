// The single-rename dialog.
#include "ui/Rname.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "ui/QtText.h"

namespace kelvantori {

TRNameForm::TRNameForm(QWidget* window, const std::string& currentName) : CentredDialog(window) {
    setObjectName("RNameForm");
    setWindowTitle(Q("名前変更"));
    setFixedSize(360, 252);

    Label1 = MakeLabel(this, "Label1", currentName, QRect(16, 12, 328, 18));
    LabeledEdit1Label =
        MakeLabel(this, "LabeledEdit1Label", "新しい名前を入力", QRect(16, 38, 328, 18));
    LabeledEdit1 = new QLineEdit(Q(currentName), this);
    LabeledEdit1->setObjectName("LabeledEdit1");
    LabeledEdit1->setGeometry(16, 58, 328, 26);
    LabeledEdit1Label->setBuddy(LabeledEdit1);

    const auto makeRadio = [this](const char* name, const char* text, int top, RenameRule mode) {
        auto* radio = new QRadioButton(Q(text), this);
        radio->setObjectName(name);
        radio->setGeometry(24, top, 320, 22);
        connect(radio, &QRadioButton::toggled, this, [this, mode](bool on) {
            if (on)
                SelectMode(mode);
        });
        return radio;
    };
    RadioButton1 = makeRadio("RadioButton1", "名前を変更", 96, RenameRule::Keep);
    RadioButton2 = makeRadio("RadioButton2", "半角英文字を大文字に", 120, RenameRule::Upper);
    RadioButton3 = makeRadio("RadioButton3", "半角英文字を小文字に", 144, RenameRule::Lower);
    RadioButton4 =
        makeRadio("RadioButton4", "半角英文字の先頭のみ大文字に", 168, RenameRule::Capitalise);
    RadioButton1->setChecked(true);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(84, 206, 88, 30);
    Button2 = new QPushButton(Q("ｷｬﾝｾﾙ"), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(188, 206, 88, 30);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(LabeledEdit1, &QLineEdit::textChanged, this, [this] { Convert(); });
    FilterKeys(*LabeledEdit1, [this](QKeyEvent& event) { return EditKeyPress(event); });
    LabeledEdit1->setFocus();
}

std::string TRNameForm::NewName() const {
    return U(LabeledEdit1->text());
}

void TRNameForm::SelectMode(RenameRule mode) {
    mode_ = mode;
    Convert();
    LabeledEdit1->setFocus();
    // An arrow key that chose the mode gives its radio button the focus after this; the edit
    // takes it back once that key is done.
    QTimer::singleShot(0, LabeledEdit1, [edit = LabeledEdit1] { edit->setFocus(); });
}

void TRNameForm::Convert() {
    if (mode_ == RenameRule::Keep || converting_)
        return;
    const QString text = LabeledEdit1->text();
    const QString converted = Q(ApplyRenameRule(mode_, U(text)));
    int cursor = LabeledEdit1->cursorPosition();
    // Only single-byte letters change, so every character keeps its place and the caret with it;
    // in capitalising, a caret before the first character goes behind it so typing goes on.
    if (mode_ == RenameRule::Capitalise && cursor == 0 && !converted.isEmpty())
        cursor = 1;
    if (converted != text) {
        converting_ = true;
        LabeledEdit1->setText(converted);
        converting_ = false;
    }
    LabeledEdit1->setCursorPosition(cursor);
}

bool TRNameForm::EditKeyPress(QKeyEvent& event) {
    if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter)
        return false;
    if (!LabeledEdit1->text().isEmpty())
        accept();
    return true;
}

}  // namespace kelvantori
