// The axis-doubling dialog.
#include "ui/Bai2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "core/DoubleAxis.h"
#include "core/DrivePath.h"
#include "files/DoubleTool.h"
#include "files/FileOperations.h"
#include "ui/DialogPlace.h"
#include "ui/DialogSupport.h"
#include "ui/Fonts.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/ToolDialogHost.h"

namespace kelvantori {

TBai2Form::TBai2Form(QWidget* window, FileSystem& files, PromptService& prompts, Bai2Job job)
    : ToolDialog(window, prompts), files_(files), prompts_(prompts), job_(std::move(job)) {
    setObjectName("Bai2Form");
    setWindowTitle(Q(kBai2Caption));
    setFixedSize(340, 172);
    setFont(GothicFont(12));

    Label1 = MakeLabel(this, "Label1", "２倍に変換軸", QRect(12, 14, 120, 18));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(136, 10, 40, 26);
    Edit1->setFont(GothicFont(14));
    Edit1->setMaxLength(1);
    Label2 =
        MakeLabel(this, "Label2", "変換前:" + DriveFileNameOf(job_.input), QRect(12, 46, 316, 18));
    Label3 = MakeLabel(this, "Label3", "変換後:" + job_.outputName, QRect(12, 68, 316, 18));
    FitLabelText(*Label2);
    FitLabelText(*Label3);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(12, 96, 316, 16);
    ProgressBar1->setTextVisible(false);
    const int lines = job_.text != nullptr ? static_cast<int>(job_.text->lines.size()) : 0;
    ProgressBar1->setRange(0, std::max(1, lines));
    ProgressBar1->setValue(0);
    Button1 = MakeButton(this, "Button1", "ＯＫ", QRect(128, 128, 96, 30));
    Button2 = MakeButton(this, "Button2", "ｷｬﾝｾﾙ", QRect(232, 128, 96, 30));
    Button1->setEnabled(false);

    Host().SetProgressHandler([this](const ToolProgress& progress) {
        ProgressBar1->setValue(static_cast<int>(progress.done));
    });

    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { Button1->setEnabled(!text.isEmpty()); });
    TakeFieldKeys(
        *Edit1, [this] { return Edit1->text(); },
        [](const QKeyEvent& event) {
            // Only the axis letters are typed; keys that type nothing are the field's.
            const QString typed = event.text();
            return typed.size() == 1 && typed[0].isPrint() &&
                   !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                   !Q(kAxisLetters).contains(typed[0]);
        },
        kAxisRefusedMessage);
    connect(Button1, &QPushButton::clicked, this, &TBai2Form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TBai2Form::reject);

    CentreOnWindow(*this, window);
    Edit1->setFocus();
}

void TBai2Form::Button1Click() {
    if (Host().Running())
        return;
    const std::string typed = U(Edit1->text());
    if (typed.empty()) {
        Edit1->setFocus();
        return;
    }
    Button1->setEnabled(false);
    DoubleJob job;
    job.input = job_.input;
    job.text = job_.text;
    job.axis = typed[0];
    job.outputName = job_.outputName;
    const ToolResult result = RunTool([&](ToolHost& host) { return RunDouble(files_, job, host); },
                                      [this](bool on) { Edit1->setEnabled(on); }, job_.refreshList);
    if (result.status == ToolStatus::Done)
        return;
    ShowToolReport(prompts_, this, result.report);
    if (result.status == ToolStatus::Stopped) {
        // Nothing was saved; the conversion can be started again.
        Button1->setEnabled(true);
        Edit1->setFocus();
        return;
    }
    // A value that is no number (or a file that could not be written): nothing was saved, and
    // the same conversion would fail again, so the dialog can only be closed.
    Edit1->setEnabled(false);
    Button2->setFocus();
}

}  // namespace kelvantori
