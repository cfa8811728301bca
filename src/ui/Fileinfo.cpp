// The file information dialog.
#include "ui/Fileinfo.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "files/FileOperations.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

constexpr int kWidth = 384;
constexpr int kHeight = 316;

}  // namespace

TFileInfoForm::TFileInfoForm(QWidget* window, PromptService& prompts, FileSystem& files,
                             std::string path, const FileInfoView& info,
                             const DesktopFileKind& kind)
    : CentredDialog(window), prompts_(prompts), files_(files), path_(std::move(path)) {
    setObjectName("FileInfoForm");
    setWindowTitle(Q(kFileInfoCaption));
    setFixedSize(kWidth, kHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(16, 12, 32, 32);
    if (!kind.icon.isNull())
        Image1->setPixmap(kind.icon.pixmap(32, 32));
    Label1 = MakeLabel(this, "Label1", info.name, QRect(64, 18, 304, 20));
    Label2 = MakeLabel(this, "Label2", KindLine(info, kind.typeName), QRect(16, 58, 352, 18));
    Label3 = MakeLabel(this, "Label3", info.placeLine, QRect(16, 80, 352, 18));
    Label4 = MakeLabel(this, "Label4", info.sizeLine, QRect(16, 102, 352, 18));
    Label5 = MakeLabel(this, "Label5", "属性 :", QRect(16, 134, 56, 20));

    const auto makeBox = [this](const char* name, const char* text, QRect geometry, bool on) {
        auto* box = new QCheckBox(Q(text), this);
        box->setObjectName(name);
        box->setGeometry(geometry);
        box->setChecked(on);
        connect(box, &QCheckBox::clicked, this, [this] { Button1->setEnabled(true); });
        return box;
    };
    // Button1 exists before the boxes can be clicked.
    Button1 = new QPushButton(Q("更新"), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(Q("終了"), this);
    Button2->setObjectName("Button2");
    CheckBox1 =
        makeBox("CheckBox1", "読み取り専用", QRect(80, 134, 136, 20), info.attributes.readOnly);
    CheckBox2 =
        makeBox("CheckBox2", "アーカイブ", QRect(224, 134, 136, 20), info.attributes.archive);
    CheckBox3 =
        makeBox("CheckBox3", "隠しファイル", QRect(80, 158, 136, 20), info.attributes.hidden);
    CheckBox4 = makeBox("CheckBox4", "システム", QRect(224, 158, 136, 20), info.attributes.system);

    Label6 = MakeLabel(this, "Label6", "更新日時：", QRect(16, 194, 100, 18));
    // Year, "/", month, "/", day, then hour "：" minute "：" second.
    constexpr std::array<int, 6> kLeft{16, 80, 130, 190, 240, 290};
    constexpr std::array<int, 6> kEditWidth{52, 36, 36, 36, 36, 36};
    constexpr std::array<const char*, 6> kNames{"Edit1", "Edit2", "Edit3",
                                                "Edit4", "Edit5", "Edit6"};
    for (int i = 0; i < 6; ++i) {
        const auto field = static_cast<InfoField>(i);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(kNames[static_cast<std::size_t>(i)]);
        edit->setGeometry(kLeft[static_cast<std::size_t>(i)], 216,
                          kEditWidth[static_cast<std::size_t>(i)], 26);
        edit->setMaxLength(TimeFieldLength(field));
        edit->setAlignment(Qt::AlignRight);
        edit->setText(Q(info.time[static_cast<std::size_t>(i)]));
        connect(edit, &QLineEdit::textEdited, this, [this] { Button1->setEnabled(true); });
        FilterKeys(*edit,
                   [this, field](QKeyEvent& event) { return TimeFieldKeyPress(field, event); });
        timeEdits_[static_cast<std::size_t>(i)] = edit;
    }
    Edit1 = timeEdits_[0];
    Edit2 = timeEdits_[1];
    Edit3 = timeEdits_[2];
    Edit4 = timeEdits_[3];
    Edit5 = timeEdits_[4];
    Edit6 = timeEdits_[5];
    MakeLabel(this, "Label7", "/", QRect(68, 216, 12, 26))->setAlignment(Qt::AlignCenter);
    MakeLabel(this, "Label8", "/", QRect(116, 216, 14, 26))->setAlignment(Qt::AlignCenter);
    MakeLabel(this, "Label9", "：", QRect(226, 216, 14, 26))->setAlignment(Qt::AlignCenter);
    MakeLabel(this, "Label10", "：", QRect(276, 216, 14, 26))->setAlignment(Qt::AlignCenter);

    Button1->setGeometry(96, 266, 88, 30);
    Button2->setGeometry(200, 266, 88, 30);
    Button1->setEnabled(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    Edit1->setFocus();
}

QLineEdit* TFileInfoForm::TimeEdit(InfoField field) const {
    const int i = static_cast<int>(field);
    return i >= 0 && i < 6 ? timeEdits_[static_cast<std::size_t>(i)] : nullptr;
}

QWidget* TFileInfoForm::FocusTarget(InfoField field) const {
    if (field == InfoField::Apply)
        return Button1;
    if (field == InfoField::Close)
        return Button2;
    return TimeEdit(field);
}

void TFileInfoForm::ShowProblem(const FieldProblem& problem) {
    prompts_.Message(this, kConfirmTitle, problem.message, PromptIcon::Error);
    FocusTarget(problem.field)->setFocus();
}

bool TFileInfoForm::TimeFieldKeyPress(InfoField field, QKeyEvent& event) {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        const std::string text = U(TimeEdit(field)->text());
        if (text.empty())
            return true;
        if (const auto problem = CheckTimeField(field, text)) {
            ShowProblem(*problem);
            return true;
        }
        FocusTarget(NextFocus(field, Button1->isEnabled()))->setFocus();
        return true;
    }
    const std::string typed = TypedCharacter(event);
    // Only digits are typed into a time field; anything else is dropped without a word.
    return !typed.empty() && !(typed.size() == 1 && AcceptsTimeFieldChar(typed[0]));
}

void TFileInfoForm::Button1Click() {
    TimeFields fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = U(timeEdits_[i]->text());
    DosAttributes attributes;
    attributes.readOnly = CheckBox1->isChecked();
    attributes.archive = CheckBox2->isChecked();
    attributes.hidden = CheckBox3->isChecked();
    attributes.system = CheckBox4->isChecked();
    const ApplyOutcome outcome = ApplyFileInfo(files_, path_, fields, attributes);
    if (outcome.problem) {
        ShowProblem(*outcome.problem);
        return;
    }
    if (!outcome.error.empty())
        prompts_.Message(this, kConfirmTitle, path_ + "\n" + outcome.error, PromptIcon::Error);
    accept();
}

}  // namespace kelvantori
