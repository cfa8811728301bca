// The send engine: sends the loaded NC program (and the further marked files) to the machine
// with the start condition, leader, framing, code conversion and the machine's DC1/DC3.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/ProgramText.h"
#include "core/Settings.h"
#include "platform/SerialPort.h"

namespace kelvantori {

struct SendJob {
    std::string DirPath;       // folder of the files: the log names DirPath + "\" + name
    std::string TransferName;  // name of the first file
    LoadedProgram program;     // the first file, loaded by the caller
    // Further marked files, sent one after another without a new start signal. The engine loads
    // each when it is reached (the loader asks its format question through the caller).
    std::vector<std::string> nextFiles;
    std::function<LoadedProgram(const std::string& name)> loadFile;
    bool CloseAfterTransfer = false;
};

struct SendOptions {
    // Writes follow the character time of the line setting, never more than aheadCharacters
    // ahead of the line, so that a machine's DC3 stops the flow within a few characters even
    // where the device hides its queue. Off only to measure the engine itself.
    bool paceToLine = true;
    int aheadCharacters = 2;
};

enum class TransferResult { Completed, Stopped };

class SendEngine {
  public:
    SendEngine(SerialPort& port, TransferHost& host, TransferLog& log, SendOptions options = {});
    ~SendEngine();
    SendEngine(const SendEngine&) = delete;
    SendEngine& operator=(const SendEngine&) = delete;

    TransferResult SendFile(const Settings& settings, SendJob& job);

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelvantori
