// The current line, the moving keys and the marks of the file list.
#include "files/FileListModel.h"

#include <algorithm>

#include "core/DrivePath.h"

namespace kelvantori {

void FileListModel::Select(int line) {
    if (lines_.empty()) {
        selected_ = -1;
        detail_.clear();
        return;
    }
    selected_ = std::clamp(line, 0, LineCount() - 1);
    ShowItemDetail(selected_);
}

void FileListModel::Click(int line) {
    if (line < 0 || line >= LineCount())
        return;
    Select(line);
    lastClickedIndex_ = line;
}

const std::string& FileListModel::ShowItemDetail(int line) {
    const ListEntry* entry = EntryOf(line);
    switch (KindOf(line)) {
        case LineKind::ParentFolder:
            detail_ = kParentDetailLine;
            break;
        case LineKind::Folder:
            detail_ = FolderDetailLine(entry->name, TimeText(entry->modified));
            break;
        case LineKind::File:
            detail_ = FileDetailLine(entry->name, entry->size, TimeText(entry->modified));
            break;
        case LineKind::None:
            detail_.clear();
            break;
    }
    return detail_;
}

int FileListModel::Page() const {
    // A window that has not told its height yet still pages by one row a column.
    return std::max(settings_.ListColumn, 1) * std::max(rowsPerColumn_, 1);
}

void FileListModel::PageUp() {
    if (lines_.empty())
        return;
    const int page = Page();
    int target = 0;
    if (LineCount() > page)
        target = std::max((std::max(selected_, 0) / page - 1) * page, 0);
    Select(target);
}

int FileListModel::PageDown() {
    if (lines_.empty())
        return -1;
    const int last = LineCount() - 1;
    const int page = Page();
    if (LineCount() <= page) {
        Select(last);
        return -1;
    }
    // On the last page both lines lie past the end; the last line is taken, so the list never
    // loses its current line.
    const int p = std::max(selected_, 0) / page;
    const int rows = std::max(rowsPerColumn_, 1);
    const int scroll = std::min(rows * (std::max(settings_.ListColumn, 1) * (p + 2) - 1), last);
    Select(std::min(page * (p + 1), last));
    return scroll;
}

void FileListModel::MoveToTop() {
    Select(0);
}

void FileListModel::MoveToBottom() {
    Select(LineCount() - 1);
}

EnterOutcome FileListModel::Enter() {
    EnterOutcome outcome;
    const int current = selected_;
    switch (KindOf(current)) {
        case LineKind::None:
            return outcome;
        case LineKind::ParentFolder: {
            const auto slash = settings_.DirPath.rfind('\\');
            if (slash == std::string::npos)
                return outcome;
            settings_.DirPath.resize(slash);
            outcome.action = EnterAction::FolderChanged;
            outcome.refresh = RefreshFileList(false, false, false);
            return outcome;
        }
        case LineKind::Folder: {
            settings_.DirPath = JoinDrivePath(settings_.DirPath, EntryOf(current)->name);
            outcome.action = EnterAction::FolderChanged;
            outcome.refresh = RefreshFileList(false, false, false);
            return outcome;
        }
        case LineKind::File:
            ToggleMark(current);
            Select(current + 1);
            lastClickedIndex_ = selected_;
            outcome.action = EnterAction::MarkToggled;
            return outcome;
    }
    return outcome;
}

bool FileListModel::IsMarked(int line) const {
    return line >= 0 && line < LineCount() && !lines_[static_cast<std::size_t>(line)].empty() &&
           lines_[static_cast<std::size_t>(line)][0] == '*';
}

void FileListModel::SetMarkColumn(int line, char mark) {
    auto& text = lines_[static_cast<std::size_t>(line)];
    if (!text.empty())
        text[0] = mark;
}

void FileListModel::RemoveFromTable(int line) {
    std::replace(marks_.begin(), marks_.end(), line, -1);
}

bool FileListModel::AddToTable(int line) {
    const auto slot = std::find(marks_.begin(), marks_.end(), -1);
    if (slot == marks_.end())
        return false;
    *slot = line;
    return true;
}

bool FileListModel::ToggleMark(int line) {
    if (!IsFileLine(line))
        return false;
    if (IsMarked(line)) {
        SetMarkColumn(line, ' ');
        markCount_ = std::max(markCount_ - 1, 0);
        RemoveFromTable(line);
        return true;
    }
    if (markCount_ >= MaxMarks || !AddToTable(line))
        return false;
    SetMarkColumn(line, '*');
    ++markCount_;
    return true;
}

void FileListModel::ClearMarkTable() {
    markCount_ = 0;
    std::fill(marks_.begin(), marks_.end(), -1);
}

void FileListModel::ClearMarks() {
    for (int line = 0; line < LineCount(); ++line) {
        if (IsMarked(line))
            SetMarkColumn(line, ' ');
    }
    ClearMarkTable();
}

void FileListModel::MarkFromCurrent() {
    if (lines_.empty())
        return;
    const int start = std::max(selected_, 0);
    const int end = start + std::min(LineCount() - start, MaxMarks);  // one past the last visited
    ClearMarkTable();
    for (int line = 0; line < LineCount(); ++line) {
        if (line >= start && line < end && IsFileLine(line)) {
            SetMarkColumn(line, '*');
            marks_[static_cast<std::size_t>(markCount_++)] = line;
        } else if (IsMarked(line)) {
            SetMarkColumn(line, ' ');
        }
    }
}

void FileListModel::ShiftClick(int line) {
    if (line < 0 || line >= LineCount())
        return;
    ClearMarkTable();
    // The remembered line may lie past the end of a list that has since become shorter.
    const int anchor = std::clamp(lastClickedIndex_, 0, LineCount() - 1);
    const int start = std::min(anchor, line);
    int last = std::max(anchor, line);
    if (last - start + 1 > MaxMarks)
        last = start + MaxMarks - 1;
    for (int i = 0; i < LineCount(); ++i) {
        if (i >= start && i <= last && IsFileLine(i)) {
            SetMarkColumn(i, '*');
            marks_[static_cast<std::size_t>(markCount_++)] = i;
        } else if (IsMarked(i)) {
            SetMarkColumn(i, ' ');
        }
    }
}

void FileListModel::CompactMarks() {
    const auto end = std::remove(marks_.begin(), marks_.end(), -1);
    std::fill(end, marks_.end(), -1);
}

std::vector<std::string> FileListModel::CollectMarkedFiles() {
    std::vector<std::string> names;
    for (const int line : marks_) {
        const int file = FileIndexOf(line);
        if (file < 0)
            continue;
        names.push_back(files_[static_cast<std::size_t>(file)].name);
        SetMarkColumn(line, ' ');
    }
    return names;
}

}  // namespace kelvantori
