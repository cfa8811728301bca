// The window's TransferHost: the engines run synchronously on the user-interface thread and show
// what they do in the status bar, Label17, the progress bar, the DSR/CTS lamps, Label11 and the
// text area RichEdit1. While a run lasts, an application-wide event filter takes F3 and Esc:
// each press is recorded for the engine and never reaches the list. Pending window events are
// handed to Qt at most every few milliseconds of the host's clock, so a send of a byte costs
// next to nothing; the fixed waits keep handing them on, so the window repaints and answers.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/Clock.h"
#include "core/ProgramText.h"

class QWidget;

namespace kelvantori {

struct MainContext;
struct TransferControls;

class WindowTransferHost : public QObject, public TransferHost {
    Q_OBJECT

  public:
    // Events are handed on at most this often while an engine works; a wait hands them on
    // every kWaitSlice; what the engine shows reaches the widgets at most every
    // kDisplayInterval (ten pictures a second), since painting is what holds the engine up.
    static constexpr std::chrono::milliseconds kPumpInterval{4};
    static constexpr std::chrono::milliseconds kWaitSlice{5};
    static constexpr std::chrono::milliseconds kDisplayInterval{100};

    WindowTransferHost(MainContext& context, TransferControls& controls);
    ~WindowTransferHost() override;

    // --- runs and transfers -------------------------------------------------------------------
    // A run (one transfer, the command line's order, the queue): F3/Esc are taken from the whole
    // application until EndRun. In queue mode the end of each transfer leaves the display to the
    // queue (no Timer1, the list stays disabled).
    void BeginRun(bool queueMode = false);
    void EndRun();
    bool Running() const { return running_; }
    // One engine run inside a run: the list is disabled, Timer1 stopped.
    void BeginTransfer(TransferKind kind);
    void EndTransfer();
    // The window is closing: every transfer of the run stops at once, and waits end.
    void StopAll();
    bool StoppingAll() const { return stopAll_; }
    // A transfer ordered with END or Shift+F1/F2 completed: the window is to close (and the PC
    // to be switched off when asked).
    bool CloseRequested() const { return closeRequested_; }
    bool PowerOffRequested() const { return powerOff_; }
    void ClearCloseRequest() { closeRequested_ = powerOff_ = false; }
    // Received data that could not be saved goes here (the window offers it to the user).
    // Keeps received data that could not stay where it belonged; answers the rescue file's drive
    // path ("" when it could only be shown).
    void SetRescueHandler(
        std::function<std::string(const std::string&, const std::string&)> handler) {
        rescue_ = std::move(handler);
    }
    // Shows the received lines in RichEdit1 from now on (a receive).
    void ShowReceivedLines();
    // Hands pending events to Qt now (the display brought up to date when it is due).
    void Pump();

    // --- TransferHost ---------------------------------------------------------------------------
    std::chrono::nanoseconds Now() override { return clock_.Now(); }
    void Wait(std::chrono::milliseconds duration) override;
    void ProcessEvents() override {
        if (clock_.Now() - lastPump_ >= kPumpInterval)
            Pump();
    }
    bool CancelRequested() override;
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // Said in the message line while the transfer runs: an unattended transfer must not wait on
    // a box for something that is no question.
    void ShowNotice(const std::string& text) override;
    std::optional<std::string> AskSelectNumber() override;
    void SetStatus(StatusPanel panel, const std::string& text) override;
    void SetRemaining(const std::string& text) override;
    void SetProgress(std::int64_t position, std::int64_t maximum) override;
    void SetResult(const std::string& text, ResultColour colour) override;
    void SetLamps(const ModemStatus& status) override;
    void ShowProgram(const std::string& name,
                     const std::shared_ptr<const LoadedProgram>& program) override;
    void ShowSendLine(std::size_t index) override;
    void ShowReceivedLine(const std::string& bytes) override;
    void ClearReceived() override;
    void TransferEnded(bool completed, std::chrono::milliseconds restoreAfter) override;
    void CloseAfterTransfer(bool powerOff) override;
    std::string RescueReceivedData(const std::string& suggestedName,
                                   const std::string& bytes) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Brings the display up to date with what the engine set since the last look.
    void Flush();

    MainContext& c_;
    TransferControls& controls_;
    Clock& clock_;
    std::chrono::nanoseconds lastPump_{std::chrono::nanoseconds::min() / 2};
    std::chrono::nanoseconds lastFlush_{std::chrono::nanoseconds::min() / 2};

    bool running_ = false;
    bool queueMode_ = false;
    TransferKind kind_ = TransferKind::Send;
    bool cancelPressed_ = false;
    bool stopAll_ = false;
    bool closeRequested_ = false;
    bool powerOff_ = false;
    std::function<std::string(const std::string&, const std::string&)> rescue_;

    // What the engine set and the display has not shown yet.
    std::optional<std::string> remaining_;
    std::optional<std::pair<std::int64_t, std::int64_t>> progress_;
    std::optional<std::size_t> sendLine_;
    bool receivedChanged_ = false;
    ProgramLines received_;
};

}  // namespace kelvantori
