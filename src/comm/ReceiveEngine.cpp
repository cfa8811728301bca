// The receive engine.
//
// Saving: every target file is written through an OutputFile in Replace mode. The lines go to
// a temporary file beside the target every 1000 lines and at each program end, and the target
// is replaced only once its program is complete, so neither a crash nor a full disk leaves a
// half-written program under the program's name. A stop without op5 abandons the program being
// received: its target stays as it was before the receive (programs completed before it are
// saved) and what arrived of it is handed to the host as a rescue. A line that goes away ends
// the receive at once: what arrived goes to the target with op5, else to a rescue, and the
// receive counts as stopped either way. A target that cannot be created or written does not stop
// the receive (the machine keeps sending); its data is kept in memory and, once the line is
// closed, the user is told and the data is handed to the host to be saved elsewhere.
#include "comm/ReceiveEngine.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>

#include "comm/LineIo.h"
#include "core/DrivePath.h"
#include "core/FileNameFit.h"
#include "core/TapeCode.h"

namespace kelvantori {

namespace {

using std::chrono::milliseconds;

constexpr const char* kWaitingText = "受信待機中(信号待ち)";
constexpr const char* kReceivingText = "＜＜ 受信中 ＞＞";
constexpr const char* kSavingText = "受信データ保存中です。";
constexpr const char* kCompletedState = "受信完了しました。";
constexpr const char* kCompletedResult = "受信完了しました。!!";
constexpr const char* kStoppedState = "受信を中止しました。";
constexpr const char* kStoppedResult = "受信を中止しました。!!";
constexpr const char* kNamePrefix = "受信名 ";
constexpr const char* kAutoSaveText = "受信名 自動保存";
constexpr const char* kNoProgramError = "プログラム番号が無いため、受信データを保存できません。";
constexpr const char* kNoProgramName = "RECEIVE";

constexpr std::string_view kAccepted =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ %()+-:/.#$&'*,;<=>?@[]!_^ ";
// Appended without a separating space: they continue the word before them.
constexpr std::string_view kValueCharacters = "0123456789.+-/*[]()=";
constexpr std::string_view kStartCharacters = "%OP:LNG$";
// Lines some controls send around their programs, which are not part of any program.
constexpr std::string_view kDroppedMarks[] = {"O&FW", ":&FW", "&HE:"};
// Characters a file name cannot hold on one of the systems the program's files travel to.
constexpr std::string_view kNotInFileNames = "\\/:*?\"<>|";

constexpr int kFlushLines = 1000;
constexpr milliseconds kSaveWait{3000};
constexpr milliseconds kRestoreAfterCompletion{3000};
constexpr milliseconds kRestoreAfterStop{1000};

bool Contains(std::string_view set, std::uint8_t c) {
    return c != 0 && set.find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsDropped(std::string_view line) {
    return std::any_of(std::begin(kDroppedMarks), std::end(kDroppedMarks),
                       [&](std::string_view mark) { return line.find(mark) != line.npos; });
}

bool IsProgramStart(std::string_view line) {
    return !line.empty() && (line[0] == ':' || line[0] == 'O' || line[0] == 'L');
}

bool IsValidFileName(std::string_view name) {
    if (name.empty())
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               kNotInFileNames.find(c) != std::string_view::npos;
    });
}

// A name the host can offer when it saves rescued data: the characters a file name cannot
// hold become "_".
std::string SafeFileName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            kNotInFileNames.find(c) != std::string_view::npos)
            c = '_';
    }
    return out;
}

// The program's name: its start line's first word, cut before any "(", with a leading ":"
// read as "O".
std::string ProgramName(std::string_view line) {
    std::string_view word = line.substr(0, line.find(' '));
    word = word.substr(0, word.find('('));
    std::string name(word);
    if (!name.empty() && name[0] == ':')
        name[0] = 'O';
    return name;
}

std::string CountSuffix(int count) {
    char text[24];
    std::snprintf(text, sizeof text, "_%03d", count);
    return text;
}

// Whether received bytes hold anything of a program: a line that is neither empty nor the
// "%" of the framing.
bool HoldsData(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto end = bytes.find("\r\n");
        const std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line != "%")
            return true;
        if (end == std::string_view::npos)
            break;
        bytes.remove_prefix(end + 2);
    }
    return false;
}

}  // namespace

class ReceiveEngine::Impl {
  public:
    Impl(SerialPort& port, TransferHost& host, TransferLog& log, FileSystem& files)
        : port_(port), host_(host), log_(log), files_(files) {}

    TransferResult ReceiveFile(const Settings& settings, const ReceiveJob& job);
    const std::vector<std::string>& SavedFiles() const { return saved_; }

  private:
    struct Target {
        std::string path;      // drive path
        std::string fileName;  // for a rescue
        std::unique_ptr<OutputFile> file;
        FsError error = FsError::None;
        // Every byte meant for the target until it is committed: what a rescue hands over
        // when a late write or the final rename fails.
        std::string kept;
    };
    struct Failure {
        std::string path;
        std::string fileName;
        std::string message;  // why it could not be saved; empty for the data of a stop
        std::string bytes;
    };
    // LineLost: the device went away (a read failed), which no rule of the data ends.
    enum class Ending { Save, Stop, LineLost };

    void Reset(const Settings& settings, const ReceiveJob& job);
    TransferResult Run(LineIo& io, const Settings& settings, const ReceiveJob& job);
    bool WaitForStart(LineIo& io, const Settings& settings, std::uint8_t& start);
    Ending Receive(LineIo& io, const Settings& settings, std::uint8_t start);
    // True when the character ended the data (the closing "%").
    bool Accept(std::uint8_t c);
    // True when the line ended the data.
    bool FinishLine();
    void StartProgram(const std::string& line);

    void AddLine(std::string line);
    void OpenTarget(std::string path, std::string fileName, bool checkName);
    std::string AreaBytes() const;
    void FlushArea();
    // Commits the current target; logged as `state` once saved ("完了" normally, "中止" for
    // data a stop keeps in it).
    void FinishTarget(TransferState state);
    // Abandons the current target (it stays as it was) and keeps what arrived for it, the line
    // begun included, as a rescue.
    void RescueCurrent();
    std::string CurrentPath() const;

    TransferResult Save(LineIo& io, const Settings& settings, const ReceiveJob& job);
    // keepInTarget: op5 "Y" after a line that went away; the data goes to the target.
    TransferResult Stop(LineIo& io, bool keepInTarget);
    void ReportFailures();

    SerialPort& port_;
    TransferHost& host_;
    TransferLog& log_;
    FileSystem& files_;

    // The job.
    ReceiveMode mode_ = ReceiveMode::Named;
    std::string transferPath_;
    std::string dirPath_;
    std::string extension_;
    bool readSpaceCut_ = false;
    bool colonChange_ = false;
    bool addNumber_ = false;
    bool startPercent_ = false;
    bool endPercent_ = false;

    // The receive.
    std::string buffer_;
    bool percentConsumed_ = false;
    bool InComment = false;
    bool wordStarted_ = true;
    int programCount_ = 0;
    int lineCount_ = 0;
    int dataLines_ = 0;              // lines of the data kept so far
    std::vector<std::string> area_;  // the text area: lines not yet written to the target
    std::optional<Target> target_;
    std::vector<Failure> failures_;
    std::vector<std::string> saved_;
};

ReceiveEngine::ReceiveEngine(SerialPort& port, TransferHost& host, TransferLog& log,
                             FileSystem& files)
    : impl_(std::make_unique<Impl>(port, host, log, files)) {}

ReceiveEngine::~ReceiveEngine() = default;

TransferResult ReceiveEngine::ReceiveFile(const Settings& settings, const ReceiveJob& job) {
    return impl_->ReceiveFile(settings, job);
}

const std::vector<std::string>& ReceiveEngine::SavedFiles() const {
    return impl_->SavedFiles();
}

void ReceiveEngine::Impl::Reset(const Settings& settings, const ReceiveJob& job) {
    mode_ = job.mode;
    transferPath_ = job.TransferPath;
    dirPath_ = settings.DirPath;
    extension_ = settings.Mask.empty() ? std::string() : settings.Mask.substr(1);
    readSpaceCut_ = settings.Read_SP_Cut == "Y";
    colonChange_ = settings.OColonChange == "Y";
    addNumber_ = settings.Add_No == "Y";
    startPercent_ = settings.StartChar == "Y";
    endPercent_ = settings.EndChar == "Y";
    buffer_.clear();
    percentConsumed_ = false;
    InComment = false;
    wordStarted_ = true;
    programCount_ = 0;
    lineCount_ = 0;
    dataLines_ = 0;
    area_.clear();
    target_.reset();
    failures_.clear();
    saved_.clear();
}

TransferResult ReceiveEngine::Impl::ReceiveFile(const Settings& settings, const ReceiveJob& job) {
    Reset(settings, job);
    LineIo io(port_, host_, settings, TransferMode::Receive);
    try {
        return Run(io, settings, job);
    } catch (const std::exception&) {
        return Stop(io, false);
    }
}

TransferResult ReceiveEngine::Impl::Run(LineIo& io, const Settings& settings,
                                        const ReceiveJob& job) {
    host_.SetResult("", ResultColour::Lime);
    host_.ClearReceived();
    if (mode_ == ReceiveMode::Named) {
        OpenTarget(job.TransferPath, job.TransferName, false);
        host_.SetStatus(StatusPanel::Name, kNamePrefix + job.TransferName);
    } else {
        host_.SetStatus(StatusPanel::Name, kAutoSaveText);
    }

    if (!io.Open())
        return Stop(io, false);
    switch (settings.R_Code) {
        case 1:
            io.code = CodeState{true, false};
            break;
        case 2:
            io.code = CodeState{false, true};
            break;
        case 3:
            io.code = CodeState{true, true};
            break;
        default:
            io.code = CodeState{};
            break;
    }
    io.XonState = true;
    io.SignalSeen = true;

    std::uint8_t start = 0;
    if (!WaitForStart(io, settings, start))
        return Stop(io, false);
    switch (Receive(io, settings, start)) {
        case Ending::Save:
            break;
        case Ending::Stop:
            return Stop(io, false);
        case Ending::LineLost:
            return Stop(io, settings.op5 == "Y");
    }
    return Save(io, settings, job);
}

bool ReceiveEngine::Impl::WaitForStart(LineIo& io, const Settings& settings, std::uint8_t& start) {
    host_.SetStatus(StatusPanel::State, kWaitingText);
    const bool signal = settings.Signal == "Y";
    const bool detect = settings.R_Code == 0 || settings.R_Code > 3;
    for (;;) {
        if (io.Cancelled())
            return false;
        const std::uint8_t c = io.ReadLineByte(kReceiveReadSlice);
        if (io.LineLost())
            return false;
        host_.ProcessEvents();
        bool listening = true;
        if (signal) {
            const auto modem = io.PollModem();
            listening = modem && modem->carrier;
        }
        if (listening && (c == kLineFeed || Contains(kStartCharacters, c))) {
            start = c;
            return true;
        }
        // Until the start is found every byte decides the code afresh: a leader of noise must
        // not fix it.
        if (detect)
            io.code = CodeState{};
    }
}

ReceiveEngine::Impl::Ending ReceiveEngine::Impl::Receive(LineIo& io, const Settings& settings,
                                                         std::uint8_t start) {
    host_.SetStatus(StatusPanel::State, kReceivingText);
    host_.SetProgress(0, kFlushLines);
    // A line feed that starts the data ends no line of its own.
    buffer_ = start == kLineFeed ? std::string() : std::string(1, static_cast<char>(start));
    area_.clear();
    host_.ClearReceived();
    if (startPercent_)
        AddLine("%");

    const bool saveOnStop = settings.op5 == "Y";
    const bool endOnDsrLoss = settings.op6 == "Y";
    for (;;) {
        if (io.Cancelled()) {
            if (!saveOnStop)
                return Ending::Stop;
            // What has arrived is saved, the line begun too.
            if (!buffer_.empty())
                AddLine(std::move(buffer_));
            buffer_.clear();
            return Ending::Save;
        }
        const std::uint8_t c = io.ReadLineByte(kReceiveReadSlice);
        if (io.LineLost())
            return Ending::LineLost;
        host_.ProcessEvents();
        if (const auto modem = io.PollModem(); modem && !modem->dsr && endOnDsrLoss) {
            if (!buffer_.empty())
                AddLine(std::move(buffer_));
            buffer_.clear();
            return Ending::Save;
        }
        if (c == 0 || c == '\r')
            continue;
        if (c == kDC4) {
            if (!buffer_.empty())
                AddLine(std::move(buffer_));
            buffer_.clear();
            return Ending::Save;
        }
        if (c == kLineFeed) {
            if (FinishLine())
                return Ending::Save;
            continue;
        }
        if (Accept(c))
            return Ending::Save;
    }
}

bool ReceiveEngine::Impl::Accept(std::uint8_t c) {
    if (c != '"' && !Contains(kAccepted, c))
        return false;
    const char ch = static_cast<char>(c);
    if (ch == '(')
        InComment = true;
    if (Contains(kValueCharacters, c)) {
        buffer_.push_back(ch);
        wordStarted_ = false;
    } else if (!readSpaceCut_) {
        // Words are separated by exactly one space, put in before each new word: G01X10.
        // arrives as G01 X10., and the spaces received between words are replaced by it.
        if (InComment || wordStarted_) {
            buffer_.push_back(ch);
        } else if (ch != ' ') {
            buffer_.push_back(' ');
            buffer_.push_back(ch);
            wordStarted_ = true;
        }
    } else if (ch != ' ' || InComment) {
        buffer_.push_back(ch);
    }
    if (ch == ')')
        InComment = false;

    // The closing "%" ends the data the moment it arrives: the machine may send nothing after
    // it, and the program is complete.
    // A tape without an opening "%" has its first "%" after program lines: that one closes it.
    if (ch == '%' && (percentConsumed_ || dataLines_ > 0)) {
        if (buffer_.size() >= 3) {
            buffer_.erase(buffer_.rfind('%'), 1);
            AddLine(std::move(buffer_));
        }
        buffer_.clear();
        return true;
    }
    return false;
}

bool ReceiveEngine::Impl::FinishLine() {
    std::string line = std::move(buffer_);
    buffer_.clear();
    bool keep = true;
    if (!percentConsumed_ && dataLines_ == 0 && line.find('%') != std::string::npos) {
        // The tape's opening "%" (with what some controls send beside it) is framing.
        if (line.size() < 4) {
            keep = false;
        } else {
            line.erase(line.find('%'), 1);
        }
        percentConsumed_ = true;
    }
    const bool ends = keep && line.find('%') != std::string::npos;
    // A dropped line is no program start either: it must not open a file of its own.
    if (keep && IsDropped(line))
        keep = false;
    if (keep && IsProgramStart(line)) {
        if (line[0] != 'L')
            line[0] = colonChange_ ? ':' : 'O';
        host_.ProgramStartFound(line);
        if (mode_ == ReceiveMode::PerProgram)
            StartProgram(line);
    }
    if (keep) {
        AddLine(std::move(line));
        ++dataLines_;
    }

    wordStarted_ = true;
    InComment = false;
    if (++lineCount_ >= kFlushLines) {
        FlushArea();
        lineCount_ = 0;
    }
    host_.SetProgress(lineCount_, kFlushLines);
    return ends;
}

void ReceiveEngine::Impl::StartProgram(const std::string& line) {
    if (target_) {
        if (endPercent_)
            AddLine("%");
        FinishTarget(TransferState::Completed);
        if (startPercent_)
            AddLine("%");
    }
    // Before the first program the text area holds the opening "%" (StartChar "Y") and any
    // lines that came before the program: they begin the first program's file.
    // A program number longer than a file name can be is shortened, so the data lands in a file.
    const std::string tail =
        (addNumber_ ? CountSuffix(programCount_ + 1) : std::string()) + extension_;
    const std::string fileName = FitFileName(ProgramName(line), tail);
    OpenTarget(JoinDrivePath(dirPath_, fileName), fileName, true);
    ++programCount_;
}

void ReceiveEngine::Impl::AddLine(std::string line) {
    host_.ShowReceivedLine(line);
    area_.push_back(std::move(line));
}

void ReceiveEngine::Impl::OpenTarget(std::string path, std::string fileName, bool checkName) {
    Target target;
    target.path = std::move(path);
    target.fileName = std::move(fileName);
    if (checkName && !IsValidFileName(target.fileName)) {
        target.error = FsError::InvalidName;
    } else {
        FsError error = FsError::None;
        target.file = files_.OpenWrite(target.path, WriteMode::Replace, &error);
        if (!target.file)
            target.error = error == FsError::None ? FsError::Other : error;
    }
    target_ = std::move(target);
}

std::string ReceiveEngine::Impl::AreaBytes() const {
    std::string bytes;
    for (const auto& line : area_) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

void ReceiveEngine::Impl::FlushArea() {
    // Before the first program of a per-program receive there is no file to write to yet.
    if (!target_)
        return;
    const std::string bytes = AreaBytes();
    if (target_->error == FsError::None) {
        const FsError error = target_->file->Write(bytes);
        if (error != FsError::None) {
            target_->error = error;
            target_->file.reset();
        }
    }
    target_->kept += bytes;
    area_.clear();
    host_.ClearReceived();
}

void ReceiveEngine::Impl::FinishTarget(TransferState state) {
    FlushArea();
    Target target = std::move(*target_);
    target_.reset();
    if (target.error == FsError::None) {
        const FsError error = target.file->Commit();
        if (error != FsError::None)
            target.error = error;
    }
    target.file.reset();
    if (target.error == FsError::None) {
        saved_.push_back(target.path);
        log_.Write(TransferKind::Receive, state, target.path);
        return;
    }
    log_.Write(TransferKind::Receive, TransferState::Stopped, target.path);
    failures_.push_back(Failure{target.path, target.fileName,
                                FsErrorMessage(target.error) + "\n" + target.path,
                                std::move(target.kept)});
}

void ReceiveEngine::Impl::RescueCurrent() {
    if (!buffer_.empty())
        AddLine(std::move(buffer_));
    buffer_.clear();
    std::string bytes = target_ ? std::move(target_->kept) : std::string();
    bytes += AreaBytes();
    area_.clear();
    host_.ClearReceived();
    const std::string path = CurrentPath();
    const std::string fileName = target_ ? target_->fileName : kNoProgramName + extension_;
    // Without a commit the target keeps what it held before the receive.
    target_.reset();
    // A stop before anything of a program arrived leaves nothing behind.
    if (HoldsData(bytes))
        failures_.push_back(Failure{path, fileName, "", std::move(bytes)});
}

std::string ReceiveEngine::Impl::CurrentPath() const {
    if (target_)
        return target_->path;
    return mode_ == ReceiveMode::Named ? transferPath_ : dirPath_;
}

TransferResult ReceiveEngine::Impl::Save(LineIo& io, const Settings& settings,
                                         const ReceiveJob& job) {
    if (endPercent_)
        AddLine("%");
    host_.SetStatus(StatusPanel::State, kSavingText);
    if (target_) {
        FinishTarget(TransferState::Completed);
    } else {
        // A per-program receive that found no program line has no name to save under.
        const bool data = std::any_of(area_.begin(), area_.end(), [](const std::string& line) {
            return !line.empty() && line != "%";
        });
        if (data) {
            std::string bytes;
            for (const auto& line : area_)
                bytes += line + "\r\n";
            log_.Write(TransferKind::Receive, TransferState::Stopped, dirPath_);
            failures_.push_back(Failure{dirPath_, kNoProgramName + extension_,
                                        std::string(kNoProgramError) + "\n" + dirPath_,
                                        std::move(bytes)});
        } else {
            log_.Write(TransferKind::Receive, TransferState::Completed, CurrentPath());
        }
        area_.clear();
        host_.ClearReceived();
    }
    host_.Wait(kSaveWait);
    io.Close();
    host_.SetProgress(0, kFlushLines);
    if (!failures_.empty()) {
        ReportFailures();
        host_.SetStatus(StatusPanel::State, kStoppedState);
        host_.SetResult(kStoppedResult, ResultColour::Red);
        host_.TransferEnded(false, kRestoreAfterStop);
        return TransferResult::Stopped;
    }
    host_.SetStatus(StatusPanel::State, kCompletedState);
    host_.SetResult(kCompletedResult, ResultColour::Lime);
    host_.SetStatus(StatusPanel::Name, "");
    host_.SetStatus(StatusPanel::Size, "");
    host_.TransferEnded(true, kRestoreAfterCompletion);
    if (job.CloseAfterTransfer)
        host_.CloseAfterTransfer(settings.Power_Off == "Y");
    return TransferResult::Completed;
}

TransferResult ReceiveEngine::Impl::Stop(LineIo& io, bool keepInTarget) {
    const std::string path = CurrentPath();
    bool logged = false;
    if (keepInTarget && target_) {
        // A tape cut off by the line: saved as far as it came, and still a stop.
        if (!buffer_.empty())
            AddLine(std::move(buffer_));
        buffer_.clear();
        FinishTarget(TransferState::Stopped);
        logged = true;
    } else {
        RescueCurrent();
    }
    io.Close();
    if (io.LineLost())
        host_.ShowError(io.LineLostText());
    if (!logged)
        log_.Write(TransferKind::Receive, TransferState::Stopped, path);
    ReportFailures();
    host_.SetStatus(StatusPanel::State, kStoppedState);
    host_.SetResult(kStoppedResult, ResultColour::Red);
    host_.TransferEnded(false, kRestoreAfterStop);
    return TransferResult::Stopped;
}

void ReceiveEngine::Impl::ReportFailures() {
    // Told only once the line is closed: a message box in the middle of a receive would hold
    // the engine while the machine goes on sending.
    for (auto& failure : failures_) {
        if (!failure.message.empty())
            host_.ShowError(failure.message);
        const std::string kept =
            host_.RescueReceivedData(SafeFileName(failure.fileName), failure.bytes);
        if (!kept.empty())
            log_.Write(TransferKind::Receive, TransferState::Rescued, kept);
    }
    failures_.clear();
}

}  // namespace kelvantori
