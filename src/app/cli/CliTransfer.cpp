// kelvantori-cli ITEM...: the command line of the window program read by the same rules, then the
// ordered send and receive run in the terminal with the settings of the program folder. The
// settings are never saved: the items order this run only.
#include "app/cli/CliTransfer.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <thread>

#include "app/cli/Interrupt.h"
#include "app/cli/LineReader.h"
#include "app/cli/TerminalHost.h"
#include "app/cli/TerminalText.h"
#include "comm/RescueFile.h"
#include "comm/TransferLog.h"
#include "comm/TransferOrder.h"
#include "core/DrivePath.h"
#include "files/FileOperations.h"
#include "files/ProgramLoader.h"
#include "platform/HostEnvironment.h"
#include "platform/LocalTime.h"
#include "platform/SerialPort.h"

namespace kelvantori {

namespace {

constexpr std::string_view kBaseName = "kelvantori";
constexpr const char* kMoreHelp = "kelvantori-cli --help で使い方を表示します。";

std::size_t TerminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

std::string HostPathOf(FileSystem& files, const std::string& drivePath) {
    return files.Drives().ToHost(drivePath).value_or(std::string());
}

std::string PortDescription(const HostConfig& config, const Settings& settings) {
    const std::string device = config.DeviceOf(settings.Port);
    return settings.Port + (device.empty() ? "" : " (" + device + ")") + " " + settings.Speed;
}

void ShowSetup(HostEnvironment& env, const Settings& settings, std::ostream& out) {
    const ProgramFolder& folder = env.Folder();
    const std::string hostIni = folder.HostFile(kHostIniName);
    out << "プログラムフォルダ: " << Printable(folder.HostPath()) << "\n";
    out << "設定ファイル: " << Printable(folder.HostFile(folder.MainIniName())) << "\n";
    out << "ログ: " << Printable(folder.HostFile(folder.LogName())) << "\n";
    const bool hostIniThere = env.Files().Exists(env.ProgramFilePath(kHostIniName));
    out << "Host.ini: " << Printable(hostIni) << (hostIniThere ? "" : " (まだありません)") << "\n";
    out << "ドライブ:\n";
    for (const char letter : env.Drives().Letters()) {
        out << "  " << letter << ": = " << Printable(env.Drives().FolderOf(letter).value_or(""))
            << "\n";
    }
    out << "ポート:\n";
    for (const ConfiguredPort& port : ConfiguredPorts(env.Config())) {
        const std::string summary = PortAddressSummary(port.address);
        out << "  " << port.name << " = " << Printable(port.address.text)
            << (summary.empty() ? "" : "  (" + summary + ")") << "\n";
    }
    out << "  (割り当てのない COMn は /dev/ttyS(n-1))\n";
    out << "設定: Port=" << Printable(settings.Port) << " ("
        << Printable(env.Config().DeviceOf(settings.Port))
        << ")  Speed=" << Printable(settings.Speed)
        << "  Code=" << (settings.Code == "Y" ? "EIA" : "ISO")
        << "  Signal=" << Printable(settings.Signal) << "\n";
    out << "データフォルダ: " << Printable(settings.DirPath) << " ("
        << Printable(HostPathOf(env.Files(), settings.DirPath))
        << ")  Mask=" << Printable(settings.Mask) << "\n";
}

// The terminal around each transfer: a first line saying what goes where, and the progress
// line from the start of the engine to its end.
class TerminalSteps : public TransferOrderSteps {
  public:
    TerminalSteps(CliIo& io, TerminalHost& host, InterruptState& interrupts,
                  const TransferOrder& order, std::string port, std::string dirPath)
        : io_(io),
          host_(host),
          interrupts_(interrupts),
          order_(order),
          port_(std::move(port)),
          dirPath_(std::move(dirPath)) {}

    void Starting(TransferKind kind) override {
        if (kind == TransferKind::Send) {
            io_.err << "送信 " << Printable(order_.SendPath) << " → " << Printable(port_) << "\n";
            host_.BeginTransfer(TransferDirection::Send);
            return;
        }
        const bool named = order_.receiveJob.mode == ReceiveMode::Named;
        io_.err << "受信 " << Printable(port_) << " → "
                << Printable(named ? order_.receiveJob.TransferPath
                                   : dirPath_ + " (プログラム番号ごと)")
                << "\n";
        host_.BeginTransfer(TransferDirection::Receive);
    }
    void Finished(TransferKind, TransferResult) override { host_.FinishTransfer(); }
    // After a termination signal nothing more starts.
    bool Proceed(TransferKind) override { return interrupts_.TerminatedBy() == 0; }

  private:
    CliIo& io_;
    TerminalHost& host_;
    InterruptState& interrupts_;
    const TransferOrder& order_;
    std::string port_;
    std::string dirPath_;
};

}  // namespace

TransferArguments ParseTransferArguments(const std::vector<std::string>& args) {
    TransferArguments parsed;
    for (const std::string& arg : args) {
        if (arg.rfind("--", 0) != 0 && arg != "-h") {
            parsed.items.push_back(arg);
        } else if (arg == "--receive-programs") {
            parsed.receivePrograms = true;
        } else if (arg == "--show-setup") {
            parsed.showSetup = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else {
            parsed.unknownOptions.push_back(arg);
        }
    }
    return parsed;
}

std::vector<std::string> UnrecognisedItems(const std::vector<std::string>& args,
                                           const Settings& settings,
                                           const CommandLineEnvironment& env) {
    // An item is recognised when it changes the run's state. Every field an item can set starts
    // from a value no item produces, so that an item that sets the value already stored (COM1
    // when the port is COM1) still counts. The probe asks, shows and copies nothing.
    constexpr const char* kUnset = "\x01";
    CommandLineEnvironment probeEnv;
    probeEnv.IsDirectoryPath = env.IsDirectoryPath;
    std::vector<std::string> unrecognised;
    for (const std::string& item : SplitCommandLine(args)) {
        if (item.empty())
            continue;
        Settings probe = settings;
        probe.Port = probe.Mask = probe.Speed = probe.DirPath = kUnset;
        const Settings before = probe;
        CommandLineState state;
        ProcessArgument(item, probe, state, probeEnv);
        if (probe == before && state == CommandLineState{})
            unrecognised.push_back(item);
    }
    return unrecognised;
}

std::vector<std::string> ReceiveItemsWithoutAFile(
    const std::vector<std::string>& args, const Settings& settings,
    const CommandLineEnvironment& env,
    const std::function<bool(const std::string& drivePath)>& isFolder) {
    // The items run in order on a copy of the settings, as the folder and S= items before an
    // R= item decide the folder its name is taken in.
    CommandLineEnvironment probeEnv;
    probeEnv.IsDirectoryPath = env.IsDirectoryPath;
    Settings probe = settings;
    std::vector<std::string> refused;
    for (const std::string& item : SplitCommandLine(args)) {
        CommandLineState state;
        ProcessArgument(item, probe, state, probeEnv);
        if (state.ReceivePath.empty())
            continue;
        if (DriveFileNameOf(state.ReceivePath).empty() || isFolder(state.ReceivePath))
            refused.push_back(item);
    }
    return refused;
}

std::vector<std::string> WithDrivePaths(const std::vector<std::string>& items,
                                        const DriveMap& drives) {
    if (items.empty() || items.front().rfind('/', 0) == 0)
        return items;
    std::vector<std::string> converted;
    for (const std::string& item : items) {
        const std::string key = AsciiUpper(item.substr(0, 2));
        if ((key == "S=" || key == "R=") && item.size() > 3 && item[2] == '/') {
            if (const auto drive = drives.ToDrive(item.substr(2))) {
                converted.push_back(item.substr(0, 2) + *drive);
                continue;
            }
        }
        converted.push_back(item);
    }
    return converted;
}

int RunTransferCommand(const std::vector<std::string>& args, CliIo& io,
                       const SerialPortFactory& makePort, Clock& clock) {
    TransferArguments parsed = ParseTransferArguments(args);
    if (!parsed.unknownOptions.empty()) {
        for (const auto& option : parsed.unknownOptions)
            io.err << "不明なオプションです: " << Printable(option) << "\n";
        io.err << kMoreHelp << "\n";
        return kExitNotStarted;
    }
    if (parsed.help) {
        io.out << TransferUsage();
        return kExitCompleted;
    }

    HostEnvironment env = HostEnvironment::Open(kBaseName);
    FileSystem& files = env.Files();
    Settings settings = env.LoadSettings();
    parsed.items = WithDrivePaths(parsed.items, env.Drives());
    if (parsed.showSetup) {
        ShowSetup(env, settings, io.out);
        return kExitCompleted;
    }

    InterruptState& interrupts = ProcessInterrupts();
    const ScopedInterruptHandler interruptHandler;
    // A press left from an earlier run in this process is no press of this one.
    interrupts.Reset();
    std::unique_ptr<LineReader> reader;
    if (&io.in == &std::cin) {
        reader = std::make_unique<DescriptorLineReader>(STDIN_FILENO, interrupts);
    } else {
        reader = std::make_unique<StreamLineReader>(io.in);
    }
    TerminalHost::Places places;
    places.files = &files;
    places.rescueFolders = RescueFolders(env);
    places.now = LocalNow;
    TerminalHost host(io, *reader, interrupts, clock, places);
    if (io.errIsTerminal)
        host.SetColumns(TerminalColumns);

    CommandLineEnvironment commandEnv = CommandLineFiles(files);
    commandEnv.AskYesNo = [&host](const std::string& text) { return host.AskYesNo(text); };
    commandEnv.ShowError = [&host](const std::string& text) { host.ShowError(text); };

    // A mistyped item would be ignored by the window; a script is better told before anything
    // is asked, copied or started.
    if (const auto unknown = UnrecognisedItems(parsed.items, settings, commandEnv);
        !unknown.empty()) {
        for (const auto& item : unknown)
            io.err << "不明な項目です: " << Printable(item) << "\n";
        io.err << kMoreHelp << "\n";
        return kExitNotStarted;
    }

    const auto isFolder = [&files](const std::string& path) { return files.IsDirectory(path); };
    if (const auto refused = ReceiveItemsWithoutAFile(parsed.items, settings, commandEnv, isFolder);
        !refused.empty()) {
        for (const auto& item : refused)
            io.err << "受信するファイルの名前がありません (空かフォルダーです): " << Printable(item)
                   << "\n";
        io.err << kMoreHelp << "\n";
        return kExitNotStarted;
    }

    CommandLineState state;
    ProcessCommandLine(parsed.items, settings, state, commandEnv);
    const TransferOrder order = MakeTransferOrder(state, parsed.receivePrograms);
    // With an S= file missing or an R= file not to be overwritten the order is not what was
    // meant: nothing of it runs.
    if (order.sendRefused || order.receiveRefused)
        return kExitNotStarted;
    if (!order.Any()) {
        io.err << "転送の指示がありません (S=ファイル、R=ファイル、--receive-programs)。\n"
               << kMoreHelp << "\n";
        return kExitNotStarted;
    }

    // The data folder must exist before anything is saved in it, as at the window's first display.
    CheckDataFolder(
        files, settings, [&host](const std::string& text) { return host.AskYesNo(text); },
        [&host](const std::string& text) { host.ShowError(text); });
    const std::string device = env.Config().DeviceOf(settings.Port);
    host.SetErrorHint(settings.Port + "のポートが開きません",
                      "  " + settings.Port + " = " + (device.empty() ? "?" : device) + "  (" +
                          env.Folder().HostFile(kHostIniName) + " の [Ports])");

    const std::unique_ptr<SerialPort> port = makePort(env.Config());
    FileTransferLog log(files, env.ProgramFilePath(env.Folder().LogName()), LocalNow);
    // A termination signal while the order was being prepared (a question, an import) ends the
    // program before anything starts.
    if (const int signalNumber = interrupts.TerminatedBy())
        return kExitSignalled + signalNumber;
    TerminalSteps steps(io, host, interrupts, order, PortDescription(env.Config(), settings),
                        settings.DirPath);
    const TransferOrderResult result = RunTransferOrder(
        order, settings, *port, host, log, files,
        [&](const std::string& path) {
            return LoadFileIntoView(files, path,
                                    [&host](const std::string& q) { return host.AskYesNo(q); });
        },
        &steps);
    // What was saved, for a script to pick up.
    if (result.receive) {
        for (const std::string& saved : result.savedFiles) {
            const std::string hostPath = HostPathOf(files, saved);
            // Exactly as named for a script; shown, not sent, to a terminal.
            const std::string& path = hostPath.empty() ? saved : hostPath;
            io.out << (io.outIsTerminal ? Printable(path) : path) << "\n";
        }
        io.out << std::flush;
    }
    if (log.LastError() != FsError::None) {
        io.err << "ログを書けませんでした: " << FsErrorMessage(log.LastError()) << "\n"
               << Printable(env.Folder().HostFile(env.Folder().LogName())) << "\n";
    }
    // Terminated: the status a shell gives a program ended by the signal, now that the transfer
    // has been wound up.
    if (const int signalNumber = interrupts.TerminatedBy())
        return kExitSignalled + signalNumber;
    return result.AllCompleted() ? kExitCompleted : kExitStopped;
}

std::string TransferUsage() {
    return R"(使い方: kelvantori-cli [オプション] 項目...

ウィンドウ版 kelvantori のコマンドラインと同じ項目で、送信と受信を端末から行います。
送信と受信の両方があれば送信が先です。設定はウィンドウ版と同じプログラムフォルダの
kelvantori.INI から読み、項目で変えたものは保存しません。転送の記録はウィンドウ版と同じ
kelvantori.log に書きます。

項目 (パスはドライブパス C:\NC\O1234.NC。ドライブの割り当ては下の Host.ini の [Drives]。
シェルでは "\" を含む項目を '...' で囲みます):
  S=ファイル        このファイルを送信する。"\" の無い名前はデータフォルダのファイル。
                    データフォルダとマスクはそのファイルに合わせる
  R=ファイル        受信してこのファイルに保存する。既にあるときは上書きするか聞く
                    (S= と R= のファイルは /home/ann/nc/O1234.NC のような絶対パスでもよい)
  COMn              ポート (COM1〜COM30)
  速度,データビット,パリティ,ストップビット
                    通信設定 (例 4800,7,E,2。速度は 1200 2400 4800 9600 14400 19200)
  D:\NCDATA         データフォルダ ("|" は空白の代わり。D: だけでもよい)
  *.NC              ファイルマスク
  'E:\USB\A.NC'     このファイルをデータフォルダにコピーする (取り込み)
  END               受け付けるが何もしない (ウィンドウ版では転送の後に終了する)
  最初の引数が "/" で始まるときは全体を "/" で区切って項目にする (/S=A.NC /COM2)。
  どれにも当たらない項目は誤りとして何もしない。

オプション ("--" で始まり、項目の前にも後にも書ける。項目は "--" で始まらない):
  --receive-programs  受信をプログラム番号ごとのファイルに保存する (O1234 → O1234_001.NC
                      など。番号の付け方は設定 Add_No、拡張子は Mask)。R= 項目があるときは
                      R= のファイルに保存し、無いときはデータフォルダに保存する
  --show-setup        プログラムフォルダ、ドライブとポートの割り当て、通信設定を表示する
  --help              この説明を表示する

転送:
  設定 Signal が Y (既定) なら装置からの DC1 か "%" を待って送信を始め、N なら開始して
  よいか聞きます。受信は "%" か DC4 で終わります。進み具合は標準エラー出力に1行で表示
  します (端末では同じ行を書き直し、ファイルには状態が変わるごとに1行)。
  質問には標準入力で答えます: y か yes が「はい」、それ以外と入力の終わりは「いいえ」。
  Ctrl-C は転送の中止 (ウィンドウ版の F3/Esc) です。送信は DC4 を送って止まり、ログに
  中止と書きます。転送していないときの Ctrl-C は次の転送を始めてすぐに止め、もう一度
  押すとプログラムが終わります。SIGTERM、SIGHUP、SIGQUIT も同じように転送を中止し、
  その後プログラムが終わります (終了コード 128 + シグナル番号)。
  回線が切れたとき (USB シリアル変換器が外れたなど) は転送をすぐに中止します。
  受信で保存したファイルのパスを標準出力に1行ずつ書きます。保存できなかった受信データと、
  op5 が N のときに中止した受信のデータは、プログラムフォルダの RESCUE_日付-時刻_名前 に
  書き出し、その場所を表示してログにも書きます。

プログラムフォルダ (設定、ログ、Host.ini の置き場所):
  環境変数 KELVANTORI_HOME があればそのフォルダ、なければ実行ファイルのフォルダ (書き込める
  とき)、それもだめなら $XDG_CONFIG_HOME/kelvantori (~/.config/kelvantori)。
  kelvantori-cli --show-setup で確かめられます。

Host.ini (プログラムフォルダの中、UTF-8):
  [Ports]
  COM1=/dev/ttyUSB0
  COM3=/dev/serial/by-id/usb-FTDI_...
  COM5=rfc2217://10.0.0.21:4001     (シリアルデバイスサーバ: RFC 2217)
  COM6=tcp://10.0.0.22:4001         (シリアルデバイスサーバ: raw TCP)
  [Drives]
  C=/home/ann
  D=/srv/ncdata
  割り当てのない COMn は /dev/ttyS(n-1)。ドライブは C: がホームフォルダ、Z: が / で、
  /media などにつないだメディアが D: から順に付きます。[Drives] の指定が優先です。

終了コード:
  0  指示したすべての転送が完了した
  1  転送が中止された、または失敗した
  2  何も始められなかった (項目やオプションの誤り、S= のファイルが無い、R= の上書きを
     しなかった、R= にファイル名が無い、転送の指示が無い)
  128 + n  シグナル n (SIGTERM なら 143) で転送を中止して終わった

実機 (USB シリアル変換 /dev/ttyUSB0) にプログラムを送る手順:
  1. デバイスを開く権限: sudo usermod -aG dialout $USER の後、ログインし直す
  2. プログラムフォルダを確かめる: kelvantori-cli --show-setup
  3. そのフォルダの Host.ini に書く:
       [Ports]
       COM1=/dev/ttyUSB0
       [Drives]
       D=/home/ann/nc
  4. 装置の通信設定 (速度、データビット、パリティ、ストップビット) を確かめ、同じ値を
     通信設定の項目に書く。装置を読み込み待ちにしてから送る:
       kelvantori-cli D: S=O1234.NC COM1 4800,7,E,2
     (/home/ann/nc/O1234.NC を送る。'S=D:\O1234.NC' と書いてもよい)
     Signal が Y なら装置の DC1 で始まり、N なら y を入力すると始まる。止めるには Ctrl-C
  5. 結果は画面の最後の行と kelvantori.log に残る
)";
}

}  // namespace kelvantori
