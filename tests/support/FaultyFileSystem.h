// A file system that passes every call to a real one, except the failures a test scripts: the
// next n calls of one operation on one drive path fail with a given error. Real folders give
// the data; the script gives the faults a disk will not produce on demand (a locked file, a
// medium pulled out half-way).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/FileSystem.h"

namespace kelvantori::test {

class FaultyFileSystem : public FileSystem {
  public:
    enum class Op { Copy, Move, Trash, CreateDirectory, SetModified };

    explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

    // The next `times` calls of op whose (first) path is exactly path fail with error.
    void Fail(Op op, std::string path, FsError error, int times = 1) {
        faults_[{op, std::move(path)}] = {error, times};
    }
    // How often op was called with path (failed calls included).
    int Calls(Op op, const std::string& path) const {
        const auto it = calls_.find({op, path});
        return it == calls_.end() ? 0 : it->second;
    }

    std::optional<FileStat> Stat(std::string_view path) override { return real_.Stat(path); }
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override {
        return real_.Scan(folder);
    }
    std::optional<std::string> ReadAll(std::string_view path) override {
        return real_.ReadAll(path);
    }
    FsError WriteAll(std::string_view path, std::string_view bytes) override {
        return real_.WriteAll(path, bytes);
    }
    FsError Append(std::string_view path, std::string_view bytes) override {
        return real_.Append(path, bytes);
    }
    std::unique_ptr<InputFile> OpenRead(std::string_view path, FsError* error) override {
        return real_.OpenRead(path, error);
    }
    std::unique_ptr<OutputFile> OpenWrite(std::string_view path, WriteMode mode,
                                          FsError* error) override {
        return real_.OpenWrite(path, mode, error);
    }
    FsError CreateDirectory(std::string_view path) override {
        return Scripted(Op::CreateDirectory, path, [&] { return real_.CreateDirectory(path); });
    }
    FsError Copy(std::string_view from, std::string_view to, bool overwrite) override {
        return Scripted(Op::Copy, from, [&] { return real_.Copy(from, to, overwrite); });
    }
    FsError Move(std::string_view from, std::string_view to, bool overwrite) override {
        return Scripted(Op::Move, from, [&] { return real_.Move(from, to, overwrite); });
    }
    FsError Rename(std::string_view from, std::string_view to) override {
        return real_.Rename(from, to);
    }
    FsError MoveToTrash(std::string_view path) override {
        return Scripted(Op::Trash, path, [&] { return real_.MoveToTrash(path); });
    }
    FsError SetModified(std::string_view path, std::int64_t seconds) override {
        return Scripted(Op::SetModified, path, [&] { return real_.SetModified(path, seconds); });
    }
    FsError SetAttributes(std::string_view path, const DosAttributes& attributes) override {
        return real_.SetAttributes(path, attributes);
    }
    std::optional<std::string> ShortName(std::string_view path) override {
        return real_.ShortName(path);
    }
    bool VolumeReadable(char letter) override { return real_.VolumeReadable(letter); }
    const DriveMap& Drives() const override { return real_.Drives(); }

  private:
    template <typename Call>
    FsError Scripted(Op op, std::string_view path, const Call& call) {
        const std::pair<Op, std::string> key{op, std::string(path)};
        ++calls_[key];
        const auto it = faults_.find(key);
        if (it != faults_.end() && it->second.second-- > 0)
            return it->second.first;
        return call();
    }

    FileSystem& real_;
    std::map<std::pair<Op, std::string>, std::pair<FsError, int>> faults_;  // error, times
    std::map<std::pair<Op, std::string>, int> calls_;
};

}  // namespace kelvantori::test
