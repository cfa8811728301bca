#include "support/LineRig.h"

#include <sstream>
#include <thread>

#include "files/ProgramLoader.h"
#include "platform/DriveMap.h"
#include "platform/LocalTime.h"

namespace kelvantori::test {

LineRig::LineRig() {
    folder.Write("data/.keep", "");
    config_.drives['D'] = folder.File("data");
    files = CreateSystemFileSystem(DriveMap::Build(config_, folder.Path(), {}));
    log_ = std::make_unique<FileTransferLog>(*files, "D:\\kelvantori.log", LocalNow);
    settings.DirPath = "D:";
    settings.Speed = "19200,8,N,1";
    // Started by the confirmation, answered Yes unless a case says otherwise.
    settings.Signal = "N";
}

bool LineRig::StartMachine(std::vector<std::string> options) {
    for (const auto& option : options)
        punching_ = punching_ || option == "--punch";
    options.insert(options.end(),
                   {"--raw", folder.File("raw.bin"), "--summary", folder.File("summary.txt")});
    machine_ = std::make_unique<MachineProcess>(options);
    if (!machine_->Started())
        return false;
    config_.ports[1] = machine_->DevicePath();
    port_ = CreateSystemSerialPort(config_);
    line_ = std::make_unique<RecordingSerialPort>(*port_);
    return true;
}

bool LineRig::StartMachineBehindSer2net(Ser2netProcess::Mode mode,
                                        std::vector<std::string> options) {
    if (!StartMachine(std::move(options)))
        return false;
    server_ = std::make_unique<Ser2netProcess>(machine_->DevicePath(), mode);
    if (!server_->Started())
        return false;
    UsePort(server_->Address());
    return true;
}

void LineRig::UsePort(const std::string& value) {
    config_.ports[1] = value;
    port_ = CreateSystemSerialPort(config_, timeouts);
    line_ = std::make_unique<RecordingSerialPort>(*port_);
}

TransferResult LineRig::Send(std::string_view name, std::string_view bytes, SendOptions options) {
    folder.Write("data/" + std::string(name), bytes);
    SendJob job;
    job.DirPath = settings.DirPath;
    job.TransferName = std::string(name);
    job.program = LoadFileIntoView(*files, "D:\\" + std::string(name),
                                   [](const std::string&) { return true; });
    return Send(job, options);
}

void LineRig::FinishMachine() {
    if (!machine_)
        return;
    if (!punching_) {
        // A reading machine runs until it is stopped: once it has taken every byte the engine
        // wrote (it reads at its line's pace, so some may still wait in the kernel).
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        const std::size_t written = line_ ? line_->Writes().size() : 0;
        while (folder.Read("raw.bin").size() < written && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        // A byte too many would still arrive within this time.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        machine_->Signal(SIGTERM);
    }
    if (!machine_->WaitForExit(std::chrono::seconds(3))) {
        machine_->Signal(SIGTERM);
        machine_->WaitForExit(std::chrono::seconds(3));
    }
    machineErrors_ = machine_->ErrorOutput();
    machine_.reset();
}

std::map<std::string, std::string> LineRig::Summary() const {
    std::map<std::string, std::string> values;
    std::istringstream lines(folder.Read("summary.txt"));
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

}  // namespace kelvantori::test
