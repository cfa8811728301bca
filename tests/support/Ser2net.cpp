// ser2net as the tests' device server (Linux: /proc tells which process listens where).
#include "support/Ser2net.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "support/FreeLocalPort.h"

namespace kelvantori::test {

namespace {

using namespace std::chrono_literals;

// True when process pid holds a socket listening on 127.0.0.1:port.
bool ListensOn(pid_t pid, int port) {
    std::set<std::string> inodes;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        const auto colon = local.find(':');
        if (state == "0A" && colon != std::string::npos &&
            std::strtol(local.c_str() + colon + 1, nullptr, 16) == port)
            inodes.insert(inode);
    }
    if (inodes.empty())
        return false;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (dir == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        char target[128] = {};
        const std::string path = fds + "/" + entry->d_name;
        if (::readlink(path.c_str(), target, sizeof target - 1) <= 0)
            continue;
        const std::string link = target;
        if (link.starts_with("socket:[") && inodes.count(link.substr(8, link.size() - 9)) > 0)
            found = true;
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string Ser2netProcess::Executable() {
    std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    // Not every user has the sbin folders in PATH.
    path += ":/usr/sbin:/sbin";
    std::istringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/ser2net";
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

Ser2netProcess::Ser2netProcess(const std::string& device, Mode mode) {
    if (Executable().empty())
        return;
    for (int attempt = 0; attempt < 3 && !listening_; ++attempt)
        listening_ = Start(device, mode);
}

bool Ser2netProcess::Start(const std::string& device, Mode mode) {
    // ser2net cannot take a socket from us: when another program takes the port first, ser2net
    // is found not listening and the constructor tries another.
    const int port = FreeLocalPort();
    const std::string where = "127.0.0.1," + std::to_string(port);
    // As a shop would set it up for a machine (docs/network-ports.md): no Nagle, and every
    // byte from the line passed on at once, so a DC3 reaches the PC without delay.
    const std::string accepter =
        mode == Mode::Rfc2217 ? "telnet(rfc2217),tcp(nodelay)," + where : "tcp(nodelay)," + where;
    folder_.Write("ser2net.yaml",
                  "%YAML 1.1\n---\n"
                  "connection: &kelvantori\n"
                  "  accepter: " +
                      accepter +
                      "\n"
                      "  connector: serialdev," +
                      device +
                      ",19200n81,local\n"
                      "  options:\n"
                      "    chardelay: false\n");
    // -n -d: in the foreground, its log on stdout; -u: no UUCP lock files.
    process_ = std::make_unique<ChildProcess>(
        Executable(),
        std::vector<std::string>{"-n", "-d", "-u", "-c", folder_.File("ser2net.yaml"), "-P",
                                 folder_.File("ser2net.pid")},
        ChildProcess::Environment{});
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (process_->Started() && std::chrono::steady_clock::now() < until) {
        if (ListensOn(process_->Pid(), port)) {
            address_ = (mode == Mode::Rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") +
                       std::to_string(port);
            return true;
        }
        if (process_->WaitForExit(5ms))
            break;
    }
    Stop();
    return false;
}

void Ser2netProcess::Stop() {
    if (!process_)
        return;
    process_->Signal(SIGTERM);
    if (!process_->WaitForExit(3s))
        process_->Signal(SIGKILL);
    process_->WaitForExit(3s);
    lastOutput_ = process_->Output() + process_->ErrorOutput();
    process_.reset();
    listening_ = false;
}

std::string Ser2netProcess::Report() const {
    const std::string output =
        process_ ? process_->Output() + process_->ErrorOutput() : lastOutput_;
    return folder_.Read("ser2net.yaml") + "--- ser2net said:\n" + output;
}

}  // namespace kelvantori::test
