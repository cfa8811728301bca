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

std::string OpenFailureText(OpenFailure reason, const std::string& systemReason) {
    switch (reason) {
        case OpenFailure::None:
            return {};
        case OpenFailure::UnknownPort:
            return "ポート名は COM1〜COM30 です。";
        case OpenFailure::NoDevice:
            return "デバイスがありません。USB シリアル変換器が外れていないか、Host.ini の [Ports] "
                   "の指定が正しいか確かめてください。";
        case OpenFailure::NotASerialPort:
            return "シリアルポートではありません。Host.ini の [Ports] の指定を確かめてください。";
        case OpenFailure::InUse:
            return "他のプログラムがこのポートを使っています。そのプログラムを終わらせてから、"
                   "もう一度行ってください。";
        case OpenFailure::NoPermission:
            return "このポートを開く権限がありません。dialout グループに入ってください (sudo "
                   "usermod -aG dialout $USER の後、ログインし直す)。";
        case OpenFailure::Other:
            break;
    }
    return systemReason;
}

std::string OpenFailedMessage(const std::string& portName, OpenFailure reason,
                              const std::string& systemReason) {
    const std::string why = OpenFailureText(reason, systemReason);
    const std::string message = PortErrorMessage(PortError::OpenFailed, portName);
    return why.empty() ? message : message + "\n" + why;
}

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

std::string CommPortResult::UserText() const {
    return reason != OpenFailure::None ? message : PortFailureText(message, systemReason);
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
                result.reason = port.LastOpenFailure();
                result.systemReason = port.LastSystemError();
                result.message =
                    OpenFailedMessage(settings.Port, result.reason, result.systemReason);
                return result;
            }
            result.message = made.message;
            return result;
        }
        const PortError error = port.Open(made.config);
        if (error != PortError::None) {
            result.systemReason = port.LastSystemError();
            if (error == PortError::OpenFailed) {
                result.reason = port.LastOpenFailure();
                result.message =
                    OpenFailedMessage(settings.Port, result.reason, result.systemReason);
            } else {
                result.message = PortErrorMessage(error, settings.Port);
            }
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
