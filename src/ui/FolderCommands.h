// Changing the data folder: the drive menu (L, PopupMenu2 with the floppy check), the folder
// typed into the input box (F5) or chosen in the folder browser (Shift+F5), and the file mask
// (F6).
#pragma once

#include "files/DriveList.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

class QMenu;

namespace kelvantori {

class InputLineCommands;

class FolderCommands {
  public:
    FolderCommands(MainContext& context, InputLineCommands& input);

    void Register(CommandRegistry& registry);

    // "Can A: be read" and the "ＦＤ確認" question, as the start-up check and the drive menu
    // ask them.
    FloppyCheck Floppy();

    void DriveMenu();

  private:
    void ChangeFolder();
    void BrowseFolder();
    void ChangeExtension();

    MainContext& c_;
    InputLineCommands& input_;
    QMenu* PopupMenu2 = nullptr;
};

}  // namespace kelvantori
