// The join dialog.
#include "ui/Plus.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/JoinFiles.h"
#include "files/FileOperations.h"
#include "files/JoinTool.h"
#include "files/ProgramLoader.h"
#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/ToolDialogHost.h"

namespace kelvantori {

TPlusForm::TPlusForm(QWidget* window, FileSystem& files, PromptService& prompts, PlusJob job)
    : ToolDialog(window, prompts), files_(files), prompts_(prompts), job_(std::move(job)) {
    setObjectName("PlusForm");
    setWindowTitle(Q(kPlusCaption));
    setFixedSize(360, 316);
    setFont(GothicFont(12));

    Label1 = MakeLabel(this, "Label1", "ﾌｧｲﾙ結合一覧", QRect(12, 10, 336, 18));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(12, 30, 336, 170);
    ListBox1->setFocusPolicy(Qt::NoFocus);
    for (const std::string& name : job_.names)
        ListBox1->addItem(Q(name));
    Label2 = MakeLabel(this, "Label2", "結合ﾌｧｲﾙ名", QRect(12, 208, 336, 18));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(12, 228, 336, 26);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what is used: a completion from the history would turn "J" into
    // "JOINED" as Enter is pressed. The history is offered by the box's list.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setFont(GothicFont(14));
    Button1 = MakeButton(this, "Button1", "OK", QRect(148, 272, 96, 30));
    Button2 = MakeButton(this, "Button2", "ｷｬﾝｾﾙ", QRect(252, 272, 96, 30));

    FillHistoryQuietly(*ComboBox1, job_.history);
    Button1->setEnabled(!job_.history.empty());
    ComboBox1->setEditText(job_.history.empty() ? QString() : Q(job_.history.front()));

    Host().SetProgressHandler([this](const ToolProgress& progress) {
        // The file being appended is the one selected.
        const int row = std::min(static_cast<int>(progress.files), ListBox1->count() - 1);
        ListBox1->setCurrentRow(row);
    });

    connect(ComboBox1, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Button1->setEnabled(!text.isEmpty()); });
    TakeComboKeys(*ComboBox1, kJoinNameRefusedCharacters, kJoinNameCharacterMessage);
    connect(Button1, &QPushButton::clicked, this, &TPlusForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TPlusForm::reject);

    CentreOnWindow(*this, window);
    ComboBox1->setFocus();
}

void TPlusForm::Button1Click() {
    const auto typed = TypedForRun(*ComboBox1, job_.history);
    if (!typed)
        return;

    JoinJob join;
    join.sources = SourcesIn(job_.dirPath, job_.names);
    join.typedName = *typed;
    join.mask = job_.mask;
    const ToolResult result =
        RunTool([&](ToolHost& host) { return RunJoin(files_, join, host); },
                [this](bool on) { ComboBox1->setEnabled(on); }, job_.refreshList);

    switch (result.status) {
        case ToolStatus::Done:
            return;
        case ToolStatus::Declined:
            // No to the overwrite question leaves everything as it was; No to a file's format
            // question stopped the join, which says so.
            if (Host().LastQuestion() == kFormatQuestion)
                ShowToolReport(prompts_, this, result.report);
            break;
        case ToolStatus::TargetIsSource:
            prompts_.Message(this, kConfirmTitle, kJoinTargetIsSourceMessage, PromptIcon::Error);
            break;
        default:
            ShowToolReport(prompts_, this, result.report);
            break;
    }
    ComboBox1->setFocus();
}

}  // namespace kelvantori
