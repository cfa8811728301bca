// Everything a transfer engine needs from its surroundings. The window implements it with its
// widgets, kelvantori-cli with a terminal, the tests with a recording fake on a manual clock.
// The engines run synchronously on the caller's thread and call ProcessEvents() after every
// unit of work (byte, line, file) so the caller stays responsive.
//
// For implementers: a send calls Now(), ProcessEvents() and CancelRequested() for every byte,
// and must reach well over 100 KB/s on an unpaced line. Each of them has to cost next to
// nothing when there is nothing to do (a Qt host: QCoreApplication::processEvents() only when
// events are pending or a few milliseconds have passed; a flag for the key press). SetLamps()
// is called only when a lamp changes, SetRemaining()/SetProgress()/ShowSendLine() once a line.
// Nothing here is called from another thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/ProgramText.h"
#include "platform/SerialPort.h"

namespace kelvantori {

// Status-bar panels the engines write.
enum class StatusPanel { Name = 0, Size = 2, State = 3 };

// Colour of the result line (`Label11`): lime after a completion, red after a stop.
enum class ResultColour { Lime, Red };

class TransferHost {
  public:
    virtual ~TransferHost() = default;

    // --- time -------------------------------------------------------------------------------
    // Monotonic time. The line pacing of a send is computed on it.
    virtual std::chrono::nanoseconds Now() = 0;
    // The fixed waits of a transfer (the 4 s drain after a send, the 3 s before a receive is
    // saved, the switcher's 3 s, InvTime, the 1 s leader pause, the 5 ms after a program end,
    // and the read time-out after a failing read). A window keeps processing its events while
    // it waits. Test hosts skip them by advancing their clock.
    virtual void Wait(std::chrono::milliseconds duration) = 0;

    // --- the caller's event loop ------------------------------------------------------------
    virtual void ProcessEvents() = 0;
    // True once for every press of F3 or Esc (Ctrl-C in the terminal) since the last call: the
    // press is consumed, so it never reaches the file list. Asked before and after every byte
    // and in every wait loop. This is the stop path a host takes for reasons of its own as well:
    // the terminal answers true for a termination signal, a window would at the end of the
    // session; the engine then stops as for F3/Esc (DC4 for a send, the received data kept, the
    // log line) and the host ends afterwards.
    virtual bool CancelRequested() = 0;

    // --- questions and messages -------------------------------------------------------------
    // A question with Yes and No (warning icon): true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // A message with one OK button (error icon).
    virtual void ShowError(const std::string& text) = 0;
    // The automatic-switching dialog: the channel number typed, nullopt when cancelled.
    virtual std::optional<std::string> AskSelectNumber() = 0;
    // Something the user should know about the port just opened, said once per opening (a raw
    // TCP port cannot carry the line setting). Not a question and not an error: the transfer
    // goes on. The terminal prints it; a window may show it in its status line.
    virtual void ShowNotice(const std::string& text) { (void)text; }

    // --- what the window shows ----------------------------------------------------------------
    virtual void SetStatus(StatusPanel panel, const std::string& text) = 0;
    // `Label17`: "残り 1,234ﾊﾞｲﾄ(約 3分49秒)".
    virtual void SetRemaining(const std::string& text) = 0;
    virtual void SetProgress(std::int64_t position, std::int64_t maximum) = 0;
    virtual void SetResult(const std::string& text, ResultColour colour) = 0;
    // The DSR and CTS lamps.
    virtual void SetLamps(const ModemStatus& status) = 0;

    // --- the transfer text area (`RichEdit1`) ------------------------------------------------
    // A send: the program being sent was replaced by the next marked file, loaded by the engine;
    // the host may keep it to show its lines for as long as it likes.
    virtual void ShowProgram(const std::string& name,
                             const std::shared_ptr<const LoadedProgram>& program) {
        (void)name;
        (void)program;
    }
    // A send: line index of the program is going out now.
    virtual void ShowSendLine(std::size_t index) { (void)index; }
    // A receive: a line was added to / the area was flushed to the file and cleared.
    virtual void ShowReceivedLine(const std::string& bytes) { (void)bytes; }
    virtual void ClearReceived() {}
    // A receive: a program start line was found (`ListBox2`).
    virtual void ProgramStartFound(const std::string& line) { (void)line; }

    // --- the end of a transfer ---------------------------------------------------------------
    // The transfer is over; the window restores its idle display after restoreAfter (`Timer1`):
    // 3000 ms after a completion, 1000 ms after a stop.
    virtual void TransferEnded(bool completed, std::chrono::milliseconds restoreAfter) = 0;
    // A transfer ordered with "END" or Shift+F1/F2 has completed: close the program, and switch
    // the PC off when powerOff. Called last, after TransferEnded(true, ...); never after a stop.
    // The command-line program ignores it.
    virtual void CloseAfterTransfer(bool powerOff) { (void)powerOff; }
    // Received data that could not be saved where it belonged, or that a stopped receive did not
    // save (op5 "N", a line that went away): it is called after the port is closed and, for a
    // failure, after ShowError has said why; suggestedName holds only characters a file name
    // can hold. The host keeps the data where the user finds it again — the terminal writes a
    // rescue file into the program folder (WriteRescueFile) — and says where. It answers the
    // drive path of that file, which the log names, or "" when the data could only be shown.
    // CloseAfterTransfer() does not follow such a receive.
    virtual std::string RescueReceivedData(const std::string& suggestedName,
                                           const std::string& bytes) = 0;
};

}  // namespace kelvantori
