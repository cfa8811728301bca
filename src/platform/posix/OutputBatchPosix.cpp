// The output batch of the POSIX file system.
#include "platform/posix/OutputBatchPosix.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/HostFiles.h"

namespace kelvantori::posix {

namespace {

// The new files wait closed beside their targets. At Commit() one syncfs() per file system puts
// all their bytes on the disk, and only then are they renamed over their targets: a crash at
// any moment leaves each target either as it was or whole, as one fsync per file would, at the
// cost of one flush instead of thousands.
class PosixOutputBatch final : public OutputBatch {
  public:
    explicit PosixOutputBatch(PrepareReplace prepare) : prepare_(std::move(prepare)) {}
    ~PosixOutputBatch() override {
        current_.reset();
        for (std::size_t i = placed_; i < staged_.size(); ++i)
            ::unlink(staged_[i].temp.c_str());
    }
    PosixOutputBatch(const PosixOutputBatch&) = delete;
    PosixOutputBatch& operator=(const PosixOutputBatch&) = delete;

    FsError Begin(std::string_view path) override {
        if (open_)
            End();
        if (error_ != FsError::None || committed_)
            return Fail(error_ == FsError::None ? FsError::Other : error_);
        current_.emplace();
        if (const FsError e = prepare_(path, *current_); e != FsError::None)
            return Fail(e);
        open_ = true;
        return FsError::None;
    }

    FsError Write(std::string_view bytes) override {
        if (error_ == FsError::None && !open_)
            return Fail(FsError::Other);
        if (error_ == FsError::None) {
            if (const FsError e = current_->Write(bytes); e != FsError::None)
                return Fail(e);
        }
        return error_;
    }

    FsError End() override {
        if (error_ == FsError::None && !open_)
            return Fail(FsError::Other);
        open_ = false;
        if (error_ != FsError::None)
            return error_;
        Staged staged;
        staged.target = current_->Target();
        const FsError closed = current_->Close(staged.temp);
        current_.reset();
        if (closed != FsError::None)
            return Fail(closed);
        staged_.push_back(std::move(staged));
        return FsError::None;
    }

    FsError Commit() override {
        if (open_)
            End();
        if (error_ != FsError::None || committed_)
            return error_;
        committed_ = true;
        std::vector<std::string> folders;
        for (const auto& staged : staged_) {
            std::string folder = ParentOf(staged.target);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(std::move(folder));
        }
        if (const FsError e = FlushToDisk(folders); e != FsError::None)
            return Fail(e);
        for (const auto& staged : staged_) {
            if (::rename(staged.temp.c_str(), staged.target.c_str()) != 0)
                return Fail(LastError());
            ++placed_;
        }
        for (const auto& folder : folders) {
            UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (fd.Valid())
                ::fsync(fd.Get());  // best effort, as for a single save
        }
        // What interrupted saves of the same targets left, once for the whole batch: a scan
        // per file would cost a split of thousands of files a scan of thousands each. The
        // batch's own files are in place by now; they wait closed and unlocked before.
        std::vector<std::string> targets;
        for (const auto& staged : staged_)
            targets.push_back(staged.target);
        RemoveStalePendingFiles(targets);
        return FsError::None;
    }

    std::size_t Placed() const override { return placed_; }

  private:
    struct Staged {
        std::string temp;
        std::string target;
    };

    FsError Fail(FsError error) {
        if (error_ == FsError::None)
            error_ = error;
        current_.reset();  // removes the file being written
        open_ = false;
        return error_;
    }

    // syncfs() of each folder's file system; where it is refused, an fsync() of every file.
    FsError FlushToDisk(const std::vector<std::string>& folders) {
        bool flushed = true;
        for (const auto& folder : folders) {
            UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!fd.Valid() || ::syncfs(fd.Get()) != 0)
                flushed = false;
        }
        if (flushed)
            return FsError::None;
        for (const auto& staged : staged_) {
            UniqueFd fd(::open(staged.temp.c_str(), O_WRONLY | O_CLOEXEC));
            if (!fd.Valid() || ::fsync(fd.Get()) != 0)
                return LastError();
        }
        return FsError::None;
    }

    PrepareReplace prepare_;
    std::optional<PendingFile> current_;
    std::vector<Staged> staged_;
    std::size_t placed_ = 0;
    bool open_ = false;
    bool committed_ = false;
    FsError error_ = FsError::None;
};

}  // namespace

std::unique_ptr<OutputBatch> OpenOutputBatch(PrepareReplace prepare) {
    return std::make_unique<PosixOutputBatch>(std::move(prepare));
}

}  // namespace kelvantori::posix
