// What every engine test needs: one ManualClock shared by the scripted port and the recording
// host, a recording log, settings that start a transfer without a machine signal, and helpers
// to load programs and show line bytes readably when a comparison fails.
#pragma once

#include <string>
#include <string_view>

#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "core/Clock.h"
#include "core/ProgramText.h"
#include "core/Settings.h"
#include "support/FakeSerialPort.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingHost.h"

namespace kelvantori::test {

struct EngineRig {
    EngineRig();

    ManualClock clock;
    FakeSerialPort port{clock};
    RecordingHost host{clock};
    RecordingLog log;
    MemoryFileSystem files;
    Settings settings;

    // A send of one program from DirPath, with the settings of the rig.
    TransferResult Send(const LoadedProgram& program, SendOptions options = {});
    TransferResult Send(SendJob& job, SendOptions options = {});
    TransferResult Receive(const ReceiveJob& job);
    // Drive paths the last receive saved.
    std::vector<std::string> saved;
};

// The program as the loader gives it for these bytes.
LoadedProgram ProgramOf(std::string_view bytes);

// "41 42 0A": bytes in hex, for messages that show where two byte strings differ.
std::string Hex(std::string_view bytes);

}  // namespace kelvantori::test
