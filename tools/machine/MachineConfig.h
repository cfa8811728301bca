// How the virtual controller behaves: its code, start signal, receive buffer and flow control,
// line rate, punch output and when it stops.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "machine/MachineCode.h"
#include "machine/PunchTape.h"
#include "machine/ReceiveBuffer.h"

namespace kelvantori::machine {

enum class StartSignal { None, Dc1, Percent };

enum class PunchTrigger {
    LineOpened,  // the PC side opens the device (a PC that receives sends nothing to wait for)
    Dc1,         // the PC sends DC1
};

inline constexpr std::uint8_t kMachineDc1 = 0x11;

struct MachineConfig {
    MachineCode code = MachineCode::Iso;

    StartSignal start = StartSignal::None;
    // The PC empties its buffers when it opens the port, which can swallow a start signal sent
    // at that moment; the signal is sent again at this interval until data arrives (0: once).
    std::chrono::milliseconds startRepeat{1000};
    FlowSettings flow;
    std::uint8_t dc3Byte = 0x93;
    double lineCps = 0;  // read pacing; 0 = take what waits at once

    PunchSettings punch;
    double punchCps = 0;  // 0 = as fast as the line takes the bytes
    PunchTrigger punchTrigger = PunchTrigger::LineOpened;
    std::chrono::milliseconds punchDelay{500};
    // Both directions: the machine reads and stores tapes as without a punch program, and
    // punches the program each time the PC asks for it with DC1 while no tape is being read
    // (the PC's receive). A punch the PC closes the line on is abandoned.
    bool punchOnRequest = false;

    std::optional<std::chrono::milliseconds> exitAfterIdle;
    bool once = false;
};

}  // namespace kelvantori::machine
