// The in-memory file system of the tests.
#include "support/FakeFileSystem.h"

namespace kelvantori::test {

void FakeFileSystem::SetFolder(const std::string& folder, std::vector<DirEntry> entries) {
    folders_[folder] = std::move(entries);
}

int FakeFileSystem::ScanCount(const std::string& folder) const {
    const auto it = scans_.find(folder);
    return it == scans_.end() ? 0 : it->second;
}

std::optional<FileStat> FakeFileSystem::Stat(std::string_view path) {
    const auto it = stats_.find(path);
    if (it == stats_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::vector<DirEntry>> FakeFileSystem::Scan(std::string_view folder) {
    ++scans_[std::string(folder)];
    const auto it = folders_.find(folder);
    if (it == folders_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> FakeFileSystem::ReadAll(std::string_view path) {
    const auto it = contents_.find(path);
    if (it == contents_.end())
        return std::nullopt;
    return it->second;
}

FsError FakeFileSystem::WriteAll(std::string_view path, std::string_view bytes) {
    contents_[std::string(path)] = std::string(bytes);
    return FsError::None;
}

FsError FakeFileSystem::Append(std::string_view path, std::string_view bytes) {
    contents_[std::string(path)].append(bytes);
    return FsError::None;
}

std::unique_ptr<InputFile> FakeFileSystem::OpenRead(std::string_view, FsError* error) {
    if (error != nullptr)
        *error = FsError::Other;
    return nullptr;
}

std::unique_ptr<OutputFile> FakeFileSystem::OpenWrite(std::string_view, WriteMode, FsError* error) {
    if (error != nullptr)
        *error = FsError::Other;
    return nullptr;
}

FsError FakeFileSystem::CreateDirectory(std::string_view) {
    return FsError::Other;
}
FsError FakeFileSystem::Copy(std::string_view, std::string_view, bool) {
    return FsError::Other;
}
FsError FakeFileSystem::Move(std::string_view, std::string_view, bool) {
    return FsError::Other;
}
FsError FakeFileSystem::Rename(std::string_view, std::string_view) {
    return FsError::Other;
}
FsError FakeFileSystem::MoveToTrash(std::string_view) {
    return FsError::Other;
}
FsError FakeFileSystem::SetModified(std::string_view, std::int64_t) {
    return FsError::Other;
}
FsError FakeFileSystem::SetAttributes(std::string_view, const DosAttributes&) {
    return FsError::Other;
}
std::optional<std::string> FakeFileSystem::ShortName(std::string_view) {
    return std::nullopt;
}
bool FakeFileSystem::VolumeReadable(char) {
    return false;
}

DirEntry FakeFile(std::string name, std::uint64_t size, std::int64_t modified,
                  std::string shortName) {
    DirEntry entry;
    entry.shortName = shortName.empty() ? name : std::move(shortName);
    entry.name = std::move(name);
    entry.size = size;
    entry.modified = modified;
    return entry;
}

DirEntry FakeFolder(std::string name, std::int64_t modified, std::string shortName) {
    DirEntry entry;
    entry.shortName = shortName.empty() ? name : std::move(shortName);
    entry.name = std::move(name);
    entry.isDirectory = true;
    entry.modified = modified;
    return entry;
}

}  // namespace kelvantori::test
