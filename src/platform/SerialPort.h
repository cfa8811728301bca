// The serial port as the engines use it: open with a configuration, one byte in with a time-out,
// one byte out, output-queue length, modem lines. One implementation per operating system for
// devices (posix/SerialPortPosix.cpp), one per protocol for serial ports on the network
// (RawTcpPort.cpp, Rfc2217Port.cpp), and a scripted fake for tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/LineSetting.h"
#include "core/TapeCode.h"

namespace kelvantori {

struct HostConfig;
class SerialPort;

// Makes the port of a transfer for the Host.ini it is mapped by: CreateSystemSerialPort in the
// programs, a fake in tests.
using SerialPortFactory = std::function<std::unique_ptr<SerialPort>(const HostConfig& config)>;

// `TransferMode`: the direction a port is opened for.
enum class TransferMode { Send = 1, Receive = 2 };

struct PortConfig {
    std::string portName;  // "COM1" .. "COM30"; mapped to a device through Host.ini [Ports]
    LineSetting line;
    TransferMode mode = TransferMode::Send;
    std::uint8_t xonChar = kDC1;
    std::uint8_t xoffChar = kDC3WithParity;  // 0x13 when Dc3As93 is not "Y"
    // The driver sends XOFF/XON by the level of its input buffer (receive mode only). The driver
    // never stops our output on a received XOFF: the send engine reads DC1/DC3 itself, and a
    // receive sends nothing, so output flow control would only swallow received bytes.
    bool driverFlowIn = false;
    bool dtrOn = false;  // op1 "Y", or AutoSelect "Y"
    bool rtsOn = false;  // AutoSelect "Y"
};

// What went wrong, for the caller to show; the Japanese texts are made in CommPort.cpp.
enum class PortError {
    None,
    OpenFailed,      // the port did not open; LastOpenFailure() says why
    SetupFailed,     // the line parameters did not take
    TimeoutsFailed,  // the read/write time-out set-up failed
    PurgeFailed,     // emptying the buffers failed
    Failure,         // anything else
};

// Why a port did not open, as far as the port can tell: each implementation (the device port, a
// network port) sorts its own system errors into these, and CommPort.cpp makes the texts the
// user reads from them.
enum class OpenFailure {
    None,
    UnknownPort,     // the name stands for no port (not COM1..COM30)
    NoDevice,        // nothing is there: an adapter unplugged, a wrong address in Host.ini
    NotASerialPort,  // the address names something that is not a serial line
    InUse,           // another program holds the port
    NoPermission,    // the user may not open the device
    Other,           // anything else; LastSystemError() has the system's words
};

struct ModemStatus {
    bool cts = true;
    bool dsr = true;
    bool carrier = true;  // receive-line-signal-detect: the start signal of a transfer
    bool operator==(const ModemStatus&) const = default;
};

// Lost: the connection of a network port is gone (closed or reset by the device server, or the
// server stopped answering). Unlike a failed read it does not come back: every further read
// says Lost and every write fails until the port is opened again.
enum class ReadStatus { Byte, TimedOut, Failed, Lost };
struct ReadResult {
    ReadStatus status = ReadStatus::TimedOut;
    std::uint8_t byte = 0;
};

enum class WriteStatus { Written, Full, Failed };

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens the device exclusively, sets raw mode, the line parameters, flow control, DTR/RTS and
    // buffer sizes, and empties both buffers. After a failure the port may still be open; Close()
    // releases it.
    virtual PortError Open(const PortConfig& config) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // True when the device of portName can be opened exclusively right now (it is closed again).
    virtual bool CanOpen(const std::string& portName) = 0;

    // At most one byte, waiting up to timeout (zero: only what has already arrived). NUL bytes
    // are discarded and never delivered.
    virtual ReadResult Read(std::chrono::microseconds timeout) = 0;

    // One byte. Full when the driver takes no more now (the caller waits with WaitWritable).
    virtual WriteStatus Write(std::uint8_t byte) = 0;
    virtual bool WaitWritable(std::chrono::microseconds timeout) = 0;

    // Bytes still in the driver's output queue, or -1 when the device cannot tell (a
    // pseudo-terminal always reports 0, USB adapters hide their own FIFO).
    virtual int OutputQueueLength() = 0;

    // The modem lines. A device that cannot report them (a pseudo-terminal) reads all on.
    // nullopt when reading them failed.
    virtual std::optional<ModemStatus> GetModemStatus() = 0;

    // The system's own words for the last failure, for the log and stderr (never shown alone).
    virtual std::string LastSystemError() const = 0;

    // What the user should know about the port just opened, once per opening (a raw TCP port
    // cannot carry the line setting); empty for most ports.
    virtual std::string OpenNotice() const { return {}; }

    // Why the last Open() that returned OpenFailed, or the last CanOpen() that answered false,
    // did not open the port. A port that cannot tell answers Other.
    virtual OpenFailure LastOpenFailure() const { return OpenFailure::Other; }
};

// How long a network port waits for its device server.
struct NetworkTimeouts {
    std::chrono::milliseconds connect{5000};
    // For the answers of an RFC 2217 server to the line setting.
    std::chrono::milliseconds answer{3000};
    // After the open steps, what arrives this long is discarded with the buffers (the purge);
    // a server that refuses the connection ("Port already in use") has closed it by then.
    std::chrono::milliseconds settle{50};
};

// The port of this operating system; COMn resolves through the [Ports] section of Host.ini,
// an unmapped COMn to /dev/ttyS(n-1). The implementation is chosen by what the port stands
// for when it is opened: a device, tcp://HOST:PORT or rfc2217://HOST:PORT.
std::unique_ptr<SerialPort> CreateSystemSerialPort(const HostConfig& config,
                                                   const NetworkTimeouts& timeouts = {});
// CreateSystemSerialPort with the usual time-outs, as the programs hand it to their transfers.
SerialPortFactory SystemSerialPortFactory();

// The port of serial devices on this operating system (COMn through Host.ini as above).
std::unique_ptr<SerialPort> CreateDeviceSerialPort(const HostConfig& config);

}  // namespace kelvantori
