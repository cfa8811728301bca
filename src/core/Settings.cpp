// Loading and saving the settings record over the INI store. One table lists every key with its
// file, section, kind and field, in the order the keys are read; load and save both walk it.
#include "core/Settings.h"

#include <charconv>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/IniDocument.h"
#include "core/TextCodec.h"

namespace kelvantori {

namespace {

enum class SettingFile { Main, OutApp };

// A field of one application entry, for the keys OutAppX, OutAppX_F and OutAppX_N.
struct OutAppField {
    int letter;  // 0 = A
    std::string OutAppEntry::*field;
};

// The kind of a key is the kind of its field: text, integer, boolean (stored as 1/0), or a text
// field of an application entry.
using SettingField =
    std::variant<std::string Settings::*, int Settings::*, bool Settings::*, OutAppField>;

struct SettingKey {
    SettingFile file;
    std::string_view section;
    std::string key;
    SettingField field;
};

std::vector<SettingKey> BuildTable() {
    using S = Settings;
    const auto main = SettingFile::Main;
    std::vector<SettingKey> table = {
        {main, "Main", "Left", &S::Left},
        {main, "Main", "Top", &S::Top},
        {main, "Setting", "Port", &S::Port},
        {main, "Setting", "Speed", &S::Speed},
        {main, "Setting", "DirPath", &S::DirPath},
        {main, "Setting", "Mask", &S::Mask},
        {main, "Setting", "Signal", &S::Signal},
        {main, "Setting", "StartChar", &S::StartChar},
        {main, "Setting", "FileSort", &S::FileSort},
        {main, "Setting", "SortMuki", &S::SortMuki},
        {main, "Setting", "Code", &S::Code},
        {main, "Setting", "EndChar", &S::EndChar},
        {main, "Setting", "O/:-Change", &S::OColonChange},
        {main, "Setting", "ALL-Files", &S::AllFiles},
        {main, "Options", "op1", &S::op1},
        {main, "Options", "InvTime", &S::InvTime},
        {main, "Options", "ListColumn", &S::ListColumn},
        {main, "Setting", "DC3(0X93)", &S::Dc3As93},
        {main, "Options", "Add_No", &S::Add_No},
        {main, "Setting", "StartChar_Type", &S::StartChar_Type},
        {main, "Setting", "EndChar_Type", &S::EndChar_Type},
        {main, "Options", "Power_Off", &S::Power_Off},
        {main, "Options", "Send_SP_Cut", &S::Send_SP_Cut},
        {main, "Options", "Read_SP_Cut", &S::Read_SP_Cut},
        {main, "Options", "Send_Before", &S::Send_Before},
        {main, "Options", "AutoSelect", &S::AutoSelect},
        {main, "Setting", "SendMsg1", &S::SendMsg1},
        {main, "Setting", "R_Code", &S::R_Code},
        {main, "Options", "MSG_OP", &S::MSG_OP},
        {main, "Options", "op2", &S::op2},
        {main, "Options", "op3", &S::op3},
        {main, "Options", "op4", &S::op4},
        {main, "Options", "op5", &S::op5},
        {main, "Options", "op6", &S::op6},
        {main, "Options", "WinVer", &S::WinVer},
        {main, "Setting", "ModemePort1", &S::ModemePort1},
        {main, "Setting", "ModemePort2", &S::ModemePort2},
        {SettingFile::OutApp, "Application", "EditApp", &S::EditApp},
    };
    for (int letter = 0; letter < 26; ++letter) {
        const std::string name = std::string("OutApp") + static_cast<char>('A' + letter);
        table.push_back(
            {SettingFile::OutApp, "Application", name, OutAppField{letter, &OutAppEntry::OutApp}});
        table.push_back({SettingFile::OutApp, "Application", name + "_F",
                         OutAppField{letter, &OutAppEntry::OutApp_F}});
        table.push_back({SettingFile::OutApp, "Application", name + "_N",
                         OutAppField{letter, &OutAppEntry::OutApp_N}});
    }
    return table;
}

const std::vector<SettingKey>& Table() {
    static const std::vector<SettingKey> table = BuildTable();
    return table;
}

// A decimal integer with an optional sign and nothing else ("12abc" is not one); blanks around it
// are already gone. Out of range counts as not an integer.
std::optional<int> ParseDecimal(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() < '0' || text.front() > '9')
            return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string& TextField(Settings& settings, const OutAppField& f) {
    return settings.OutApps[static_cast<std::size_t>(f.letter)].*(f.field);
}

const std::string& TextField(const Settings& settings, const OutAppField& f) {
    return settings.OutApps[static_cast<std::size_t>(f.letter)].*(f.field);
}

void ReadKey(const IniDocument& doc, const SettingKey& row, Settings& settings) {
    const auto raw = doc.Get(row.section, row.key);
    if (!raw)
        return;  // the field keeps its default
    std::visit(
        [&](const auto& field) {
            using F = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<F, std::string Settings::*>) {
                settings.*field = Cp932ToUtf8(*raw);
            } else if constexpr (std::is_same_v<F, OutAppField>) {
                TextField(settings, field) = Cp932ToUtf8(*raw);
            } else if constexpr (std::is_same_v<F, int Settings::*>) {
                if (const auto n = ParseDecimal(*raw))
                    settings.*field = *n;
            } else {
                const auto n = ParseDecimal(*raw);
                settings.*field = n && *n != 0;
            }
        },
        row.field);
}

// A text whose stored bytes already read as the field's value keeps those bytes: CP932 has
// characters with two codes (NEC and IBM kanji) and bytes it does not define, and a value the
// user did not change must not change on disk.
std::string StoredText(const std::optional<std::string>& raw, const std::string& value) {
    if (raw && Cp932ToUtf8(*raw) == value)
        return *raw;
    return Utf8ToCp932(value);
}

void WriteKey(IniDocument& doc, const SettingKey& row, const Settings& settings) {
    const auto raw = doc.Get(row.section, row.key);
    const std::string bytes = std::visit(
        [&](const auto& field) -> std::string {
            using F = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<F, std::string Settings::*>) {
                return StoredText(raw, settings.*field);
            } else if constexpr (std::is_same_v<F, OutAppField>) {
                return StoredText(raw, TextField(settings, field));
            } else if constexpr (std::is_same_v<F, int Settings::*>) {
                return std::to_string(settings.*field);
            } else {
                return settings.*field ? "1" : "0";
            }
        },
        row.field);
    // An unchanged line is left exactly as it stands (blanks around "=" included).
    if (raw && *raw == bytes)
        return;
    doc.Set(row.section, row.key, bytes);
}

}  // namespace

Settings LoadSettings(const SettingsFiles& files) {
    Settings settings;
    const auto mainDoc = IniDocument::Parse(files.mainIni.value_or(std::string()));
    const auto outAppDoc = IniDocument::Parse(files.outAppIni.value_or(std::string()));
    for (const auto& row : Table()) {
        ReadKey(row.file == SettingFile::Main ? mainDoc : outAppDoc, row, settings);
    }
    return settings;
}

SettingsFiles SaveSettings(const Settings& settings, const SettingsFiles& old) {
    auto mainDoc = IniDocument::Parse(old.mainIni.value_or(std::string()));
    auto outAppDoc = IniDocument::Parse(old.outAppIni.value_or(std::string()));
    const auto& table = Table();
    // The main file is written Top first, then Left, then the rest in table order; in a new file
    // the keys stand in that order.
    for (const std::string_view first : {"Top", "Left"}) {
        for (const auto& row : table) {
            if (row.file == SettingFile::Main && row.key == first)
                WriteKey(mainDoc, row, settings);
        }
    }
    for (const auto& row : table) {
        if (row.file != SettingFile::Main || row.key == "Top" || row.key == "Left")
            continue;
        WriteKey(mainDoc, row, settings);
    }
    for (const auto& row : table) {
        if (row.file == SettingFile::OutApp)
            WriteKey(outAppDoc, row, settings);
    }
    return SettingsFiles{mainDoc.Serialize(), outAppDoc.Serialize()};
}

}  // namespace kelvantori
