// The file commands of the list: copy, move, delete, rename, find, file information, and
// dragging lines onto folders.
#pragma once

#include <string>
#include <vector>

#include "files/FileOperations.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

namespace kelvantori {

class InputLineCommands;

class FileCommands {
  public:
    FileCommands(MainContext& context, InputLineCommands& input);

    void Register(CommandRegistry& registry);

    // Dragging lines of the list: whether the line under the pointer takes the drop (Label3
    // names the target), the drop (always a move), the drag ended.
    bool DragOver(int startLine, int overLine);
    void Drop(int startLine, int overLine);
    void DragLeft();

  private:
    // C, F4 (copy), M, Shift+F3 (move).
    void CopyOrMoveSelection(CopyMoveKind kind);

    MainContext& c_;
    InputLineCommands& input_;
};

}  // namespace kelvantori
