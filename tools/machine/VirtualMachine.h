// The virtual NC controller without its line: it is told what bytes arrived and when, and says
// what to put on the line and when it wants to be woken. Reading splits the data into programs
// and stores them, with the receive buffer's DC3/DC1 and the start signal; punching feeds a tape
// at its rate and obeys the PC's DC3/DC1. Time comes from a Clock, so tests run on ManualClock.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Clock.h"
#include "core/ProgramText.h"
#include "machine/LinePacing.h"
#include "machine/MachineCode.h"
#include "machine/MachineConfig.h"
#include "machine/MachineSummary.h"
#include "machine/ProgramReader.h"
#include "machine/PunchTape.h"
#include "machine/ReceiveBuffer.h"

namespace kelvantori::machine {

// Where the programs read go.
class ProgramSink {
  public:
    virtual ~ProgramSink() = default;
    // False when the program could not be kept; the machine counts it and reads on.
    virtual bool Store(const ReceivedProgram& program) = 0;
};

class VirtualMachine {
  public:
    using EventLog = std::function<void(const std::string&)>;

    // With a punch program the machine punches it and reads only DC1/DC3 from the PC; without
    // one it reads programs. With punchOnRequest it reads programs and punches the program
    // whenever the PC asks with DC1. `store` may be null (programs are counted, not kept).
    VirtualMachine(const MachineConfig& config, Clock& clock, ProgramSink* store,
                   const ProgramText* punchProgram = nullptr, EventLog log = {});

    // The PC side opened or closed the device.
    void OnLineOpened();
    void OnLineClosed();

    // How many bytes may be taken from the line now (0: wait until NextReadTime()).
    std::size_t ReadAllowance() const;
    std::optional<std::chrono::nanoseconds> NextReadTime() const;
    // Bytes taken from the line, having asked for `asked` (fewer: the line ran dry).
    void OnReceived(std::string_view bytes, std::size_t asked);

    // Lets time pass: the buffer drains, start signals repeat, the punch starts.
    void Poll();

    // Bytes to put on the line now; the caller writes what the line takes and reports it.
    std::string_view PendingOutput();
    void OnWritten(std::size_t n);

    // When Poll() has something to do next; nullopt: only when bytes arrive or the line changes.
    std::optional<std::chrono::nanoseconds> NextDeadline() const;

    bool ShouldExit() const;
    bool Punching() const { return punch_.has_value(); }
    bool PunchDone() const { return punch_ && punch_->Done(); }

    // The machine stops: an open program is stored as incomplete.
    void Finish();
    MachineSummary Summary() const;

  private:
    void ProcessByte(std::uint8_t byte, std::chrono::nanoseconds t);
    // punchOnRequest: the PC asked for the tape (with DC1, or by opening the line and staying
    // quiet); the punch starts at startAt.
    void BeginRequestedPunch(std::chrono::nanoseconds startAt, const char* why);
    void EndRequestedPunch();
    void ProcessPunchControl(std::uint8_t byte, std::chrono::nanoseconds t);
    void SendFlowSignal(FlowSignal signal);
    void OnTapeEnded(std::chrono::nanoseconds t);
    void ArmStartSignal(std::chrono::nanoseconds t);
    void StoreClosedPrograms();
    void Log(const std::string& text) const;

    MachineConfig config_;
    Clock& clock_;
    ProgramSink* store_;
    EventLog log_;

    CodeReader code_;
    ProgramReader reader_;
    ReceiveBuffer buffer_;
    LinePacer pacer_;
    std::optional<PunchFeeder> punch_;
    std::string punchTape_;  // the tape punched on each request (punchOnRequest)
    std::size_t punchDropped_ = 0;
    std::optional<std::chrono::nanoseconds> punchStartAt_;
    // punchOnRequest: the line was opened and nothing has come from the PC since; at this time
    // the quiet line counts as a request for the tape.
    std::optional<std::chrono::nanoseconds> quietRequestAt_;
    bool punchHeldByPc_ = false;

    std::string control_;  // flow-control bytes and start signals waiting for the line
    bool pendingIsControl_ = false;
    bool lineOpen_ = false;
    bool startArmed_ = false;
    bool startSentSinceArmed_ = false;
    std::chrono::nanoseconds nextStartSignal_{0};

    std::chrono::nanoseconds startedAt_{0};
    std::optional<std::chrono::nanoseconds> firstArrival_;
    std::optional<std::chrono::nanoseconds> lastArrival_;
    std::optional<std::chrono::nanoseconds> lastActivity_;
    MachineCode lastCode_;
    bool completeProgramEnded_ = false;
    bool onceSatisfied_ = false;

    std::size_t received_ = 0;
    std::size_t badParity_ = 0;
    std::size_t undefined_ = 0;
    std::size_t startSignals_ = 0;
    std::size_t punched_ = 0;
    std::size_t storeErrors_ = 0;
    std::size_t incomplete_ = 0;
    std::vector<std::string> programNames_;
};

}  // namespace kelvantori::machine
