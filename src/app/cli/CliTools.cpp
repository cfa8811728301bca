// kelvantori-cli split|join|double: the NC program tools of the window, run on files named on
// the command line. Files are streamed, so a file of any size needs only a buffer's memory (and
// the largest program); questions are asked on the terminal and answered from stdin.
#include "app/cli/CliTools.h"

#include <cstring>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <system_error>

#include "core/DoubleAxis.h"
#include "core/DrivePath.h"
#include "core/JoinFiles.h"
#include "core/LineStream.h"
#include "core/SplitPrograms.h"
#include "core/ToolFileNames.h"
#include "files/FileOperations.h"
#include "files/ProgramLoader.h"
#include "platform/HostEnvironment.h"

namespace kelvantori {

namespace {

// The settings (the file mask) are those of the window program's own program folder.
constexpr std::string_view kSettingsBaseName = "kelvantori";

// Files up to this size are read whole for the file-format check and the join; larger ones are
// streamed, after a pass that looks for a NUL byte.
constexpr std::uint64_t kWholeReadLimit = std::uint64_t{16} << 20;

// A command line that cannot be run as it stands.
struct UsageError {
    std::string text;
};

struct ToolArgs {
    std::vector<std::string> positional;
    std::optional<std::string> to;
    std::optional<std::string> mask;
    SplitOptions split;
};

// Options may come anywhere among the operands; "--" ends them.
std::optional<ToolArgs> ParseToolArgs(const std::vector<std::string>& args, bool isSplit,
                                      UsageError& error) {
    ToolArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const bool takesValue = name == "--mask" || (isSplit && name == "--to");
        if (takesValue && !value) {
            if (i + 1 >= args.size()) {
                error.text = name + " の後に値がありません。";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (!takesValue && value) {
            error.text = name + " は値を取りません。";
            return std::nullopt;
        }
        if (name == "--mask") {
            if (value->empty()) {
                error.text = "--mask の値が空です。";
                return std::nullopt;
            }
            parsed.mask = *value;
        } else if (isSplit && name == "--to") {
            parsed.to = *value;
        } else if (isSplit && name == "--front-percent") {
            parsed.split.F_Set = true;
        } else if (isSplit && name == "--back-percent") {
            parsed.split.B_Set = true;
        } else if (isSplit && name == "--numbered") {
            parsed.split.N_Set = true;
        } else {
            error.text = "不明なオプションです: " + arg;
            return std::nullopt;
        }
    }
    return parsed;
}

bool LooksLikeDrivePath(std::string_view text) {
    return text.size() >= 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

// A drive path as written ("/" taken for "\"), or a host path (relative to the current folder)
// turned into the drive path of the letter that holds it.
std::optional<std::string> ToDrivePath(std::string_view arg, const DriveMap& drives,
                                       UsageError& error) {
    if (arg.empty()) {
        error.text = "パスが空です。";
        return std::nullopt;
    }
    if (LooksLikeDrivePath(arg)) {
        std::string path(arg);
        for (char& c : path) {
            if (c == '/')
                c = '\\';
        }
        return path;
    }
    // A host name holding "\" would read as two folders once written as a drive path.
    if (arg.find('\\') != std::string_view::npos) {
        error.text = "「\\」を含むパスは扱えません: " + std::string(arg);
        return std::nullopt;
    }
    std::string host(arg);
    if (host[0] != '/') {
        std::error_code ec;
        const auto cwd = std::filesystem::current_path(ec);
        if (ec) {
            error.text = "現在のフォルダーが分かりません: " + std::string(arg);
            return std::nullopt;
        }
        host = cwd.string() + "/" + host;
    }
    auto drive = drives.ToDrive(host);
    if (!drive) {
        error.text = "どのドライブにも含まれないパスです: " + std::string(arg);
        return std::nullopt;
    }
    return drive;
}

bool Ask(CliIo& io, std::string_view question) {
    io.out << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(io.in, answer)) {
        io.out << "\n";
        return false;
    }
    const auto first = answer.find_first_not_of(" \t\r");
    const auto last = answer.find_last_not_of(" \t\r");
    answer = first == std::string::npos ? "" : AsciiLower(answer.substr(first, last - first + 1));
    return answer == "y" || answer == "yes";
}

int Show(CliIo& io, const ToolReport& report) {
    if (report.icon == ReportIcon::Information) {
        io.out << report.text << "\n";
        return kExitCompleted;
    }
    io.err << report.text << "\n";
    return kExitStopped;
}

int Stop(CliIo& io, std::string_view text) {
    io.err << text << "\n";
    return kExitStopped;
}

std::string FileProblem(FsError error, std::string_view path) {
    return FsErrorMessage(error) + "\n" + std::string(path);
}

std::string DeclinedText(std::string_view path, std::string_view action) {
    return std::string(path) + " の読み込みを取りやめたため、" + std::string(action) +
           "を中止しました。ファイルは作成していません。";
}

// Reads an input file in pieces for a StreamLineSource.
class InputReader : public ByteReader {
  public:
    explicit InputReader(InputFile& file) : file_(file) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        return file_.Read(buffer, size);
    }

  private:
    InputFile& file_;
};

// Hands written bytes to an output file and keeps the first error.
class OutputSink : public ByteSink {
  public:
    explicit OutputSink(OutputFile& file) : file_(file) {}
    bool Write(std::string_view bytes) override {
        if (error_ == FsError::None)
            error_ = file_.Write(bytes);
        return error_ == FsError::None;
    }
    FsError Error() const { return error_; }

  private:
    OutputFile& file_;
    FsError error_ = FsError::None;
};

// An input file opened for streaming.
struct OpenedInput {
    std::unique_ptr<InputFile> file;
    std::unique_ptr<InputReader> reader;
    std::unique_ptr<StreamLineSource> lines;
};

std::optional<OpenedInput> OpenLines(FileSystem& files, std::string_view path, FsError& error) {
    OpenedInput opened;
    opened.file = files.OpenRead(path, &error);
    if (!opened.file)
        return std::nullopt;
    opened.reader = std::make_unique<InputReader>(*opened.file);
    opened.lines = std::make_unique<StreamLineSource>(*opened.reader);
    return opened;
}

// Reads the rest of the lines, so that SawNul() speaks for the whole file.
void Drain(StreamLineSource& lines) {
    std::string_view line;
    while (lines.Next(line)) {
    }
}

// The file as the window's loader gives it after its format check: read line by line as text
// (the question answered Yes), or nullopt when the user declined.
std::optional<ProgramText> AskAndReadAsText(CliIo& io, FileSystem& files, std::string_view path,
                                            FsError& error) {
    if (!Ask(io, kFormatQuestion))
        return std::nullopt;
    const auto bytes = files.ReadAll(path);
    if (!bytes) {
        error = FsError::Other;
        return ProgramText{};
    }
    return ReadLinesAsText(*bytes);
}

// The input file named on the command line: it must be a file that exists.
std::optional<FileStat> StatInput(CliIo& io, FileSystem& files, std::string_view path) {
    const auto stat = files.Stat(path);
    if (!stat) {
        Stop(io, FileProblem(FsError::NotFound, path));
        return std::nullopt;
    }
    if (stat->isDirectory) {
        Stop(io, FileProblem(FsError::IsADirectory, path));
        return std::nullopt;
    }
    return stat;
}

// The split's files go into one batch: none of them replaces anything until all are written.
class BatchSplitSink : public SplitSink {
  public:
    BatchSplitSink(OutputBatch& batch, std::string folder)
        : batch_(batch), folder_(std::move(folder)) {}

    bool Create(const SplitOutputFile& file) override {
        path_ = JoinDrivePath(folder_, file.name);
        return Check(batch_.Begin(path_));
    }
    bool Write(std::string_view bytes) override { return Check(batch_.Write(bytes)); }
    bool Finish() override { return Check(batch_.End()); }

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
    std::string path_;
    FsError error_ = FsError::None;
};

class ToolRun {
  public:
    ToolRun(CliIo& io, HostEnvironment& host) : io_(io), host_(host), files_(host.Files()) {}

    int Split(const ToolArgs& args);
    int Join(const ToolArgs& args);
    int Double(const ToolArgs& args);

  private:
    std::optional<std::string> Path(std::string_view arg) {
        UsageError error;
        auto path = ToDrivePath(arg, host_.Drives(), error);
        if (!path)
            io_.err << error.text << "\n";
        return path;
    }

    // The mask of --mask, else the file list's mask from the settings. nullopt (after saying
    // why) when it gives no extension a file name can end with.
    std::optional<std::string> Mask(const ToolArgs& args, int& status) {
        std::string mask = args.mask ? *args.mask : host_.LoadSettings().Mask;
        if (IsUsableMaskExtension(mask))
            return mask;
        io_.err << UnusableMaskMessage(mask) << "\n";
        status = args.mask ? kExitNotStarted : kExitStopped;
        return std::nullopt;
    }

    int SplitLines(LineSource& lines, const SplitRequest& request, const std::string& folder);
    int DoubleLines(LineSource& lines, char axis, const std::string& outPath,
                    const std::string& outName, StreamLineSource* stream, bool& sawNul);
    bool AppendFile(const std::string& path, std::uint64_t size, CrLfWriter& out,
                    std::string& problem, bool& declined);
    std::optional<std::string_view> ReadWhole(const std::string& path, std::uint64_t size,
                                              FsError& error);

    CliIo& io_;
    HostEnvironment& host_;
    FileSystem& files_;
    std::vector<char> wholeBuffer_;
};

int ToolRun::Split(const ToolArgs& args) {
    if (args.positional.size() != 1) {
        io_.err << "split には分割するファイルを一つ指定してください。\n";
        return kExitNotStarted;
    }
    const auto input = Path(args.positional[0]);
    if (!input)
        return kExitNotStarted;
    std::optional<std::string> target = args.to ? Path(*args.to) : DriveFolderOf(*input);
    if (!target)
        return kExitNotStarted;
    const std::string folder = SplitTargetFolder(*target);
    int status = kExitStopped;
    const auto mask = Mask(args, status);
    if (!mask)
        return status;
    const SplitRequest request{args.split, *mask};

    const auto stat = StatInput(io_, files_, *input);
    if (!stat)
        return kExitStopped;

    // The first pass checks every name and the file's format before anything is written.
    FsError error = FsError::None;
    auto opened = OpenLines(files_, *input, error);
    if (!opened)
        return Stop(io_, FileProblem(error, *input));
    SplitResult plan = PlanSplit(*opened->lines, request);
    if (plan.status == SplitStatus::UnusableName)
        Drain(*opened->lines);
    std::optional<ProgramText> text;
    if (plan.status != SplitStatus::ReadFailed && (stat->size == 0 || opened->lines->SawNul())) {
        text = AskAndReadAsText(io_, files_, *input, error);
        if (!text)
            return Stop(io_, DeclinedText(*input, "分割"));
        if (error != FsError::None) {
            plan.status = SplitStatus::ReadFailed;
        } else {
            ProgramTextSource lines(*text);
            plan = PlanSplit(lines, request);
        }
    }
    opened.reset();
    if (plan.status != SplitStatus::Done)
        return Show(io_, SplitReport(plan, request, FileProblem(FsError::Other, *input)));

    if (SplitFolderNeedsCheck(folder)) {
        const auto folderStat = files_.Stat(folder);
        if (folderStat && !folderStat->isDirectory)
            return Stop(io_, FileProblem(FsError::NotADirectory, folder));
        if (!folderStat) {
            if (!Ask(io_, kSplitFolderQuestion))
                return Stop(io_, "分割を中止しました。ファイルは作成していません。");
            FsError e = FsError::None;
            CreateFolderPath(files_, folder, &e);
            if (!files_.IsDirectory(folder))
                return Stop(io_, FileProblem(e == FsError::None ? FsError::NotFound : e, folder));
        }
    }

    if (text) {
        ProgramTextSource lines(*text);
        return SplitLines(lines, request, folder);
    }
    opened = OpenLines(files_, *input, error);
    if (!opened)
        return Stop(io_, FileProblem(error, *input));
    return SplitLines(*opened->lines, request, folder);
}

int ToolRun::SplitLines(LineSource& lines, const SplitRequest& request, const std::string& folder) {
    auto batch = files_.OpenBatch();
    BatchSplitSink sink(*batch, folder);
    SplitResult result = WriteSplit(lines, request, sink);
    std::string detail;
    if (result.status == SplitStatus::Done) {
        if (const FsError e = batch->Commit(); e != FsError::None) {
            result.status = SplitStatus::WriteFailed;
            detail = FileProblem(e, folder);
        }
    } else if (result.status == SplitStatus::WriteFailed) {
        detail = FileProblem(sink.Error(), sink.Path());
    }
    result.filesWritten = batch->Placed();
    return Show(io_, SplitReport(result, request, detail));
}

std::optional<std::string_view> ToolRun::ReadWhole(const std::string& path, std::uint64_t size,
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

bool ToolRun::AppendFile(const std::string& path, std::uint64_t size, CrLfWriter& out,
                         std::string& problem, bool& declined) {
    FsError error = FsError::None;
    if (size <= kWholeReadLimit) {
        const auto bytes = ReadWhole(path, size, error);
        if (!bytes) {
            problem = FileProblem(error, path);
            return false;
        }
        if (bytes->empty() || std::memchr(bytes->data(), '\0', bytes->size()) != nullptr) {
            if (!Ask(io_, kFormatQuestion)) {
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
        auto text = AskAndReadAsText(io_, files_, path, error);
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
    if (!AppendProgramLines(*opened->lines, out))
        return false;
    if (opened->lines->Failed()) {
        problem = FileProblem(FsError::Other, path);
        return false;
    }
    return true;
}

int ToolRun::Join(const ToolArgs& args) {
    if (args.positional.empty()) {
        io_.err << "join には結合ファイル名と結合するファイルを指定してください。\n";
        return kExitNotStarted;
    }
    if (args.positional.size() < 3) {
        io_.err << kJoinNeedsTwoFilesMessage << "\n";
        return kExitNotStarted;
    }
    const std::string& typed = args.positional[0];
    std::vector<std::string> inputs;
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        const auto path = Path(args.positional[i]);
        if (!path)
            return kExitNotStarted;
        inputs.push_back(*path);
    }
    int status = kExitStopped;
    const auto mask = Mask(args, status);
    if (!mask)
        return status;
    const std::string targetName = JoinTargetName(typed, *mask);
    if (const NameCheck check = CheckFileName(targetName); !check.ok()) {
        io_.err << targetName << ": " << NameProblemText(check) << "\n";
        return kExitNotStarted;
    }
    std::vector<std::uint64_t> sizes;
    for (const auto& input : inputs) {
        const auto stat = StatInput(io_, files_, input);
        if (!stat)
            return kExitStopped;
        sizes.push_back(stat->size);
    }
    const std::string target = JoinDrivePath(DriveFolderOf(inputs.front()), targetName);

    // The question comes first, then the refusal, as in the window.
    if (files_.Exists(target) && !Ask(io_, JoinOverwriteQuestion(target)))
        return Stop(io_, "ファイル結合を中止しました。");
    const auto targetHost = host_.Drives().ToHost(target);
    for (const auto& input : inputs) {
        if (input == target || (targetHost && host_.Drives().ToHost(input) == targetHost))
            return Stop(io_, kJoinTargetIsSourceMessage);
    }

    FsError error = FsError::None;
    auto file = files_.OpenWrite(target, WriteMode::Replace, &error);
    if (!file)
        return Stop(io_, FileProblem(error, target));
    OutputSink sink(*file);
    CrLfWriter out(sink);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        std::string problem;
        bool declined = false;
        if (!AppendFile(inputs[i], sizes[i], out, problem, declined)) {
            if (declined)
                return Stop(io_, DeclinedText(inputs[i], "ファイル結合"));
            if (problem.empty())
                problem = FileProblem(sink.Error(), target);
            return Stop(
                io_, problem + "\nファイル結合を中止しました。" + target + " は作成していません。");
        }
    }
    if (!out.Flush())
        error = sink.Error();
    if (error == FsError::None)
        error = file->Commit();
    if (error != FsError::None) {
        return Stop(io_, FileProblem(error, target) + "\nファイル結合を中止しました。" + target +
                             " は作成していません。");
    }
    io_.out << kJoinDoneMessage << "\n";
    return kExitCompleted;
}

// Converts into a new output file; saves it only when every line converted. sawNul tells the
// caller that the input held a NUL byte (the result is then not saved either).
int ToolRun::DoubleLines(LineSource& lines, char axis, const std::string& outPath,
                         const std::string& outName, StreamLineSource* stream, bool& sawNul) {
    FsError error = FsError::None;
    auto file = files_.OpenWrite(outPath, WriteMode::Replace, &error);
    if (!file) {
        DoubleResult failed;
        failed.status = DoubleStatus::WriteFailed;
        return Show(io_, DoubleReport(failed, axis, outName, FileProblem(error, outPath)));
    }
    OutputSink sink(*file);
    CrLfWriter out(sink);
    DoubleResult result = DoubleAxisValues(lines, axis, out);
    if (stream != nullptr) {
        if (result.status != DoubleStatus::ReadFailed)
            Drain(*stream);
        if (stream->SawNul()) {
            sawNul = true;
            return kExitStopped;  // the file is dropped unsaved; the caller asks
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
    return Show(io_, DoubleReport(result, axis, outName, detail));
}

int ToolRun::Double(const ToolArgs& args) {
    if (args.positional.size() != 2) {
        io_.err << "double には軸と変換するファイルを指定してください。\n";
        return kExitNotStarted;
    }
    const std::string& letter = args.positional[0];
    const auto axis = letter.size() == 1 ? AxisOfLetter(letter[0]) : std::nullopt;
    if (!axis) {
        io_.err << kAxisRefusedMessage << "軸は " << kAxisLetters << " のどれか一文字です。\n";
        return kExitNotStarted;
    }
    const auto input = Path(args.positional[1]);
    if (!input)
        return kExitNotStarted;
    int status = kExitStopped;
    const auto mask = Mask(args, status);
    if (!mask)
        return status;
    const std::string outName = DoubleTargetName(DriveFileNameOf(*input), *mask);
    if (const NameCheck check = CheckFileName(outName); !check.ok())
        return Stop(io_, outName + ": " + NameProblemText(check));
    const std::string outPath = JoinDrivePath(DriveFolderOf(*input), outName);

    const auto stat = StatInput(io_, files_, *input);
    if (!stat)
        return kExitStopped;
    bool suspicious = stat->size == 0;
    if (!suspicious) {
        FsError error = FsError::None;
        auto opened = OpenLines(files_, *input, error);
        if (!opened)
            return Stop(io_, FileProblem(error, *input));
        const int result =
            DoubleLines(*opened->lines, *axis, outPath, outName, opened->lines.get(), suspicious);
        if (!suspicious)
            return result;
    }
    FsError error = FsError::None;
    const auto text = AskAndReadAsText(io_, files_, *input, error);
    if (!text)
        return Stop(io_, DeclinedText(*input, "変換"));
    if (error != FsError::None) {
        DoubleResult failed;
        failed.status = DoubleStatus::ReadFailed;
        return Show(io_, DoubleReport(failed, *axis, outName, FileProblem(error, *input)));
    }
    ProgramTextSource lines(*text);
    bool unused = false;
    return DoubleLines(lines, *axis, outPath, outName, nullptr, unused);
}

}  // namespace

bool IsToolCommand(std::string_view word) {
    return word == "split" || word == "join" || word == "double";
}

std::string ToolsUsage() {
    return "NC プログラムツール:\n"
           "  kelvantori-cli split FILE [--to FOLDER] [--front-percent] [--back-percent]\n"
           "                 [--numbered] [--mask M]\n"
           "      FILE をプログラム番号（O, :, L で始まる行）ごとのファイルに分割します。\n"
           "      ファイル名は開始行の最初の「(」の前まで（先頭の「:」は「O」）+ マスクの拡張子。\n"
           "      --to FOLDER       保存先フォルダー（省略時は FILE のフォルダー）。無ければ作成を"
           "確認します。\n"
           "      --front-percent   各ファイルの先頭に「%」行を付けます。\n"
           "      --back-percent    各ファイルの末尾に「%」行を付けます。\n"
           "      --numbered        ファイル名に連番 _001, _002, ... を付けます。\n"
           "      "
           "同名のファイルは確認なしで上書きします。全ファイルを書き終えてから置き換えるため、\n"
           "      途中で止まったときは何も変わりません。\n"
           "  kelvantori-cli join NAME FILE FILE... [--mask M]\n"
           "      FILE を指定順にそのまま連結し、最初の FILE のフォルダーに NAME を作成します。\n"
           "      NAME がマスクの拡張子を含まなければ拡張子を付けます（ALL -> ALL.NC）。\n"
           "      既にあれば上書きを確認します。結合するファイルと同じ名前は使えません。\n"
           "  kelvantori-cli double AXIS FILE [--mask M]\n"
           "      各行で最初の AXIS 語（X Y Z I J K U V W）の値を２倍にし、\n"
           "      （AXIS は小文字でも指定できますが、プログラム中の小文字 x などは変換しません）\n"
           "      FILE のフォルダーに「名前_2 + マスクの拡張子」（A.NC -> A_2.NC）で保存します。\n"
           "      小数桁数はそのまま（X10.5 -> "
           "X21.0）。数値として読めない値があれば何も保存しません"
           "。\n"
           "      出力ファイルは確認なしで上書きします。\n"
           "  共通:\n"
           "      FILE と FOLDER はドライブパス（C:\\NC\\A.NC）またはこのコンピューターのパス\n"
           "      （/home/ann/nc/A.NC、相対パスは現在のフォルダーから）で指定します。\n"
           "      --mask M   拡張子を決めるファイルマスク（省略時は設定のマスク、通常 *.NC）。\n"
           "      ファイル形式の確認などの質問には標準入力から y または yes で「はい」と答えます"
           "\n"
           "      （それ以外や入力の終わりは「いいえ」）。\n"
           "      終了コード: 0 完了、1 エラー・中止・対象なし、2 コマンドの誤り。\n";
}

int RunToolCommand(const std::vector<std::string>& args, CliIo& io) {
    if (args.empty() || !IsToolCommand(args[0])) {
        io.err << ToolsUsage();
        return kExitNotStarted;
    }
    UsageError error;
    const auto parsed = ParseToolArgs(args, args[0] == "split", error);
    if (!parsed) {
        io.err << error.text << "\n" << ToolsUsage();
        return kExitNotStarted;
    }
    HostEnvironment host = HostEnvironment::Open(kSettingsBaseName);
    ToolRun run(io, host);
    if (args[0] == "split")
        return run.Split(*parsed);
    if (args[0] == "join")
        return run.Join(*parsed);
    return run.Double(*parsed);
}

}  // namespace kelvantori
