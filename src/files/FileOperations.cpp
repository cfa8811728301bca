// The file commands: copy/move of sets, delete into the trash, rename rules, copy to a new name,
// folder creation, import, the copy/move dialog's target checks and the drag-and-drop targets.
#include "files/FileOperations.h"

#include "core/DateTime.h"
#include "core/DrivePath.h"
#include "files/SizeText.h"
#include "platform/LocalTime.h"

namespace kelvantori {

namespace {

constexpr char kSeparator = '\\';

// Drive paths name the same entry when they are equal with the drive letter in either case and
// without a trailing "\"; the rest follows the host's rules and is compared as written.
std::string WithoutTrailingSeparator(std::string_view path) {
    if (path.size() > 2 && path.back() == kSeparator)
        path.remove_suffix(1);
    return std::string(path);
}

bool SameEntry(std::string_view a, std::string_view b) {
    const auto x = WithoutTrailingSeparator(a);
    const auto y = WithoutTrailingSeparator(b);
    if (x.size() != y.size() || DriveLetterOf(x) == 0)
        return x == y;
    return DriveLetterOf(x) == DriveLetterOf(y) && x.substr(1) == y.substr(1);
}

// True when path lies below folder (not when it is folder itself).
bool IsBelow(std::string_view path, std::string_view folder) {
    const auto f = WithoutTrailingSeparator(folder);
    const auto p = WithoutTrailingSeparator(path);
    if (p.size() <= f.size() + 1 || p[f.size()] != kSeparator)
        return false;
    return SameEntry(p.substr(0, f.size()), f);
}

std::string TimeText(std::int64_t modified) {
    const auto local = ToLocalTime(modified);
    return local ? FormatListTime(*local) : std::string();
}

std::string EntryLine(std::string_view label, std::uint64_t size, std::int64_t modified) {
    return std::string(label) + FormatThousands(size) + std::string(kByteUnit) + "  " +
           TimeText(modified);
}

std::string OverwriteText(const OverwriteQuestion& q) {
    if (q.folder) {
        return "すでに" + q.target +
               "のフォルダーが有ります。\n同じ名前のファイルは置き換えられます。\n"
               "フォルダーをまとめますか？";
    }
    return "すでに" + q.target + "が有ります。\n" +
           EntryLine("現在のファイル : ", q.targetSize, q.targetModified) + "\n" +
           EntryLine("新しいファイル : ", q.sourceSize, q.sourceModified) + "\n上書きしますか？";
}

std::string FailureText(CopyMoveKind kind, std::string_view source, std::string_view reason) {
    return std::string(source) +
           (kind == CopyMoveKind::Copy ? "\nをコピー出来ませんでした。\n"
                                       : "\nを移動出来ませんでした。\n") +
           std::string(reason);
}

// The bytes of a folder with everything in it, for the progress; unreadable parts count 0.
std::uint64_t TreeBytes(FileSystem& files, const std::string& folder, int depth) {
    // Links can make a tree endless; no shop folder is nested this deep.
    if (depth > 64)
        return 0;
    const auto entries = files.Scan(folder);
    if (!entries)
        return 0;
    std::uint64_t total = 0;
    for (const auto& entry : *entries) {
        total += entry.isDirectory ? TreeBytes(files, JoinDrivePath(folder, entry.name), depth + 1)
                                   : entry.size;
    }
    return total;
}

struct PlannedItem {
    std::string source;
    std::optional<FileStat> stat;
    std::uint64_t bytes = 0;
};

// A folder moved onto a folder of the same name: an empty one is simply replaced; into a filled
// one the source is copied (same-named files replaced, links kept as links) and then put into
// the trash, so nothing is lost however the merge ends.
FsError MergeFolderInto(FileSystem& files, const std::string& source, const std::string& target) {
    const FsError moved = files.Move(source, target, true);
    if (moved != FsError::NotEmpty)
        return moved;
    if (const FsError copied = files.Copy(source, target, true); copied != FsError::None)
        return copied;
    return files.MoveToTrash(source);
}

enum class ItemOutcome { Done, Skipped, Failed, FailedAndStopped, Stopped };

class CopyMoveRun {
  public:
    CopyMoveRun(FileSystem& files, std::string_view targetFolder, CopyMoveKind kind,
                CopyMoveHost& host)
        : files_(files), targetFolder_(targetFolder), kind_(kind), host_(host) {}

    ItemOutcome Handle(const PlannedItem& item) {
        const std::string target = JoinDrivePath(targetFolder_, DriveFileNameOf(item.source));
        for (;;) {
            const auto outcome = Attempt(item.source, target);
            if (outcome.error == FsError::None)
                return outcome.result;
            ItemFailure failure{item.source, target, outcome.error,
                                FailureText(kind_, item.source, outcome.reason)};
            switch (host_.ReportFailure(failure)) {
                case FailureAnswer::Retry:
                    continue;
                case FailureAnswer::Skip:
                    return ItemOutcome::Failed;
                case FailureAnswer::Cancel:
                    return ItemOutcome::FailedAndStopped;
            }
        }
    }

  private:
    struct Attempted {
        ItemOutcome result = ItemOutcome::Done;
        FsError error = FsError::None;
        std::string reason;
    };

    static Attempted Outcome(ItemOutcome result) { return {result, FsError::None, {}}; }

    static Attempted Failure(FsError error, std::string reason = {}) {
        if (reason.empty())
            reason = FsErrorMessage(error);
        return {ItemOutcome::Failed, error, std::move(reason)};
    }

    Attempted Attempt(const std::string& source, const std::string& target) {
        // Stat afresh on every attempt: a retry follows what the user changed meanwhile.
        const auto from = files_.Stat(source);
        if (!from)
            return Failure(FsError::NotFound);
        if (SameEntry(source, target))
            return Failure(FsError::Exists, "コピー元とコピー先が同じです。");
        if (from->isDirectory && IsBelow(target, source)) {
            return Failure(FsError::Other,
                           "フォルダーをそのフォルダー自身の中へ入れることは出来ません。");
        }
        const auto existing = files_.Stat(target);
        bool overwrite = false;
        if (existing) {
            if (existing->isDirectory != from->isDirectory) {
                return Failure(
                    existing->isDirectory ? FsError::IsADirectory : FsError::NotADirectory,
                    existing->isDirectory ? "同じ名前のフォルダーが有るため置き換えられません。"
                                          : "同じ名前のファイルが有るため置き換えられません。");
            }
            if (noToAll_)
                return Outcome(ItemOutcome::Skipped);
            if (!yesToAll_) {
                OverwriteQuestion question{
                    source,         target,         from->isDirectory,  from->size,
                    from->modified, existing->size, existing->modified, {}};
                question.text = OverwriteText(question);
                switch (host_.AskOverwrite(question)) {
                    case OverwriteAnswer::Yes:
                        break;
                    case OverwriteAnswer::YesToAll:
                        yesToAll_ = true;
                        break;
                    case OverwriteAnswer::No:
                        return Outcome(ItemOutcome::Skipped);
                    case OverwriteAnswer::NoToAll:
                        noToAll_ = true;
                        return Outcome(ItemOutcome::Skipped);
                    case OverwriteAnswer::Cancel:
                        return Outcome(ItemOutcome::Stopped);
                }
            }
            overwrite = true;
        }
        FsError error = FsError::None;
        if (kind_ == CopyMoveKind::Copy) {
            error = files_.Copy(source, target, overwrite);
        } else if (existing && existing->isDirectory) {
            error = MergeFolderInto(files_, source, target);
        } else {
            error = files_.Move(source, target, overwrite);
        }
        if (error != FsError::None)
            return Failure(error);
        return Outcome(ItemOutcome::Done);
    }

    FileSystem& files_;
    std::string targetFolder_;
    CopyMoveKind kind_;
    CopyMoveHost& host_;
    bool yesToAll_ = false;
    bool noToAll_ = false;
};

// Characters no entry name may hold: path separators and the wildcards and redirections the
// program's own inputs refuse, so a name can never point outside its folder.
constexpr std::string_view kForbiddenNameChars = "\\/:*?\"<>|";

}  // namespace

CopyMoveResult ShellCopyOrMove(FileSystem& files, const std::vector<std::string>& sources,
                               std::string_view targetFolder, CopyMoveKind kind,
                               CopyMoveHost& host) {
    std::vector<PlannedItem> plan;
    plan.reserve(sources.size());
    std::uint64_t total = 0;
    for (const auto& source : sources) {
        PlannedItem item{source, files.Stat(source), 0};
        if (item.stat) {
            item.bytes = item.stat->isDirectory ? TreeBytes(files, source, 0) : item.stat->size;
        }
        total += item.bytes;
        plan.push_back(std::move(item));
    }

    CopyMoveResult result;
    CopyMoveRun run(files, targetFolder, kind, host);
    const int count = static_cast<int>(plan.size());
    std::uint64_t done = 0;
    bool stopped = false;
    for (int i = 0; i < count && !stopped; ++i) {
        if (!host.Progress({i, count, plan[i].source, done, total})) {
            stopped = true;
            break;
        }
        switch (run.Handle(plan[i])) {
            case ItemOutcome::Done:
                ++result.done;
                break;
            case ItemOutcome::Skipped:
                ++result.skipped;
                break;
            case ItemOutcome::Failed:
                ++result.failed;
                break;
            case ItemOutcome::FailedAndStopped:
                ++result.failed;
                stopped = true;
                break;
            case ItemOutcome::Stopped:
                stopped = true;
                break;
        }
        done += plan[i].bytes;
    }
    if (!stopped)
        host.Progress({count, count, {}, total, total});

    result.completed = !stopped;
    // What was moved before a stop is gone from the listed folder all the same.
    if (kind == CopyMoveKind::Move && result.done > 0)
        result.refresh = ListRefresh::KeepSelection;
    if (result.refresh != ListRefresh::None)
        host.ListChanged(result.refresh);
    if (result.completed) {
        if (result.failed == 0) {
            host.ShowMessage(kDoneTitle,
                             kind == CopyMoveKind::Copy ? kCopyDoneMessage : kMoveDoneMessage,
                             false);
        } else {
            host.ShowMessage(kConfirmTitle,
                             std::to_string(result.failed) +
                                 (kind == CopyMoveKind::Copy ? " 個の項目をコピー出来ませんでした。"
                                                             : " 個の項目を移動出来ませんでした。"),
                             true);
        }
    }
    return result;
}

std::vector<std::string> SourcesIn(std::string_view folder, const std::vector<std::string>& names) {
    std::vector<std::string> sources;
    sources.reserve(names.size());
    for (const auto& name : names)
        sources.push_back(JoinDrivePath(folder, name));
    return sources;
}

// --- Delete -----------------------------------------------------------------------------------

std::string DeleteQuestion(FileSystem& files, const std::vector<std::string>& sources) {
    if (sources.size() == 1) {
        const auto name = DriveFileNameOf(WithoutTrailingSeparator(sources.front()));
        if (files.IsDirectory(sources.front()))
            return "フォルダー「" + name + "」とその中身をごみ箱に移動しますか？";
        return "「" + name + "」をごみ箱に移動しますか？";
    }
    return std::to_string(sources.size()) + " 個の項目をごみ箱に移動しますか？";
}

DeleteResult DeleteToTrash(FileSystem& files, const std::vector<std::string>& sources,
                           DeleteHost& host) {
    DeleteResult result;
    if (sources.empty() || !host.Confirm(DeleteQuestion(files, sources)))
        return result;
    result.confirmed = true;
    result.refresh = ListRefresh::Full;
    const int count = static_cast<int>(sources.size());
    for (int i = 0; i < count; ++i) {
        if (!host.Progress({i, count, sources[i], 0, 0}))
            return result;
        const FsError error = files.MoveToTrash(sources[i]);
        if (error == FsError::None) {
            ++result.done;
            continue;
        }
        ++result.failed;
        host.ReportFailure(
            {sources[i],
             {},
             error,
             sources[i] + "\nをごみ箱に移動出来ませんでした。\n" + FsErrorMessage(error)});
    }
    host.Progress({count, count, {}, 0, 0});
    return result;
}

// --- Rename -----------------------------------------------------------------------------------

std::string ApplyRenameRule(RenameRule rule, std::string_view name) {
    switch (rule) {
        case RenameRule::Upper:
            return AsciiUpper(name);
        case RenameRule::Lower:
            return AsciiLower(name);
        case RenameRule::Capitalise: {
            if (name.empty())
                return {};
            // The first character is one byte when it is ASCII; a multi-byte character stays
            // whole and unchanged either way.
            return AsciiUpper(name.substr(0, 1)) + AsciiLower(name.substr(1));
        }
        case RenameRule::Keep:
        case RenameRule::OneByOne:
            break;
    }
    return std::string(name);
}

bool IsValidEntryName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
            kForbiddenNameChars.find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

std::string RenameFailureText(std::string_view oldName, FsError error) {
    return std::string(oldName) + "\nの名前を変更出来ませんでした。\n" + FsErrorMessage(error);
}

FsError RenameEntry(FileSystem& files, std::string_view folder, std::string_view oldName,
                    std::string_view newName) {
    if (newName == oldName)
        return FsError::None;
    if (!IsValidEntryName(newName))
        return FsError::InvalidName;
    return files.Rename(JoinDrivePath(folder, oldName), JoinDrivePath(folder, newName));
}

RenameAllResult RenameAll(FileSystem& files, std::string_view folder,
                          const std::vector<MarkedEntry>& marked, RenameRule rule,
                          RenameHost& host) {
    RenameAllResult result;
    // There is no one name to give to several files: the marked files keep theirs.
    if (rule == RenameRule::Keep) {
        result.unchanged = static_cast<int>(marked.size());
        return result;
    }
    for (const auto& entry : marked) {
        host.SelectLine(entry.line);
        std::string newName;
        if (rule == RenameRule::OneByOne) {
            auto answer = host.AskNewName(entry.name);
            if (!answer) {
                ++result.unchanged;
                continue;
            }
            newName = std::move(*answer);
        } else {
            newName = ApplyRenameRule(rule, entry.name);
        }
        if (newName == entry.name) {
            ++result.unchanged;
        } else if (const FsError error = RenameEntry(files, folder, entry.name, newName);
                   error == FsError::None) {
            ++result.renamed;
            host.LineRenamed(entry.line, newName);
        } else {
            ++result.failed;
            host.ReportFailure({JoinDrivePath(folder, entry.name), JoinDrivePath(folder, newName),
                                error, RenameFailureText(entry.name, error)});
        }
        host.Pause(std::chrono::milliseconds(100));
    }
    return result;
}

// --- Copy to a new name, folder creation, import -------------------------------------------

std::string CopyNameTarget(std::string_view dirPath, std::string_view typed, std::string_view mask,
                           std::string_view allFiles) {
    std::string name(typed);
    if (allFiles != "Y" && !mask.empty())
        name += mask.substr(1);
    return JoinDrivePath(dirPath, name);
}

CopyNameResult CopyToNewName(FileSystem& files, std::string_view dirPath,
                             std::string_view sourceName, std::string_view typed,
                             std::string_view mask, std::string_view allFiles) {
    CopyNameResult result;
    result.target = CopyNameTarget(dirPath, typed, mask, allFiles);
    const std::string source = JoinDrivePath(dirPath, sourceName);
    if (SameEntry(source, result.target)) {
        result.error = FsError::Exists;
        result.message = "コピー元とコピー先が同じです。";
        return result;
    }
    result.error = files.Copy(source, result.target, true);
    result.message = result.error == FsError::None
                         ? std::string(kCopyNameDoneMessage)
                         : "コピー出来ませんでした。" + FsErrorMessage(result.error);
    return result;
}

bool CreateFolderPath(FileSystem& files, std::string_view path, FsError* error) {
    if (error != nullptr)
        *error = FsError::None;
    if (!path.empty() && path.back() == kSeparator)
        path.remove_suffix(1);
    if (path.size() <= 2)
        return false;
    const auto create = [&](std::string_view folder) {
        if (files.IsDirectory(folder))
            return;
        const FsError e = files.CreateDirectory(folder);
        if (e != FsError::None && error != nullptr && *error == FsError::None)
            *error = e;
    };
    // Positions are counted from 1 as the user reads them: a "\" at position p ends the folder
    // of the first p - 1 characters; the walk starts at the third character.
    for (std::size_t i = 2; i + 1 < path.size(); ++i) {
        if (path[i] == kSeparator)
            create(path.substr(0, i));
    }
    create(path);
    return true;
}

DataFolderCheck CheckDataFolder(FileSystem& files, Settings& settings,
                                const std::function<bool(const std::string&)>& askYesNo,
                                const std::function<void(const std::string&)>& showError) {
    if (settings.DirPath.size() == 2 || files.IsDirectory(settings.DirPath))
        return DataFolderCheck::Present;
    if (!askYesNo(std::string(kMissingFolderQuestion))) {
        settings.DirPath = "c:";
        return DataFolderCheck::FellBack;
    }
    FsError error = FsError::None;
    CreateFolderPath(files, settings.DirPath, &error);
    if (files.IsDirectory(settings.DirPath))
        return DataFolderCheck::Created;
    showError(FsErrorMessage(error == FsError::None ? FsError::Other : error) + "\n" +
              settings.DirPath);
    return DataFolderCheck::NotCreated;
}

FsError ImportFile(FileSystem& files, std::string_view from, std::string_view dataFolder) {
    const std::string target = JoinDrivePath(dataFolder, DriveFileNameOf(from));
    // A copy onto itself would be refused; the file is where it should be already.
    if (SameEntry(from, target))
        return FsError::None;
    return files.Copy(from, target, true);
}

ImportResult ImportDroppedFiles(FileSystem& files, const std::vector<std::string>& dropped,
                                std::string_view dataFolder) {
    ImportResult result;
    for (const auto& from : dropped) {
        const FsError error = ImportFile(files, from, dataFolder);
        if (error != FsError::None) {
            result.failures.push_back(
                {from, JoinDrivePath(dataFolder, DriveFileNameOf(from)), error,
                 FailureText(CopyMoveKind::Copy, from, FsErrorMessage(error))});
        }
    }
    result.message = result.failures.empty() ? std::string(kCopyNameDoneMessage)
                                             : std::to_string(result.failures.size()) +
                                                   " 個のファイルをコピー出来ませんでした。";
    return result;
}

// --- The copy/move dialog's target -----------------------------------------------------------

std::string_view CopyMoveCaption(CopyMoveKind kind) {
    return kind == CopyMoveKind::Copy ? "ﾌｧｲﾙｺﾋﾟｰ" : "ﾌｧｲﾙ移動";
}

std::string_view CopyMoveTargetLabel(CopyMoveKind kind) {
    return kind == CopyMoveKind::Copy ? "ｺﾋﾟｰ先" : "移動先";
}

bool CopyTargetAcceptsCharacter(std::string_view utf8Character) {
    static constexpr std::string_view kRefused = "/,;*?<>|.";
    return utf8Character.size() != 1 || kRefused.find(utf8Character[0]) == std::string_view::npos;
}

TargetCheck CheckCopyTarget(FileSystem& files, std::string_view comboText, std::string_view dirPath,
                            TargetCheckHost& host) {
    TargetCheck check;
    check.comboText = std::string(comboText);
    if (comboText.empty())
        return check;
    std::string target(comboText);
    if (target.back() == kSeparator)
        target.pop_back();
    const auto isCurrentFolder = [&](std::string_view folder) {
        return AsciiUpper(WithoutTrailingSeparator(folder)) ==
               AsciiUpper(WithoutTrailingSeparator(dirPath));
    };
    const auto refuse = [&] {
        host.ShowRefusal(std::string(dirPath) + std::string(kSameFolderRefusalSuffix));
    };
    // The current folder typed in another case is refused before anything else: on a host whose
    // names keep their case it does not exist as typed, and offering to create it would leave a
    // second folder behind before the refusal.
    if (isCurrentFolder(target)) {
        refuse();
        return check;
    }
    if (target.size() != 2 && !files.IsDirectory(target)) {
        if (host.AskCreateFolder(kMissingFolderQuestion)) {
            FsError error = FsError::None;
            CreateFolderPath(files, target, &error);
            if (!files.IsDirectory(target)) {
                // Without the folder every file would fail one by one with the same reason.
                host.ShowRefusal(target + "\nのディレクトリを作成出来ませんでした。\n" +
                                 FsErrorMessage(error == FsError::None ? FsError::Other : error));
                return check;
            }
        } else {
            target = std::string(dirPath);
            check.comboText = target;
        }
    }
    if (isCurrentFolder(target)) {
        refuse();
        return check;
    }
    check.accepted = true;
    check.target = std::move(target);
    return check;
}

// --- Drag and drop ----------------------------------------------------------------------------

DropTarget DragTargetOver(std::string_view dirPath, bool dragStartedOnParentLine, LineKind over,
                          std::string_view folderName) {
    DropTarget drop;
    if (dragStartedOnParentLine)
        return drop;
    if (over == LineKind::ParentFolder) {
        drop.target = DriveFolderOf(dirPath);
    } else if (over == LineKind::Folder) {
        drop.target = JoinDrivePath(dirPath, folderName);
    } else {
        return drop;
    }
    drop.accepted = true;
    drop.label = std::string(kDragTargetPrefix) + drop.target;
    return drop;
}

CommandLineEnvironment CommandLineFiles(FileSystem& files) {
    CommandLineEnvironment env;
    env.IsDirectoryPath = [&files](const std::string& path) {
        const auto stat = files.Stat(path);
        return !stat || stat->isDirectory;
    };
    env.FileExists = [&files](const std::string& path) {
        const auto stat = files.Stat(path);
        return stat && !stat->isDirectory;
    };
    env.ImportFile = [&files](const std::string& from, const std::string& to) {
        return files.Copy(from, to, true) == FsError::None;
    };
    return env;
}

}  // namespace kelvantori
