// The modes of the input box.
#include "ui/InputLineCommands.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "core/CommandLine.h"
#include "files/FileOperations.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

using namespace std::chrono_literals;

void InputLineCommands::Begin(InputMode mode, const std::string& text,
                              const std::string& sourceName) {
    mode_ = mode;
    sourceName_ = sourceName;
    MainView& v = c_.view;
    c_.actions.SetListEnabled(false);
    v.Edit1->setEnabled(true);
    v.Edit1->setText(Q(text));
    v.ShowMessage(InputPrompt(mode, c_.settings, sourceName));
    v.Edit1->setFocus();
}

bool InputLineCommands::RefuseCharacters(const std::string& text) {
    // Typed characters are filtered as they come; a pasted text is checked as a whole.
    for (const char ch : text) {
        if (!AcceptsInputCharacter(mode_, c_.settings, std::string_view(&ch, 1))) {
            c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                               ForbiddenCharacterMessage(mode_, c_.settings), PromptIcon::Error);
            return true;
        }
    }
    return false;
}

bool InputLineCommands::KeyPressed(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Enter();
            return true;
        case Qt::Key_Escape:
            c_.view.Edit1->clear();
            mode_ = InputMode::None;
            c_.actions.CancelToIdle();
            return true;
        case Qt::Key_F10:
            c_.actions.CloseWindow();
            return true;
        default:
            break;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || !typed[0].isPrint())
        return false;
    if (!AcceptsInputCharacter(mode_, c_.settings, U(typed))) {
        c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                           ForbiddenCharacterMessage(mode_, c_.settings), PromptIcon::Error);
        return true;
    }
    return false;
}

void InputLineCommands::Enter() {
    const std::string typed = U(c_.view.Edit1->text());
    if (typed.empty() || RefuseCharacters(typed))
        return;
    switch (mode_) {
        case InputMode::CopyName:
            CopyName(typed);
            break;
        case InputMode::Folder:
            ChangeFolder(typed);
            break;
        case InputMode::Extension:
            ChangeExtension(typed);
            break;
        case InputMode::ReceiveName:
            ReceiveName(typed);
            break;
        case InputMode::None:
            break;
    }
}

void InputLineCommands::Finish() {
    mode_ = InputMode::None;
    c_.view.Edit1->clear();
    c_.view.Edit1->setEnabled(false);
    c_.view.ShowMessage("");
    c_.actions.SetListEnabled(true);
    c_.actions.FocusList();
}

void InputLineCommands::CopyName(const std::string& typed) {
    const CopyNameResult result = CopyToNewName(c_.files, c_.settings.DirPath, sourceName_, typed,
                                                c_.settings.Mask, c_.settings.AllFiles);
    mode_ = InputMode::None;
    c_.view.Edit1->clear();
    c_.view.Edit1->setEnabled(false);
    c_.actions.RefreshFileList(false, false, false);
    c_.view.ShowMessage(result.message,
                        result.error == FsError::None ? ResultColour::Lime : ResultColour::Red);
    c_.actions.StartTimer1(1000ms);
    c_.actions.SetListEnabled(true);
    c_.actions.FocusList();
}

void InputLineCommands::ChangeFolder(const std::string& typed) {
    const FolderInput input = ReadFolderInput(typed);
    bool accepted = c_.files.IsDirectory(input.checkPath);
    if (!accepted &&
        c_.prompts.AskYesNo(c_.actions.Window(), kConfirmTitle, CreateFolderQuestion(input.folder),
                            PromptIcon::Warning, PromptPlace::Offset)) {
        FsError error = FsError::None;
        CreateFolderPath(c_.files, input.folder, &error);
        accepted = c_.files.IsDirectory(input.checkPath);
        if (!accepted) {
            c_.prompts.Message(c_.actions.Window(), kConfirmTitle,
                               FsErrorMessage(error == FsError::None ? FsError::Other : error) +
                                   "\n" + input.folder,
                               PromptIcon::Error);
        }
    }
    if (accepted)
        c_.settings.DirPath = input.folder;
    c_.actions.RefreshFileList(false, false, false);
    Finish();
}

void InputLineCommands::ChangeExtension(const std::string& typed) {
    const auto mask = MaskOfExtensionInput(typed);
    if (!mask) {
        c_.prompts.Message(c_.actions.Window(), "", RefusedExtensionMessage(typed),
                           PromptIcon::None);
        return;
    }
    c_.settings.Mask = *mask;
    c_.actions.RefreshFileList(false, false, false);
    Finish();
}

void InputLineCommands::ReceiveName(const std::string& typed) {
    const NamedTarget target = NameTarget(c_.settings, typed);
    if (c_.files.Exists(target.path) &&
        !c_.prompts.AskYesNo(c_.actions.Window(), kConfirmTitle, OverwriteQuestionText(target.path),
                             PromptIcon::Warning, PromptPlace::Offset)) {
        // The input stays open for another name.
        return;
    }
    mode_ = InputMode::None;
    c_.view.Edit1->clear();
    c_.view.Edit1->setEnabled(false);
    if (startReceive_)
        startReceive_(target);
}

}  // namespace kelvantori
