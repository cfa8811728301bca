// The rename-all dialog.
#include "ui/Rnamea.h"

#include <QPushButton>
#include <QRadioButton>

#include "ui/QtText.h"

namespace kelvantori {

TRNameAForm::TRNameAForm(QWidget* window) : CentredDialog(window) {
    setObjectName("RNameAForm");
    setWindowTitle(Q("名前変更"));
    setFixedSize(320, 204);

    const auto makeRadio = [this](const char* name, const char* text, int top, RenameRule rule) {
        auto* radio = new QRadioButton(Q(text), this);
        radio->setObjectName(name);
        radio->setGeometry(24, top, 280, 22);
        connect(radio, &QRadioButton::toggled, this, [this, rule](bool on) {
            if (on)
                rule_ = rule;
        });
        return radio;
    };
    RadioButton1 = makeRadio("RadioButton1", "名前を変更", 16, RenameRule::Keep);
    RadioButton2 = makeRadio("RadioButton2", "半角英文字を大文字に", 40, RenameRule::Upper);
    RadioButton3 = makeRadio("RadioButton3", "半角英文字を小文字に", 64, RenameRule::Lower);
    RadioButton4 =
        makeRadio("RadioButton4", "半角英文字の先頭のみ大文字に", 88, RenameRule::Capitalise);
    RadioButton5 = makeRadio("RadioButton5", "個々に名前を変更", 112, RenameRule::OneByOne);
    RadioButton1->setChecked(true);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(64, 156, 88, 30);
    Button2 = new QPushButton(Q("ｷｬﾝｾﾙ"), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(168, 156, 88, 30);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    RadioButton1->setFocus();
}

}  // namespace kelvantori
