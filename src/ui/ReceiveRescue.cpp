// Offering received data that could not be saved.
#include "ui/ReceiveRescue.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

#include "core/CommandLine.h"
#include "core/ProgramText.h"
#include "files/FileOperations.h"
#include "ui/MainContext.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

std::string RescueSavedMessage(const std::string& drivePath) {
    return "受信データを保存しました。\n" + drivePath;
}

std::string RescueKeptMessage(const std::string& hostPath) {
    return "受信データを書き出しました。\n" + hostPath;
}

std::string RescueKeptQuestion(const std::string& hostPath) {
    return RescueKeptMessage(hostPath) + "\n別の名前で保存しますか？";
}

namespace {

// The message line is right-aligned and cuts a long text off at its left, which would take the
// caption with it: the folder of the rescue file gives way in its middle instead, so the caption
// and the file's name stay whole.
std::string FittedRescueMessage(const QLabel& line, const std::string& hostPath) {
    const QFontMetrics metrics(line.font());
    const QString caption = Q("受信データ: ");
    const QString path = Q(hostPath);
    const qsizetype cut = path.lastIndexOf('/') + 1;
    const QString folder = path.left(cut);
    const QString name = path.mid(cut);
    const int room =
        line.width() - metrics.horizontalAdvance(caption) - metrics.horizontalAdvance(name);
    return U(caption + metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 0)) + name);
}

}  // namespace

void OfferReceivedData(MainContext& c, const std::string& suggestedName, const std::string& bytes,
                       const std::optional<std::string>& rescueFile) {
    MainView& v = c.view;
    QWidget* window = c.actions.Window();
    v.ShowTextPanel("受信データ", kTextPanelReceive, kGreen);
    v.Label17->hide();
    v.RichEdit1->ShowOwnLines(ProgramLines::FromBytes(std::string(bytes)));
    if (rescueFile) {
        // Kept on disk already: one question, and a No leaves it where it is.
        const std::string host = c.files.Drives().ToHost(*rescueFile).value_or(*rescueFile);
        v.ShowMessage(FittedRescueMessage(*v.Label11, host), ResultColour::Red);
        if (!c.prompts.AskYesNo(window, kConfirmTitle, RescueKeptQuestion(host),
                                PromptIcon::Warning, PromptPlace::Offset))
            return;
    }
    const std::string startFolder = c.files.Drives().ToHost(c.settings.DirPath).value_or("");
    for (;;) {
        QFileDialog dialog(window, Q(kRescueDialogTitle), Q(startFolder));
        dialog.setObjectName("RescueDialog");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Its questions go through the program's own prompts (and tests answer them).
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.selectFile(Q(suggestedName));
        const bool chosen =
            c.prompts.RunDialog(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        if (chosen) {
            const std::string host = U(dialog.selectedFiles().front());
            const auto path = c.files.Drives().ToDrive(host);
            if (!path) {
                c.prompts.Message(window, kConfirmTitle,
                                  FsErrorMessage(FsError::InvalidName) + "\n" + host,
                                  PromptIcon::Error);
                continue;
            }
            if (c.files.Exists(*path) &&
                !c.prompts.AskYesNo(window, kConfirmTitle, OverwriteQuestionText(*path),
                                    PromptIcon::Warning, PromptPlace::Offset))
                continue;
            const FsError error = c.files.WriteAll(*path, bytes);
            if (error == FsError::None) {
                c.prompts.Message(window, "完了", RescueSavedMessage(*path),
                                  PromptIcon::Information);
                return;
            }
            c.prompts.Message(window, kConfirmTitle, FsErrorMessage(error) + "\n" + *path,
                              PromptIcon::Error);
            continue;
        }
        if (rescueFile || c.prompts.AskYesNo(window, kConfirmTitle, kRescueDiscardQuestion,
                                             PromptIcon::Warning, PromptPlace::Offset))
            return;
    }
}

}  // namespace kelvantori
