// The copy/move dialog.
#include "ui/Pluscopy.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/HistoryList.h"
#include "ui/DesktopServices.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

namespace {

// The target questions stand 50 px right of and below the dialog's own corner.
class DialogTargetCheckHost : public TargetCheckHost {
  public:
    DialogTargetCheckHost(PromptService& prompts, QWidget& dialog)
        : prompts_(prompts), dialog_(dialog) {}

    bool AskCreateFolder(std::string_view text) override {
        return prompts_.AskYesNo(&dialog_, kConfirmTitle, text, PromptIcon::Warning,
                                 PromptPlace::Offset);
    }
    void ShowRefusal(std::string_view text) override {
        Prompt prompt;
        prompt.title = std::string(kConfirmTitle);
        prompt.text = std::string(text);
        prompt.icon = PromptIcon::Warning;
        prompt.buttons = {PromptButton::Yes};
        prompt.place = PromptPlace::Offset;
        prompt.parent = &dialog_;
        prompts_.Ask(prompt);
    }

  private:
    PromptService& prompts_;
    QWidget& dialog_;
};

}  // namespace

TPlusCopyForm::TPlusCopyForm(QWidget* window, PromptService& prompts, DesktopServices& desktop,
                             FileSystem& files, std::vector<std::string>& history,
                             CopyMoveKind kind, std::string dirPath,
                             const std::vector<std::string>& names)
    : CentredDialog(window),
      prompts_(prompts),
      desktop_(desktop),
      files_(files),
      history_(history),
      dirPath_(std::move(dirPath)) {
    setObjectName("PlusCopyForm");
    setWindowTitle(Q(CopyMoveCaption(kind)));
    setFixedSize(420, 320);

    Label1 = MakeLabel(this, "Label1", "選択ファイル一覧 (同一ﾌｫﾙﾀﾞｰには不可!!)",
                       QRect(12, 10, 396, 18));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(12, 30, 396, 170);
    for (const std::string& name : names)
        ListBox1->addItem(Q(name));
    Label2 = MakeLabel(this, "Label2", CopyMoveTargetLabel(kind), QRect(12, 210, 120, 18));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(12, 230, 354, 26);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what is used: completing from the history would turn "D:" into a
    // folder of the list, or "O1" into "O123", as Enter is pressed.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setMaxVisibleItems(20);
    // Enter never opens the browser.
    Button3 = MakeButton(this, "Button3", "...", QRect(372, 230, 36, 26));
    Button1 = new QPushButton(Q("ＯＫ"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(116, 274, 88, 30);
    Button2 = new QPushButton(Q("ｷｬﾝｾﾙ"), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(216, 274, 88, 30);

    FillHistory(*ComboBox1, history_);
    ComboBox1->setEditText(history_.empty() ? QString() : Q(history_.front()));
    Button1->setEnabled(!history_.empty());
    ComboBox1->setFocus();

    connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { ComboBox1Change(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    // Keys reach the box's own edit from the box itself, past any filter of the edit, so the
    // filter sits on both.
    for (QWidget* field :
         {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox1->lineEdit())})
        FilterKeys(*field, [this](QKeyEvent& event) { return ComboBox1KeyPress(event); });
}

void TPlusCopyForm::ComboBox1Change() {
    Button1->setEnabled(!ComboBox1->currentText().isEmpty());
}

bool TPlusCopyForm::ComboBox1KeyPress(QKeyEvent& event) {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        if (!ComboBox1->currentText().isEmpty())
            Button1Click();
        return true;
    }
    const std::string typed = TypedCharacter(event);
    if (typed.empty() || CopyTargetAcceptsCharacter(typed))
        return false;
    prompts_.Message(this, kConfirmTitle, kCopyTargetRefusedMessage, PromptIcon::Error);
    return true;
}

void TPlusCopyForm::Button3Click() {
    const DriveMap& drives = files_.Drives();
    const auto chosen = desktop_.BrowseFolder(this, "現ﾃﾞｨﾚｸﾄﾘ " + dirPath_,
                                              drives.ToHost(dirPath_).value_or(std::string()));
    std::string folder = dirPath_;
    if (chosen) {
        if (const auto drive = drives.ToDrive(*chosen))
            folder = *drive;
    }
    ComboBox1->setEditText(Q(folder));
    Button1->setEnabled(!folder.empty());
    ComboBox1->setFocus();
}

void TPlusCopyForm::Button1Click() {
    const std::string text = U(ComboBox1->currentText());
    if (text.empty()) {
        ComboBox1->setFocus();
        return;
    }
    AddToHistory(history_, text);
    FillHistory(*ComboBox1, history_);
    DialogTargetCheckHost host(prompts_, *this);
    const TargetCheck check = CheckCopyTarget(files_, text, dirPath_, host);
    ComboBox1->setEditText(Q(check.comboText));
    if (!check.accepted) {
        ComboBox1->setFocus();
        return;
    }
    target_ = check.target;
    accept();
}

}  // namespace kelvantori
