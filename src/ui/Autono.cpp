// The automatic switching dialog.
#include "ui/Autono.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

TAutoForm::TAutoForm(QWidget* parent, PromptService& prompts) : QDialog(parent), prompts_(prompts) {
    setObjectName("AutoForm");
    setWindowTitle(Q("自動切替"));
    setFixedSize(260, 130);
    setFont(GothicFont(12));
    LabeledEdit1Label =
        MakeLabel(this, "LabeledEdit1Label", "自動選択番号", QRect(24, 12, 120, 18));
    LabeledEdit1 = new QLineEdit(this);
    LabeledEdit1->setObjectName("LabeledEdit1");
    LabeledEdit1->setGeometry(24, 32, 80, 24);
    LabeledEdit1->setFont(GothicFont(16));
    LabeledEdit1->setMaxLength(3);
    LabeledEdit1->installEventFilter(this);
    Label1 = MakeLabel(this, "Label1", "ﾂﾘｰ設定も可です。番号－番号", QRect(24, 62, 220, 18));
    Button1 = new QPushButton(Q("ＯＮ"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(40, 90, 80, 28);
    Button2 = new QPushButton(Q("ｷｬﾝｾﾙ"), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(140, 90, 80, 28);
    // Enter in the field moves to Button1; only a second Enter presses it.
    Button1->setAutoDefault(true);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] {
        SelectNumber = U(LabeledEdit1->text());
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    Prepare();
}

void TAutoForm::Prepare() {
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect frame = main->frameGeometry();
        move(frame.left() + frame.width() / 2 - width() / 2,
             frame.top() + frame.height() / 2 - height() / 2);
    }
    SelectNumber.clear();
    LabeledEdit1->clear();
    LabeledEdit1->setFocus();
}

void TAutoForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Prepare();
}

bool TAutoForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != LabeledEdit1 || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && !LabeledEdit1->text().isEmpty()) {
        Button1->setFocus();
        return true;
    }
    const QString typed = key->text();
    const bool character = !typed.isEmpty() && (typed[0].isPrint() || enter);
    if (!character || key->key() == Qt::Key_Backspace)
        return false;
    // Enter in an empty field counts as a character the field does not take.
    if (enter || typed.size() != 1 || !std::strchr(kSelectNumberCharacters, typed[0].toLatin1()) ||
        typed[0].unicode() > 0x7F) {
        prompts_.Message(this, "確認", kSelectNumberRefused, PromptIcon::Error);
        return true;
    }
    return false;
}

}  // namespace kelvantori
