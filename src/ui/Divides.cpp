// The split dialog.
#include "ui/Divides.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include "core/DrivePath.h"
#include "files/FileOperations.h"
#include "files/SplitTool.h"
#include "ui/DesktopServices.h"
#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/ToolDialogHost.h"

namespace kelvantori {

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 336;

QAction* OptionItem(QMenu* menu, const char* name, const char* caption, bool checked,
                    std::function<void(bool)> set) {
    QAction* item = menu->addAction(Q(caption));
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(checked);
    QObject::connect(item, &QAction::toggled, menu, std::move(set));
    return item;
}

}  // namespace

TDividesForm::TDividesForm(QWidget* window, FileSystem& files, PromptService& prompts,
                           DesktopServices& desktop, DividesJob job)
    : ToolDialog(window, prompts),
      files_(files),
      prompts_(prompts),
      desktop_(desktop),
      job_(std::move(job)) {
    setObjectName("DividesForm");
    setWindowTitle(Q(kDividesCaption));
    setFixedSize(kWidth, kHeight);
    setFont(GothicFont(12));

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    MainMenu1->setGeometry(0, 0, kWidth, 24);
    N1 = MainMenu1->addMenu(Q("分割ｵﾌﾟｼｮﾝ"));
    N1->setObjectName("N1");
    op_f = OptionItem(N1, "op_f", "先頭に％付加", job_.options.F_Set,
                      [this](bool on) { job_.options.F_Set = on; });
    op_b = OptionItem(N1, "op_b", "末尾に％付加", job_.options.B_Set,
                      [this](bool on) { job_.options.B_Set = on; });
    op_n = OptionItem(N1, "op_n", "分割名に連番付加", job_.options.N_Set,
                      [this](bool on) { job_.options.N_Set = on; });

    Label1 = MakeLabel(this, "Label1", DriveFileNameOf(job_.input), QRect(12, 32, 396, 18));
    FitLabelText(*Label1);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(12, 54, 396, 146);
    ListBox1->setFocusPolicy(Qt::NoFocus);
    ListBox1->setUniformItemSizes(true);
    Label2 = MakeLabel(this, "Label2", "保存先", QRect(12, 208, 200, 18));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(12, 228, 352, 26);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what is used: a completion from the history would turn "D:" into
    // "D:\OUT" as Enter is pressed. The history is offered by the box's list.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setFont(GothicFont(14));
    Button3 = MakeButton(this, "Button3", "...", QRect(370, 228, 38, 26));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(12, 264, 396, 16);
    ProgressBar1->setTextVisible(false);
    // Two passes over the lines: every name is checked before the first file is written.
    const int lines = job_.text != nullptr ? static_cast<int>(job_.text->lines.size()) : 0;
    ProgressBar1->setRange(0, std::max(1, 2 * lines));
    ProgressBar1->setValue(0);
    Button1 = MakeButton(this, "Button1", "ＯＫ", QRect(208, 294, 96, 30));
    Button2 = MakeButton(this, "Button2", "ｷｬﾝｾﾙ", QRect(312, 294, 96, 30));

    FillHistoryQuietly(*ComboBox1, job_.history);
    ComboBox1->setEditText(Q(job_.history.empty() ? job_.dirPath : job_.history.front()));
    Button1->setEnabled(true);

    Host().SetProgressHandler([this, lines](const ToolProgress& progress) {
        const auto done = static_cast<int>(progress.done);
        ProgressBar1->setValue(progress.pass == ToolPass::Checking ? done : lines + done);
    });
    Host().SetProgramsHandler([this](std::vector<std::string>&& startLines) {
        QStringList items;
        items.reserve(static_cast<qsizetype>(startLines.size()));
        for (const std::string& line : startLines)
            items.push_back(Q(line));
        ListBox1->addItems(items);
        ListBox1->setCurrentRow(ListBox1->count() - 1);
    });

    connect(ComboBox1, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Button1->setEnabled(!text.isEmpty()); });
    TakeComboKeys(*ComboBox1, kSplitFolderRefusedCharacters, kSplitFolderCharacterMessage);
    connect(Button1, &QPushButton::clicked, this, &TDividesForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TDividesForm::reject);
    connect(Button3, &QPushButton::clicked, this, &TDividesForm::Button3Click);

    CentreOnWindow(*this, window);
    ComboBox1->setFocus();
}

void TDividesForm::Button1Click() {
    const auto typed = TypedForRun(*ComboBox1, job_.history);
    if (!typed)
        return;
    Button1->setEnabled(false);
    ListBox1->clear();
    ProgressBar1->setValue(0);

    SplitJob split;
    split.input = job_.input;
    split.text = job_.text;
    split.targetFolder = *typed;
    split.request.options = job_.options;
    split.request.mask = job_.mask;
    // While the split runs only a stop is taken: the folder and the options stay as they are.
    const ToolResult result = RunTool([&](ToolHost& host) { return RunSplit(files_, split, host); },
                                      [this](bool on) {
                                          ComboBox1->setEnabled(on);
                                          Button3->setEnabled(on);
                                          MainMenu1->setEnabled(on);
                                      },
                                      job_.refreshList);
    if (result.status == ToolStatus::Done)
        return;
    // No to the folder question: the dialog stays as it was, with the folder entered.
    if (result.status == ToolStatus::Declined && Host().LastQuestion() == kSplitFolderQuestion) {
        Button1->setEnabled(true);
        ComboBox1->setFocus();
        return;
    }
    ShowToolReport(prompts_, this, result.report);
    if (result.report.text == kSplitNoProgramMessage) {
        reject();
        return;
    }
    // A stop or a failure wrote nothing: the user may choose another folder and start again.
    Button1->setEnabled(!ComboBox1->currentText().isEmpty());
    ComboBox1->setFocus();
}

void TDividesForm::Button3Click() {
    const std::string start = files_.Drives().ToHost(job_.dirPath).value_or("");
    const auto chosen = desktop_.BrowseFolder(this, "現ﾃﾞｨﾚｸﾄﾘ " + job_.dirPath, start);
    std::string folder = job_.dirPath;
    if (chosen) {
        if (const auto drive = files_.Drives().ToDrive(*chosen))
            folder = *drive;
    }
    ComboBox1->setEditText(Q(folder));
    Button1->setEnabled(!folder.empty());
    ComboBox1->setFocus();
}

}  // namespace kelvantori
