#include "support/MemoryFileSystem.h"

#include <cctype>
#include <cstring>

namespace kelvantori::test {

namespace {

template <typename File>
std::unique_ptr<File> Refuse(FsError* error, FsError why) {
    if (error != nullptr)
        *error = why;
    return nullptr;
}

class StringInput : public InputFile {
  public:
    explicit StringInput(std::string bytes) : bytes_(std::move(bytes)) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, bytes_.size() - pos_);
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

class MemoryFileSystem::Output : public OutputFile {
  public:
    Output(MemoryFileSystem& owner, std::string key, WriteMode mode)
        : owner_(owner), key_(std::move(key)), mode_(mode) {
        ++owner_.openOutputs_;
    }
    ~Output() override {
        if (!done_)
            --owner_.openOutputs_;
    }

    FsError Write(std::string_view bytes) override {
        if (done_)
            return FsError::Other;
        if (owner_.bytesWritten_ + bytes.size() > owner_.writeLimit_)
            return owner_.writeLimitError_;
        owner_.bytesWritten_ += bytes.size();
        (mode_ == WriteMode::Append ? owner_.files_[key_] : pending_) += bytes;
        return FsError::None;
    }

    FsError Commit() override {
        if (done_)
            return FsError::Other;
        done_ = true;
        --owner_.openOutputs_;
        if (const auto failure = owner_.commitFailures_.find(key_);
            failure != owner_.commitFailures_.end())
            return failure->second;
        if (mode_ == WriteMode::Replace)
            owner_.files_[key_] = std::move(pending_);
        return FsError::None;
    }

  private:
    MemoryFileSystem& owner_;
    std::string key_;
    WriteMode mode_;
    std::string pending_;
    bool done_ = false;
};

std::string MemoryFileSystem::Key(std::string_view path) {
    std::string key(path);
    if (!key.empty())
        key[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
    while (key.size() > 2 && key.back() == '\\')
        key.pop_back();
    return key;
}

void MemoryFileSystem::AddFolder(std::string_view path) {
    std::string key = Key(path);
    while (!FolderExists(key)) {
        folders_.insert(key);
        key = ParentOf(key);
    }
}

void MemoryFileSystem::AddFile(std::string_view path, std::string_view bytes) {
    const std::string key = Key(path);
    AddFolder(ParentOf(key));
    files_[key] = std::string(bytes);
}

std::optional<FileStat> MemoryFileSystem::Stat(std::string_view path) {
    const std::string key = Key(path);
    FileStat stat;
    if (const auto it = files_.find(key); it != files_.end())
        stat.size = it->second.size();
    else if (FolderExists(key))
        stat.isDirectory = true;
    else
        return std::nullopt;
    return stat;
}

std::optional<std::vector<DirEntry>> MemoryFileSystem::Scan(std::string_view folder) {
    const std::string key = Key(folder);
    if (!FolderExists(key))
        return std::nullopt;
    std::vector<DirEntry> entries;
    const auto add = [&](const std::string& path, std::uint64_t size, bool isDirectory) {
        if (ParentOf(path) != key)
            return;
        DirEntry& entry = entries.emplace_back();
        entry.name = path.substr(path.rfind('\\') + 1);
        entry.size = size;
        entry.isDirectory = isDirectory;
    };
    for (const auto& [path, bytes] : files_)
        add(path, bytes.size(), false);
    for (const auto& path : folders_)
        add(path, 0, true);
    return entries;
}

FsError MemoryFileSystem::Put(std::string_view path, std::string_view bytes, WriteMode mode) {
    FsError error = FsError::None;
    auto out = OpenWrite(path, mode, &error);
    if (!out)
        return error;
    if (const FsError e = out->Write(bytes); e != FsError::None)
        return e;
    return out->Commit();
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenRead(std::string_view path, FsError* error) {
    auto bytes = File(path);
    if (!bytes)
        return Refuse<InputFile>(error, FsError::NotFound);
    if (error != nullptr)
        *error = FsError::None;
    return std::make_unique<StringInput>(std::move(*bytes));
}

std::unique_ptr<OutputFile> MemoryFileSystem::OpenWrite(std::string_view path, WriteMode mode,
                                                        FsError* error) {
    const std::string key = Key(path);
    if (!FolderExists(ParentOf(key)))
        return Refuse<OutputFile>(error, FsError::NotFound);
    if (FolderExists(key))
        return Refuse<OutputFile>(error, FsError::IsADirectory);
    if (error != nullptr)
        *error = FsError::None;
    if (mode == WriteMode::Append)
        files_[key];
    return std::make_unique<Output>(*this, key, mode);
}

FsError MemoryFileSystem::CreateDirectory(std::string_view path) {
    const std::string key = Key(path);
    if (FolderExists(key) || files_.count(key) > 0)
        return FsError::Exists;
    if (!FolderExists(ParentOf(key)))
        return FsError::NotFound;
    folders_.insert(key);
    return FsError::None;
}

}  // namespace kelvantori::test
