// A device server for the network ports' tests: it listens on a free port of 127.0.0.1 and, in
// a thread of its own, records every byte a client sends and answers as its role says. The
// RFC 2217 role agrees to the COM-PORT-OPTION and confirms every setting with its value, as
// ser2net does; the test can make it refuse, answer other values, send modem states, stop the
// client's output or close the connection.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kelvantori::test {

class ScriptedPeer {
  public:
    enum class Role {
        Silent,   // accepts and never answers
        Rfc2217,  // a Telnet COM-PORT-OPTION server
    };

    explicit ScriptedPeer(Role role);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    int Port() const { return port_; }
    // "rfc2217://127.0.0.1:40123".
    std::string Address(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_);
    }

    // --- the script (set before the client connects) -------------------------------------
    void RefuseComPort() { refuseComPort_ = true; }
    void AnswerSpeed(std::uint32_t speed) { answerSpeed_ = speed; }
    // SET-CONTROL asked is answered with another value (a setting the server cannot make).
    void AnswerControl(std::uint8_t asked, std::uint8_t answered) {
        controlAnswers_[asked] = answered;
    }
    // Bytes sent to every client as soon as it is accepted, then the connection is closed
    // when closeAfter (a server that turns the client away).
    void GreetWith(std::string bytes, bool closeAfter) {
        greeting_ = std::move(bytes);
        closeAfterGreeting_ = closeAfter;
    }

    // --- while connected ------------------------------------------------------------------
    void Send(const std::string& bytes);
    void CloseClient();

    // Every byte the clients sent, as they came on the wire.
    std::string Received() const;
    // The line bytes among them: Telnet commands taken out, doubled 0xFF made single (the
    // Silent role keeps every byte).
    std::string Data() const;
    // Waits until the received wire bytes satisfy holds.
    bool WaitFor(const std::function<bool(const std::string&)>& holds,
                 std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    int Accepted() const { return accepted_; }

  private:
    void Run();
    void Answer(std::uint8_t byte);
    void SendLocked(const std::string& bytes);

    Role role_;
    int listener_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};

    mutable std::mutex mutex_;
    int client_ = -1;
    std::string received_;
    std::string data_;
    bool refuseComPort_ = false;
    std::optional<std::uint32_t> answerSpeed_;
    std::map<std::uint8_t, std::uint8_t> controlAnswers_;
    std::string greeting_;
    bool closeAfterGreeting_ = false;
    // The Telnet parser of the RFC 2217 role.
    enum class State { Data, Command, Option, Sub, SubCommand } state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::string sub_;
};

}  // namespace kelvantori::test
