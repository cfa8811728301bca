// The file commands of the list.
#include "ui/FileCommands.h"

#include <QLabel>
#include <QLineEdit>

#include "files/FileOperations.h"
#include "ui/InputLineCommands.h"
#include "ui/MainView.h"

namespace kelvantori {

FileCommands::FileCommands(MainContext& context, InputLineCommands& input)
    : c_(context), input_(input) {}

void FileCommands::Register(CommandRegistry& registry) {
    registry.Register(Command::Copy, [this] { CopyOrMoveSelection(CopyMoveKind::Copy); });
}

void FileCommands::CopyOrMoveSelection(CopyMoveKind kind) {
    const int current = c_.model.Selected();
    if (c_.model.MarkCount() == 0 && kind == CopyMoveKind::Copy &&
        c_.model.KindOf(current) == LineKind::File) {
        // One file copied: to a new name in the same folder, typed into the input line.
        input_.Begin(InputMode::CopyName, "", c_.model.EntryOf(current)->name);
        return;
    }
}

bool FileCommands::DragOver(int, int) {
    return false;
}

void FileCommands::Drop(int, int) {}

void FileCommands::DragLeft() {}

}  // namespace kelvantori
