// The virtual controller's reader, flow control, start signal and punch.
#include "machine/VirtualMachine.h"

#include <algorithm>
#include <utility>

namespace kelvantori::machine {

namespace {

using std::chrono::nanoseconds;

void Earliest(std::optional<nanoseconds>& best, std::optional<nanoseconds> candidate) {
    if (candidate && (!best || *candidate < *best))
        best = candidate;
}

double Seconds(nanoseconds d) {
    return static_cast<double>(d.count()) * 1e-9;
}

}  // namespace

VirtualMachine::VirtualMachine(const MachineConfig& config, Clock& clock, ProgramSink* store,
                               const ProgramText* punchProgram, EventLog log)
    : config_(config),
      clock_(clock),
      store_(store),
      log_(std::move(log)),
      code_(config.code),
      buffer_(config.flow),
      // The PC sends nothing but DC1/DC3 while the machine punches; those are read unpaced.
      pacer_(punchProgram && !config.punchOnRequest ? 0 : config.lineCps),
      lastCode_(config.code) {
    startedAt_ = clock_.Now();
    if (punchProgram) {
        PunchSettings settings = config.punch;
        settings.code = config.code;
        PunchTape tape = BuildPunchTape(*punchProgram, settings);
        punchDropped_ = tape.dropped;
        if (config.punchOnRequest) {
            punchTape_ = std::move(tape.bytes);
        } else {
            punch_.emplace(std::move(tape.bytes), config.punchCps);
        }
    }
}

void VirtualMachine::OnLineOpened() {
    const nanoseconds now = clock_.Now();
    lineOpen_ = true;
    Log("PC側がデバイスを開きました");
    if (punch_ && !config_.punchOnRequest) {
        // A PC that opens the port anew has emptied its buffers and knows nothing of an earlier
        // DC3.
        punchHeldByPc_ = false;
        if (punch_->Started()) {
            punch_->Resume(now);
        } else if (config_.punchTrigger == PunchTrigger::LineOpened && !punchStartAt_) {
            punchStartAt_ = now + config_.punchDelay;
        }
        return;
    }
    // A PC that opens the line to receive says nothing; one that sends answers the start signal
    // at once. So a line opened and quiet for the punch delay asks for the tape.
    if (config_.punchOnRequest && !punchTape_.empty() && !punch_)
        quietRequestAt_ = now + config_.punchDelay;
    ArmStartSignal(now);
}

void VirtualMachine::OnLineClosed() {
    quietRequestAt_.reset();
    lineOpen_ = false;
    Log("PC側がデバイスを閉じました");
    // A PC that opens the line again may want to send: a requested punch is not taken up again.
    if (config_.punchOnRequest && punch_) {
        EndRequestedPunch();
        return;
    }
    // What is written while nobody has the device open is emptied away by the next open.
    if (punch_ && punch_->Started())
        punch_->Hold();
}

void VirtualMachine::BeginRequestedPunch(nanoseconds startAt, const char* why) {
    quietRequestAt_.reset();
    punch_.emplace(punchTape_, config_.punchCps);
    punchStartAt_ = startAt;
    punchHeldByPc_ = false;
    // The PC receives now: no start signal may run into the tape.
    startArmed_ = false;
    Log(why);
}

void VirtualMachine::EndRequestedPunch() {
    punch_.reset();
    punchStartAt_.reset();
    punchHeldByPc_ = false;
}

std::size_t VirtualMachine::ReadAllowance() const {
    return pacer_.Allowance(clock_.Now());
}

std::optional<nanoseconds> VirtualMachine::NextReadTime() const {
    return pacer_.NextArrival(clock_.Now());
}

void VirtualMachine::OnReceived(std::string_view bytes, std::size_t asked) {
    const nanoseconds now = clock_.Now();
    const auto arrivals = pacer_.Took(bytes.size(), asked, now);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ProcessByte(static_cast<std::uint8_t>(bytes[i]), arrivals[i]);
    }
    StoreClosedPrograms();
}

void VirtualMachine::ProcessByte(std::uint8_t byte, nanoseconds t) {
    ++received_;
    if (!firstArrival_)
        firstArrival_ = t;
    lastArrival_ = t;
    lastActivity_ = t;
    // Data that answers a start signal ends its repeats. The tail of the tape just ended (the
    // line feed after its "%") arrives before the new signal went out and must not cancel it.
    if (startSentSinceArmed_)
        startArmed_ = false;
    // The PC sends: the quiet line was no request for the tape.
    quietRequestAt_.reset();
    if (punch_) {
        ProcessPunchControl(byte, t);
        return;
    }
    // Between tapes the PC's DC1 asks for the machine's tape; inside one it is nothing.
    if (config_.punchOnRequest && !punchTape_.empty() && byte == kMachineDc1 &&
        !reader_.InProgram()) {
        BeginRequestedPunch(t + config_.punchDelay, "PC から DC1 を受けました: 出力します");
        return;
    }
    SendFlowSignal(buffer_.DrainUntil(t));
    // Between programs an automatic reader judges every byte afresh, so the tail of one tape
    // (the line feed after its "%") cannot fix the code of the next. From a program's start
    // line on the code holds, and parity errors inside the program are counted as such.
    if (config_.code == MachineCode::Auto && !reader_.InProgram())
        code_.Reset();
    const DecodedByte decoded = code_.Decode(byte);
    if (code_.Current() != MachineCode::Auto)
        lastCode_ = code_.Current();
    if (decoded.parityError)
        ++badParity_;
    const auto arrival = buffer_.Arrive(t, decoded.kind != ByteKind::Feed);
    SendFlowSignal(arrival.signal);
    if (!arrival.kept)
        return;
    switch (decoded.kind) {
        case ByteKind::Character:
            if (reader_.OnCharacter(decoded.character) == ReaderEvent::TapeEnded)
                OnTapeEnded(t);
            break;
        case ByteKind::Dc4:
            reader_.OnEndOfData();
            OnTapeEnded(t);
            break;
        case ByteKind::Undefined:
            ++undefined_;
            break;
        case ByteKind::Dc1:
        case ByteKind::Dc2:
        case ByteKind::Dc3:
        case ByteKind::Feed:
        case ByteKind::BadParity:
            break;
    }
}

void VirtualMachine::ProcessPunchControl(std::uint8_t byte, nanoseconds t) {
    // Nothing but flow control can come from a PC that receives, so 0x13 is DC3 here even in EIA.
    if (byte == 0x13 || byte == 0x93) {
        if (!punchHeldByPc_)
            Log("DC3 を受けました: 出力を止めます");
        punchHeldByPc_ = true;
        punch_->Hold();
    } else if (byte == kMachineDc1) {
        if (!punch_->Started() && config_.punchTrigger == PunchTrigger::Dc1 && !punchStartAt_) {
            punchStartAt_ = t + config_.punchDelay;
        }
        if (punchHeldByPc_)
            Log("DC1 を受けました: 出力を続けます");
        punchHeldByPc_ = false;
        if (lineOpen_)
            punch_->Resume(t);
    }
}

void VirtualMachine::SendFlowSignal(FlowSignal signal) {
    if (signal == FlowSignal::SendDc3) {
        control_ += static_cast<char>(config_.dc3Byte);
        Log("バッファが上限に達しました: DC3 を送ります");
    } else if (signal == FlowSignal::SendDc1) {
        control_ += static_cast<char>(kMachineDc1);
        Log("バッファが下限まで空きました: DC1 を送ります");
    }
}

void VirtualMachine::OnTapeEnded(nanoseconds t) {
    StoreClosedPrograms();
    if (completeProgramEnded_)
        onceSatisfied_ = true;
    code_.Reset();
    Log("データの終わりを受けました");
    ArmStartSignal(t);
}

void VirtualMachine::ArmStartSignal(nanoseconds t) {
    if (config_.start == StartSignal::None || punch_)
        return;
    startArmed_ = true;
    startSentSinceArmed_ = false;
    nextStartSignal_ = t;
}

void VirtualMachine::StoreClosedPrograms() {
    for (const ReceivedProgram& program : reader_.TakePrograms()) {
        programNames_.push_back(program.name);
        if (program.complete) {
            completeProgramEnded_ = true;
        } else {
            ++incomplete_;
        }
        if (store_ && !store_->Store(program)) {
            ++storeErrors_;
            Log("プログラム " + program.name + " を保存できません");
        } else {
            Log("プログラム " + program.name + (program.complete ? "" : " (途中まで)") +
                " を受け取りました");
        }
    }
}

void VirtualMachine::Poll() {
    const nanoseconds now = clock_.Now();
    if (!punch_)
        SendFlowSignal(buffer_.DrainUntil(now));
    // A DC1 while DC3 is in force would let the PC overrun the buffer.
    if (startArmed_ && lineOpen_ && now >= nextStartSignal_ && !buffer_.Stopped()) {
        // One signal at a time: a PC that is not reading must not find a pile of them.
        if (control_.empty()) {
            if (config_.start == StartSignal::Dc1) {
                control_ += static_cast<char>(kMachineDc1);
            } else {
                control_ += static_cast<char>(EncodeCharacter('%', config_.code).value_or('%'));
            }
            ++startSignals_;
            startSentSinceArmed_ = true;
        }
        if (config_.startRepeat.count() > 0) {
            nextStartSignal_ = now + config_.startRepeat;
        } else {
            startArmed_ = false;
        }
    }
    if (quietRequestAt_ && now >= *quietRequestAt_ && lineOpen_ && !punch_)
        BeginRequestedPunch(now, "PC側は開いたまま何も送りません: 出力します");
    if (punch_ && !punch_->Started() && punchStartAt_ && now >= *punchStartAt_ && lineOpen_) {
        punch_->Start(now);
        Log("出力を始めます");
    }
}

std::string_view VirtualMachine::PendingOutput() {
    if (!control_.empty()) {
        pendingIsControl_ = true;
        return control_;
    }
    pendingIsControl_ = false;
    if (punch_ && lineOpen_)
        return punch_->Due(clock_.Now());
    return {};
}

void VirtualMachine::OnWritten(std::size_t n) {
    if (n == 0)
        return;
    if (pendingIsControl_) {
        control_.erase(0, std::min(n, control_.size()));
        return;
    }
    if (!punch_)
        return;
    const bool wasDone = punch_->Done();
    punch_->Written(n);
    punched_ += n;
    lastActivity_ = clock_.Now();
    if (!wasDone && punch_->Done()) {
        Log("出力を終えました");
        // Ready to read again, and to punch on the next request.
        if (config_.punchOnRequest)
            EndRequestedPunch();
    }
}

std::optional<nanoseconds> VirtualMachine::NextDeadline() const {
    const nanoseconds now = clock_.Now();
    std::optional<nanoseconds> next;
    if (!punch_)
        Earliest(next, buffer_.NextDc1Time());
    if (startArmed_ && lineOpen_ && !buffer_.Stopped())
        Earliest(next, nextStartSignal_);
    if (quietRequestAt_ && lineOpen_ && !punch_)
        Earliest(next, *quietRequestAt_);
    if (punch_ && lineOpen_) {
        if (!punch_->Started() && punchStartAt_)
            Earliest(next, *punchStartAt_);
        Earliest(next, punch_->NextDue(now));
    }
    if (config_.exitAfterIdle && lastActivity_)
        Earliest(next, *lastActivity_ + *config_.exitAfterIdle);
    return next;
}

bool VirtualMachine::ShouldExit() const {
    if (punch_) {
        if (!punch_->Done())
            return false;
        if (config_.once)
            return true;
    } else if (config_.once && onceSatisfied_) {
        return true;
    }
    // A pause the machine holds with its own DC3 is not silence: the PC is waiting for DC1.
    if (config_.exitAfterIdle && lastActivity_ && (punch_ || !buffer_.Stopped())) {
        return clock_.Now() - *lastActivity_ >= *config_.exitAfterIdle;
    }
    return false;
}

void VirtualMachine::Finish() {
    reader_.Finish();
    StoreClosedPrograms();
}

MachineSummary VirtualMachine::Summary() const {
    MachineSummary s;
    s.code = std::string(MachineCodeName(lastCode_));
    s.received = received_;
    s.programs = programNames_;
    s.programsIncomplete = incomplete_;
    s.storeErrors = storeErrors_;
    s.startSignals = startSignals_;
    const FlowCounters& flow = buffer_.Counters();
    s.dc3Sent = flow.dc3Sent;
    s.dc1Sent = flow.dc1Sent;
    s.overrunMax = flow.overrunMax;
    s.overrunTotal = flow.overrunTotal;
    s.lost = flow.lost;
    s.badParity = badParity_;
    s.undefined = undefined_;
    s.punched = punched_;
    s.punchDropped = punchDropped_;
    if (firstArrival_ && lastArrival_) {
        // Each paced arrival time is the end of its character, so the first one began a
        // character time earlier.
        const nanoseconds span = *lastArrival_ - *firstArrival_ + pacer_.CharacterTime();
        s.elapsedSeconds = Seconds(span);
        if (pacer_.Paced() && span.count() > 0) {
            s.utilisation = static_cast<double>(received_) / (Seconds(span) * pacer_.Cps());
        }
    }
    s.lineCps = pacer_.Cps();
    s.runSeconds = Seconds(clock_.Now() - startedAt_);
    return s;
}

void VirtualMachine::Log(const std::string& text) const {
    if (log_)
        log_(text);
}

}  // namespace kelvantori::machine
