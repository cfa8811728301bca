// A file system held in memory for tests of the layers above the platform: folders with the
// entries a scan gives (sizes of 4 GiB and more included, which no test can write to disk),
// stat results and file contents. Operations a test has not set up fail.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kelvantori::test {

class FakeFileSystem : public FileSystem {
  public:
    // The entries Scan(folder) gives, in this order; a folder never set cannot be read.
    void SetFolder(const std::string& folder, std::vector<DirEntry> entries);
    void RemoveFolder(const std::string& folder) { folders_.erase(folder); }
    void SetStat(const std::string& path, FileStat stat) { stats_[path] = stat; }
    void SetFile(const std::string& path, std::string bytes) { contents_[path] = std::move(bytes); }

    // How often each folder was scanned.
    int ScanCount(const std::string& folder) const;

    std::optional<FileStat> Stat(std::string_view path) override;
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override;
    std::optional<std::string> ReadAll(std::string_view path) override;
    FsError WriteAll(std::string_view path, std::string_view bytes) override;
    FsError Append(std::string_view path, std::string_view bytes) override;
    std::unique_ptr<InputFile> OpenRead(std::string_view path, FsError* error) override;
    std::unique_ptr<OutputFile> OpenWrite(std::string_view path, WriteMode mode,
                                          FsError* error) override;
    FsError CreateDirectory(std::string_view path) override;
    FsError Copy(std::string_view from, std::string_view to, bool overwrite) override;
    FsError Move(std::string_view from, std::string_view to, bool overwrite) override;
    FsError Rename(std::string_view from, std::string_view to) override;
    FsError MoveToTrash(std::string_view path) override;
    FsError SetModified(std::string_view path, std::int64_t secondsSinceEpoch) override;
    FsError SetAttributes(std::string_view path, const DosAttributes& attributes) override;
    std::optional<std::string> ShortName(std::string_view path) override;
    bool VolumeReadable(char letter) override;
    const DriveMap& Drives() const override { return drives_; }

  private:
    std::map<std::string, std::vector<DirEntry>, std::less<>> folders_;
    std::map<std::string, FileStat, std::less<>> stats_;
    std::map<std::string, std::string, std::less<>> contents_;
    std::map<std::string, int, std::less<>> scans_;
    DriveMap drives_;
};

// A file entry as a scan gives it.
DirEntry FakeFile(std::string name, std::uint64_t size, std::int64_t modified,
                  std::string shortName = {});
DirEntry FakeFolder(std::string name, std::int64_t modified, std::string shortName = {});

}  // namespace kelvantori::test
