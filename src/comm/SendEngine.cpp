// The send engine.
#include "comm/SendEngine.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string_view>

#include "comm/LineIo.h"
#include "comm/RemainingTime.h"
#include "core/DrivePath.h"
#include "core/LineSetting.h"
#include "core/TapeCode.h"
#include "core/TextCodec.h"

namespace kelvantori {

namespace {

using std::chrono::milliseconds;

constexpr const char* kWaitingText = "送信待機中(信号待ち)";
constexpr const char* kSendingText = "＜＜ 送信中 ＞＞";
constexpr const char* kCompletedState = "送信完了しました。";
constexpr const char* kCompletedResult = "送信完了しました。!!";
constexpr const char* kStoppedState = "送信中止しました。";
constexpr const char* kStoppedResult = "送信中止しました。!!";
constexpr const char* kNamePrefix = "送信名 ";
constexpr const char* kConfirmText =
    "ＮＣ装置側の準備を行ってください。\n準備が出来ましたら「はい(Y)」を\n押すと送信が開始します。";

constexpr int kLeaderSpaces = 200;
constexpr milliseconds kLeaderPause{1000};
// Some controls need a moment after a program end or sub-program return.
constexpr milliseconds kProgramEndPause{5};
constexpr milliseconds kDrainWait{4000};
constexpr milliseconds kRestoreAfterCompletion{3000};
constexpr milliseconds kRestoreAfterStop{1000};
constexpr std::string_view kProgramEndWords[] = {"M99", "M02", "M2", "M30"};

bool HoldsProgramEnd(std::string_view line) {
    return std::any_of(std::begin(kProgramEndWords), std::end(kProgramEndWords),
                       [&](std::string_view word) { return line.find(word) != line.npos; });
}

// A SendMsg1 occurrence becomes at most this many spaces, however long the text is.
constexpr std::size_t kMostBlanks = 29;

// Every occurrence of word replaced by as many spaces as it has bytes (at most 29).
std::string BlankOut(std::string_view line, std::string_view word) {
    const std::size_t blanks = std::min(word.size(), kMostBlanks);
    std::string out(line);
    for (std::size_t at = out.find(word); at != std::string::npos;
         at = out.find(word, at + blanks)) {
        out.replace(at, word.size(), blanks, ' ');
    }
    return out;
}

}  // namespace

class SendEngine::Impl {
  public:
    Impl(SerialPort& port, TransferHost& host, TransferLog& log, SendOptions options)
        : port_(port), host_(host), log_(log), options_(options) {}

    TransferResult SendFile(const Settings& settings, SendJob& job);

  private:
    TransferResult Run(LineIo& io, const Settings& settings, SendJob& job);
    bool WaitForStart(LineIo& io, const Settings& settings);
    bool SendText(LineIo& io, std::string_view text);
    bool SendLines(LineIo& io, const Settings& settings, const ProgramText& program);
    void BeginFile(std::uint64_t size);
    void EndFile();
    TransferResult Complete(LineIo& io, const Settings& settings, const SendJob& job);
    TransferResult Stop(LineIo& io, bool sendDc4);
    TransferResult Abandon(LineIo& io);
    void StopTexts();
    std::string CurrentPath() const { return JoinDrivePath(dirPath_, name_); }

    SerialPort& port_;
    TransferHost& host_;
    TransferLog& log_;
    SendOptions options_;
    RemainingTime estimate_;
    std::string dirPath_;
    std::string name_;
    // The completion of the file being sent has been logged already.
    bool currentLogged_ = false;
};

SendEngine::SendEngine(SerialPort& port, TransferHost& host, TransferLog& log, SendOptions options)
    : impl_(std::make_unique<Impl>(port, host, log, options)) {}

SendEngine::~SendEngine() = default;

TransferResult SendEngine::SendFile(const Settings& settings, SendJob& job) {
    return impl_->SendFile(settings, job);
}

TransferResult SendEngine::Impl::SendFile(const Settings& settings, SendJob& job) {
    dirPath_ = job.DirPath;
    name_ = job.TransferName;
    currentLogged_ = false;
    estimate_.Stop();
    estimate_.Reset(static_cast<std::int64_t>(job.program.size));
    LineIo io(port_, host_, settings, TransferMode::Send, options_);
    io.SetEstimate(&estimate_);
    try {
        return Run(io, settings, job);
    } catch (const std::exception&) {
        return Abandon(io);
    }
}

TransferResult SendEngine::Impl::Run(LineIo& io, const Settings& settings, SendJob& job) {
    if (!io.Open())
        return Stop(io, io.PortReady());
    if (job.program.text.lines.empty())
        return Stop(io, true);

    if (DataBitDigit(settings.Speed) == '8') {
        io.code.EiaMode = settings.Code == "Y";
        io.code.IsoMode = !io.code.EiaMode;
    } else {
        io.code.EiaMode = true;
        io.code.IsoMode = true;
    }
    host_.SetStatus(StatusPanel::Name, kNamePrefix + name_);
    host_.SetRemaining(RemainingBytesText(estimate_.TotalBytes));
    io.AbortRequested = false;

    if (!WaitForStart(io, settings))
        return Stop(io, true);

    host_.SetStatus(StatusPanel::State, kSendingText);
    BeginFile(job.program.size);

    if (settings.Send_Before == 1) {
        for (int i = 0; i < kLeaderSpaces; ++i) {
            if (!io.SendChar(' '))
                return Stop(io, true);
        }
    } else if (settings.Send_Before == 2) {
        host_.Wait(kLeaderPause);
    }
    if (!SendText(io, StartSequence(settings.StartChar, settings.StartChar_Type))) {
        return Stop(io, true);
    }
    if (!SendLines(io, settings, job.program.text))
        return Stop(io, true);
    EndFile();

    for (const std::string& next : job.nextFiles) {
        if (!currentLogged_) {
            log_.Write(TransferKind::Send, TransferState::Completed, CurrentPath());
            currentLogged_ = true;
        }
        const auto program = std::make_shared<const LoadedProgram>(job.loadFile ? job.loadFile(next)
                                                                                : LoadedProgram{});
        if (program->text.lines.empty()) {
            // Nothing of it goes out (unreadable, or its format refused): the log says so
            // instead of naming it in a completion.
            log_.Write(TransferKind::Send, TransferState::Stopped, JoinDrivePath(dirPath_, next));
            continue;
        }
        name_ = next;
        currentLogged_ = false;
        host_.ShowProgram(name_, program);
        host_.SetStatus(StatusPanel::Name, kNamePrefix + name_);
        estimate_.Reset(static_cast<std::int64_t>(program->size));
        host_.SetRemaining(RemainingBytesText(estimate_.TotalBytes));
        BeginFile(program->size);
        if (!SendLines(io, settings, program->text))
            return Stop(io, true);
        EndFile();
    }

    if (!SendText(io, EndSequence(settings.EndChar, settings.EndChar_Type)))
        return Stop(io, true);
    return Complete(io, settings, job);
}

bool SendEngine::Impl::WaitForStart(LineIo& io, const Settings& settings) {
    if (settings.Signal == "Y") {
        host_.SetStatus(StatusPanel::State, kWaitingText);
        const bool op2 = settings.op2 == "Y";
        // Blocking reads of the line: the wait costs nothing while the machine is silent, and
        // there is no time limit.
        for (;;) {
            if (io.Cancelled())
                return false;
            const std::uint8_t c = io.ReadLineByte(kSendReadSlice);
            if (io.LineLost() || io.Cancelled())
                return false;
            host_.ProcessEvents();
            if (c == kDC1 || c == '%') {
                host_.SetStatus(StatusPanel::State, kSendingText);
                // The first character makes an XON check.
                io.SentSinceCheck = 999;
                io.XonState = true;
                io.SignalSeen = true;
                return true;
            }
            if (op2 && (c == kDC3 || c == kDC4))
                return false;
            io.PollModem();
        }
    }
    io.XonState = true;
    io.SignalSeen = true;
    io.PollModem();
    if (!host_.AskYesNo(kConfirmText))
        return false;
    host_.SetStatus(StatusPanel::Name, kNamePrefix + name_);
    return true;
}

bool SendEngine::Impl::SendText(LineIo& io, std::string_view text) {
    for (const char ch : text) {
        if (!io.SendChar(static_cast<std::uint8_t>(ch)))
            return false;
    }
    return true;
}

void SendEngine::Impl::BeginFile(std::uint64_t size) {
    estimate_.TotalBytes = static_cast<std::int64_t>(size);
    estimate_.SentBytes = 0;
    host_.SetProgress(0, estimate_.TotalBytes);
    estimate_.Start(host_.Now());
}

void SendEngine::Impl::EndFile() {
    estimate_.Stop();
    host_.SetRemaining(RemainingBytesText(0));
}

bool SendEngine::Impl::SendLines(LineIo& io, const Settings& settings, const ProgramText& program) {
    // The program's lines are CP932 bytes: the text is looked for in that form, and its length
    // is counted in it (a kanji is two characters, as the program's code page holds it). A text
    // CP932 cannot hold occurs in no line.
    const std::string blanked =
        IsCp932Representable(settings.SendMsg1) ? Utf8ToCp932(settings.SendMsg1) : std::string();
    const bool messagesToo = settings.MSG_OP == "Y";
    const milliseconds between{std::max(settings.InvTime, 0)};
    io.SentSinceCheck = 0;
    // Every line goes out exactly once. The byte counters only drive the display: a file with
    // lone line feeds or a text cut short by the loader never makes them match the file size.
    for (std::size_t index = 0; index < program.lines.size(); ++index) {
        host_.ShowSendLine(index);
        const std::string_view original = program.lines[index];
        std::string replaced;
        const bool replace = !blanked.empty() && original.find(blanked) != std::string_view::npos;
        if (replace)
            replaced = BlankOut(original, blanked);
        const std::string_view line = replace ? std::string_view(replaced) : original;

        // A "%" line of the file is the tape's own frame; the frame of the send comes from the
        // start and end settings.
        if (line != "%") {
            const bool hasComment = line.find('(') != std::string_view::npos;
            bool inComment = false;
            for (const char ch : line) {
                if (hasComment) {
                    if (ch == '(')
                        inComment = true;
                    if (ch == ')')
                        inComment = false;
                }
                if (!inComment) {
                    if ((ch == '\'' || ch == ';') && !messagesToo)
                        break;
                    if (ch == '%')
                        continue;
                }
                if (ch == '\t')
                    continue;
                if (!io.SendChar(static_cast<std::uint8_t>(ch)))
                    return false;
                if (between.count() > 0)
                    host_.Wait(between);
            }
            if (!io.SendChar(kLineFeed))
                return false;
        }

        const std::int64_t sent = std::min<std::int64_t>(
            estimate_.SentBytes + static_cast<std::int64_t>(line.size()) + 2, estimate_.TotalBytes);
        estimate_.SentBytes = sent;
        if (HoldsProgramEnd(line))
            host_.Wait(kProgramEndPause);
        host_.SetRemaining(estimate_.Text());
        host_.SetProgress(sent, estimate_.TotalBytes);
    }
    return true;
}

TransferResult SendEngine::Impl::Complete(LineIo& io, const Settings& settings,
                                          const SendJob& job) {
    if (!currentLogged_)
        log_.Write(TransferKind::Send, TransferState::Completed, CurrentPath());
    host_.Wait(kDrainWait);
    io.Close();
    host_.SetStatus(StatusPanel::State, kCompletedState);
    host_.SetResult(kCompletedResult, ResultColour::Lime);
    host_.SetProgress(0, estimate_.TotalBytes);
    host_.SetStatus(StatusPanel::Name, "");
    host_.SetStatus(StatusPanel::Size, "");
    host_.TransferEnded(true, kRestoreAfterCompletion);
    // Last, so that the host has seen the whole end of the transfer before it closes.
    if (job.CloseAfterTransfer)
        host_.CloseAfterTransfer(settings.Power_Off == "Y");
    return TransferResult::Completed;
}

TransferResult SendEngine::Impl::Stop(LineIo& io, bool sendDc4) {
    estimate_.Stop();
    io.RawSend = false;
    io.XonState = true;
    // The DC4 tells the machine the tape has ended; it needs a port that opened properly and a
    // line that is still there. (A write that failed has said so already; the DC4 after it
    // finds the line gone without a second message.)
    const bool lineLost = io.LineLost();
    if (sendDc4 && io.PortReady() && !lineLost)
        io.SendStopChar(kDC4);
    io.Close();
    if (lineLost)
        host_.ShowError(io.LineLostText());
    StopTexts();
    log_.Write(TransferKind::Send, TransferState::Stopped, CurrentPath());
    host_.SetProgress(0, estimate_.TotalBytes);
    host_.TransferEnded(false, kRestoreAfterStop);
    return TransferResult::Stopped;
}

TransferResult SendEngine::Impl::Abandon(LineIo& io) {
    estimate_.Stop();
    log_.Write(TransferKind::Send, TransferState::Stopped, CurrentPath());
    io.Close();
    StopTexts();
    host_.SetProgress(0, estimate_.TotalBytes);
    host_.TransferEnded(false, kRestoreAfterStop);
    return TransferResult::Stopped;
}

void SendEngine::Impl::StopTexts() {
    host_.SetStatus(StatusPanel::Name, "");
    host_.SetStatus(StatusPanel::Size, "");
    host_.SetStatus(StatusPanel::State, kStoppedState);
    host_.SetResult(kStoppedResult, ResultColour::Red);
}

}  // namespace kelvantori
