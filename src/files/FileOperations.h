// The file commands of the file manager: copy and move of a set of files and folders to a target
// folder, delete into the desktop's trash, rename (one entry, or the marked files by a case rule),
// copy to a new name in the same folder, folder creation, the import of a file into the data
// folder, the target checks of the copy/move dialog and the targets of drag and drop. Everything
// is drive paths over the FileSystem interface; questions, progress and messages go through the
// host interfaces below, which the window implements with its dialogs and tests script.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/CommandLine.h"
#include "files/FileListModel.h"
#include "platform/FileSystem.h"

namespace kelvantori {

// The program's texts of these commands.
inline constexpr std::string_view kConfirmTitle = "確認";
inline constexpr std::string_view kDoneTitle = "完了";
inline constexpr std::string_view kCopyDoneMessage = "ファイルをコピーしました。";
inline constexpr std::string_view kMoveDoneMessage = "ファイルを移動しました。";
inline constexpr std::string_view kCopyNameDoneMessage = "ファイルコピー完了";
inline constexpr std::string_view kSelectFileMessage = "ファイルを選択してください。!!";
inline constexpr std::string_view kSelectEntryMessage = "ﾌｧｲﾙ（ﾌｫﾙﾀﾞ）を選択して下さい。";
inline constexpr std::string_view kMissingFolderQuestion =
    "ディレクトリが見つかりません。ディレクトリを作成しますか？";
inline constexpr std::string_view kSameFolderRefusalSuffix = "のﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。";
inline constexpr std::string_view kDragTargetPrefix = " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ ";

// CopyMode: true copies, false moves.
enum class CopyMoveKind { Copy, Move };

// The answers to "the target exists". Yes replaces this one; No leaves this source where it is
// and goes on; the "to all" answers stand for every later question of the same operation;
// Cancel stops the operation before this item (what is done stays done).
enum class OverwriteAnswer { Yes, YesToAll, No, NoToAll, Cancel };

struct OverwriteQuestion {
    std::string source;  // drive paths
    std::string target;
    bool folder = false;  // a folder onto a folder of that name: the two are merged
    std::uint64_t sourceSize = 0;
    std::int64_t sourceModified = 0;  // seconds since 1970 UTC
    std::uint64_t targetSize = 0;
    std::int64_t targetModified = 0;
    std::string text;  // the question as the user reads it (title kConfirmTitle)
};

// The answers to a failed item: try it again (a medium put back, a file closed elsewhere), leave
// it and go on with the next, or stop.
enum class FailureAnswer { Retry, Skip, Cancel };

struct ItemFailure {
    std::string source;
    std::string target;  // empty for a delete
    FsError error = FsError::None;
    std::string text;  // the message as the user reads it
};

// Before each item: item is 0-based, count the number of items; bytes are those of the whole
// set (folders counted with everything in them). Called a last time with item == count when
// every item has been handled.
struct FileProgress {
    int item = 0;
    int count = 0;
    std::string name;  // the source of this item; empty at the last call
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
};

enum class ListRefresh {
    None,           // nothing in the listed folder can have changed
    KeepSelection,  // RefreshFileList(false, true, false)
    Full,           // RefreshFileList(false, false, false)
};

// What a copy or move needs from the window.
class CopyMoveHost {
  public:
    virtual ~CopyMoveHost() = default;
    virtual OverwriteAnswer AskOverwrite(const OverwriteQuestion& question) = 0;
    virtual FailureAnswer ReportFailure(const ItemFailure& failure) = 0;
    // Shows the progress, lets pending window events run and reads F3/Esc; false stops the
    // operation before the item.
    virtual bool Progress(const FileProgress& progress) = 0;
    // A message box with the information icon (completion) or the warning icon (partial).
    virtual void ShowMessage(std::string_view title, std::string_view text, bool warning) = 0;
    // The listed folder has changed (refresh is never None): the list is read again now, before
    // the closing message, so that the message does not stand over files that are gone.
    virtual void ListChanged(ListRefresh refresh) = 0;
};

struct CopyMoveResult {
    // ShellCopyOrMove's result: false when the user stopped the operation.
    bool completed = false;
    int done = 0;     // items copied or moved
    int skipped = 0;  // left where they are by a No or No-to-all answer
    int failed = 0;   // items that failed and were skipped (or stopped at) after the report
    ListRefresh refresh = ListRefresh::None;
};

// Copies or moves every source (a file or a folder, whole) into targetFolder under its own name.
// An existing target is asked about (a folder onto a folder merges the two, replacing files of
// the same names once the user agreed); a failure is reported and answered. After a completed
// operation without failures "ファイルをコピーしました。" / "ファイルを移動しました。" (title
// "完了") is shown; with failures a warning says that some items were not copied or moved; after a
// stop nothing. A move asks for a refresh that keeps the selection whenever something was moved:
// the host hears of it (ListChanged) before the message, and the result says it too.
CopyMoveResult ShellCopyOrMove(FileSystem& files, const std::vector<std::string>& sources,
                               std::string_view targetFolder, CopyMoveKind kind,
                               CopyMoveHost& host);

// The sources of the names in folder: folder + "\" + name each, in order.
std::vector<std::string> SourcesIn(std::string_view folder, const std::vector<std::string>& names);

// --- Delete -----------------------------------------------------------------------------------

// What a delete needs from the window.
class DeleteHost {
  public:
    virtual ~DeleteHost() = default;
    // One question for the whole set (title kConfirmTitle); true for Yes.
    virtual bool Confirm(std::string_view text) = 0;
    // Each item that could not be put into the trash; the delete goes on with the next.
    virtual void ReportFailure(const ItemFailure& failure) = 0;
    // As CopyMoveHost::Progress (no bytes).
    virtual bool Progress(const FileProgress& progress) = 0;
};

// "「O1234.NC」をごみ箱に移動しますか？", "フォルダー「SUB」とその中身をごみ箱に移動しますか？",
// "3 個の項目をごみ箱に移動しますか？".
std::string DeleteQuestion(FileSystem& files, const std::vector<std::string>& sources);

struct DeleteResult {
    bool confirmed = false;  // false: the user said No and nothing happened
    int done = 0;
    int failed = 0;
    ListRefresh refresh = ListRefresh::None;  // Full once anything was attempted
};

// Puts every source into the desktop's trash after one confirmation for the whole set.
DeleteResult DeleteToTrash(FileSystem& files, const std::vector<std::string>& sources,
                           DeleteHost& host);

// --- Rename -----------------------------------------------------------------------------------

// The rules of the rename-all dialog: 1 keeps the names, 2 upper case, 3 lower case,
// 4 capitalise, 5 the single-rename dialog for each file.
enum class RenameRule { Keep = 1, Upper = 2, Lower = 3, Capitalise = 4, OneByOne = 5 };

// The case rules change the single-byte Latin letters only; every other character (katakana,
// multi-byte characters) stays. Capitalise: the first character in upper case, the rest in
// lower case (abc.NC -> Abc.nc). Keep and OneByOne give the name unchanged.
std::string ApplyRenameRule(RenameRule rule, std::string_view name);

// A new name that cannot name an entry of the same folder: empty, "." or "..", or holding
// one of \ / : * ? " < > | or a control character (a "\" would move the entry elsewhere).
bool IsValidEntryName(std::string_view name);

// "名前を変更出来ませんでした。\n" + the reason.
std::string RenameFailureText(std::string_view oldName, FsError error);

// Renames folder\oldName to folder\newName. A name equal to the old one is no change; an
// invalid new name is InvalidName and nothing is touched; an existing entry is never replaced.
FsError RenameEntry(FileSystem& files, std::string_view folder, std::string_view oldName,
                    std::string_view newName);

struct MarkedEntry {
    int line = 0;  // the list line, for the in-place update
    std::string name;
};

// What the rename of the marked files needs from the window.
class RenameHost {
  public:
    virtual ~RenameHost() = default;
    // The marked line is made the current line before it is renamed.
    virtual void SelectLine(int line) = 0;
    // The single-rename dialog for one file (rule 5); nullopt when it was cancelled.
    virtual std::optional<std::string> AskNewName(const std::string& oldName) = 0;
    // The file of the line now has its new name: the line's text is rewritten in place.
    virtual void LineRenamed(int line, const std::string& newName) = 0;
    virtual void ReportFailure(const ItemFailure& failure) = 0;
    // The pause after each file, so the user sees the names change one by one.
    virtual void Pause(std::chrono::milliseconds duration) = 0;
};

struct RenameAllResult {
    int renamed = 0;
    int unchanged = 0;  // cancelled in the dialog, or the rule gave the same name
    int failed = 0;
};

// The marked files in mark order, renamed by the rule in folder. Busy and the refresh afterwards
// are the caller's.
RenameAllResult RenameAll(FileSystem& files, std::string_view folder,
                          const std::vector<MarkedEntry>& marked, RenameRule rule,
                          RenameHost& host);

// --- Copy to a new name, folder creation, import -------------------------------------------

// DirPath + "\" + typed, with the extension of Mask (Mask from its second character, ".NC" for
// "*.NC") appended unless AllFiles is "Y".
std::string CopyNameTarget(std::string_view dirPath, std::string_view typed, std::string_view mask,
                           std::string_view allFiles);

struct CopyNameResult {
    FsError error = FsError::None;
    std::string target;
    std::string message;  // Label11: "ファイルコピー完了", or what went wrong
};

// Copies dirPath\sourceName to CopyNameTarget, replacing an existing file without a question.
CopyNameResult CopyToNewName(FileSystem& files, std::string_view dirPath,
                             std::string_view sourceName, std::string_view typed,
                             std::string_view mask, std::string_view allFiles);

// Drops a trailing "\"; when the rest is longer than 2 characters, creates every missing folder
// on the way (from the third character on, the part before each "\") and the whole path, and
// returns true; else creates nothing and returns false. error (when given) receives the first
// creation that failed, or None.
bool CreateFolderPath(FileSystem& files, std::string_view path, FsError* error = nullptr);

// What the start-up check of the data folder found or did.
enum class DataFolderCheck {
    Present,     // the folder exists, or DirPath is a drive alone ("C:"), which is not checked
    Created,     // it was missing and has been created with every missing folder above it
    FellBack,    // it was missing and the user said No: DirPath is now "c:"
    NotCreated,  // it could not be created (reported); DirPath is unchanged
};

// The data folder's check at the window's first display, also made by kelvantori-cli before its
// transfers. A missing folder asks kMissingFolderQuestion; Yes creates it (CreateFolderPath), No
// sets DirPath to "c:". A folder that could not be created is shown with showError: the reason,
// a line break and DirPath.
DataFolderCheck CheckDataFolder(FileSystem& files, Settings& settings,
                                const std::function<bool(const std::string&)>& askYesNo,
                                const std::function<void(const std::string&)>& showError);

// The command line's view of the files: whether a path is a folder (a missing one counts as a
// folder), whether a file exists, and the import's copy over a file of the same name. The caller
// adds the question and the error box.
CommandLineEnvironment CommandLineFiles(FileSystem& files);

// Copies a file (or folder) into dataFolder under its own name, replacing what has that name.
// A file already in the data folder is left alone (a copy onto itself).
FsError ImportFile(FileSystem& files, std::string_view from, std::string_view dataFolder);

struct ImportResult {
    std::vector<ItemFailure> failures;
    std::string message;  // Label11: "ファイルコピー完了", or the count of files not copied
};

// Files dropped on the window, in the order given, imported into dataFolder.
ImportResult ImportDroppedFiles(FileSystem& files, const std::vector<std::string>& dropped,
                                std::string_view dataFolder);

// --- The copy/move dialog's target -----------------------------------------------------------

inline constexpr std::string_view kCopyTargetRefusedMessage =
    "この文字はフォルダー名に使えません。\n/:,;*?<>|.";

// The dialog's caption ("ﾌｧｲﾙｺﾋﾟｰ" / "ﾌｧｲﾙ移動") and the label of its folder box ("ｺﾋﾟｰ先" /
// "移動先").
std::string_view CopyMoveCaption(CopyMoveKind kind);
std::string_view CopyMoveTargetLabel(CopyMoveKind kind);

// False for a character typed into the folder box that is dropped: one of /,;*?<>|. (the ":"
// of a drive and the "\" between folders are taken).
bool CopyTargetAcceptsCharacter(std::string_view utf8Character);

class TargetCheckHost {
  public:
    virtual ~TargetCheckHost() = default;
    // kMissingFolderQuestion, Yes and No, warning icon; true for Yes.
    virtual bool AskCreateFolder(std::string_view text) = 0;
    // A refusal with the warning icon and one button.
    virtual void ShowRefusal(std::string_view text) = 0;
};

struct TargetCheck {
    bool accepted = false;  // false: the focus goes back to the combo, nothing is copied
    std::string target;     // the folder to copy or move into
    // The text the combo shows afterwards (DirPath after a No to the missing folder).
    std::string comboText;
};

// The checks of the dialog's OK (after the history was updated): a trailing "\" goes; a drive
// of two characters is taken unchecked; a missing folder is offered for creation (No: the target
// becomes dirPath); a target equal to dirPath (compared in upper case) is refused with
// dirPath + "のﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。". An empty text is refused without a word.
TargetCheck CheckCopyTarget(FileSystem& files, std::string_view comboText, std::string_view dirPath,
                            TargetCheckHost& host);

// --- Drag and drop ----------------------------------------------------------------------------

struct DropTarget {
    bool accepted = false;
    std::string target;  // the folder the drop moves into
    std::string label;   // Label3
};

// Over the ".." line: the parent of dirPath; over a folder line: dirPath + "\" + folderName;
// anything else, or a drag that started on the ".." line: refused with an empty label.
DropTarget DragTargetOver(std::string_view dirPath, bool dragStartedOnParentLine, LineKind over,
                          std::string_view folderName);

}  // namespace kelvantori
