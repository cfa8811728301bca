#include "support/EngineRig.h"

#include <cstdio>

namespace kelvantori::test {

EngineRig::EngineRig() {
    settings.DirPath = "C:\\NC";
    // Started by the confirmation, which the host answers Yes unless told otherwise.
    settings.Signal = "N";
    files.AddFolder("C:\\NC");
}

TransferResult EngineRig::Send(const LoadedProgram& program, SendOptions options) {
    SendJob job;
    job.DirPath = settings.DirPath;
    job.TransferName = "O1.NC";
    job.program = program;
    return Send(job, options);
}

TransferResult EngineRig::Send(SendJob& job, SendOptions options) {
    SendEngine engine(port, host, log, options);
    return engine.SendFile(settings, job);
}

TransferResult EngineRig::Receive(const ReceiveJob& job) {
    ReceiveEngine engine(port, host, log, files);
    const TransferResult result = engine.ReceiveFile(settings, job);
    saved = engine.SavedFiles();
    return result;
}

LoadedProgram ProgramOf(std::string_view bytes) {
    LoadedProgram program;
    program.text = SplitProgramLines(bytes);
    program.size = bytes.size();
    return program;
}

std::string Hex(std::string_view bytes) {
    std::string out;
    char text[4];
    for (const char c : bytes) {
        std::snprintf(text, sizeof text, " %02X", static_cast<unsigned char>(c));
        out += text;
    }
    return out.empty() ? out : out.substr(1);
}

}  // namespace kelvantori::test
