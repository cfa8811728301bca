// What every engine test needs: one ManualClock shared by the scripted port and the recording
// host, a recording log, settings that start a transfer without a machine signal, and helpers
// to load programs and show line bytes readably when a comparison fails.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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
    EngineRig() {
        settings.DirPath = "C:\\NC";
        // Started by the confirmation, which the host answers Yes unless told otherwise.
        settings.Signal = "N";
        files.AddFolder("C:\\NC");
    }

    ManualClock clock;
    FakeSerialPort port{clock};
    RecordingHost host{clock};
    RecordingLog log;
    MemoryFileSystem files;
    Settings settings;
    std::vector<std::string> saved;  // drive paths the last receive saved

    // A send of one program as O1.NC from DirPath, with the settings of the rig.
    TransferResult Send(const LoadedProgram& program, SendOptions options = {}) {
        SendJob job;
        job.DirPath = settings.DirPath;
        job.TransferName = "O1.NC";
        job.program = program;
        return Send(job, options);
    }
    TransferResult Send(SendJob& job, SendOptions options = {}) {
        return SendEngine(port, host, log, options).SendFile(settings, job);
    }
    TransferResult Receive(const ReceiveJob& job) {
        ReceiveEngine engine(port, host, log, files);
        const TransferResult result = engine.ReceiveFile(settings, job);
        saved = engine.SavedFiles();
        return result;
    }
};

// The program as the loader gives it for these bytes.
inline LoadedProgram ProgramOf(std::string_view bytes) {
    LoadedProgram program;
    program.text = SplitProgramLines(bytes);
    program.size = bytes.size();
    return program;
}

// "41 42 0A": bytes in hex, for messages that show where two byte strings differ.
inline std::string Hex(std::string_view bytes) {
    std::string out;
    char text[4];
    for (const char c : bytes) {
        std::snprintf(text, sizeof text, " %02X", static_cast<unsigned char>(c));
        out += text;
    }
    return out.empty() ? out : out.substr(1);
}

}  // namespace kelvantori::test
