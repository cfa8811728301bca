// Reading the data folder into the two stores, sorting them and building the list lines.
#include "files/FileListModel.h"

#include <algorithm>

#include "core/DrivePath.h"
#include "core/NamePattern.h"
#include "platform/LocalTime.h"

namespace kelvantori {

namespace {

// The list form of a time stamp into buffer, or an empty text when it is unknown or cannot be
// converted.
std::string_view ListTimeInto(std::int64_t modified, char* buffer) {
    if (modified == 0)
        return {};
    const auto local = ToLocalTime(modified);
    if (!local || !WriteListTime(*local, buffer))
        return {};
    return std::string_view(buffer, kListTimeLength);
}

std::string_view ExtensionOf(std::string_view name) {
    const auto dot = name.find_last_of(".\\:");
    if (dot == std::string_view::npos || name[dot] != '.')
        return {};
    return name.substr(dot);
}

bool EqualIgnoringCase(std::string_view a, std::string_view upper) {
    if (a.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i])
            return false;
    }
    return true;
}

// The mask is compared as a whole: "*" + the name's extension against the mask, both in capitals
// (a name without extension counts as "*"), so only masks of the form "*.EXT" select files.
bool PassesMask(std::string_view name, std::string_view upperMask) {
    if (upperMask.empty() || upperMask.front() != '*')
        return false;
    return EqualIgnoringCase(ExtensionOf(name), upperMask.substr(1));
}

// File lines show times only with short names in one or two columns.
bool TimesShown(const ListLineStyle& style) {
    return !style.longNames && style.listColumn < 3;
}

void BuildStoredFileLine(std::string& out, const ListLineStyle& style, const ListEntry& file,
                         char* timeBuffer) {
    const bool needsTime = TimesShown(style) && !file.shortName.empty();
    const std::string_view time = needsTime ? ListTimeInto(file.modified, timeBuffer) : "";
    BuildFileLine(out, style, file.name, file.shortName, file.size, time);
}

std::string DriveOf(std::string_view dirPath) {
    const char letter = DriveLetterOf(dirPath);
    if (letter == 0)
        return {};
    return std::string{letter, ':'};
}

}  // namespace

FileListModel::FileListModel(FileSystem& files, Settings& settings)
    : fs_(files), settings_(settings), marks_(MaxMarks, -1) {}

std::string FileListModel::TimeText(std::int64_t modified) {
    char buffer[kListTimeLength];
    return std::string(ListTimeInto(modified, buffer));
}

RefreshOutcome FileListModel::RefreshFileList(bool usePattern, bool keepSelection,
                                              bool resortOnly) {
    RefreshOutcome outcome;
    if (resortOnly) {
        RememberCurrentFile(keepSelection);
        SortFiles();
        BuildLines(keepSelection);
        return outcome;
    }
    if (busy_)
        return outcome;
    if (!usePattern)
        searchPattern_ = JoinDrivePath(settings_.DirPath, "*.*");

    // A watch cannot run on a floppy, so the one started there has ended by now.
    const std::string drive = DriveOf(settings_.DirPath);
    outcome.restartFolderWatch = lastDrive_ == "A:" && drive != "A:";
    lastDrive_ = drive;

    RememberCurrentFile(keepSelection);

    searching_ = true;
    lines_.assign(1, std::string(kSearchingLine));
    selected_ = -1;
    header_ = FormatHeaderLine(HeaderPath(), -1, 0);
    if (onSearching_)
        onSearching_();

    auto entries = fs_.Scan(DriveFolderOf(searchPattern_));
    searching_ = false;
    if (!entries) {
        ShowUnreadableFolder();
        return outcome;
    }
    ReadFolder(std::move(*entries), DriveFileNameOf(searchPattern_));
    entries.reset();
    SortFiles();
    BuildLines(keepSelection);
    return outcome;
}

void FileListModel::RememberCurrentFile(bool keepSelection) {
    rememberedName_.clear();
    if (!keepSelection || files_.empty())
        return;
    const int file = FileIndexOf(selected_);
    if (file >= 0)
        rememberedName_ = files_[static_cast<std::size_t>(file)].name;
}

void FileListModel::ShowUnreadableFolder() {
    // The folders go as well: a stale DirCount would map the ".." line and every later index
    // onto entries that are no longer listed, and stale marks onto files that are gone.
    files_ = {};
    folders_ = {};
    lines_.clear();
    dirCount_ = 0;
    header_ = FormatHeaderLine(HeaderPath(), 0, 0);
    detail_.clear();
    hasParentLine_ = 0;
    if (settings_.DirPath.size() > 2) {
        std::string line;
        char buffer[kListTimeLength];
        std::string_view time;
        if (const auto stat = fs_.Stat(settings_.DirPath))
            time = ListTimeInto(stat->modified, buffer);
        BuildParentLine(line, ListLineStyle::From(settings_), time);
        lines_.push_back(std::move(line));
        hasParentLine_ = 1;
    }
    selected_ = lines_.empty() ? -1 : 0;
    ClearMarkTable();
    markedSend_ = false;
}

void FileListModel::ReadFolder(std::vector<DirEntry>&& entries, std::string_view pattern) {
    const bool everyName = pattern == "*.*" || pattern == "*";
    const bool allFiles = settings_.AllFiles == "Y";
    const std::string upperMask = AsciiUpper(settings_.Mask);
    const auto listed = [&](const DirEntry& entry) {
        if (entry.name == "." || entry.name == "..")
            return false;
        return everyName || MatchesNamePattern(pattern, entry.name);
    };

    // Counted first so that each store is allocated once at its final size.
    std::size_t fileCount = 0;
    std::size_t folderCount = 0;
    for (const auto& entry : entries) {
        if (!listed(entry))
            continue;
        if (entry.isDirectory) {
            ++folderCount;
        } else if (allFiles || PassesMask(entry.name, upperMask)) {
            ++fileCount;
        }
    }
    std::vector<ListEntry> files;
    std::vector<ListEntry> folders;
    files.reserve(fileCount);
    folders.reserve(folderCount);
    for (auto& entry : entries) {
        if (!listed(entry))
            continue;
        if (entry.isDirectory) {
            folders.push_back(
                {std::move(entry.name), std::move(entry.shortName), 0, entry.modified});
        } else if (allFiles || PassesMask(entry.name, upperMask)) {
            files.push_back(
                {std::move(entry.name), std::move(entry.shortName), entry.size, entry.modified});
        }
    }
    // Files go in at the top of their store; the sort below then decides the order.
    std::reverse(files.begin(), files.end());
    files_ = std::move(files);
    folders_ = std::move(folders);
    dirCount_ = static_cast<int>(folders_.size());
}

void FileListModel::SortFiles() {
    if (settings_.FileSort == "N") {
        sortKey_ = SortKey::Name;
    } else if (settings_.FileSort == "S") {
        sortKey_ = SortKey::Size;
    } else if (settings_.FileSort == "T") {
        sortKey_ = SortKey::Time;
    }
    // Comparer D lists names A to Z, the LARGEST file first and the oldest first; U the reverse.
    // Equal sizes and times fall back to the name, A to Z, so the order is always the same.
    const bool d = settings_.SortMuki == "D";
    const auto byName = [](const ListEntry& a, const ListEntry& b) {
        return CompareFileNames(a.name, b.name);
    };
    switch (sortKey_) {
        case SortKey::Name:
            std::sort(files_.begin(), files_.end(), [&](const ListEntry& a, const ListEntry& b) {
                const int order = byName(a, b);
                return d ? order < 0 : order > 0;
            });
            break;
        case SortKey::Size:
            std::sort(files_.begin(), files_.end(), [&](const ListEntry& a, const ListEntry& b) {
                if (a.size != b.size)
                    return d ? a.size > b.size : a.size < b.size;
                return byName(a, b) < 0;
            });
            break;
        case SortKey::Time:
            std::sort(files_.begin(), files_.end(), [&](const ListEntry& a, const ListEntry& b) {
                if (a.modified != b.modified) {
                    return d ? a.modified < b.modified : a.modified > b.modified;
                }
                return byName(a, b) < 0;
            });
            break;
    }
}

void FileListModel::BuildLines(bool keepSelection) {
    const ListLineStyle style = ListLineStyle::From(settings_);
    const bool timesShown = TimesShown(style);
    char buffer[kListTimeLength];
    std::string line;

    std::vector<std::string> lines;
    lines.reserve(files_.size() + folders_.size() + 1);
    hasParentLine_ = 0;
    dirCount_ = static_cast<int>(folders_.size());
    if (settings_.DirPath.size() > 2) {
        std::string_view time;
        if (style.listColumn <= 2) {
            if (const auto stat = fs_.Stat(settings_.DirPath)) {
                time = ListTimeInto(stat->modified, buffer);
            }
        }
        BuildParentLine(line, style, time);
        lines.emplace_back(line);
        hasParentLine_ = 1;
    }
    for (const auto& folder : folders_) {
        const std::string_view time = timesShown ? ListTimeInto(folder.modified, buffer) : "";
        BuildFolderLine(line, style, folder.name, folder.shortName, time);
        lines.emplace_back(line);
    }
    for (const auto& file : files_) {
        BuildStoredFileLine(line, style, file, buffer);
        // A copy of the buffer is allocated at the line's exact length.
        lines.emplace_back(line);
    }
    lines_ = std::move(lines);

    header_ = FormatHeaderLine(HeaderPath(), static_cast<long long>(files_.size()),
                               static_cast<long long>(folders_.size()));

    int target = 0;
    if (!files_.empty() && keepSelection && !rememberedName_.empty()) {
        const auto found = std::find_if(files_.begin(), files_.end(), [&](const ListEntry& e) {
            return e.name == rememberedName_;
        });
        if (found != files_.end()) {
            target = FirstFileLine() + static_cast<int>(found - files_.begin());
        }
    }
    Select(target);

    ClearMarkTable();
    markedSend_ = false;
}

std::string FileListModel::HeaderPath() const {
    return HeaderPathText(settings_);
}

LineKind FileListModel::KindOf(int line) const {
    if (searching_ || line < 0 || line >= LineCount())
        return LineKind::None;
    if (hasParentLine_ == 1 && line == 0)
        return LineKind::ParentFolder;
    if (line < FirstFileLine())
        return LineKind::Folder;
    return LineKind::File;
}

int FileListModel::FileIndexOf(int line) const {
    if (KindOf(line) != LineKind::File)
        return -1;
    const int index = line - FirstFileLine();
    return index < static_cast<int>(files_.size()) ? index : -1;
}

int FileListModel::FolderIndexOf(int line) const {
    if (KindOf(line) != LineKind::Folder)
        return -1;
    return line - hasParentLine_;
}

const ListEntry* FileListModel::EntryOf(int line) const {
    if (const int file = FileIndexOf(line); file >= 0) {
        return &files_[static_cast<std::size_t>(file)];
    }
    if (const int folder = FolderIndexOf(line); folder >= 0) {
        return &folders_[static_cast<std::size_t>(folder)];
    }
    return nullptr;
}

std::string FileListModel::PathOf(int line) const {
    const ListEntry* entry = EntryOf(line);
    if (entry == nullptr)
        return {};
    return JoinDrivePath(settings_.DirPath, entry->name);
}

LineColour FileListModel::ColourOf(int line) const {
    if (searching_)
        return kFileLineColour;
    return line < FirstFileLine() ? kFolderLineColour : kFileLineColour;
}

int FileListModel::HighlightInset(int line) const {
    return IsMarked(line) ? 5 : 12;
}

void FileListModel::RenameFileLine(int line, std::string_view newName) {
    const int file = FileIndexOf(line);
    if (file < 0)
        return;
    ListEntry& entry = files_[static_cast<std::size_t>(file)];
    entry.name = std::string(newName);
    // A line shows the short form where the host gives one; it follows the new name.
    if (!entry.shortName.empty()) {
        entry.shortName = fs_.ShortName(JoinDrivePath(settings_.DirPath, newName))
                              .value_or(FatShortName(newName));
    }
    auto& text = lines_[static_cast<std::size_t>(line)];
    const char mark = text.empty() ? ' ' : text[0];
    char buffer[kListTimeLength];
    BuildStoredFileLine(text, ListLineStyle::From(settings_), entry, buffer);
    if (!text.empty())
        text[0] = mark;
    if (line == selected_)
        ShowItemDetail(line);
}

}  // namespace kelvantori
