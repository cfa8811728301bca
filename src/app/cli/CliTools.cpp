// kelvantori-cli split|join|double: the NC program tools of the window, run on files named on
// the command line. The tools themselves are the window's (files/SplitTool, JoinTool,
// DoubleTool); here are the command line, the terminal's questions and the exit codes.
#include "app/cli/CliTools.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <system_error>

#include "app/cli/TerminalText.h"
#include "core/DoubleAxis.h"
#include "core/DrivePath.h"
#include "core/JoinFiles.h"
#include "core/SplitPrograms.h"
#include "core/ToolFileNames.h"
#include "files/DoubleTool.h"
#include "files/JoinTool.h"
#include "files/SplitTool.h"
#include "platform/HostEnvironment.h"

namespace kelvantori {

namespace {

// The settings (the file mask) are those of the window program's own program folder.
constexpr std::string_view kSettingsBaseName = "kelvantori";

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
    io.out << Printable(question) << " [y/N] " << std::flush;
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

// The questions of the tools on the terminal; the tools run to their end (Ctrl-C ends the
// program as it does any command).
class TerminalToolHost : public ToolHost {
  public:
    explicit TerminalToolHost(CliIo& io) : io_(io) {}
    bool AskYesNo(const std::string& text) override { return Ask(io_, text); }
    bool Progress(const ToolProgress&) override { return true; }

  private:
    CliIo& io_;
};

// Prints what the tool tells the user: a completion on stdout, anything else on stderr.
int Show(CliIo& io, const ToolResult& result, int failedStatus = kExitStopped) {
    if (result.report.icon == ReportIcon::Information) {
        io.out << Printable(result.report.text) << "\n";
        return kExitCompleted;
    }
    io.err << Printable(result.report.text) << "\n";
    return failedStatus;
}

class ToolRun {
  public:
    ToolRun(CliIo& io, HostEnvironment& host)
        : io_(io), host_(host), files_(host.Files()), toolHost_(io) {}

    int Split(const ToolArgs& args);
    int Join(const ToolArgs& args);
    int Double(const ToolArgs& args);

  private:
    std::optional<std::string> Path(std::string_view arg) {
        UsageError error;
        auto path = ToDrivePath(arg, host_.Drives(), error);
        if (!path)
            io_.err << Printable(error.text) << "\n";
        return path;
    }

    // The mask of --mask, else the file list's mask from the settings.
    std::string Mask(const ToolArgs& args) {
        return args.mask ? *args.mask : host_.LoadSettings().Mask;
    }
    // A mask that gives no extension is a mistyped command line when it came with --mask, and an
    // error of the settings otherwise.
    static int MaskStatus(const ToolArgs& args) {
        return args.mask ? kExitNotStarted : kExitStopped;
    }

    CliIo& io_;
    HostEnvironment& host_;
    FileSystem& files_;
    TerminalToolHost toolHost_;
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
    SplitJob job;
    job.input = *input;
    job.targetFolder = *target;
    job.request = SplitRequest{args.split, Mask(args)};
    const ToolResult result = RunSplit(files_, job, toolHost_);
    return Show(io_, result,
                result.status == ToolStatus::UnusableMask ? MaskStatus(args) : kExitStopped);
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
    JoinJob job;
    job.typedName = args.positional[0];
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        const auto path = Path(args.positional[i]);
        if (!path)
            return kExitNotStarted;
        job.sources.push_back(*path);
    }
    job.mask = Mask(args);
    const ToolResult result = RunJoin(files_, job, toolHost_);
    // The target's name is the command line's.
    const int refused = result.status == ToolStatus::UnusableMask   ? MaskStatus(args)
                        : result.status == ToolStatus::UnusableName ? kExitNotStarted
                                                                    : kExitStopped;
    return Show(io_, result, refused);
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
    const std::string mask = Mask(args);
    if (!IsUsableMaskExtension(mask)) {
        io_.err << Printable(UnusableMaskMessage(mask)) << "\n";
        return MaskStatus(args);
    }
    DoubleJob job;
    job.input = *input;
    job.axis = *axis;
    job.outputName = DoubleTargetName(DriveFileNameOf(*input), mask);
    return Show(io_, RunDouble(files_, job, toolHost_));
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
        io.err << Printable(error.text) << "\n" << ToolsUsage();
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
