// Opening the port for a transfer: the configuration from the settings, and the one place where
// the failures of the opening become the texts the operator reads.
#include "platform/CommPort.h"

#include <exception>
#include <string_view>

#include "core/LineSetting.h"

namespace kelvantori {

namespace {

constexpr std::string_view kSpeedMessage = "通信設定（速度）を確認してください!!";

}  // namespace

std::string PortErrorMessage(PortError error, const std::string& portName) {
    switch (error) {
        case PortError::None:
            return {};
        case PortError::OpenFailed:
            return portName + "のポートが開きません。!!";
        case PortError::SetupFailed:
            return "通信速度の設定エラー!!";
        case PortError::TimeoutsFailed:
            return "タイムアウト!!";
        case PortError::PurgeFailed:
            return "回線初期化エラー!!";
        case PortError::Failure:
            break;
    }
    return "通信エラー!!";
}

std::string PortFailureText(const std::string& message, const std::string& systemReason) {
    return systemReason.empty() ? message : message + "\n" + systemReason;
}

PortConfigResult MakePortConfig(const Settings& settings, TransferMode mode) {
    PortConfigResult result;
    const auto parsed = ParseLineSetting(settings.Speed);
    if (parsed.error == LineSettingError::BadSpeed) {
        result.message = std::string(kSpeedMessage);
        return result;
    }
    if (parsed.error != LineSettingError::None) {
        result.message = PortErrorMessage(PortError::Failure, settings.Port);
        return result;
    }
    PortConfig& config = result.config;
    config.portName = settings.Port;
    config.line = parsed.setting;
    config.mode = mode;
    config.xonChar = kDC1;
    config.xoffChar = settings.Dc3As93 == "Y" ? kDC3WithParity : kDC3;
    // Only a receive lets the driver hold the machine back when its input buffer fills; a send
    // reads the machine's DC1/DC3 itself.
    config.driverFlowIn = mode == TransferMode::Receive;
    // An automatic line switcher is powered and selected through DTR and RTS.
    config.dtrOn = settings.op1 == "Y" || settings.AutoSelect == "Y";
    config.rtsOn = settings.AutoSelect == "Y";
    result.ok = true;
    return result;
}

CommPortResult OpenCommPort(SerialPort& port, const Settings& settings, TransferMode mode) {
    CommPortResult result;
    try {
        const auto made = MakePortConfig(settings, mode);
        if (!made.ok) {
            // The device is opened before the line setting is read, so a port that is missing
            // or busy is what the operator hears about first.
            if (!port.CanOpen(settings.Port)) {
                result.message = PortErrorMessage(PortError::OpenFailed, settings.Port);
                result.systemReason = port.LastSystemError();
                return result;
            }
            result.message = made.message;
            return result;
        }
        const PortError error = port.Open(made.config);
        if (error != PortError::None) {
            result.message = PortErrorMessage(error, settings.Port);
            result.systemReason = port.LastSystemError();
            return result;
        }
        result.modem = port.GetModemStatus();
        result.notice = port.OpenNotice();
        result.ok = true;
    } catch (const std::exception& e) {
        result = CommPortResult{};
        result.message = PortErrorMessage(PortError::Failure, settings.Port);
        result.systemReason = e.what();
    }
    return result;
}

bool PortUsable(SerialPort& port, int n, const Settings& settings) {
    const std::string name = "COM" + std::to_string(n);
    if (!port.CanOpen(name))
        return false;
    return name != settings.ModemePort1 && name != settings.ModemePort2;
}

}  // namespace kelvantori
