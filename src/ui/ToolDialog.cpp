// The tool dialogs' shared behaviour.
#include "ui/ToolDialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <optional>

#include "core/HistoryList.h"
#include "files/FileOperations.h"
#include "ui/DialogSupport.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/SessionServices.h"
#include "ui/ToolDialogHost.h"

namespace kelvantori {

ToolDialog::ToolDialog(QWidget* window, PromptService& prompts)
    : QDialog(window), prompts_(prompts), host_(new ToolDialogHost(prompts, *this)) {}

void ToolDialog::TakeFieldKeys(QWidget& field, std::function<QString()> text,
                               std::function<bool(const QKeyEvent&)> refused,
                               std::string_view refusedMessage) {
    FilterKeys(field, [this, text = std::move(text), refused = std::move(refused),
                       message = std::string(refusedMessage)](QKeyEvent& event) {
        if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
            if (!text().isEmpty())
                Button1Click();
            return true;
        }
        if (refused(event)) {
            prompts_.Message(this, kConfirmTitle, message, PromptIcon::Error);
            return true;
        }
        return false;
    });
}

void ToolDialog::TakeComboKeys(QComboBox& box, std::string_view refusedCharacters,
                               std::string_view refusedMessage) {
    TakeFieldKeys(
        box, [&box] { return box.currentText(); },
        [refused = Q(refusedCharacters)](const QKeyEvent& event) {
            const QString typed = event.text();
            return typed.size() == 1 && refused.contains(typed[0]);
        },
        refusedMessage);
}

std::optional<std::string> ToolDialog::TypedForRun(QComboBox& box,
                                                   std::vector<std::string>& history) {
    if (host_->Running())
        return std::nullopt;
    const std::string typed = U(box.currentText());
    if (typed.empty()) {
        box.setFocus();
        return std::nullopt;
    }
    AddToHistory(history, typed);
    FillHistoryQuietly(box, history);
    return typed;
}

ToolResult ToolDialog::RunTool(const std::function<ToolResult(ToolHost&)>& tool,
                               const std::function<void(bool)>& takeInput,
                               const std::function<void()>& refreshList) {
    takeInput(false);
    ToolResult result;
    {
        std::optional<ScreenSaverInhibition> inhibition;
        if (screenSaver_)
            inhibition.emplace(*screenSaver_, "NCデータの変換中");
        result = host_->Run(tool);
    }
    takeInput(true);
    if (result.status == ToolStatus::Done) {
        if (refreshList)
            refreshList();
        ShowToolReport(prompts_, this, result.report);
        accept();
    }
    return result;
}

void ToolDialog::reject() {
    // While the tool runs, closing the dialog stops the tool instead (nothing is put in place);
    // the dialog stays open with its report.
    if (host_->Running()) {
        host_->Stop();
        return;
    }
    QDialog::reject();
}

}  // namespace kelvantori
