// The receive engine: receives programs from the machine, normalises every line and saves them
// under one given name or as one file per program number.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "comm/SendEngine.h"
#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/Settings.h"
#include "platform/FileSystem.h"
#include "platform/SerialPort.h"

namespace kelvantori {

enum class ReceiveMode {
    Named,       // everything into TransferPath
    PerProgram,  // one file per program start line, in DirPath
};

struct ReceiveJob {
    ReceiveMode mode = ReceiveMode::Named;
    std::string TransferPath;  // drive path of the target (Named)
    std::string TransferName;  // its file name
    bool CloseAfterTransfer = false;
};

class ReceiveEngine {
  public:
    ReceiveEngine(SerialPort& port, TransferHost& host, TransferLog& log, FileSystem& files);
    ~ReceiveEngine();
    ReceiveEngine(const ReceiveEngine&) = delete;
    ReceiveEngine& operator=(const ReceiveEngine&) = delete;

    TransferResult ReceiveFile(const Settings& settings, const ReceiveJob& job);

    // Drive paths of the files written by the last receive, in order.
    const std::vector<std::string>& SavedFiles() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelvantori
