// The file list of the data folder below the window: the two stores read from the folder (the
// files that pass the mask, the sub-folders), their order, the text lines the window shows, the
// current line, the marks, the header and the detail line. It owns no widget; the window draws
// Lines(), forwards the keys and clicks, and re-reads the texts after every call.
//
// Line index mapping, used by every command: line 0 is the ".." line when HasParentLine() is 1;
// then DirCount() folder lines in scan order; then the file lines in sort order. Indexes are
// 0-based like the window's list rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"
#include "files/ListLines.h"
#include "platform/FileSystem.h"

namespace kelvantori {

// One entry of a store. Sizes and times stay numbers; their texts are made when a line is built.
struct ListEntry {
    std::string name;
    std::string shortName;      // the 8.3 form; empty when the host gives none
    std::uint64_t size = 0;     // bytes (0 for folders)
    std::int64_t modified = 0;  // seconds since 1970 UTC; 0 when unknown
};

enum class LineKind { None, ParentFolder, Folder, File };

struct LineColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const LineColour&) const = default;
};

inline constexpr LineColour kFolderLineColour{0, 255, 255};  // aqua: folders and ".."
inline constexpr LineColour kFileLineColour{255, 255, 255};  // white

// What a full refresh asks of its caller.
struct RefreshOutcome {
    // The listing has left drive A:, where the folder watch cannot run; start a new watch.
    bool restartFolderWatch = false;
};

enum class EnterAction {
    Nothing,        // empty list, or a ".." line that leads nowhere
    FolderChanged,  // DirPath changed and the list was read again
    MarkToggled,    // a file line changed its mark (or was refused) and the selection moved
};

struct EnterOutcome {
    EnterAction action = EnterAction::Nothing;
    RefreshOutcome refresh;
};

class FileListModel {
  public:
    static constexpr int MaxMarks = 100;

    // Both outlive the model. The model reads DirPath, Mask, AllFiles, FileSort, SortMuki,
    // ListColumn, op3 and op4 at every rebuild, and changes DirPath when Enter opens a folder.
    FileListModel(FileSystem& files, Settings& settings);

    // The one operation that (re)builds the list. usePattern: scan SearchPattern() as the caller
    // set it (the find dialog), else DirPath + "\*.*". keepSelection: select the current file
    // again afterwards (line 0 when it is gone). resortOnly: do not read the folder; sort the
    // stores and rebuild the lines. A full refresh does nothing while Busy() is set.
    RefreshOutcome RefreshFileList(bool usePattern, bool keepSelection, bool resortOnly);

    // Called once per full refresh while the folder is being read: Lines() then holds only
    // kSearchingLine, HeaderLine() shows the count "????" and Searching() is true, so the window
    // repaints at once and shows the busy cursor until the call returns.
    void SetSearchingHandler(std::function<void()> handler) { onSearching_ = std::move(handler); }
    bool Searching() const { return searching_; }

    // What the window shows.
    const std::vector<std::string>& Lines() const { return lines_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }
    const std::string& HeaderLine() const { return header_; }  // Label7
    const std::string& DetailLine() const { return detail_; }  // Label8
    LineColour ColourOf(int line) const;
    // Pixels between the item's left edge and its highlight: the mark "*" is highlighted with
    // the line, the blank of an unmarked line is not.
    int HighlightInset(int line) const;

    // Line index mapping.
    LineKind KindOf(int line) const;
    bool IsFileLine(int line) const { return KindOf(line) == LineKind::File; }
    int FirstFileLine() const { return dirCount_ + hasParentLine_; }
    // The files-store index of a file line, -1 for any other line.
    int FileIndexOf(int line) const;
    // The folders-store index of a folder line, -1 for any other line.
    int FolderIndexOf(int line) const;
    const std::vector<ListEntry>& Files() const { return files_; }      // in list order
    const std::vector<ListEntry>& Folders() const { return folders_; }  // in scan order
    // The file or folder of a line, nullptr for the ".." line and outside the list.
    const ListEntry* EntryOf(int line) const;
    // DirPath joined with the line's name; empty for the ".." line and outside the list.
    std::string PathOf(int line) const;
    // "YYYY-MM-DD HH:NN:SS" in local time; empty when the time is unknown.
    static std::string TimeText(std::int64_t modified);

    // The current line, -1 when the list is empty (or being read).
    int Selected() const { return selected_; }
    // Selects a line (clamped into the list) and writes its detail line.
    void Select(int line);
    // A plain click: selects, writes the detail line, remembers the line for Shift+click.
    void Click(int line);
    // The detail line of a line into DetailLine() (empty outside the list); returns it.
    const std::string& ShowItemDetail(int line);

    // Keys of the list.
    void PageUp();
    // Returns the line the window should scroll into view before it shows the selection (the
    // first line of the last column of the next page), or -1 when there is none.
    int PageDown();
    void MoveToTop();     // T
    void MoveToBottom();  // Z
    EnterOutcome Enter();
    // Shift + left button on a line: marks the range from LastClickedIndex() to the line. The
    // click that follows it (Click) moves the selection.
    void ShiftClick(int line);

    // Marks. A marked line's first character is "*", an unmarked one's " ". Marks() holds the
    // marked lines in marking order with -1 for free slots (slot k here is the program's slot
    // k + 1), MaxMarks slots.
    bool IsMarked(int line) const;
    int MarkCount() const { return markCount_; }
    const std::vector<int>& Marks() const { return marks_; }
    // Enter's rule without the move: unmark a marked file line, mark an unmarked one while fewer
    // than MaxMarks are marked (a further one is refused silently). False when nothing changed.
    bool ToggleMark(int line);
    // End: every mark removed, the table emptied.
    void ClearMarks();
    // The table emptied (MarkCount 0, every slot -1); the lines keep their mark column. Callers
    // of CollectMarkedFiles use it when their multi-file command is done.
    void ClearMarkTable();
    // Home: the marks above the current line removed, then the file lines among the next
    // MaxMarks lines from the current one on marked in list order; marks further down are
    // removed as well, so the mark column always shows exactly the table.
    void MarkFromCurrent();
    // Closes the holes of the table: slots 0..MarkCount-1 hold the marked lines in marking order.
    void CompactMarks();
    // The names of the marked files in table order; their lines get " " again. The table stays
    // (the send of marked files walks it); see ClearMarkTable.
    std::vector<std::string> CollectMarkedFiles();

    // The file of a line was renamed where it stands (the rename of the marked files): the entry
    // takes the new name and the short form the host gives it, and the line is rebuilt in place
    // with its mark column. The order stays as it is until the next rebuild.
    void RenameFileLine(int line, std::string_view newName);

    // The flag that a send runs over the marked files; every rebuild clears it.
    bool MarkedSend() const { return markedSend_; }
    void SetMarkedSend(bool on) { markedSend_ = on; }

    // Run-time fields under their program names.
    int DirCount() const { return dirCount_; }
    int HasParentLine() const { return hasParentLine_; }
    int RowsPerColumn() const { return rowsPerColumn_; }
    // Visible rows of one column: the list's client height divided by the item height.
    void SetRowsPerColumn(int rows) { rowsPerColumn_ = rows; }
    const std::string& RememberedName() const { return rememberedName_; }
    const std::string& SearchPattern() const { return searchPattern_; }
    // "folder\O12*.NC": the folder to read and a name pattern ("*" and "?", case ignored).
    void SetSearchPattern(std::string pattern) { searchPattern_ = std::move(pattern); }
    const std::string& LastDrive() const { return lastDrive_; }
    bool Busy() const { return busy_; }
    void SetBusy(bool busy) { busy_ = busy; }
    int LastClickedIndex() const { return lastClickedIndex_; }

  private:
    enum class SortKey { Name, Size, Time };

    void RememberCurrentFile(bool keepSelection);
    void ShowUnreadableFolder();
    void ReadFolder(std::vector<DirEntry>&& entries, std::string_view pattern);
    void SortFiles();
    void BuildLines(bool keepSelection);
    void SetMarkColumn(int line, char mark);
    void RemoveFromTable(int line);
    bool AddToTable(int line);
    int Page() const;
    std::string HeaderPath() const;

    FileSystem& fs_;
    Settings& settings_;
    std::function<void()> onSearching_;

    std::vector<ListEntry> files_;    // ListView1
    std::vector<ListEntry> folders_;  // ListView2
    std::vector<std::string> lines_;  // ListBox1
    std::string header_;
    std::string detail_;
    int selected_ = -1;
    bool searching_ = false;

    int dirCount_ = 0;
    int hasParentLine_ = 0;
    int markCount_ = 0;
    std::vector<int> marks_;
    int rowsPerColumn_ = 0;
    std::string rememberedName_;
    std::string searchPattern_;
    std::string lastDrive_;
    bool busy_ = false;
    int lastClickedIndex_ = 0;
    bool markedSend_ = false;
    SortKey sortKey_ = SortKey::Name;
};

}  // namespace kelvantori
