// The application settings dialog.
#include "ui/Appopen.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "core/AppTemplate.h"
#include "ui/DesktopServices.h"
#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Editapp.h"
#include "ui/Fonts.h"
#include "ui/LabeledEdit.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

enum Column { kLetterColumn, kNameColumn, kFlagColumn, kTemplateColumn };

}  // namespace

TAppopenForm::TAppopenForm(QWidget* window, std::array<OutAppEntry, 26>& apps,
                           DesktopServices& desktop)
    : QDialog(window), apps_(apps), desktop_(desktop) {
    setObjectName("AppopenForm");
    setWindowTitle(Q(kAppOpenCaption));
    setFixedSize(640, 470);
    setFont(GothicFont(12));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName("ListView1");
    ListView1->setGeometry(8, 8, 624, 250);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHeaderLabels({Q("ｺﾏﾝﾄﾞ文字"), Q("設定名"), Q("引数使用"), Q("ｺﾏﾝﾄﾞｱﾌﾟﾘｹｰｼｮﾝ")});
    ListView1->header()->resizeSection(kLetterColumn, 84);
    ListView1->header()->resizeSection(kNameColumn, 150);
    ListView1->header()->resizeSection(kFlagColumn, 70);
    for (std::size_t i = 0; i < apps_.size(); ++i) {
        auto* item = new QTreeWidgetItem(ListView1);
        item->setText(kLetterColumn, Q(AppCaption(i)));
        FillRow(static_cast<int>(i));
    }

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 266, 100, 18);
    LabeledEdit1 = new LabeledEdit("LabeledEdit1", "設定名", this);
    LabeledEdit1->Place(8, 286, 240);
    CheckBox1 = new QCheckBox(Q("引数使用"), this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(264, 303, 120, 22);
    // The template keeps the case typed: on this platform file names are case-sensitive, and a
    // program path in capitals would name no program.
    LabeledEdit2 = new LabeledEdit("LabeledEdit2", "ｺﾏﾝﾄﾞｱﾌﾟﾘｹｰｼｮﾝ ", this);
    LabeledEdit2->Place(8, 330, 576);
    BitBtn1 = MakeButton(this, "BitBtn1", "...", QRect(590, 347, 42, 22));
    Label2 = MakeLabel(this, "Label2", kMarkerLegend, QRect(8, 380, 300, 80));
    Button1 = MakeButton(this, "Button1", "変更\n追加", QRect(424, 392, 100, 64));
    Button2 = MakeButton(this, "Button2", "終了", QRect(532, 392, 100, 64));

    connect(ListView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ShowRow(ListView1->indexOfTopLevelItem(item)); });
    connect(BitBtn1, &QPushButton::clicked, this, &TAppopenForm::BitBtn1Click);
    connect(Button1, &QPushButton::clicked, this, &TAppopenForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TAppopenForm::accept);

    ListView1->setCurrentItem(ListView1->topLevelItem(0));
    CentreOnWindow(*this, window);
    ListView1->setFocus();
}

int TAppopenForm::SelectedRow() const {
    return ListView1->indexOfTopLevelItem(ListView1->currentItem());
}

void TAppopenForm::FillRow(int row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    const OutAppEntry& app = apps_[static_cast<std::size_t>(row)];
    item->setText(kNameColumn, Q(app.OutApp_N));
    item->setText(kFlagColumn, app.OutApp_F == "Y" ? "Y" : "N");
    item->setText(kTemplateColumn, Q(app.OutApp));
}

void TAppopenForm::ShowRow(int row) {
    if (row < 0)
        return;
    const QTreeWidgetItem* item = ListView1->topLevelItem(row);
    Label1->setText(item->text(kLetterColumn));
    LabeledEdit1->setText(item->text(kNameColumn));
    CheckBox1->setChecked(item->text(kFlagColumn) == "Y");
    LabeledEdit2->setText(item->text(kTemplateColumn));
}

void TAppopenForm::BitBtn1Click() {
    const std::string current = TemplateProgram(U(LabeledEdit2->text()));
    if (const auto chosen =
            desktop_.ChooseProgram(this, kChooseProgramTitle, ProgramDialogFolder(current))) {
        LabeledEdit2->setText(Q(*chosen));
    }
    // Back to the list, with the row still selected and in view.
    ListView1->setFocus();
    if (QTreeWidgetItem* item = ListView1->currentItem())
        ListView1->scrollToItem(item);
}

void TAppopenForm::Button1Click() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    OutAppEntry& app = apps_[static_cast<std::size_t>(row)];
    app.OutApp_N = U(LabeledEdit1->text());
    app.OutApp_F.assign(1, CheckBox1->isChecked() ? 'Y' : 'N');
    app.OutApp = U(LabeledEdit2->text());
    FillRow(row);
}

}  // namespace kelvantori
