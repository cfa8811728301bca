// The drive menu, the folder and mask inputs.
#include "ui/FolderCommands.h"

#include <QAction>
#include <QMenu>

#include "ui/DesktopServices.h"
#include "ui/FileListView.h"
#include "ui/InputLineCommands.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

namespace kelvantori {

FolderCommands::FolderCommands(MainContext& context, InputLineCommands& input)
    : c_(context), input_(input) {}

void FolderCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::DriveMenu, [this] { DriveMenu(); });
    registry.Register(Command::ChangeFolder, [this] { ChangeFolder(); });
    registry.Register(Command::BrowseFolder, [this] { BrowseFolder(); });
    registry.Register(Command::ChangeExtension, [this] { ChangeExtension(); });
}

FloppyCheck FolderCommands::Floppy() {
    FloppyCheck check;
    check.floppyReadable = [this] { return c_.files.VolumeReadable('A'); };
    check.askOk = [this](std::string_view title, std::string_view text) {
        Prompt prompt;
        prompt.title = std::string(title);
        prompt.text = std::string(text);
        prompt.icon = PromptIcon::Warning;
        prompt.buttons = {PromptButton::Ok, PromptButton::Cancel};
        prompt.parent = c_.actions.Window();
        return c_.prompts.Ask(prompt) == PromptButton::Ok;
    };
    return check;
}

void FolderCommands::DriveMenu() {
    if (!PopupMenu2) {
        PopupMenu2 = new QMenu(c_.actions.Window());
        PopupMenu2->setObjectName("PopupMenu2");
    }
    PopupMenu2->clear();
    for (const DriveMenuItem& item : BuildDriveMenu(c_.files.Drives())) {
        QAction* action = PopupMenu2->addAction(c_.desktop.DriveIcon(item.type), Q(item.caption));
        action->setData(Q(item.caption));
    }
    const QWidget* list = c_.view.ListBox1;
    const QPoint place(list->x() + 30, list->height() / 2);
    QAction* chosen = c_.prompts.RunMenu(*PopupMenu2, c_.view.central->mapToGlobal(place));
    if (!chosen)
        return;
    const DriveChoice choice =
        SelectDrive(U(chosen->data().toString()), c_.settings.DirPath, Floppy());
    c_.settings.DirPath = choice.DirPath;
    c_.actions.RefreshFileList(false, false, false);
}

void FolderCommands::ChangeFolder() {
    input_.Begin(InputMode::Folder, c_.settings.DirPath);
}

void FolderCommands::BrowseFolder() {
    const std::string start = c_.files.Drives().ToHost(c_.settings.DirPath).value_or("");
    const auto chosen =
        c_.desktop.BrowseFolder(c_.actions.Window(), "現ﾃﾞｨﾚｸﾄﾘ " + c_.settings.DirPath, start);
    std::string folder = c_.settings.DirPath;
    if (chosen) {
        if (const auto drive = c_.files.Drives().ToDrive(*chosen))
            folder = *drive;
    }
    input_.Begin(InputMode::Folder, folder);
}

void FolderCommands::ChangeExtension() {
    input_.Begin(InputMode::Extension, "");
}

}  // namespace kelvantori
