// A FileSystem held in memory for tests that need failures a real disk will not give on demand
// (a full disk after some bytes, a commit that fails). It keeps files by drive path and
// implements what the engines and the log use: Stat, ReadAll, WriteAll, Append, OpenWrite
// (Replace: the target changes only at Commit), OpenRead, CreateDirectory and Scan; every
// other operation fails.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace kelvantori::test {

class MemoryFileSystem : public FileSystem {
  public:
    // The drive roots "A:" .. "Z:" always exist.
    void AddFolder(std::string_view path);
    void AddFile(std::string_view path, std::string_view bytes);
    std::optional<std::string> File(std::string_view path) const {
        const auto it = files_.find(Key(path));
        return it == files_.end() ? std::nullopt : std::optional<std::string>(it->second);
    }

    // Once this many bytes in all have gone through OutputFile::Write, every further Write
    // fails with the error (the disk is full).
    void FailWritesAfter(std::size_t bytes, FsError error) {
        writeLimit_ = bytes;
        writeLimitError_ = error;
    }
    // Commit of this path fails (the rename over the target).
    void FailCommit(std::string_view path, FsError error) { commitFailures_[Key(path)] = error; }

    // Output files opened and neither committed nor closed yet.
    int OpenOutputs() const { return openOutputs_; }

    std::optional<FileStat> Stat(std::string_view path) override;
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override;
    std::optional<std::string> ReadAll(std::string_view path) override { return File(path); }
    FsError WriteAll(std::string_view path, std::string_view bytes) override {
        return Put(path, bytes, WriteMode::Replace);
    }
    FsError Append(std::string_view path, std::string_view bytes) override {
        return Put(path, bytes, WriteMode::Append);
    }
    std::unique_ptr<InputFile> OpenRead(std::string_view path, FsError* error) override;
    std::unique_ptr<OutputFile> OpenWrite(std::string_view path, WriteMode mode,
                                          FsError* error) override;
    FsError CreateDirectory(std::string_view path) override;
    FsError Copy(std::string_view, std::string_view, bool) override { return FsError::Other; }
    FsError Move(std::string_view, std::string_view, bool) override { return FsError::Other; }
    FsError Rename(std::string_view, std::string_view) override { return FsError::Other; }
    FsError MoveToTrash(std::string_view) override { return FsError::Other; }
    FsError SetModified(std::string_view, std::int64_t) override { return FsError::Other; }
    FsError SetAttributes(std::string_view, const DosAttributes&) override {
        return FsError::Other;
    }
    std::optional<std::string> ShortName(std::string_view) override { return std::nullopt; }
    bool VolumeReadable(char) override { return true; }
    const DriveMap& Drives() const override { return drives_; }

  private:
    class Output;
    static std::string Key(std::string_view path);
    FsError Put(std::string_view path, std::string_view bytes, WriteMode mode);
    bool FolderExists(const std::string& key) const {
        return (key.size() == 2 && key[1] == ':') || folders_.count(key) > 0;
    }
    static std::string ParentOf(const std::string& key) {
        const auto slash = key.rfind('\\');
        return key.substr(0, slash == std::string::npos ? 2 : slash);
    }

    DriveMap drives_;
    std::map<std::string, std::string> files_;
    std::set<std::string> folders_;
    std::map<std::string, FsError> commitFailures_;
    std::size_t writeLimit_ = std::size_t(-1);
    FsError writeLimitError_ = FsError::NoSpace;
    std::size_t bytesWritten_ = 0;
    int openOutputs_ = 0;
};

}  // namespace kelvantori::test
