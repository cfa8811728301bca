// The communication settings panel.
#include "ui/CommSettingsPanel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>
#include <chrono>

#include "core/LineSetting.h"
#include "core/ListCompletion.h"
#include "files/FileOperations.h"
#include "platform/CommPort.h"
#include "ui/ClickLabel.h"
#include "ui/ComboCompletion.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/MainContext.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

using namespace std::chrono_literals;

namespace {

const QColor kOlive(128, 128, 0);
constexpr int kPorts = 30;

QComboBox* MakeCombo(QWidget* parent, const char* name, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setGeometry(geometry);
    combo->setFont(GothicFont(14));
    combo->setEditable(true);
    // The panel completes from the list itself, and Enter must not add the text to the list.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->lineEdit()->setObjectName(QString(name) + "Edit");
    return combo;
}

QLineEdit* MakeSwitch(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setFont(GothicFont(14));
    edit->setMaxLength(1);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

bool IsComboField(CommField field) {
    return field == CommField::Speed || field == CommField::Port;
}

}  // namespace

CommSettingsPanel::CommSettingsPanel(MainContext& context) : QObject(nullptr), c_(context) {
    Build();
}

void CommSettingsPanel::Build() {
    GroupBox1 = new QGroupBox(Q(kCommSettingsCaption), c_.view.central);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(130, 64, 420, 320);
    GroupBox1->setFont(GothicFont(12));
    GroupBox1->setToolTip(Q("通信設定が行えます。"));
    SetPanelColour(GroupBox1, kOlive);
    QWidget* g = GroupBox1;
    Label12 = MakePanelLabel(g, "Label12", QString(), QRect(12, 22, 300, 18), 14);
    Label15 = MakePanelLabel(g, "Label15", Q("(速度,ﾃﾞｰﾀﾋﾞｯﾄ,ﾊﾟﾘﾃｨ,ｽﾄｯﾌﾟﾋﾞｯﾄ)"),
                             QRect(12, 42, 300, 18), 14);
    ComboBox11 = MakeCombo(g, "ComboBox11", QRect(12, 62, 150, 26));
    for (const std::string& text : OfferedLineSettings())
        ComboBox11->addItem(Q(text));
    Label13 = MakePanelLabel(g, "Label13", QString(), QRect(12, 98, 300, 18), 14);
    ComboBox12 = MakeCombo(g, "ComboBox12", QRect(12, 118, 96, 26));
    // The list shows each port's device beside it, so the user knows which adapter COM3 is.
    portModel_ = new QStandardItemModel(this);
    ComboBox12->setModel(portModel_);
    ComboBox12->setModelColumn(0);
    auto* portList = new QTreeView(ComboBox12);
    portList->setHeaderHidden(true);
    portList->setRootIsDecorated(false);
    portList->setItemsExpandable(false);
    ComboBox12->setView(portList);
    PortDevice = MakePanelLabel(g, "PortDevice", QString(), QRect(116, 122, 296, 18), 12);
    Label18 = MakePanelLabel(g, "Label18", Q("送受信の開始を        ＮＣ機の信号で行う(Y/N)"),
                             QRect(12, 156, 330, 18), 14);
    Edit4 = MakeSwitch(g, "Edit4", QRect(350, 153, 28, 24));
    Label36 = MakePanelLabel(g, "Label36", Q("送受信時、頭に％をつける　　　　　　　　(Y/N)"),
                             QRect(12, 186, 330, 18), 14);
    Edit6 = MakeSwitch(g, "Edit6", QRect(350, 183, 28, 24));
    Label53 = MakePanelLabel(g, "Label53", Q("送受信時、後に％をつける　              (Y/N)"),
                             QRect(12, 216, 330, 18), 14);
    Edit5 = MakeSwitch(g, "Edit5", QRect(350, 213, 28, 24));
    Label40 =
        MakePanelLabel(g, "Label40", Q("送信コードＥＩＡ (Y/N)"), QRect(12, 246, 330, 18), 14);
    Edit8 = MakeSwitch(g, "Edit8", QRect(350, 243, 28, 24));
    Label14 = new ClickLabel(Q(kCommSettingsLegend), g);
    Label14->setObjectName("Label14");
    Label14->setGeometry(12, 284, 200, 20);
    Label14->setFont(GothicFont(16));
    Label14->setToolTip(Q("各項目に対応するファンクションキーを押してください。"));
    SetTextColour(Label14, Qt::white);
    Label14->SetPressHandler([this](QPoint at) {
        if (at.x() >= 0 && at.x() <= 80)
            Save();
        else if (at.x() >= 120 && at.x() <= 197)
            Back();
    });

    for (const CommField field : {CommField::Speed, CommField::Port, CommField::Signal,
                                  CommField::StartChar, CommField::EndChar, CommField::Code}) {
        QWidget* editor = EditorOf(field);
        editor->setProperty("Tag", static_cast<int>(field));
        editor->installEventFilter(this);
    }
    connect(ComboBox11->lineEdit(), &QLineEdit::textEdited, this,
            [this] { Edited(CommField::Speed); });
    connect(ComboBox12->lineEdit(), &QLineEdit::textEdited, this,
            [this] { Edited(CommField::Port); });
    connect(ComboBox12, &QComboBox::currentTextChanged, this, [this] { ShowPortDevice(); });
    GroupBox1->hide();
}

QWidget* CommSettingsPanel::EditorOf(CommField field) const {
    switch (field) {
        case CommField::Speed:
            return ComboBox11;
        case CommField::Port:
            return ComboBox12;
        case CommField::Signal:
            return Edit4;
        case CommField::StartChar:
            return Edit6;
        case CommField::EndChar:
            return Edit5;
        case CommField::Code:
            break;
    }
    return Edit8;
}

void CommSettingsPanel::FillPorts() {
    portModel_->clear();
    ports_.clear();
    const std::unique_ptr<SerialPort> port = c_.makePort ? c_.makePort(c_.host.Config()) : nullptr;
    for (int n = 1; n <= kPorts && port; ++n) {
        if (!PortUsable(*port, n, c_.settings))
            continue;
        const std::string name = "COM" + std::to_string(n);
        ports_.push_back(name);
        portModel_->appendRow(
            {new QStandardItem(Q(name)), new QStandardItem(Q(c_.host.Config().DeviceOf(name)))});
    }
    if (auto* list = qobject_cast<QTreeView*>(ComboBox12->view())) {
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        list->setMinimumWidth(300);
    }
}

void CommSettingsPanel::Open() {
    MainView& v = c_.view;
    c_.actions.SetListEnabled(false);
    v.Edit1->setEnabled(false);
    Label12->setText(Q(SpeedCaption(c_.settings)));
    Label13->setText(Q(PortCaption(c_.settings)));
    FillPorts();
    SetFields(FieldsOfSettings(c_.settings));
    noCompletion_ = {};
    GroupBox1->show();
    GroupBox1->raise();
    Focus(CommField::Speed);
}

CommSettingsFields CommSettingsPanel::Fields() const {
    return CommSettingsFields{U(ComboBox11->currentText()),
                              U(ComboBox12->currentText()),
                              U(Edit4->text()),
                              U(Edit6->text()),
                              U(Edit5->text()),
                              U(Edit8->text())};
}

void CommSettingsPanel::SetFields(const CommSettingsFields& fields) {
    ComboBox11->setCurrentIndex(-1);
    ComboBox11->setEditText(Q(fields.Speed));
    ComboBox12->setCurrentIndex(-1);
    ComboBox12->setEditText(Q(fields.Port));
    Edit4->setText(Q(fields.Signal));
    Edit6->setText(Q(fields.StartChar));
    Edit5->setText(Q(fields.EndChar));
    Edit8->setText(Q(fields.Code));
    ShowPortDevice();
}

void CommSettingsPanel::ShowPortDevice() {
    const std::string device = c_.host.Config().DeviceOf(U(ComboBox12->currentText()));
    PortDevice->setText(device.empty() ? QString() : Q("= " + device));
}

QLineEdit* CommSettingsPanel::TextOf(CommField field) const {
    QWidget* editor = EditorOf(field);
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        return combo->lineEdit();
    return qobject_cast<QLineEdit*>(editor);
}

void CommSettingsPanel::Focus(CommField field) {
    EditorOf(field)->setFocus();
    TextOf(field)->selectAll();
}

void CommSettingsPanel::Save() {
    switch (SaveCommSettings(Fields(), c_.settings)) {
        case CommSaveResult::SpeedLength:
            c_.prompts.Message(c_.actions.Window(), kConfirmTitle, kCommSettingsLengthMessage,
                               PromptIcon::Error, PromptPlace::Offset);
            Focus(CommField::Speed);
            return;
        case CommSaveResult::Saved:
            break;
    }
    Close();
}

void CommSettingsPanel::Back() {
    if (Fields().AnyFilled() &&
        !c_.prompts.AskYesNo(c_.actions.Window(), kCommSettingsCaption, kCommSettingsBackQuestion,
                             PromptIcon::Warning)) {
        Save();
        return;
    }
    c_.view.ShowMessage(kCancelledMessage, ResultColour::Red);
    c_.actions.StartTimer1(1000ms);
    Close();
}

void CommSettingsPanel::Close() {
    SetFields(CommSettingsFields{});
    GroupBox1->hide();
    c_.actions.SetListEnabled(true);
    c_.actions.FocusList();
    c_.view.SetStatus(4, c_.settings.Speed);
    c_.view.SetStatus(5, c_.settings.Port);
    c_.view.SetStatus(6, c_.settings.Signal);
}

bool CommSettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const QVariant tag = watched->property("Tag");
    if (!tag.isValid())
        return QObject::eventFilter(watched, event);
    return FieldKey(static_cast<CommField>(tag.toInt()), static_cast<QKeyEvent*>(event));
}

bool CommSettingsPanel::FieldKey(CommField field, QKeyEvent* event) {
    QLineEdit* edit = TextOf(field);
    const bool combo = IsComboField(field);
    if (combo)
        noCompletion_[static_cast<std::size_t>(field)] = false;
    switch (event->key()) {
        case Qt::Key_F1:
            Save();
            return true;
        case Qt::Key_F2:
        case Qt::Key_Escape:
            Back();
            return true;
        case Qt::Key_F10:
            c_.actions.CloseWindow();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!edit->text().isEmpty()) {
                edit->setText(edit->text().toUpper());
                Focus(NextCommField(field));
            }
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            if (combo)
                noCompletion_[static_cast<std::size_t>(field)] = true;
            return false;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (combo) {
                // The list opens; its own keys choose in it.
                qobject_cast<QComboBox*>(EditorOf(field))->showPopup();
            } else if (event->key() == Qt::Key_Up) {
                Focus(PreviousCommField(field));
            } else {
                Focus(NextCommField(field));
            }
            return true;
        default:
            break;
    }
    const std::string typed = TypedCharacter(*event);
    if (typed.empty())
        return false;
    // Characters the field does not take are dropped (every one it takes is ASCII).
    return typed.size() != 1 || !CommFieldTakes(field, typed[0]);
}

void CommSettingsPanel::Edited(CommField field) {
    const auto index = static_cast<std::size_t>(field);
    if (noCompletion_[index]) {
        noCompletion_[index] = false;
        return;
    }
    QComboBox* combo = field == CommField::Speed ? ComboBox11 : ComboBox12;
    // Only the line settings of the list can be typed; a port that cannot be opened now (an
    // adapter not plugged in) can still be set, and its transfer says so.
    const CompletedText done =
        CompleteInBox(*combo, field == CommField::Speed ? Unmatched::Undo : Unmatched::KeepPrefix);
    ShowCompletion(*combo->lineEdit(), done);
}

}  // namespace kelvantori
