// The communication settings panel's rules.
#include "core/CommSettingsFields.h"

#include "core/DrivePath.h"

namespace kelvantori {

std::string& CommSettingsFields::Of(CommField field) {
    switch (field) {
        case CommField::Speed:
            return Speed;
        case CommField::Port:
            return Port;
        case CommField::Signal:
            return Signal;
        case CommField::StartChar:
            return StartChar;
        case CommField::EndChar:
            return EndChar;
        case CommField::Code:
            break;
    }
    return Code;
}

bool CommSettingsFields::AnyFilled() const {
    return !Speed.empty() || !Port.empty() || !Signal.empty() || !StartChar.empty() ||
           !EndChar.empty() || !Code.empty();
}

CommSettingsFields FieldsOfSettings(const Settings& settings) {
    return CommSettingsFields{settings.Speed,     settings.Port,    settings.Signal,
                              settings.StartChar, settings.EndChar, settings.Code};
}

std::string_view CommFieldKeys(CommField field) {
    switch (field) {
        case CommField::Speed:
            return "0123456789,NEOneo";
        case CommField::Port:
            return "0123456789COMcom";
        default:
            return "YNyn";
    }
}

bool CommFieldTakes(CommField field, char c) {
    return c != '\0' && CommFieldKeys(field).find(c) != std::string_view::npos;
}

CommField NextCommField(CommField field) {
    return field == CommField::Code ? CommField::Speed
                                    : static_cast<CommField>(static_cast<int>(field) + 1);
}

CommField PreviousCommField(CommField field) {
    return field == CommField::Speed ? CommField::Code
                                     : static_cast<CommField>(static_cast<int>(field) - 1);
}

std::string SpeedCaption(const Settings& settings) {
    return "通信条件(" + settings.Speed + ")";
}

std::string PortCaption(const Settings& settings) {
    return "ポート番号(" + settings.Port + ")";
}

CommSaveResult SaveCommSettings(const CommSettingsFields& fields, Settings& settings) {
    if (!fields.Speed.empty() && (fields.Speed.size() < 10 || fields.Speed.size() > 12))
        return CommSaveResult::SpeedLength;
    if (!fields.Speed.empty())
        settings.Speed = AsciiUpper(fields.Speed);
    if (!fields.Port.empty()) {
        const std::string port = AsciiUpper(fields.Port);
        settings.Port = port.find("COM") != std::string::npos ? port : "COM" + port;
    }
    const auto store = [](const std::string& field, std::string& setting) {
        if (!field.empty())
            setting = AsciiUpper(field);
    };
    store(fields.Signal, settings.Signal);
    store(fields.StartChar, settings.StartChar);
    store(fields.EndChar, settings.EndChar);
    store(fields.Code, settings.Code);
    return CommSaveResult::Saved;
}

}  // namespace kelvantori
