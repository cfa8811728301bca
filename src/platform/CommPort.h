// Opening the port for a transfer from the settings, with the program's own failure messages,
// and the test whether a port can be offered to the user.
#pragma once

#include <optional>
#include <string>

#include "core/Settings.h"
#include "platform/SerialPort.h"

namespace kelvantori {

struct CommPortResult {
    bool ok = false;
    // The text to show when !ok: "COM3のポートが開きません。!!", for a port that did not open
    // followed by a line saying why ("他のプログラムがこのポートを使っています。..."). UserText()
    // is what the user reads.
    std::string message;
    OpenFailure reason = OpenFailure::None;  // why the port did not open
    std::string systemReason;          // the system's words, for the log or stderr; may be empty
    std::optional<ModemStatus> modem;  // read after the purge, for the DSR/CTS lamps
    std::string notice;                // said once when ok (SerialPort::OpenNotice)

    // The message, and for a failure after the opening (a setting that did not take) the
    // system's reason on the line after it; a port that did not open says why in its message.
    std::string UserText() const;
};

// The port configuration a transfer of the given mode uses: line setting from `Speed`,
// XON 0x11, XOFF 0x93 (Dc3As93 "Y") or 0x13, driver input flow control in receive mode,
// DTR for op1, DTR+RTS for AutoSelect. Fails with the speed message for a bad speed.
struct PortConfigResult {
    bool ok = false;
    std::string message;
    PortConfig config;
};
PortConfigResult MakePortConfig(const Settings& settings, TransferMode mode);

// Everything of the port opening except the automatic-switching exchange, which the engines run
// after a successful open.
CommPortResult OpenCommPort(SerialPort& port, const Settings& settings, TransferMode mode);

// The message for a port error ("通信速度の設定エラー!!", ...).
std::string PortErrorMessage(PortError error, const std::string& portName);

// What the user can do about a port that did not open, one line; for Other the system's words.
std::string OpenFailureText(OpenFailure reason, const std::string& systemReason);

// The whole message of a port that did not open: the program's text first, then why.
std::string OpenFailedMessage(const std::string& portName, OpenFailure reason,
                              const std::string& systemReason);

// What the user reads about a failure of the port once it is open (a setting that did not take,
// a line that went away): the program's own message first, the system's reason on the line
// after it ("COM5の回線が切れました。!!\nConnection reset by peer").
std::string PortFailureText(const std::string& message, const std::string& systemReason);

// True when "COM<n>" can be opened and is neither ModemePort1 nor ModemePort2.
bool PortUsable(SerialPort& port, int n, const Settings& settings);

}  // namespace kelvantori
