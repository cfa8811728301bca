// The split by program number: the names of the output files and what goes into each.
#include "core/SplitPrograms.h"

#include <charconv>
#include <cstdio>

#include "core/TextCodec.h"

namespace kelvantori {

namespace {

constexpr std::string_view kPercentLine = "%";

bool ReadFlag(const IniDocument& ini, std::string_view key) {
    const auto value = ini.Get(kDivSubSection, key);
    if (!value || value->empty())
        return false;
    long number = 0;
    const char* first = value->data();
    const char* last = first + value->size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last)
        return false;
    return number != 0;
}

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Hands the writer's pieces to the sink's current file.
class SinkBytes : public ByteSink {
  public:
    explicit SinkBytes(SplitSink& sink) : sink_(sink) {}
    bool Write(std::string_view bytes) override { return sink_.Write(bytes); }

  private:
    SplitSink& sink_;
};

std::string FilesNote(std::size_t written) {
    if (written == 0)
        return "ファイルは作成していません。";
    return "それまでの " + std::to_string(written) + " 個のファイルは作成済みです。";
}

}  // namespace

SplitOptions ReadSplitOptions(const IniDocument& ini) {
    return {ReadFlag(ini, "F_Set"), ReadFlag(ini, "B_Set"), ReadFlag(ini, "N_Set")};
}

void WriteSplitOptions(IniDocument& ini, const SplitOptions& options) {
    ini.Set(kDivSubSection, "F_Set", options.F_Set ? "1" : "0");
    ini.Set(kDivSubSection, "B_Set", options.B_Set ? "1" : "0");
    ini.Set(kDivSubSection, "N_Set", options.N_Set ? "1" : "0");
}

std::string SplitTargetFolder(std::string_view typed) {
    if (!typed.empty() && typed.back() == '\\')
        typed.remove_suffix(1);
    return std::string(typed);
}

bool SplitFolderNeedsCheck(std::string_view folder) {
    return folder.size() != 2;
}

bool IsProgramStartLine(std::string_view line) {
    return !line.empty() && (line[0] == 'O' || line[0] == ':' || line[0] == 'L');
}

std::string ProgramNameOf(std::string_view startLine) {
    // "(" never occurs as the second byte of a Shift-JIS character, so a byte search is safe.
    std::string name(startLine.substr(0, startLine.find('(')));
    if (!name.empty() && name[0] == ':')
        name[0] = 'O';
    return name;
}

SplitFileName SplitFileNameOf(std::string_view startLine, std::size_t number, bool numbered,
                              std::string_view extension) {
    const std::string program = ProgramNameOf(startLine);
    SplitFileName result;
    if (IsAscii(program)) {
        result.name = program;
    } else {
        // File names are UTF-8; the program text is Shift-JIS. Bytes that do not decode would
        // give a name that no longer says which program the file holds.
        result.name = Cp932ToUtf8(program);
        if (Utf8ToCp932(result.name) != program) {
            result.check = {NameProblem::NotText, {}};
            return result;
        }
    }
    if (numbered) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "_%03zu", number);
        result.name += suffix;
    }
    result.name += extension;
    result.check = CheckFileName(result.name);
    return result;
}

SplitResult PlanSplit(LineSource& lines, const SplitRequest& request) {
    SplitResult result;
    if (!IsUsableMaskExtension(request.mask)) {
        result.status = SplitStatus::UnusableMask;
        return result;
    }
    const std::string extension = MaskExtension(request.mask);
    std::string_view line;
    while (lines.Next(line)) {
        ++result.lineCount;
        if (!IsProgramStartLine(line))
            continue;
        ++result.programCount;
        const auto file =
            SplitFileNameOf(line, result.programCount, request.options.N_Set, extension);
        if (!file.check.ok()) {
            result.status = SplitStatus::UnusableName;
            result.fault = {result.lineCount, Cp932ToUtf8(ProgramNameOf(line)), file.check};
            return result;
        }
    }
    if (lines.Failed()) {
        result.status = SplitStatus::ReadFailed;
    } else if (result.programCount == 0) {
        result.status = SplitStatus::NoProgram;
    }
    return result;
}

SplitResult WriteSplit(LineSource& lines, const SplitRequest& request, SplitSink& sink) {
    SplitResult result;
    if (!IsUsableMaskExtension(request.mask)) {
        result.status = SplitStatus::UnusableMask;
        return result;
    }
    const std::string extension = MaskExtension(request.mask);
    const SplitOptions& options = request.options;

    SinkBytes bytes(sink);
    CrLfWriter writer(bytes);
    // Lines before the first program go to the front of the first file; they wait here (with
    // their CR LF) until its name is known.
    std::string leading;
    bool open = false;

    const auto finishFile = [&]() {
        if (options.B_Set && !writer.Line(kPercentLine))
            return false;
        if (!writer.Flush() || !sink.Finish())
            return false;
        ++result.filesWritten;
        open = false;
        return true;
    };
    const auto fail = [&](SplitStatus status) {
        result.status = status;
        return result;
    };

    std::string_view line;
    while (lines.Next(line)) {
        ++result.lineCount;
        if (IsProgramStartLine(line)) {
            if (open && !finishFile())
                return fail(SplitStatus::WriteFailed);
            const std::size_t number = result.programCount + 1;
            auto file = SplitFileNameOf(line, number, options.N_Set, extension);
            if (!file.check.ok()) {
                result.fault = {result.lineCount, Cp932ToUtf8(ProgramNameOf(line)), file.check};
                return fail(SplitStatus::UnusableName);
            }
            if (!sink.Create({line, std::move(file.name), number, result.lineCount})) {
                return fail(SplitStatus::WriteFailed);
            }
            open = true;
            if (result.programCount == 0 && !leading.empty()) {
                if (!bytes.Write(leading))
                    return fail(SplitStatus::WriteFailed);
                std::string().swap(leading);
            }
            if (options.F_Set && !writer.Line(kPercentLine)) {
                return fail(SplitStatus::WriteFailed);
            }
            result.programCount = number;
        }
        if (!line.empty() && line[0] == '%')
            continue;
        if (open) {
            if (!writer.Line(line))
                return fail(SplitStatus::WriteFailed);
        } else {
            leading.append(line);
            leading.append("\r\n");
        }
    }
    if (lines.Failed())
        return fail(SplitStatus::ReadFailed);
    if (result.programCount == 0)
        return fail(SplitStatus::NoProgram);
    if (!finishFile())
        return fail(SplitStatus::WriteFailed);
    return result;
}

SplitResult SplitProgramText(const ProgramText& text, const SplitRequest& request,
                             SplitSink& sink) {
    ProgramTextSource planLines(text);
    const SplitResult plan = PlanSplit(planLines, request);
    if (plan.status != SplitStatus::Done)
        return plan;
    ProgramTextSource lines(text);
    return WriteSplit(lines, request, sink);
}

ToolReport SplitReport(const SplitResult& result, const SplitRequest& request,
                       std::string_view failureDetail) {
    const std::string detail = failureDetail.empty() ? "" : std::string(failureDetail) + "\n";
    switch (result.status) {
        case SplitStatus::Done:
            return DoneReport(std::string(kSplitDoneMessage));
        case SplitStatus::NoProgram:
            return StopReport(std::string(kSplitNoProgramMessage), ReportIcon::Warning);
        case SplitStatus::UnusableMask:
            return StopReport(UnusableMaskMessage(request.mask) +
                              "\n分割を中止しました。ファイルは作成していません。");
        case SplitStatus::UnusableName:
            return StopReport(std::to_string(result.fault.lineNumber) + "行目のプログラム「" +
                              result.fault.programName + "」はファイル名にできません。\n" +
                              NameProblemText(result.fault.check) + "\n分割を中止しました。" +
                              FilesNote(result.filesWritten));
        case SplitStatus::ReadFailed:
            return StopReport("ファイルを最後まで読み込めませんでした。\n" + detail +
                              "分割を中止しました。" + FilesNote(result.filesWritten));
        case SplitStatus::WriteFailed:
            return StopReport("分割ファイルを書き込めませんでした。\n" + detail +
                              "分割を中止しました。" + FilesNote(result.filesWritten));
        case SplitStatus::Stopped:
            return StopReport("分割を中止しました。" + FilesNote(result.filesWritten));
    }
    return {};
}

}  // namespace kelvantori
