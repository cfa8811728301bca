// File systems held in memory for tests of the layers above the platform.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kelvantori::test {

// Every operation fails (FsError::Other, nothing found); the fakes below override what they keep.
class RefusingFileSystem : public FileSystem {
  public:
    std::optional<FileStat> Stat(std::string_view) override { return std::nullopt; }
    std::optional<std::vector<DirEntry>> Scan(std::string_view) override { return std::nullopt; }
    std::optional<std::string> ReadAll(std::string_view) override { return std::nullopt; }
    FsError WriteAll(std::string_view, std::string_view) override { return FsError::Other; }
    FsError Append(std::string_view, std::string_view) override { return FsError::Other; }
    std::unique_ptr<InputFile> OpenRead(std::string_view, FsError* error) override {
        return Refuse<InputFile>(error);
    }
    std::unique_ptr<OutputFile> OpenWrite(std::string_view, WriteMode, FsError* error) override {
        return Refuse<OutputFile>(error);
    }
    FsError CreateDirectory(std::string_view) override { return FsError::Other; }
    FsError Copy(std::string_view, std::string_view, bool) override { return FsError::Other; }
    FsError Move(std::string_view, std::string_view, bool) override { return FsError::Other; }
    FsError Rename(std::string_view, std::string_view) override { return FsError::Other; }
    FsError MoveToTrash(std::string_view) override { return FsError::Other; }
    FsError SetModified(std::string_view, std::int64_t) override { return FsError::Other; }
    FsError SetAttributes(std::string_view, const DosAttributes&) override {
        return FsError::Other;
    }
    std::optional<std::string> ShortName(std::string_view) override { return std::nullopt; }
    bool VolumeReadable(char) override { return false; }
    const DriveMap& Drives() const override { return drives_; }

  protected:
    template <typename File>
    static std::unique_ptr<File> Refuse(FsError* error, FsError why = FsError::Other) {
        if (error != nullptr)
            *error = why;
        return nullptr;
    }

  private:
    DriveMap drives_;
};

// Folders with the entries a scan gives (sizes of 4 GiB and more included, which no test can
// write to disk), stat results and file contents; everything else fails.
class FakeFileSystem : public RefusingFileSystem {
  public:
    // The entries Scan(folder) gives, in this order; a folder never set cannot be read.
    void SetFolder(const std::string& folder, std::vector<DirEntry> entries) {
        folders_[folder] = std::move(entries);
    }
    void SetStat(const std::string& path, FileStat stat) { stats_[path] = stat; }
    // How often each folder was scanned.
    int ScanCount(const std::string& folder) const;

    std::optional<FileStat> Stat(std::string_view path) override { return Find(stats_, path); }
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override {
        ++scans_[std::string(folder)];
        return Find(folders_, folder);
    }
    std::optional<std::string> ReadAll(std::string_view path) override {
        return Find(contents_, path);
    }
    FsError WriteAll(std::string_view path, std::string_view bytes) override {
        contents_[std::string(path)] = std::string(bytes);
        return FsError::None;
    }
    FsError Append(std::string_view path, std::string_view bytes) override {
        contents_[std::string(path)].append(bytes);
        return FsError::None;
    }

  private:
    template <typename Value>
    static std::optional<Value> Find(const std::map<std::string, Value, std::less<>>& map,
                                     std::string_view key) {
        const auto it = map.find(key);
        return it == map.end() ? std::nullopt : std::optional<Value>(it->second);
    }

    std::map<std::string, std::vector<DirEntry>, std::less<>> folders_;
    std::map<std::string, FileStat, std::less<>> stats_;
    std::map<std::string, std::string, std::less<>> contents_;
    std::map<std::string, int, std::less<>> scans_;
};

// A file entry as a scan gives it.
DirEntry FakeFile(std::string name, std::uint64_t size, std::int64_t modified,
                  std::string shortName = {});
DirEntry FakeFolder(std::string name, std::int64_t modified, std::string shortName = {});

}  // namespace kelvantori::test
