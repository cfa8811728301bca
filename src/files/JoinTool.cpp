// The join of files, from the names to the report.
#include "files/JoinTool.h"

#include <cstring>
#include <optional>
#include <utility>

#include "core/DrivePath.h"
#include "core/JoinFiles.h"
#include "core/ToolFileNames.h"
#include "files/ProgramLoader.h"
#include "files/ToolStreams.h"

namespace kelvantori {

namespace {

// Files up to this size are read whole for the file-format check; larger ones are streamed,
// after a pass that looks for a NUL byte.
constexpr std::uint64_t kWholeReadLimit = std::uint64_t{16} << 20;

std::string NotCreatedText(const std::string& target) {
    return "ファイル結合を中止しました。" + target + " は作成していません。";
}

class Joiner {
  public:
    Joiner(FileSystem& files, ToolHost& host, std::uint64_t total)
        : files_(files),
          host_(host),
          meter_(host, ToolPass::Writing, ToolProgressUnit::Bytes, total) {}

    // Appends one file whose size is known; base is the bytes of the files before it. False when
    // the join cannot go on: problem says why, or declined is set, or the meter was stopped.
    bool AppendFile(const std::string& path, std::uint64_t size, std::uint64_t base,
                    CrLfWriter& out, std::string& problem, bool& declined);
    ToolMeter& Meter() { return meter_; }

  private:
    std::optional<std::string_view> ReadWhole(const std::string& path, std::uint64_t size,
                                              FsError& error);

    FileSystem& files_;
    ToolHost& host_;
    ToolMeter meter_;
    std::vector<char> wholeBuffer_;
};

std::optional<std::string_view> Joiner::ReadWhole(const std::string& path, std::uint64_t size,
                                                  FsError& error) {
    auto file = files_.OpenRead(path, &error);
    if (!file)
        return std::nullopt;
    // One buffer for every file of a join: no allocation per file.
    if (wholeBuffer_.size() < size + 1)
        wholeBuffer_.resize(static_cast<std::size_t>(size) + 1);
    std::size_t length = 0;
    for (;;) {
        if (length == wholeBuffer_.size())
            wholeBuffer_.resize(wholeBuffer_.size() * 2);
        const std::ptrdiff_t n =
            file->Read(wholeBuffer_.data() + length, wholeBuffer_.size() - length);
        if (n < 0) {
            error = FsError::Other;
            return std::nullopt;
        }
        if (n == 0)
            break;
        length += static_cast<std::size_t>(n);
    }
    return std::string_view(wholeBuffer_.data(), length);
}

bool Joiner::AppendFile(const std::string& path, std::uint64_t size, std::uint64_t base,
                        CrLfWriter& out, std::string& problem, bool& declined) {
    FsError error = FsError::None;
    if (size <= kWholeReadLimit) {
        const auto bytes = ReadWhole(path, size, error);
        if (!bytes) {
            problem = FileProblem(error, path);
            return false;
        }
        if (bytes->empty() || std::memchr(bytes->data(), '\0', bytes->size()) != nullptr) {
            if (!host_.AskYesNo(std::string(kFormatQuestion))) {
                declined = true;
                return false;
            }
            const ProgramText text = ReadLinesAsText(*bytes);
            ProgramTextSource lines(text);
            return AppendProgramLines(lines, out);
        }
        // A file the program wrote is already what its lines with CR LF give.
        if (IsCrLfText(*bytes))
            return out.Text(*bytes);
        BytesLineSource lines(*bytes);
        return AppendProgramLines(lines, out);
    }
    // A large file: first only look for a NUL byte, then stream its lines.
    bool sawNul = false;
    {
        auto opened = OpenLines(files_, path, error);
        if (!opened) {
            problem = FileProblem(error, path);
            return false;
        }
        std::vector<char> buffer(std::size_t{1} << 20);
        for (;;) {
            const std::ptrdiff_t n = opened->file->Read(buffer.data(), buffer.size());
            if (n < 0) {
                problem = FileProblem(FsError::Other, path);
                return false;
            }
            if (n == 0)
                break;
            if (std::memchr(buffer.data(), '\0', static_cast<std::size_t>(n)) != nullptr) {
                sawNul = true;
                break;
            }
        }
    }
    if (sawNul) {
        auto text = AskAndReadAsText(host_, files_, path, error);
        if (!text) {
            declined = true;
            return false;
        }
        if (error != FsError::None) {
            problem = FileProblem(error, path);
            return false;
        }
        ProgramTextSource lines(*text);
        return AppendProgramLines(lines, out);
    }
    auto opened = OpenLines(files_, path, error);
    if (!opened) {
        problem = FileProblem(error, path);
        return false;
    }
    MeteredLines lines(*opened->lines, meter_, opened->lines.get(), base);
    if (!AppendProgramLines(lines, out) || lines.Stopped())
        return false;
    if (opened->lines->Failed()) {
        problem = FileProblem(FsError::Other, path);
        return false;
    }
    return true;
}

}  // namespace

ToolResult RunJoin(FileSystem& files, const JoinJob& job, ToolHost& host) {
    if (job.sources.size() < 2)
        return ToolEnd(ToolStatus::Failed, StopReport(std::string(kJoinNeedsTwoFilesMessage)));
    if (!IsUsableMaskExtension(job.mask))
        return ToolEnd(ToolStatus::UnusableMask, StopReport(UnusableMaskMessage(job.mask)));
    const std::string targetName = JoinTargetName(job.typedName, job.mask);
    if (const NameCheck check = CheckFileName(targetName); !check.ok()) {
        return ToolEnd(ToolStatus::UnusableName,
                       StopReport(targetName + ": " + NameProblemText(check)));
    }
    std::vector<std::uint64_t> sizes;
    std::uint64_t total = 0;
    for (const auto& source : job.sources) {
        ToolReport problem;
        const auto stat = StatInput(files, source, problem);
        if (!stat)
            return ToolEnd(ToolStatus::Failed, problem);
        sizes.push_back(stat->size);
        total += stat->size;
    }
    const std::string target = JoinDrivePath(DriveFolderOf(job.sources.front()), targetName);

    // The question comes first, then the refusal, as in the window.
    if (files.Exists(target) && !host.AskYesNo(JoinOverwriteQuestion(target)))
        return ToolEnd(ToolStatus::Declined, StopReport("ファイル結合を中止しました。"));
    const auto targetHost = files.Drives().ToHost(target);
    for (const auto& source : job.sources) {
        if (source == target || (targetHost && files.Drives().ToHost(source) == targetHost)) {
            return ToolEnd(ToolStatus::TargetIsSource,
                           StopReport(std::string(kJoinTargetIsSourceMessage)));
        }
    }

    FsError error = FsError::None;
    auto file = files.OpenWrite(target, WriteMode::Replace, &error);
    if (!file)
        return ToolEnd(ToolStatus::Failed, StopReport(FileProblem(error, target)));
    OutputSink sink(*file);
    CrLfWriter out(sink);
    Joiner joiner(files, host, total);
    ToolMeter& meter = joiner.Meter();
    std::uint64_t base = 0;
    for (std::size_t i = 0; i < job.sources.size(); ++i) {
        meter.SetFiles(i);
        std::string problem;
        bool declined = false;
        if (!meter.At(base) ||
            !joiner.AppendFile(job.sources[i], sizes[i], base, out, problem, declined)) {
            if (meter.Stopped())
                return ToolEnd(ToolStatus::Stopped, StopReport(NotCreatedText(target)));
            if (declined) {
                return ToolEnd(ToolStatus::Declined,
                               StopReport(DeclinedText(job.sources[i], "ファイル結合")));
            }
            if (problem.empty())
                problem = FileProblem(sink.Error(), target);
            return ToolEnd(ToolStatus::Failed, StopReport(problem + "\n" + NotCreatedText(target)));
        }
        base += sizes[i];
    }
    meter.SetFiles(job.sources.size());
    if (!meter.Finish(base))
        return ToolEnd(ToolStatus::Stopped, StopReport(NotCreatedText(target)));
    if (!out.Flush())
        error = sink.Error();
    if (error == FsError::None)
        error = file->Commit();
    if (error != FsError::None) {
        return ToolEnd(ToolStatus::Failed,
                       StopReport(FileProblem(error, target) + "\n" + NotCreatedText(target)));
    }
    ToolResult result = ToolEnd(ToolStatus::Done, DoneReport(std::string(kJoinDoneMessage)));
    result.target = target;
    return result;
}

}  // namespace kelvantori
