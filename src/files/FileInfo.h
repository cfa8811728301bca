// The file information dialog's logic: what it shows of a file or folder (name, kind, place,
// size, attributes, modification time cut into six fields), the checks of the six time fields
// with their messages and the field that keeps the focus, and the apply that sets the time and
// the attributes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace kelvantori {

inline constexpr std::string_view kFileInfoCaption = "ﾌｧｲﾙ情報";
inline constexpr std::string_view kFolderKindText = "ﾌｧｲﾙ ﾌｫﾙﾀﾞ";
inline constexpr std::string_view kApplicationKindText = "ｱﾌﾟﾘｹｰｼｮﾝ";
// The gaps are ideographic spaces.
inline constexpr std::string_view kKindPrefix = "種類 :　　　";
inline constexpr std::string_view kPlacePrefix = "場所 :　　　";

// The controls the focus moves through: Edit1..Edit6, Button1 "更新", Button2 "終了".
enum class InfoField { Year, Month, Day, Hour, Minute, Second, Apply, Close };

// The texts of Edit1..Edit6 (year, month, day, hour, minute, second).
using TimeFields = std::array<std::string, 6>;

// "yyyy-mm-dd hh:mm:ss" cut into the six fields (characters 1-4, 6-7, 9-10, 12-13, 15-16,
// 18-19); a shorter text gives empty fields where it ends.
TimeFields TimeFieldsOf(std::string_view listTime);

// The largest number of characters of a field: 4 for the year, 2 for the others.
int TimeFieldLength(InfoField field);
// Time fields take the digits and Backspace (0x08); everything else is dropped silently.
bool AcceptsTimeFieldChar(char c);

struct FieldProblem {
    InfoField field = InfoField::Year;  // the field that gets the focus
    std::string message;                // title "確認", error icon
};

// The check of one field (Enter in a non-empty field): year from 1970, month 1..12, day
// 1..31, hour 0..23, minute and second 0..59. An empty field or one that is not all digits is
// refused as well.
std::optional<FieldProblem> CheckTimeField(InfoField field, std::string_view text);

// Where Enter moves the focus after a field passed: year -> month -> ... -> second -> the
// apply button when it is enabled, else the close button.
InfoField NextFocus(InfoField field, bool applyEnabled);

// The six checks in order (the first failure wins), then whether the fields name a real day
// (31 February does not) and a real local time.
std::optional<FieldProblem> CheckTimeFields(const TimeFields& fields);

// "ﾌｧｲﾙ ﾌｫﾙﾀﾞ" for a folder; "ｱﾌﾟﾘｹｰｼｮﾝ" for a ".EXE" (any case) or an executable file; else
// the extension without its dot, in upper case, + " ﾌｧｲﾙ" ("NC ﾌｧｲﾙ"), or "ﾌｧｲﾙ" without one.
std::string KindText(std::string_view name, bool folder, bool executable);

struct FileInfoView {
    std::string name;       // Label1
    std::string kindLine;   // Label2
    std::string placeLine;  // Label3: the folder and "\"
    std::string sizeLine;   // Label4
    bool folder = false;
    bool application = false;  // a ".EXE" or an executable file
    DosAttributes attributes;  // CheckBox1..4
    TimeFields time;           // Edit1..6, the modification time in local time
};

// Label2 with the desktop's name of the file's type: folders and applications keep the
// program's own words; a file the desktop names no type of keeps its extension text.
std::string KindLine(const FileInfoView& view, std::string_view desktopTypeName);

// nullopt when the entry cannot be read.
std::optional<FileInfoView> ReadFileInfo(FileSystem& files, std::string_view dirPath,
                                         std::string_view name);

struct ApplyOutcome {
    // A field refused: nothing was changed, the focus goes to the field.
    std::optional<FieldProblem> problem;
    // What the system refused, in the user's words; empty when everything was set.
    std::string error;
    bool Ok() const { return !problem && error.empty(); }
};

// "更新": checks the fields; sets the modification time of a file (a folder keeps its time);
// then, when the entry still exists, the attributes exactly as ticked (nothing ticked: normal).
// The caller then refreshes the list keeping the current file and closes the dialog.
ApplyOutcome ApplyFileInfo(FileSystem& files, std::string_view path, const TimeFields& fields,
                           const DosAttributes& attributes);

}  // namespace kelvantori
