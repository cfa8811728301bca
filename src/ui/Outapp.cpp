// The argument dialog of the external applications.
#include "ui/Outapp.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/LabeledEdit.h"
#include "ui/QtText.h"

namespace kelvantori {

TOutAppForm::TOutAppForm(QWidget* window, const std::string& name, const std::string& appTemplate,
                         const std::string& argument)
    : QDialog(window) {
    setObjectName("OutAppForm");
    setWindowTitle(Q(kOutAppCaption));
    setFixedSize(480, 190);
    setFont(GothicFont(12));

    Label1 = MakeLabel(this, "Label1", name, QRect(12, 10, 456, 18));
    Label2 = MakeLabel(this, "Label2", "起動ｱﾌﾟﾘｹｰｼｮﾝ", QRect(12, 36, 456, 18));
    Label3 = MakeLabel(this, "Label3", appTemplate, QRect(24, 56, 444, 18));
    FitLabelText(*Label1);
    FitLabelText(*Label3);
    LabeledEdit1 = new LabeledEdit("LabeledEdit1", "引数", this);
    LabeledEdit1->Place(12, 84, 456);
    LabeledEdit1->setText(Q(argument));
    LabeledEdit1->SetKeyHandler([this](QKeyEvent* event) {
        if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
            return false;
        accept();
        return true;
    });
    Button1 = MakeButton(this, "Button1", "OK", QRect(268, 144, 96, 32));
    Button2 = MakeButton(this, "Button2", "ｷｬﾝｾﾙ", QRect(372, 144, 96, 32));
    connect(Button1, &QPushButton::clicked, this, &TOutAppForm::accept);
    connect(Button2, &QPushButton::clicked, this, &TOutAppForm::reject);

    CentreOnWindow(*this, window);
    LabeledEdit1->setFocus();
}

std::string TOutAppForm::Argument() const {
    return U(LabeledEdit1->text());
}

}  // namespace kelvantori
