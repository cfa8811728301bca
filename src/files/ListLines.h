// The texts of the file list: the line of a file, a folder and the ".." entry, the header line
// above the list and the detail line of the current entry. Pure text work over names, sizes and
// time texts; the model decides which line stands where.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/DateTime.h"
#include "core/Settings.h"

namespace kelvantori {

// How lines are built, taken from the settings at every rebuild.
struct ListLineStyle {
    bool longNames = false;  // op4 "Y": the bare long name, no columns
    bool allFiles = true;    // AllFiles "Y": every file listed, the extension shown
    int listColumn = 2;      // 1..5 newspaper columns; fewer columns show more fields
    bool upperCase = false;  // op3 "Y": the whole list in capitals

    static ListLineStyle From(const Settings& settings);
};

inline constexpr std::string_view kSearchingLine = " ﾌｧｲﾙ検索中!!";
inline constexpr std::string_view kParentDetailLine = "　  一つ上のﾌｫﾙﾀﾞに移動(Enter)";
inline constexpr std::size_t kListTimeLength = 19;  // "YYYY-MM-DD HH:NN:SS"

// The line text without its mark column. In short-name mode a field of 36 blanks receives, each
// INSERTED at its 1-based screen column (a kanji or kana counts two, ASCII and half-width katakana
// one): the short base name at 1, the first four columns of the extension (dot included) at 9
// when every file is listed, the size text ending in column 21 when fewer than 4 columns are
// shown ("********" when it is longer than 8 characters), and characters 3..16 of the time text
// ("YY-MM-DD HH:NN") at 23 when fewer than 3 columns are shown. Without a
// short name, and in long-name mode, the line is the bare long name (without its extension when
// only the mask's files are listed).
// timeText is the list form "YYYY-MM-DD HH:NN:SS" or empty.
std::string FormatListLine(const ListLineStyle& style, std::string_view longName,
                           std::string_view shortName, std::string_view sizeText,
                           std::string_view timeText);

// Whole list lines, mark column included (" " = unmarked), upper-cased when the style says so.
// They replace the contents of out, so one buffer serves a whole listing.
void BuildFileLine(std::string& out, const ListLineStyle& style, std::string_view longName,
                   std::string_view shortName, std::uint64_t size, std::string_view timeText);
void BuildFolderLine(std::string& out, const ListLineStyle& style, std::string_view longName,
                     std::string_view shortName, std::string_view timeText);
// folderTimeText: the list form of the listed folder's own time, or empty.
void BuildParentLine(std::string& out, const ListLineStyle& style, std::string_view folderTimeText);

// The path text followed by blanks, cut to 67 columns, then "     ﾌｧｲﾙ数 :" and files + folders,
// or "????" when files is -1 (a scan under way). Columns count as the shop's screens show them:
// a kanji or kana two, ASCII and half-width katakana one; a character is never cut in half.
std::string FormatHeaderLine(std::string_view pathText, long long files, long long folders);

// The header's path text: " Path=" + the folder + "\*.*" when every file is listed, else
// "\" + the mask.
std::string HeaderPathText(const Settings& settings);

std::string FolderDetailLine(std::string_view name, std::string_view timeText);
std::string FileDetailLine(std::string_view name, std::uint64_t size, std::string_view timeText);

// "YYYY-MM-DD HH:NN:SS" into out[0..18]; returns false (and writes nothing) for a year outside
// 0..9999, which the fixed form cannot hold.
bool WriteListTime(const LocalDateTime& t, char* out);

}  // namespace kelvantori
