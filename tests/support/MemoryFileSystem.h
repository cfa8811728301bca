// A FileSystem held in memory for tests that need failures a real disk will not give on demand
// (a full disk after some bytes, a rename that fails, a folder that vanished). It keeps files
// by drive path and implements the operations the engines and the log use: Stat, ReadAll,
// WriteAll, Append, OpenWrite (Replace: the target changes only at Commit; Append), OpenRead,
// CreateDirectory and Scan. Every other operation answers FsError::Other.
#pragma once

#include <map>
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
    std::optional<std::string> File(std::string_view path) const;
    const std::map<std::string, std::string>& Files() const { return files_; }

    // --- failures -------------------------------------------------------------------------
    // Opening this path for writing fails.
    void FailOpen(std::string_view path, FsError error);
    // Once this many bytes in all have gone through OutputFile::Write, every further Write
    // fails with the error (the disk is full).
    void FailWritesAfter(std::size_t bytes, FsError error);
    // Commit of this path fails (the rename over the target).
    void FailCommit(std::string_view path, FsError error);

    // Output files opened and neither committed nor closed yet.
    int OpenOutputs() const { return openOutputs_; }
    std::size_t BytesWritten() const { return bytesWritten_; }

    // --- FileSystem ------------------------------------------------------------------------
    std::optional<FileStat> Stat(std::string_view path) override;
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override;
    std::optional<std::string> ReadAll(std::string_view path) override;
    FsError WriteAll(std::string_view path, std::string_view bytes) override;
    FsError Append(std::string_view path, std::string_view bytes) override;
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
    bool FolderExists(const std::string& key) const;
    static std::string ParentOf(const std::string& key);
    // Checks a Write of size bytes against the full-disk script.
    FsError Consume(std::size_t size);

    std::map<std::string, std::string> files_;
    std::set<std::string> folders_;
    std::map<std::string, FsError> openFailures_;
    std::map<std::string, FsError> commitFailures_;
    std::optional<std::size_t> writeLimit_;
    FsError writeLimitError_ = FsError::NoSpace;
    std::size_t bytesWritten_ = 0;
    int openOutputs_ = 0;
    DriveMap drives_;
};

}  // namespace kelvantori::test
