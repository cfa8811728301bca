// The settings record: every key of the main INI file and of "OutApp_Sub.ini", loaded once when
// the program starts and saved once at an orderly close. Fields keep the names of their keys.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kelvantori {

// One external application bound to a letter A..Z (keys OutAppX, OutAppX_F, OutAppX_N).
struct OutAppEntry {
    std::string OutApp;
    std::string OutApp_F = "N";
    std::string OutApp_N;
    bool operator==(const OutAppEntry&) const = default;
};

// Switches are one-character texts "Y"/"N", compared against "Y" by their users.
struct Settings {
    // [Main]
    int Left = 10;
    int Top = 10;
    // [Setting] / [Options], in the order of reading.
    std::string Port = "COM1";
    std::string Speed = "4800,8,N,2";
    std::string DirPath = "C:";
    std::string Mask = "*.NC";
    std::string Signal = "Y";
    std::string StartChar = "N";
    std::string FileSort = "N";
    std::string SortMuki = "D";
    std::string Code = "N";
    std::string EndChar = "Y";
    std::string OColonChange = "N";  // key "O/:-Change"
    std::string AllFiles = "Y";      // key "ALL-Files"
    std::string op1 = "N";
    int InvTime = 0;
    int ListColumn = 2;
    std::string Dc3As93 = "Y";  // key "DC3(0X93)"
    std::string Add_No = "Y";
    int StartChar_Type = 1;
    int EndChar_Type = 1;
    std::string Power_Off = "N";
    std::string Send_SP_Cut = "N";
    std::string Read_SP_Cut = "N";
    int Send_Before = 0;
    std::string AutoSelect = "N";
    std::string SendMsg1;
    int R_Code = 0;
    std::string MSG_OP = "N";
    std::string op2 = "N";
    std::string op3 = "N";
    std::string op4 = "N";
    std::string op5 = "N";
    std::string op6 = "N";
    bool WinVer = false;
    std::string ModemePort1;
    std::string ModemePort2;
    // "OutApp_Sub.ini" [Application]
    std::string EditApp;
    std::array<OutAppEntry, 26> OutApps;  // index 0 = letter A

    bool operator==(const Settings&) const = default;
};

// The bytes of the two files as they are on disk (CP932). A missing file is std::nullopt.
struct SettingsFiles {
    std::optional<std::string> mainIni;
    std::optional<std::string> outAppIni;
};

// File names inside the program folder. The main file is the executable's base name + ".INI".
inline constexpr std::string_view kOutAppIniName = "OutApp_Sub.ini";

// Reads every key in table order with its default. A missing or unreadable file, a missing key
// or an integer that is not decimal all yield the default; nothing is reported. Integers are an
// optional sign and decimal digits within int ("-5", "+3"; not "abc", "12abc", "0x10"); the
// boolean WinVer is true for any such integer but 0, false for anything else.
Settings LoadSettings(const SettingsFiles& files);

// Writes Top, Left, then every other key of the main table in table order, then the 79 keys of
// "OutApp_Sub.ini", into the given old contents: everything we do not own (other sections, keys,
// comments, blank lines, their order) is kept byte for byte. Missing files and sections are
// created; a missing key goes at the end of its section. A key whose stored bytes already read as
// the field's value is left as it stands, so an unchanged text keeps its CP932 bytes exactly.
SettingsFiles SaveSettings(const Settings& settings, const SettingsFiles& old);

}  // namespace kelvantori
