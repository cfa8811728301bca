// Line, header and detail texts of the file list.
#include "files/ListLines.h"

#include <charconv>

#include "core/DrivePath.h"
#include "files/SizeText.h"

namespace kelvantori {

namespace {

constexpr std::size_t kFieldWidth = 36;
constexpr std::size_t kMaxSizeText = 8;
constexpr std::string_view kSizeOverflow = "********";
constexpr std::size_t kHeaderColumns = 67;
constexpr std::string_view kDirText = "<DIR>";

// Display columns of the UTF-8 character at text[i] and its length in bytes.
std::size_t ColumnsOf(std::string_view text, std::size_t i, std::size_t* length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        *length = 1;
        return 1;
    }
    std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + n > text.size())
        n = text.size() - i;
    *length = n;
    if (n == 3) {
        // U+FF61..U+FF9F, the half-width katakana: EF BD A1..EF BD BF and EF BE 80..EF BE 9F.
        const auto b1 = static_cast<unsigned char>(text[i + 1]);
        const auto b2 = static_cast<unsigned char>(text[i + 2]);
        if (lead == 0xEF && ((b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F)))
            return 1;
    }
    return 2;
}

// Inserts piece into text at the 1-based screen column position of the part of text that starts
// at base; a position past the end appends. Columns count as the list shows them (a kanji or kana
// two, ASCII and half-width katakana one), so a short name with Japanese characters keeps the
// extension, size and time columns where they belong; a position inside a two-column character
// falls behind it.
void InsertAt(std::string& text, std::size_t base, std::size_t position, std::string_view piece) {
    std::size_t index = base;
    for (std::size_t column = 1; column < position && index < text.size();) {
        std::size_t length = 0;
        column += ColumnsOf(text, index, &length);
        index += length;
    }
    text.insert(index, piece);
}

// The leading part of text that fits max screen columns, never cut inside a character.
std::string_view LeadingColumns(std::string_view text, std::size_t max) {
    std::size_t index = 0;
    for (std::size_t columns = 0; index < text.size();) {
        std::size_t length = 0;
        columns += ColumnsOf(text, index, &length);
        if (columns > max)
            break;
        index += length;
    }
    return text.substr(0, index);
}

// The extension of a name with its dot, as the last "."-part ("" when there is none).
std::string_view ExtensionOf(std::string_view name) {
    const auto dot = name.find_last_of(".\\:");
    if (dot == std::string_view::npos || name[dot] != '.')
        return {};
    return name.substr(dot);
}

std::string_view WithoutExtension(std::string_view name) {
    return name.substr(0, name.size() - ExtensionOf(name).size());
}

// Characters 3..16 of the list form: "YY-MM-DD HH:NN".
std::string_view ShortTimeOf(std::string_view timeText) {
    if (timeText.size() <= 2)
        return {};
    return timeText.substr(2, 14);
}

void UpperInPlace(std::string& text) {
    for (auto& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}

// Appends the text of FormatListLine to out.
void AppendListLine(std::string& out, const ListLineStyle& style, std::string_view longName,
                    std::string_view shortName, std::string_view sizeText,
                    std::string_view timeText) {
    if (style.longNames || shortName.empty()) {
        out.append(style.allFiles ? longName : WithoutExtension(longName));
        return;
    }
    const std::size_t base = out.size();
    out.append(kFieldWidth, ' ');
    const std::string_view extension = ExtensionOf(shortName);
    InsertAt(out, base, 1, WithoutExtension(shortName));
    if (style.allFiles)
        InsertAt(out, base, 9, LeadingColumns(extension, 4));
    if (style.listColumn < 4) {
        const std::string_view size = sizeText.size() > kMaxSizeText ? kSizeOverflow : sizeText;
        InsertAt(out, base, 22 - size.size(), size);
    }
    if (style.listColumn < 3)
        InsertAt(out, base, 23, ShortTimeOf(timeText));
}

}  // namespace

ListLineStyle ListLineStyle::From(const Settings& settings) {
    ListLineStyle style;
    style.longNames = settings.op4 == "Y";
    style.allFiles = settings.AllFiles == "Y";
    style.listColumn = settings.ListColumn;
    style.upperCase = settings.op3 == "Y";
    return style;
}

std::string FormatListLine(const ListLineStyle& style, std::string_view longName,
                           std::string_view shortName, std::string_view sizeText,
                           std::string_view timeText) {
    std::string out;
    AppendListLine(out, style, longName, shortName, sizeText, timeText);
    return out;
}

void BuildFileLine(std::string& out, const ListLineStyle& style, std::string_view longName,
                   std::string_view shortName, std::uint64_t size, std::string_view timeText) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, size).ptr;
    out.assign(1, ' ');
    AppendListLine(out, style, longName, shortName, std::string_view(digits, end - digits),
                   timeText);
    if (style.upperCase)
        UpperInPlace(out);
}

void BuildFolderLine(std::string& out, const ListLineStyle& style, std::string_view longName,
                     std::string_view shortName, std::string_view timeText) {
    if (style.listColumn >= 4) {
        out.assign(" <DIR>");
        AppendListLine(out, style, longName, shortName, {}, timeText);
    } else {
        out.assign(1, ' ');
        AppendListLine(out, style, longName, shortName, kDirText, timeText);
    }
    if (style.upperCase)
        UpperInPlace(out);
}

void BuildParentLine(std::string& out, const ListLineStyle& style,
                     std::string_view folderTimeText) {
    out.assign(" ..");
    if (style.listColumn <= 3) {
        out.append(14, ' ');
        out.append(kDirText);
    }
    if (style.listColumn <= 2) {
        out.push_back(' ');
        out.append(ShortTimeOf(folderTimeText));
    }
    if (style.upperCase)
        UpperInPlace(out);
}

std::string FormatHeaderLine(std::string_view pathText, long long files, long long folders) {
    std::string out;
    std::size_t columns = 0;
    for (std::size_t i = 0; i < pathText.size();) {
        std::size_t length = 0;
        const std::size_t width = ColumnsOf(pathText, i, &length);
        if (columns + width > kHeaderColumns)
            break;
        out.append(pathText.substr(i, length));
        columns += width;
        i += length;
    }
    out.append(kHeaderColumns - columns, ' ');
    out.append("     ﾌｧｲﾙ数 :");
    if (files == -1) {
        out.append("????");
    } else {
        out.append(std::to_string(files + folders));
    }
    return out;
}

std::string HeaderPathText(const Settings& settings) {
    const std::string_view pattern =
        settings.AllFiles == "Y" ? std::string_view("*.*") : std::string_view(settings.Mask);
    return " Path=" + JoinDrivePath(settings.DirPath, pattern);
}

std::string FolderDetailLine(std::string_view name, std::string_view timeText) {
    std::string out = "　  ﾌｫﾙﾀﾞ詳細:<DIR>";
    out.append(name);
    out.append("  日付 :");
    out.append(timeText);
    return out;
}

std::string FileDetailLine(std::string_view name, std::uint64_t size, std::string_view timeText) {
    std::string out = "　　ﾌｧｲﾙ詳細 :";
    out.append(name);
    out.append("  ｻｲｽﾞ :");
    out.append(FormatFileSize(size));
    out.append("  日付 :");
    out.append(timeText);
    return out;
}

bool WriteListTime(const LocalDateTime& t, char* out) {
    if (t.year < 0 || t.year > 9999)
        return false;
    const auto two = [](char* at, int value) {
        at[0] = static_cast<char>('0' + value / 10 % 10);
        at[1] = static_cast<char>('0' + value % 10);
    };
    two(out, t.year / 100);
    two(out + 2, t.year % 100);
    out[4] = '-';
    two(out + 5, t.month);
    out[7] = '-';
    two(out + 8, t.day);
    out[10] = ' ';
    two(out + 11, t.hour);
    out[13] = ':';
    two(out + 14, t.minute);
    out[16] = ':';
    two(out + 17, t.second);
    return true;
}

}  // namespace kelvantori
