// The file commands of the list: copy and move (C, F4, M, Shift+F3) through the copy/move dialog
// or, for one file copied, to a new name in the input line; delete into the trash (D, F3); rename
// one entry or the marked files (R); find (F); file information (I); and dragging lines onto
// folder lines and the ".." line, which always moves. The work is FileOperations'; this area
// collects the entries, runs the dialogs, answers the operations through the prompt service and
// re-reads the list as each result asks.
#pragma once

#include <string>
#include <string_view>
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
    // D, F3.
    void DeleteSelection();
    // R.
    void RenameSelection();
    void RenameOne(int line);
    void RenameMarked();
    // F.
    void Find();
    // I.
    void FileInformation();

    // The copy/move dialog for names of the current folder, then the copy or move.
    void CopyOrMoveThroughDialog(CopyMoveKind kind, const std::vector<std::string>& names);
    // The operation with its questions and progress; the list re-read as the result asks.
    void RunCopyOrMove(const std::vector<std::string>& sources, const std::string& target,
                       CopyMoveKind kind);
    // The current line when it holds a file or a folder, for the commands of one entry; -1 on
    // ".." and, after telling the user to choose one, when no line is current.
    int CurrentEntry();
    // The marked files (their marks taken off the lines), or the entry of a line.
    std::vector<std::string> MarkedSources();
    void Refresh(ListRefresh refresh);
    // The line of an entry by its name after a rebuild becomes the current line.
    void SelectEntry(const std::string& name);

    // A history list of the program folder ("Path.lst", "FIND.LST").
    std::vector<std::string> LoadHistory(std::string_view name);
    void SaveHistory(std::string_view name, const std::vector<std::string>& entries);

    MainContext& c_;
    InputLineCommands& input_;
};

}  // namespace kelvantori
