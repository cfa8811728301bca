// The doubling of an axis's values, from the input to the report.
#include "files/DoubleTool.h"

#include <utility>

#include "core/DoubleAxis.h"
#include "core/DrivePath.h"
#include "core/ToolFileNames.h"
#include "files/ToolStreams.h"

namespace kelvantori {

namespace {

struct Conversion {
    const DoubleJob& job;
    std::string outPath;
};

// Converts into a new output file and saves it only when every line converted. When stream is
// given and turns out to hold a NUL byte, nothing is saved and sawNul is set: the caller asks.
ToolResult DoubleLines(FileSystem& files, const Conversion& conversion, MeteredLines& lines,
                       StreamLineSource* stream, bool& sawNul) {
    const DoubleJob& job = conversion.job;
    const std::string& outPath = conversion.outPath;
    FsError error = FsError::None;
    auto file = files.OpenWrite(outPath, WriteMode::Replace, &error);
    if (!file) {
        DoubleResult failed;
        failed.status = DoubleStatus::WriteFailed;
        return ToolEnd(ToolStatus::Failed,
                       DoubleReport(failed, job.axis, job.outputName, FileProblem(error, outPath)));
    }
    OutputSink sink(*file);
    CrLfWriter out(sink);
    DoubleResult result = DoubleAxisValues(lines, job.axis, out);
    if (lines.Stopped()) {
        return ToolEnd(ToolStatus::Stopped, StopReport("変換を中止しました。" + job.outputName +
                                                       " は保存していません。"));
    }
    if (stream != nullptr) {
        if (result.status != DoubleStatus::ReadFailed)
            Drain(*stream);
        if (stream->SawNul()) {
            sawNul = true;
            return {};  // the file is dropped unsaved
        }
    }
    std::string detail;
    if (result.status == DoubleStatus::Done) {
        error = file->Commit();
        if (error != FsError::None) {
            result.status = DoubleStatus::WriteFailed;
            detail = FileProblem(error, outPath);
        }
    } else if (result.status == DoubleStatus::WriteFailed) {
        detail = FileProblem(sink.Error(), outPath);
    }
    ToolResult done =
        ToolEnd(result.status == DoubleStatus::Done ? ToolStatus::Done : ToolStatus::Failed,
                DoubleReport(result, job.axis, job.outputName, detail));
    if (done.status == ToolStatus::Done)
        done.target = outPath;
    return done;
}

ToolResult DoubleText(FileSystem& files, const Conversion& conversion, const ProgramText& text,
                      ToolMeter& meter) {
    meter.Restart(ToolPass::Writing, ToolProgressUnit::Lines, text.lines.size());
    ProgramTextSource source(text);
    MeteredLines lines(source, meter);
    bool unused = false;
    return DoubleLines(files, conversion, lines, nullptr, unused);
}

}  // namespace

ToolResult RunDouble(FileSystem& files, const DoubleJob& typed, ToolHost& host) {
    // The axis as the dialog's field takes it: a letter of kAxisLetters, used in upper case.
    const auto axis = AxisOfLetter(typed.axis);
    if (!axis) {
        return ToolEnd(ToolStatus::Failed,
                       StopReport(std::string(kAxisRefusedMessage) + "軸は " +
                                  std::string(kAxisLetters) + " のどれか一文字です。"));
    }
    DoubleJob job = typed;
    job.axis = *axis;
    if (const NameCheck check = CheckFileName(job.outputName); !check.ok()) {
        return ToolEnd(ToolStatus::UnusableName,
                       StopReport(job.outputName + ": " + NameProblemText(check)));
    }
    const Conversion conversion{job, JoinDrivePath(DriveFolderOf(job.input), job.outputName)};
    ToolMeter meter(host, ToolPass::Writing, ToolProgressUnit::Lines, 0);
    if (job.text != nullptr)
        return DoubleText(files, conversion, *job.text, meter);

    ToolReport problem;
    const auto stat = StatInput(files, job.input, problem);
    if (!stat)
        return ToolEnd(ToolStatus::Failed, problem);
    bool suspicious = stat->size == 0;
    if (!suspicious) {
        FsError error = FsError::None;
        auto opened = OpenLines(files, job.input, error);
        if (!opened)
            return ToolEnd(ToolStatus::Failed, StopReport(FileProblem(error, job.input)));
        meter.Restart(ToolPass::Writing, ToolProgressUnit::Bytes, stat->size);
        MeteredLines lines(*opened->lines, meter, opened->lines.get());
        ToolResult result = DoubleLines(files, conversion, lines, opened->lines.get(), suspicious);
        if (!suspicious)
            return result;
    }
    FsError error = FsError::None;
    const auto text = AskAndReadAsText(host, files, job.input, error);
    if (!text)
        return ToolEnd(ToolStatus::Declined, StopReport(DeclinedText(job.input, "変換")));
    if (error != FsError::None) {
        DoubleResult failed;
        failed.status = DoubleStatus::ReadFailed;
        return ToolEnd(ToolStatus::Failed, DoubleReport(failed, job.axis, job.outputName,
                                                        FileProblem(error, job.input)));
    }
    return DoubleText(files, conversion, *text, meter);
}

}  // namespace kelvantori
