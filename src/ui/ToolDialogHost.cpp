// The tool host of the tool dialogs.
#include "ui/ToolDialogHost.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

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
    programs_.clear();
    lastQuestion_.clear();
    qApp->installEventFilter(this);
    ToolResult result = tool(*this);
    qApp->removeEventFilter(this);
    FlushPrograms();
    running_ = false;
    return result;
}

bool ToolDialogHost::AskYesNo(const std::string& text) {
    lastQuestion_ = text;
    return prompts_.AskYesNo(&dialog_, kConfirmTitle, text, PromptIcon::Warning,
                             PromptPlace::Offset);
}

bool ToolDialogHost::Progress(const ToolProgress& progress) {
    FlushPrograms();
    if (onProgress_)
        onProgress_(progress);
    // The window paints, its timers run and F3/Esc arrive while the tool works.
    QApplication::processEvents();
    return !stop_;
}

void ToolDialogHost::ProgramStarted(std::string_view startLine) {
    // Gathered and handed on with the next progress: a list item per program as it comes would
    // cost the split more than writing the program.
    programs_.push_back(Cp932ToUtf8(startLine));
}

void ToolDialogHost::FlushPrograms() {
    if (programs_.empty())
        return;
    if (onPrograms_)
        onPrograms_(std::move(programs_));
    programs_.clear();
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
