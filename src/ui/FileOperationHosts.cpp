// Questions, reports and progress of the file operations.
#include "ui/FileOperationHosts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "files/SizeText.h"
#include "ui/Fonts.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

FileProgressDialog::FileProgressDialog(QWidget* window, const std::string& caption)
    : QDialog(window) {
    setObjectName("FileProgress");
    setWindowTitle(Q(caption));
    setFont(GothicFont(12));
    setFixedSize(420, 132);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    Label1->setGeometry(12, 10, 396, 18);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(12, 34, 396, 20);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setTextVisible(false);
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setTextFormat(Qt::PlainText);
    Label2->setGeometry(12, 58, 396, 18);
    Button1 = new QPushButton(Q("中止(Esc)"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(160, 88, 100, 30);
}

void FileProgressDialog::Show(const FileProgress& progress) {
    const int shown = std::min(progress.item + 1, progress.count);
    Label1->setText(
        Q(std::to_string(shown) + " / " + std::to_string(progress.count) + "  " + progress.name));
    if (progress.bytesTotal > 0) {
        ProgressBar1->setValue(static_cast<int>(progress.bytesDone * 1000 / progress.bytesTotal));
        Label2->setText(Q(FormatThousands(progress.bytesDone) + " / " +
                          FormatThousands(progress.bytesTotal) + std::string(kByteUnit)));
    } else {
        ProgressBar1->setValue(progress.count > 0 ? progress.item * 1000 / progress.count : 0);
        Label2->clear();
    }
}

OperationProgress::OperationProgress(QWidget* window, Clock& clock, std::string caption)
    : window_(window), clock_(clock), caption_(std::move(caption)), start_(clock.Now()) {
    qApp->installEventFilter(this);
}

OperationProgress::~OperationProgress() {
    qApp->removeEventFilter(this);
    delete dialog_;
}

bool OperationProgress::Update(const FileProgress& progress) {
    const bool finished = progress.item >= progress.count;
    if (!dialog_ && !finished && clock_.Now() - start_ >= kProgressDelay) {
        dialog_ = new FileProgressDialog(window_, caption_);
        connect(dialog_->Button1, &QPushButton::clicked, this, [this] { stop_ = true; });
        // Closing the dialog by its frame stops the operation as well.
        connect(dialog_, &QDialog::rejected, this, [this] { stop_ = true; });
        dialog_->show();
    }
    if (dialog_ && finished) {
        // Every item is handled: the completion message comes next, without the progress.
        delete dialog_;
        dialog_ = nullptr;
    }
    if (dialog_)
        dialog_->Show(progress);
    QCoreApplication::processEvents();
    return !stop_;
}

bool OperationProgress::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !QApplication::activeModalWidget()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_F3) {
            stop_ = true;
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

OverwriteAnswer WindowCopyMoveHost::AskOverwrite(const OverwriteQuestion& question) {
    Prompt prompt;
    prompt.title = std::string(kConfirmTitle);
    prompt.text = question.text;
    prompt.icon = PromptIcon::Warning;
    prompt.buttons = {PromptButton::Yes, PromptButton::YesToAll, PromptButton::No,
                      PromptButton::NoToAll, PromptButton::Cancel};
    prompt.parent = window_;
    switch (prompts_.Ask(prompt)) {
        case PromptButton::Yes:
            return OverwriteAnswer::Yes;
        case PromptButton::YesToAll:
            return OverwriteAnswer::YesToAll;
        case PromptButton::No:
            return OverwriteAnswer::No;
        case PromptButton::NoToAll:
            return OverwriteAnswer::NoToAll;
        default:
            return OverwriteAnswer::Cancel;
    }
}

FailureAnswer WindowCopyMoveHost::ReportFailure(const ItemFailure& failure) {
    Prompt prompt;
    prompt.title = std::string(kConfirmTitle);
    prompt.text = failure.text;
    prompt.icon = PromptIcon::Error;
    prompt.buttons = {PromptButton::Retry, PromptButton::Skip, PromptButton::Cancel};
    prompt.parent = window_;
    switch (prompts_.Ask(prompt)) {
        case PromptButton::Retry:
            return FailureAnswer::Retry;
        case PromptButton::Skip:
            return FailureAnswer::Skip;
        default:
            return FailureAnswer::Cancel;
    }
}

void WindowCopyMoveHost::ShowMessage(std::string_view title, std::string_view text, bool warning) {
    prompts_.Message(window_, title, text, warning ? PromptIcon::Warning : PromptIcon::Information);
}

bool WindowDeleteHost::Confirm(std::string_view text) {
    return prompts_.AskYesNo(window_, kConfirmTitle, text, PromptIcon::Warning);
}

void WindowDeleteHost::ReportFailure(const ItemFailure& failure) {
    prompts_.Message(window_, kConfirmTitle, failure.text, PromptIcon::Error);
}

}  // namespace kelvantori
