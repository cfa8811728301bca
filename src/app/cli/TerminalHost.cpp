// The terminal transfer host of kelvantori-cli.
#include "app/cli/TerminalHost.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "app/cli/TerminalText.h"
#include "comm/RescueFile.h"
#include "core/DrivePath.h"

namespace kelvantori {

namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// A redraw at most this often: faster than the eye needs, slow enough to cost nothing.
constexpr nanoseconds kRedrawInterval = milliseconds(100);
// Waits are cut into slices this long, each followed by a look for Ctrl-C.
constexpr nanoseconds kWaitSlice = milliseconds(20);

constexpr const char* kEraseLine = "\r\x1b[K";
constexpr const char* kGreen = "\x1b[32m";
constexpr const char* kRed = "\x1b[31m";
constexpr const char* kPlain = "\x1b[0m";

constexpr const char* kYesNoPrompt = "はい(y) / いいえ(n): ";
constexpr const char* kSelectPrompt = "自動選択番号 (ﾂﾘｰ設定も可です。番号－番号): ";
constexpr const char* kSelectRefused = "この文字は変更できません。";
constexpr std::string_view kSelectCharacters = "012345-";
constexpr std::size_t kSelectLength = 3;

}  // namespace

bool IsYesAnswer(std::string_view answer) {
    while (!answer.empty() && (answer.front() == ' ' || answer.front() == '\t'))
        answer.remove_prefix(1);
    while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\t'))
        answer.remove_suffix(1);
    const std::string word = AsciiLower(answer);
    return word == "y" || word == "yes";
}

TerminalHost::TerminalHost(CliIo& io, LineReader& input, InterruptState& interrupts, Clock& clock,
                           Places places)
    : io_(io), input_(input), interrupts_(interrupts), clock_(clock), places_(std::move(places)) {}

void TerminalHost::SetErrorHint(std::string prefix, std::string hint) {
    hintPrefix_ = std::move(prefix);
    hint_ = std::move(hint);
}

void TerminalHost::BeginTransfer(TransferDirection direction) {
    view_ = ProgressView{};
    view_.direction = direction;
    active_ = true;
    drawn_ = false;
    dirty_ = false;
    lastPlainLine_.clear();
    interrupts_.SetRunning(true);
}

void TerminalHost::FinishTransfer() {
    EndLine();
    interrupts_.SetRunning(false);
}

void TerminalHost::ShowState() {
    if (!stateDue_)
        return;
    stateDue_ = false;
    Draw();
}

void TerminalHost::Wait(std::chrono::milliseconds duration) {
    ShowState();
    // Ctrl-C ends a wait early and stays recorded for the engine, which decides what it stops.
    const nanoseconds until = clock_.Now() + duration;
    for (nanoseconds now = clock_.Now(); now < until; now = clock_.Now()) {
        if (interrupts_.Pending())
            return;
        clock_.SleepFor(std::min(kWaitSlice, until - now));
        if (dirty_)
            RedrawIfDue();
    }
}

void TerminalHost::Changed() {
    if (!active_)
        return;
    dirty_ = true;
    RedrawIfDue();
}

void TerminalHost::RedrawIfDue() {
    if (!io_.errIsTerminal || !active_) {
        dirty_ = false;
        return;
    }
    if (drawn_ && clock_.Now() - lastDraw_ < kRedrawInterval)
        return;
    Draw();
}

void TerminalHost::Draw() {
    dirty_ = false;
    if (!active_)
        return;
    if (!io_.errIsTerminal) {
        const std::string line = FormatProgressLine(view_, 0);
        if (line != lastPlainLine_) {
            io_.err << line << "\n" << std::flush;
            lastPlainLine_ = line;
        }
        return;
    }
    const std::size_t columns = columns_ ? columns_() : 0;
    io_.err << kEraseLine << FormatProgressLine(view_, columns) << std::flush;
    drawn_ = true;
    lastDraw_ = clock_.Now();
}

void TerminalHost::ClearLine() {
    if (io_.errIsTerminal && drawn_) {
        io_.err << kEraseLine;
        drawn_ = false;
    }
}

void TerminalHost::EndLine() {
    if (!active_)
        return;
    ShowState();
    if (io_.errIsTerminal) {
        if (!FormatProgressLine(view_, 0).empty()) {
            Draw();
            io_.err << "\n" << std::flush;
        } else if (drawn_) {
            // A transfer that stopped before it showed anything leaves no empty line.
            io_.err << kEraseLine << std::flush;
        }
    }
    active_ = false;
    drawn_ = false;
}

void TerminalHost::PrintMessage(const std::string& text) {
    ShowState();
    ClearLine();
    io_.err << Printable(text) << "\n";
    if (!hintPrefix_.empty() && text.rfind(hintPrefix_, 0) == 0)
        io_.err << Printable(hint_) << "\n";
    io_.err << std::flush;
}

void TerminalHost::ShowError(const std::string& text) {
    PrintMessage(text);
    if (active_ && io_.errIsTerminal)
        Draw();
}

std::optional<std::string> TerminalHost::Answer(const std::string& prompt) {
    io_.err << prompt << std::flush;
    std::string line;
    const ReadOutcome outcome = input_.ReadLine(line);
    if (outcome == ReadOutcome::Line)
        return line;
    io_.err << "\n" << std::flush;
    if (outcome == ReadOutcome::Interrupted)
        interrupts_.Consume();
    return std::nullopt;
}

bool TerminalHost::AskYesNo(const std::string& text) {
    PrintMessage(text);
    const std::optional<std::string> answer = Answer(kYesNoPrompt);
    const bool yes = answer && IsYesAnswer(*answer);
    if (active_ && io_.errIsTerminal)
        Draw();
    return yes;
}

std::optional<std::string> TerminalHost::AskSelectNumber() {
    ShowState();
    ClearLine();
    std::optional<std::string> number;
    for (;;) {
        number = Answer(kSelectPrompt);
        if (!number)
            break;
        // The dialog's field: its characters only, at most three, and not empty.
        const bool valid = !number->empty() && number->size() <= kSelectLength &&
                           std::all_of(number->begin(), number->end(), [](char c) {
                               return kSelectCharacters.find(c) != std::string_view::npos;
                           });
        if (valid)
            break;
        io_.err << kSelectRefused << "\n";
    }
    if (active_ && io_.errIsTerminal)
        Draw();
    return number;
}

void TerminalHost::SetStatus(StatusPanel panel, const std::string& text) {
    if (!active_)
        return;
    ShowState();
    if (panel == StatusPanel::Name) {
        // The window empties the name at the end; the last line on the terminal keeps it.
        if (std::string shown = Printable(text); !shown.empty() && shown != view_.name) {
            view_.name = std::move(shown);
            Changed();
        }
        return;
    }
    if (panel == StatusPanel::State && text != view_.state) {
        stateBefore_ = view_.state;
        view_.state = text;
        // Shown as soon as the engine goes on (in a file it is the one line a file gets).
        stateDue_ = true;
    }
}

void TerminalHost::SetRemaining(const std::string& text) {
    ShowState();
    if (text == view_.remaining)
        return;
    view_.remaining = text;
    Changed();
}

void TerminalHost::SetProgress(std::int64_t position, std::int64_t maximum) {
    // The window's bar goes back to 0 when a transfer ends; the terminal's last line keeps the
    // bar where the transfer got to.
    ShowState();
    if (position == view_.position && maximum == view_.maximum)
        return;
    view_.position = position;
    view_.maximum = maximum;
    Changed();
}

void TerminalHost::ShowReceivedLine(const std::string& bytes) {
    (void)bytes;
    ShowState();
    ++view_.linesReceived;
    Changed();
}

void TerminalHost::SetResult(const std::string& text, ResultColour colour) {
    // The receive empties the result line when it starts.
    if (text.empty())
        return;
    // The state that ended the transfer is what the result line says; the last progress line
    // keeps the state before it.
    if (text == view_.state + "!!") {
        view_.state = stateBefore_;
        stateDue_ = false;
    }
    EndLine();
    if (io_.errIsTerminal) {
        io_.err << (colour == ResultColour::Lime ? kGreen : kRed) << text << kPlain << "\n";
    } else {
        io_.err << text << "\n";
    }
    io_.err << std::flush;
}

void TerminalHost::TransferEnded(bool completed, std::chrono::milliseconds restoreAfter) {
    (void)completed;
    (void)restoreAfter;
    ShowState();
    EndLine();
}

std::string TerminalHost::RescueReceivedData(const std::string& suggestedName,
                                             const std::string& bytes) {
    ShowState();
    ClearLine();
    if (places_.files != nullptr) {
        const LocalDateTime when = places_.now ? places_.now() : LocalDateTime{};
        if (const auto path = WriteRescueFile(*places_.files, places_.rescueFolders, when,
                                              suggestedName, bytes)) {
            const std::string host = places_.files->Drives().ToHost(*path).value_or(*path);
            rescueFiles_.push_back(host);
            io_.err << "受信データを書き出しました: " << Printable(host) << "\n" << std::flush;
            return *path;
        }
    }
    // Nowhere to write it: the data goes to the terminal rather than being lost.
    io_.err << "受信データを書き出せませんでした。受信データ (" << Printable(suggestedName)
            << "):\n"
            << bytes << "\n"
            << std::flush;
    return {};
}

}  // namespace kelvantori
