// The streams, questions and progress shared by the NC tools.
#include "files/ToolStreams.h"

#include <algorithm>
#include <utility>

#include "files/ProgramLoader.h"

namespace kelvantori {

namespace {

// The host hears of about this many steps over a whole pass...
constexpr std::uint64_t kStepsPerPass = 256;
// ...but not more often than this (a tiny file needs no more than its start and end)...
constexpr std::uint64_t kMinByteStep = std::uint64_t{64} << 10;
constexpr std::uint64_t kMinLineStep = 1;
// ...nor more rarely (a file of gigabytes still keeps the window responsive).
constexpr std::uint64_t kMaxByteStep = std::uint64_t{4} << 20;
constexpr std::uint64_t kMaxLineStep = 16384;

std::uint64_t StepFor(ToolProgressUnit unit, std::uint64_t total) {
    const bool bytes = unit == ToolProgressUnit::Bytes;
    return std::clamp((total + kStepsPerPass - 1) / kStepsPerPass,
                      bytes ? kMinByteStep : kMinLineStep, bytes ? kMaxByteStep : kMaxLineStep);
}

}  // namespace

ToolResult ToolEnd(ToolStatus status, ToolReport report) {
    ToolResult result;
    result.status = status;
    result.report = std::move(report);
    return result;
}

std::string FileProblem(FsError error, std::string_view path) {
    return FsErrorMessage(error) + "\n" + std::string(path);
}

std::string DeclinedText(std::string_view path, std::string_view action) {
    return std::string(path) + " の読み込みを取りやめたため、" + std::string(action) +
           "を中止しました。ファイルは作成していません。";
}

std::optional<FileStat> StatInput(FileSystem& files, std::string_view path, ToolReport& report) {
    const auto stat = files.Stat(path);
    if (!stat) {
        report = StopReport(FileProblem(FsError::NotFound, path));
        return std::nullopt;
    }
    if (stat->isDirectory) {
        report = StopReport(FileProblem(FsError::IsADirectory, path));
        return std::nullopt;
    }
    return stat;
}

std::optional<OpenedInput> OpenLines(FileSystem& files, std::string_view path, FsError& error) {
    OpenedInput opened;
    opened.file = files.OpenRead(path, &error);
    if (!opened.file)
        return std::nullopt;
    opened.reader = std::make_unique<InputReader>(*opened.file);
    opened.lines = std::make_unique<StreamLineSource>(*opened.reader);
    return opened;
}

void Drain(StreamLineSource& lines) {
    std::string_view line;
    while (lines.Next(line)) {
    }
}

std::optional<ProgramText> AskAndReadAsText(ToolHost& host, FileSystem& files,
                                            std::string_view path, FsError& error) {
    if (!host.AskYesNo(std::string(kFormatQuestion)))
        return std::nullopt;
    const auto bytes = files.ReadAll(path);
    if (!bytes) {
        error = FsError::Other;
        return ProgramText{};
    }
    return ReadLinesAsText(*bytes);
}

ToolMeter::ToolMeter(ToolHost& host, ToolPass pass, ToolProgressUnit unit, std::uint64_t total)
    : host_(host) {
    Restart(pass, unit, total);
}

void ToolMeter::Restart(ToolPass pass, ToolProgressUnit unit, std::uint64_t total) {
    progress_.pass = pass;
    progress_.unit = unit;
    progress_.total = total;
    progress_.done = 0;
    step_ = StepFor(unit, total);
    next_ = 0;
}

bool ToolMeter::Finish(std::uint64_t done) {
    if (stopped_)
        return false;
    progress_.done = done;
    return Finish();
}

bool ToolMeter::Finish() {
    if (stopped_)
        return false;
    return reported_ == progress_ || Report();
}

bool ToolMeter::Report() {
    reported_ = progress_;
    next_ = progress_.done + step_;
    stopped_ = !host_.Progress(progress_);
    return !stopped_;
}

}  // namespace kelvantori
