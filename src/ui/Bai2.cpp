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
#include "ui/Fonts.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/ToolDialogHost.h"

namespace kelvantori {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const std::string& text, QRect geometry) {
    auto* label = new QLabel(Q(text), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = new QPushButton(Q(caption), parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TBai2Form::TBai2Form(QWidget* window, FileSystem& files, PromptService& prompts, Bai2Job job)
    : QDialog(window), files_(files), prompts_(prompts), job_(std::move(job)) {
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
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(12, 96, 316, 16);
    ProgressBar1->setTextVisible(false);
    const int lines = job_.text != nullptr ? static_cast<int>(job_.text->lines.size()) : 0;
    ProgressBar1->setRange(0, std::max(1, lines));
    ProgressBar1->setValue(0);
    Button1 = Button(this, "Button1", "ＯＫ", QRect(128, 128, 96, 30));
    Button2 = Button(this, "Button2", "ｷｬﾝｾﾙ", QRect(232, 128, 96, 30));
    Button1->setEnabled(false);

    host_ = new ToolDialogHost(prompts_, *this);
    host_->SetProgressHandler([this](const ToolProgress& progress) {
        ProgressBar1->setValue(static_cast<int>(progress.done));
    });

    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { Button1->setEnabled(!text.isEmpty()); });
    Edit1->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &TBai2Form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TBai2Form::reject);

    CentreOnWindow(*this, window);
    Edit1->setFocus();
}

void TBai2Form::Button1Click() {
    if (host_->Running())
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
    Edit1->setEnabled(false);
    const ToolResult result =
        host_->Run([&](ToolHost& host) { return RunDouble(files_, job, host); });
    Edit1->setEnabled(true);

    if (result.status == ToolStatus::Done) {
        if (job_.refreshList)
            job_.refreshList();
        ShowToolReport(prompts_, this, result.report);
        accept();
        return;
    }
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

bool TBai2Form::Edit1KeyPress(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!Edit1->text().isEmpty())
            Button1Click();
        return true;
    }
    const QString typed = event->text();
    if (typed.size() != 1 || !typed[0].isPrint() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (!Q(kAxisLetters).contains(typed[0])) {
        prompts_.Message(this, kConfirmTitle, kAxisRefusedMessage, PromptIcon::Error);
        return true;
    }
    return false;
}

bool TBai2Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress)
        return Edit1KeyPress(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TBai2Form::reject() {
    if (host_->Running()) {
        host_->Stop();
        return;
    }
    QDialog::reject();
}

}  // namespace kelvantori
