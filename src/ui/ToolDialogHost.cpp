// The tool host of the tool dialogs.
#include "ui/ToolDialogHost.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QThread>
#include <thread>

#include "core/TextCodec.h"
#include "files/FileOperations.h"
#include "ui/Prompts.h"

namespace kelvantori {

void ShowToolReport(PromptService& prompts, QWidget* parent, const ToolReport& report) {
    const PromptIcon icon = report.icon == ReportIcon::Information ? PromptIcon::Information
                            : report.icon == ReportIcon::Warning   ? PromptIcon::Warning
                                                                   : PromptIcon::Error;
    prompts.Message(parent, report.title, report.text, icon);
}

ToolDialogHost::ToolDialogHost(PromptService& prompts, QDialog& dialog)
    : QObject(&dialog), prompts_(prompts), dialog_(dialog) {}

ToolResult ToolDialogHost::Run(const std::function<ToolResult(ToolHost&)>& tool) {
    running_ = true;
    stop_ = false;
    lastQuestion_.clear();
    {
        const std::lock_guard lock(mutex_);
        progress_.reset();
        programs_.clear();
    }
    qApp->installEventFilter(this);
    QEventLoop loop;
    ToolResult result;
    std::thread worker([&] {
        result = tool(*this);
        // Posted: the loop ends once everything the tool reported before it has been shown.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    qApp->removeEventFilter(this);
    ShowReported();
    running_ = false;
    return result;
}

bool ToolDialogHost::AskYesNo(const std::string& text) {
    bool yes = false;
    const auto ask = [&] {
        lastQuestion_ = text;
        yes = prompts_.AskYesNo(&dialog_, kConfirmTitle, text, PromptIcon::Warning,
                                PromptPlace::Offset);
    };
    // The tool waits for the answer, which the window's thread asks for.
    if (QThread::currentThread() == thread())
        ask();
    else
        QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
    return yes;
}

bool ToolDialogHost::Progress(const ToolProgress& progress) {
    {
        const std::lock_guard lock(mutex_);
        progress_ = progress;
    }
    // One showing at a time is enough: it shows the latest progress when it runs.
    if (!showPosted_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { ShowReported(); }, Qt::QueuedConnection);
    return !stop_;
}

void ToolDialogHost::ProgramStarted(std::string_view startLine) {
    std::string line = Cp932ToUtf8(startLine);
    const std::lock_guard lock(mutex_);
    programs_.push_back(std::move(line));
}

void ToolDialogHost::ShowReported() {
    showPosted_ = false;
    std::optional<ToolProgress> progress;
    std::vector<std::string> programs;
    {
        const std::lock_guard lock(mutex_);
        progress.swap(progress_);
        programs.swap(programs_);
    }
    if (!programs.empty() && onPrograms_)
        onPrograms_(std::move(programs));
    if (progress && onProgress_)
        onProgress_(*progress);
}

bool ToolDialogHost::eventFilter(QObject* watched, QEvent* event) {
    if (running_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F3 || key == Qt::Key_Escape) {
            // Consumed: the key stops the tool and does nothing else (an Esc would otherwise
            // close the dialog under the running tool).
            stop_ = true;
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kelvantori
