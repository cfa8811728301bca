// The transfer host of kelvantori-cli: the window's status bar, remaining text and progress bar
// become one progress line on stderr, message boxes become lines on stderr, questions are
// answered from standard input, F3/Esc is Ctrl-C, and the fixed waits really wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/CliIo.h"
#include "app/cli/Interrupt.h"
#include "app/cli/LineReader.h"
#include "app/cli/ProgressLine.h"
#include "comm/TransferHost.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "platform/FileSystem.h"

namespace kelvantori {

// True for the answers that mean Yes: "y" and "yes" in any case, blanks around them allowed.
bool IsYesAnswer(std::string_view answer);

class TerminalHost : public TransferHost {
  public:
    struct Places {
        FileSystem* files = nullptr;
        // Drive paths of the folders a rescue file is written to, tried in order.
        std::vector<std::string> rescueFolders;
        std::function<LocalDateTime()> now;
    };

    TerminalHost(CliIo& io, LineReader& input, InterruptState& interrupts, Clock& clock,
                 Places places);

    // The width of the terminal, asked before every redraw (0: unknown, no limit).
    void SetColumns(std::function<std::size_t()> columns) { columns_ = std::move(columns); }
    // An error message that begins with `prefix` is followed by the hint.
    void SetErrorHint(std::string prefix, std::string hint);

    // Around one engine run: the progress line starts afresh, and a Ctrl-C goes to the engine.
    void BeginTransfer(TransferDirection direction);
    void FinishTransfer();

    // Host paths of the rescue files written.
    const std::vector<std::string>& RescueFiles() const { return rescueFiles_; }

    // --- TransferHost -----------------------------------------------------------------------
    std::chrono::nanoseconds Now() override { return clock_.Now(); }
    void Wait(std::chrono::milliseconds duration) override;
    void ProcessEvents() override {
        if (stateDue_)
            ShowState();
        // Called for every byte: the clock is looked at only now and then.
        if (dirty_ && (++eventCalls_ & 63) == 0)
            RedrawIfDue();
    }
    bool CancelRequested() override { return interrupts_.Consume(); }
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // A notice is a line on stderr, like a message.
    void ShowNotice(const std::string& text) override { ShowError(text); }
    std::optional<std::string> AskSelectNumber() override;
    void SetStatus(StatusPanel panel, const std::string& text) override;
    void SetRemaining(const std::string& text) override;
    void SetProgress(std::int64_t position, std::int64_t maximum) override;
    void SetResult(const std::string& text, ResultColour colour) override;
    void SetLamps(const ModemStatus& status) override { (void)status; }
    void ShowReceivedLine(const std::string& bytes) override;
    void TransferEnded(bool completed, std::chrono::milliseconds restoreAfter) override;
    std::string RescueReceivedData(const std::string& suggestedName,
                                   const std::string& bytes) override;

  private:
    void Changed();
    // A new state is drawn (in a file: gets its line) once the engine goes on; a state that the
    // result line only repeats ("送信中止しました。" before "送信中止しました。!!") is not.
    void ShowState();
    void RedrawIfDue();
    void Draw();
    // Takes the progress line off the screen before a message (a terminal only).
    void ClearLine();
    // Ends the progress line for good: the last state stays on screen.
    void EndLine();
    void PrintMessage(const std::string& text);
    // One answer; nullopt at the end of input or on Ctrl-C (the press is consumed: it answered
    // the question).
    std::optional<std::string> Answer(const std::string& prompt);

    CliIo& io_;
    LineReader& input_;
    InterruptState& interrupts_;
    Clock& clock_;
    Places places_;
    std::function<std::size_t()> columns_;
    std::string hintPrefix_;
    std::string hint_;

    ProgressView view_;
    bool active_ = false;  // a progress line is being kept
    bool drawn_ = false;   // it is on the screen (terminal) and not ended
    bool dirty_ = false;
    bool stateDue_ = false;    // a new state not yet written to the file
    std::string stateBefore_;  // the state before it
    std::uint32_t eventCalls_ = 0;
    std::chrono::nanoseconds lastDraw_{0};
    std::string lastPlainLine_;
    std::vector<std::string> rescueFiles_;
};

}  // namespace kelvantori
