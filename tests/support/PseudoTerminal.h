// A pseudo-terminal pair for tests: the slave is the "serial port" under test, the master is
// the machine's end of the line.
#pragma once

#include <termios.h>

#include <chrono>
#include <string>
#include <string_view>

namespace kelvantori::test {

class PseudoTerminal {
  public:
    PseudoTerminal();  // throws std::runtime_error when no pseudo-terminal can be made
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    // Writes every byte to the master (the port under test reads them).
    void Send(std::string_view bytes);
    // Bytes that reach the master within the time, stopping early once `count` have come.
    std::string Receive(std::size_t count, std::chrono::milliseconds within);
    // The slave's termios, read through the master (termios ioctls on the master act on the slave).
    termios SlaveTermios() const;
    void CloseMaster();

  private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace kelvantori::test
