// The split by program number, from the input to the report.
#include "files/SplitTool.h"

#include <optional>
#include <utility>

#include "core/DrivePath.h"
#include "core/ToolFileNames.h"
#include "files/FileOperations.h"
#include "files/ToolStreams.h"

namespace kelvantori {

namespace {

// The split's files go into one batch: none of them replaces anything until all are written.
class BatchSplitSink : public SplitSink {
  public:
    BatchSplitSink(OutputBatch& batch, std::string folder, ToolMeter& meter, ToolHost& host)
        : batch_(batch), folder_(std::move(folder)), meter_(meter), host_(host) {}

    bool Create(const SplitOutputFile& file) override {
        host_.ProgramStarted(file.startLine);
        path_ = JoinDrivePath(folder_, file.name);
        return Check(batch_.Begin(path_));
    }
    bool Write(std::string_view bytes) override { return Check(batch_.Write(bytes)); }
    bool Finish() override {
        if (!Check(batch_.End()))
            return false;
        meter_.SetFiles(++finished_);
        return true;
    }

    FsError Error() const { return error_; }
    const std::string& Path() const { return path_; }

  private:
    bool Check(FsError error) {
        if (error != FsError::None && error_ == FsError::None)
            error_ = error;
        return error == FsError::None;
    }

    OutputBatch& batch_;
    std::string folder_;
    ToolMeter& meter_;
    ToolHost& host_;
    std::string path_;
    std::size_t finished_ = 0;
    FsError error_ = FsError::None;
};

ToolResult Failed(std::string text) {
    return ToolEnd(ToolStatus::Failed, StopReport(std::move(text)));
}

// Nothing of the split was put in place: after a No, and after a stop.
ToolResult NothingWritten(ToolStatus status, const SplitRequest& request) {
    SplitResult stopped;
    stopped.status = SplitStatus::Stopped;
    return ToolEnd(status, SplitReport(stopped, request));
}

// The first pass over lines held in memory.
SplitResult PlanText(const ProgramText& text, const SplitRequest& request, ToolMeter& meter) {
    meter.Restart(ToolPass::Checking, ToolProgressUnit::Lines, text.lines.size());
    ProgramTextSource source(text);
    MeteredLines lines(source, meter);
    return PlanSplit(lines, request);
}

// The second pass: every file written into one batch, which is put in place only when the split
// went through to the end.
ToolResult WriteFiles(FileSystem& files, MeteredLines& lines, const SplitRequest& request,
                      const std::string& folder, ToolMeter& meter, ToolHost& host) {
    auto batch = files.OpenBatch();
    BatchSplitSink sink(*batch, folder, meter, host);
    SplitResult result = WriteSplit(lines, request, sink);
    // The last file ends after the last line: the host hears of it before the batch is put in
    // place, and may still stop it.
    meter.Finish();
    std::string detail;
    if (result.status == SplitStatus::Done && lines.Stopped()) {
        // The lines ended early, so the last file is cut short: none of the batch may replace
        // anything. The batch is dropped uncommitted.
        result.status = SplitStatus::Stopped;
    } else if (result.status == SplitStatus::Done) {
        if (const FsError e = batch->Commit(); e != FsError::None) {
            result.status = SplitStatus::WriteFailed;
            detail = FileProblem(e, folder);
        }
    } else if (result.status == SplitStatus::WriteFailed) {
        detail = FileProblem(sink.Error(), sink.Path());
    }
    result.filesWritten = batch->Placed();
    const ToolStatus status = result.status == SplitStatus::Done      ? ToolStatus::Done
                              : result.status == SplitStatus::Stopped ? ToolStatus::Stopped
                                                                      : ToolStatus::Failed;
    ToolResult out = ToolEnd(status, SplitReport(result, request, detail));
    out.filesWritten = result.filesWritten;
    return out;
}

}  // namespace

ToolResult RunSplit(FileSystem& files, const SplitJob& job, ToolHost& host) {
    const SplitRequest& request = job.request;
    const std::string folder = SplitTargetFolder(job.targetFolder);
    if (!IsUsableMaskExtension(request.mask))
        return ToolEnd(ToolStatus::UnusableMask, StopReport(UnusableMaskMessage(request.mask)));

    // The first pass checks every name and the file's format before anything is written.
    ToolMeter meter(host, ToolPass::Checking, ToolProgressUnit::Lines, 0);
    const ProgramText* text = job.text;
    std::optional<ProgramText> readAsText;
    std::uint64_t size = 0;
    SplitResult plan;
    if (text != nullptr) {
        plan = PlanText(*text, request, meter);
    } else {
        ToolReport problem;
        const auto stat = StatInput(files, job.input, problem);
        if (!stat)
            return ToolEnd(ToolStatus::Failed, problem);
        size = stat->size;
        FsError error = FsError::None;
        auto opened = OpenLines(files, job.input, error);
        if (!opened)
            return Failed(FileProblem(error, job.input));
        meter.Restart(ToolPass::Checking, ToolProgressUnit::Bytes, size);
        MeteredLines lines(*opened->lines, meter, opened->lines.get());
        plan = PlanSplit(lines, request);
        if (meter.Stopped())
            return NothingWritten(ToolStatus::Stopped, request);
        if (plan.status == SplitStatus::UnusableName)
            Drain(*opened->lines);
        if (plan.status != SplitStatus::ReadFailed && (size == 0 || opened->lines->SawNul())) {
            readAsText = AskAndReadAsText(host, files, job.input, error);
            if (!readAsText) {
                return ToolEnd(ToolStatus::Declined, StopReport(DeclinedText(job.input, "分割")));
            }
            if (error != FsError::None) {
                plan.status = SplitStatus::ReadFailed;
            } else {
                text = &*readAsText;
                plan = PlanText(*text, request, meter);
            }
        }
    }
    if (meter.Stopped())
        return NothingWritten(ToolStatus::Stopped, request);
    if (plan.status != SplitStatus::Done)
        return ToolEnd(ToolStatus::Failed,
                       SplitReport(plan, request, FileProblem(FsError::Other, job.input)));

    // Only now the folder: a split that cannot run makes no folder for nothing. A folder that
    // names no place on this host (no drive, or a drive not assigned) is said at once: the
    // folder question would offer to make what cannot be made.
    if (!files.Drives().ToHost(folder)) {
        return Failed(FileProblem(
            DriveLetterOf(folder) != 0 ? FsError::NotMapped : FsError::InvalidName, folder));
    }
    if (SplitFolderNeedsCheck(folder)) {
        const auto folderStat = files.Stat(folder);
        if (folderStat && !folderStat->isDirectory)
            return Failed(FileProblem(FsError::NotADirectory, folder));
        if (!folderStat) {
            if (!host.AskYesNo(std::string(kSplitFolderQuestion)))
                return NothingWritten(ToolStatus::Declined, request);
            FsError e = FsError::None;
            CreateFolderPath(files, folder, &e);
            if (!files.IsDirectory(folder))
                return Failed(FileProblem(e == FsError::None ? FsError::NotFound : e, folder));
        }
    }

    if (text != nullptr) {
        meter.Restart(ToolPass::Writing, ToolProgressUnit::Lines, text->lines.size());
        ProgramTextSource source(*text);
        MeteredLines lines(source, meter);
        return WriteFiles(files, lines, request, folder, meter, host);
    }
    FsError error = FsError::None;
    auto opened = OpenLines(files, job.input, error);
    if (!opened)
        return Failed(FileProblem(error, job.input));
    meter.Restart(ToolPass::Writing, ToolProgressUnit::Bytes, size);
    MeteredLines lines(*opened->lines, meter, opened->lines.get());
    return WriteFiles(files, lines, request, folder, meter, host);
}

}  // namespace kelvantori
