// The communication settings panel without its widgets: the six fields in their focus order,
// the keys each takes, the captions that show the stored values, and what saving makes of the
// fields. The panel edits the settings in memory; they reach the INI file at close.
#pragma once

#include <string>
#include <string_view>

#include "core/Settings.h"

namespace kelvantori {

// The fields by their place in the focus ring (the Tag of each control).
enum class CommField {
    Speed = 1,  // ComboBox11: the line setting
    Port,       // ComboBox12
    Signal,     // Edit4
    StartChar,  // Edit6
    EndChar,    // Edit5
    Code,       // Edit8
};

struct CommSettingsFields {
    std::string Speed;
    std::string Port;
    std::string Signal;
    std::string StartChar;
    std::string EndChar;
    std::string Code;

    std::string& Of(CommField field);
    bool AnyFilled() const;
    bool operator==(const CommSettingsFields&) const = default;
};

inline constexpr std::string_view kCommSettingsCaption = "通信設定";
inline constexpr std::string_view kCommSettingsBackQuestion =
    "通信設定が変更されています。\n保存せずに終了しますか？";
inline constexpr std::string_view kCommSettingsLengthMessage = "入力データを確認してください。";

// The fields as the panel opens: the stored values.
CommSettingsFields FieldsOfSettings(const Settings& settings);

// The characters a field takes as typed (Backspace is always taken).
std::string_view CommFieldKeys(CommField field);
bool CommFieldTakes(CommField field, char c);

// The next and the previous field of the ring for Enter/Down and Up. Enter in ComboBox11 moves
// to ComboBox12, in ComboBox12 to Edit4, and from Edit8 back to ComboBox11; Up from Edit4 goes
// to ComboBox12.
CommField NextCommField(CommField field);
CommField PreviousCommField(CommField field);

// "通信条件(4800,8,N,2)" and "ポート番号(COM1)".
std::string SpeedCaption(const Settings& settings);
std::string PortCaption(const Settings& settings);

enum class CommSaveResult {
    Saved,
    SpeedLength,  // a line setting that is not 10 to 12 characters long: nothing is stored
};

// Stores every field that is not empty, upper-cased: the line setting after its length check,
// the port with "COM" put before a bare number, the four Y/N switches.
CommSaveResult SaveCommSettings(const CommSettingsFields& fields, Settings& settings);

}  // namespace kelvantori
