// The send and the receive ordered on the command line, run at the first idle moment: the
// window's FirstIdle and kelvantori-cli build the same order from the items and run it with a
// host, a port and a log of their own. Both may be ordered; the send goes first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/CommandLine.h"
#include "core/ProgramText.h"
#include "core/Settings.h"
#include "platform/FileSystem.h"
#include "platform/SerialPort.h"

namespace kelvantori {

struct TransferOrder {
    bool send = false;     // AutoSendPending: the S= file exists
    bool receive = false;  // AutoReceivePending, or a receive of one file per program
    // An S= item whose file does not exist, an R= item whose file the user would not have
    // overwritten. The window still runs the other half; kelvantori-cli runs nothing of it.
    bool sendRefused = false;
    bool receiveRefused = false;
    std::string SendPath;
    ReceiveJob receiveJob;
    bool CloseAfterTransfer = false;  // the END item

    bool Any() const { return send || receive; }
};

// receivePrograms (kelvantori-cli's --receive-programs): without an R= item, a receive that
// saves one file per program into DirPath. An R= item gives the named receive either way.
TransferOrder MakeTransferOrder(const CommandLineState& state, bool receivePrograms);

// The file to send as the view loads it, with its format question.
using ProgramLoad = std::function<LoadedProgram(const std::string& drivePath)>;

// What the caller shows around each transfer of an order: the window's transfer panel, the
// terminal's first line and its progress line.
class TransferOrderSteps {
  public:
    virtual ~TransferOrderSteps() = default;
    // Asked before each transfer of the order: false ends the order there. The terminal answers
    // false once a termination signal has stopped a transfer; the window would at the end of
    // the session.
    virtual bool Proceed(TransferKind kind) {
        (void)kind;
        return true;
    }
    // The send's program was loaded; it stays where it is until Finished(Send, ...), so the
    // caller may show its lines without a second copy.
    virtual void ProgramLoaded(const LoadedProgram& program) { (void)program; }
    // The transfer starts now (a send's program has been loaded).
    virtual void Starting(TransferKind kind) { (void)kind; }
    virtual void Finished(TransferKind kind, TransferResult result) {
        (void)kind;
        (void)result;
    }
};

struct TransferOrderResult {
    std::optional<TransferResult> send;  // nullopt: not ordered
    std::optional<TransferResult> receive;
    std::vector<std::string> savedFiles;  // drive paths the receive saved, in order

    bool AllCompleted() const {
        return send.value_or(TransferResult::Completed) == TransferResult::Completed &&
               receive.value_or(TransferResult::Completed) == TransferResult::Completed;
    }
};

// Runs what the order holds (refused halves are not run: the caller decides beforehand whether
// the rest runs). The send's program is loaded through load when its turn comes; the send's log
// names the folder of its S= file, whatever a later folder item made of DirPath. The END item
// closes after the last transfer of the order, so a send does not close the window before the
// receive ordered with it.
TransferOrderResult RunTransferOrder(const TransferOrder& order, const Settings& settings,
                                     SerialPort& port, TransferHost& host, TransferLog& log,
                                     FileSystem& files, const ProgramLoad& load,
                                     TransferOrderSteps* steps = nullptr);

}  // namespace kelvantori
