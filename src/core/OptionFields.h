// The option dialog's fields as a table: on which page and in which place of the page's ring
// each one stands, its control and label, its length, the keys it takes and the setting it
// edits. The dialog builds its fields from the table, fills them with OptionFieldText and hands
// the texts back to ApplyOptionFields; no rule of a field lives in the dialog.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"

namespace kelvantori {

inline constexpr std::string_view kOptionCaption = "ｵﾌﾟｼｮﾝ設定";
inline constexpr std::string_view kOptionCloseTitle = "オプション設定";
inline constexpr std::string_view kOptionCloseQuestion =
    "オプション設定が変更されています。\n保存せずに終了しますか？";

struct OptionPage {
    std::string_view sheet;    // TabSheet1..TabSheet4
    std::string_view caption;  // "通信全般", ...
};

// A help label beside a page's fields (the send page's character types).
struct OptionHelp {
    std::size_t page;
    std::string_view control;  // Label1..Label3
    std::string_view text;
    int besideTag;  // the field it explains
};

struct OptionField {
    std::size_t page;  // index into OptionPages()
    int tag;           // place in the page's ring, from 1
    std::string_view control;
    std::string_view label;
    int maxLength;                 // 0: no limit
    std::string_view allowedKeys;  // empty: every key
    std::string Settings::*text;   // the setting, when it is a text...
    int Settings::*integer;        // ...or an integer (decimal in the field)
};

const std::array<OptionPage, 4>& OptionPages();
const std::array<OptionHelp, 3>& OptionHelps();
// Every field, page by page, each page's fields in tag order.
std::span<const OptionField> OptionFields();

// Whether a field takes a typed character (UTF-8): every character when the field takes every
// key, else only those of its set. Backspace is not a character and always works.
bool OptionFieldTakes(const OptionField& field, std::string_view typed);

// The text a field shows for the settings (integers in decimal).
std::string OptionFieldText(const Settings& settings, const OptionField& field);

// The tag after (before) a tag in the page's ring: the last goes to the first and back.
int NextOptionTag(std::size_t page, int tag);
int PreviousOptionTag(std::size_t page, int tag);

// What an apply changed that the file list must follow at once.
struct OptionEffects {
    bool allFilesChanged = false;    // the list is read again
    bool listColumnChanged = false;  // the list takes the new number of columns, read again
    bool listTextChanged = false;    // op3 or op4: the lines are drawn again
    bool operator==(const OptionEffects&) const = default;
};

// Copies the field texts (one per OptionFields() entry, in that order) into the settings. A text
// setting takes the text as it stands; an integer takes the decimal number, and an empty (or
// unreadable) field keeps the previous value. ListColumn outside 1..5 becomes 5.
OptionEffects ApplyOptionFields(Settings& settings, const std::vector<std::string>& texts);

}  // namespace kelvantori
