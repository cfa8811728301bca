// The editor setting dialog.
#include "ui/Editapp.h"

#include <QPushButton>
#include <QTabWidget>

#include "ui/DesktopServices.h"
#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/LabeledEdit.h"
#include "ui/QtText.h"

namespace kelvantori {

std::string ProgramDialogFolder(const std::string& program) {
    if (program.empty() || program.front() != '/')
        return {};
    const auto slash = program.rfind('/');
    return slash == 0 ? std::string("/") : program.substr(0, slash);
}

TEditAppForm::TEditAppForm(QWidget* window, std::string& editApp, DesktopServices& desktop)
    : QDialog(window), editApp_(editApp), desktop_(desktop) {
    setObjectName("EditAppForm");
    setWindowTitle(Q(kEditAppCaption));
    setFixedSize(460, 176);
    setFont(GothicFont(12));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(8, 8, 444, 112);
    TabSheet1 = new QWidget();
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet1, Q("編集ｱﾌﾟﾘｹｰｼｮﾝ"));
    LabeledEdit1 = new LabeledEdit("LabeledEdit1", "ｴﾃﾞｨﾀｿﾌﾄ", TabSheet1);
    LabeledEdit1->Place(12, 14, 372);
    LabeledEdit1->setText(Q(editApp_));
    Button1 = MakeButton(TabSheet1, "Button1", "...", QRect(390, 31, 36, 22));
    Button5 = MakeButton(this, "Button5", "保存", QRect(248, 132, 96, 32));
    Button6 = MakeButton(this, "Button6", "ｷｬﾝｾﾙ", QRect(356, 132, 96, 32));

    connect(Button1, &QPushButton::clicked, this, &TEditAppForm::Button1Click);
    connect(Button5, &QPushButton::clicked, this, &TEditAppForm::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TEditAppForm::reject);

    CentreOnWindow(*this, window);
    LabeledEdit1->setFocus();
}

void TEditAppForm::Button1Click() {
    const auto chosen = desktop_.ChooseProgram(this, kChooseProgramTitle,
                                               ProgramDialogFolder(U(LabeledEdit1->text())));
    if (chosen)
        LabeledEdit1->setText(Q(*chosen));
    LabeledEdit1->setFocus();
}

void TEditAppForm::Button5Click() {
    editApp_ = U(LabeledEdit1->text());
    accept();
}

}  // namespace kelvantori
