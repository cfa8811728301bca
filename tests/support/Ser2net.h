// ser2net run by a test as the device server in front of kelvantori-machine: a generated
// configuration bridges a free TCP port of 127.0.0.1 to the machine's pseudo-terminal, as raw
// TCP or as Telnet with RFC 2217, and ser2net runs in the foreground until it is stopped. Tests
// that need it skip where it is not installed.
#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace kelvantori::test {

class Ser2netProcess {
  public:
    enum class Mode { Raw, Rfc2217 };

    // The installed ser2net, or "" when there is none.
    static std::string Executable();

    Ser2netProcess(const std::string& device, Mode mode);
    ~Ser2netProcess() { Stop(); }
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;

    // True once ser2net itself listens on the port.
    bool Started() const { return listening_; }
    // "tcp://127.0.0.1:40123" or "rfc2217://127.0.0.1:40123": the [Ports] value of the port.
    const std::string& Address() const { return address_; }
    // SIGTERM, as a device server that is switched off; waits until it has gone.
    void Stop();
    // The configuration and what ser2net said, for the message of a failed test.
    std::string Report() const;

  private:
    bool Start(const std::string& device, Mode mode);

    TempFolder folder_;
    std::unique_ptr<ChildProcess> process_;
    std::string address_;
    bool listening_ = false;
    std::string lastOutput_;
};

}  // namespace kelvantori::test
