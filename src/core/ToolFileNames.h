// Names of the files the NC tools write: the extension taken from the file mask, and the test
// that a name can be created as one file inside the target folder on every system we run on
// (so a program number such as "O12/3" never writes into another folder).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvantori {

// The extension the tools give their files: the mask without its first character
// ("*.NC" -> ".NC", "*" -> "").
std::string MaskExtension(std::string_view mask);

// Whether the mask's extension can end a file name: empty (mask "*"), or a dot followed by
// characters a file name may hold, not ending in a dot or a space ("*.*" and "O*.NC" cannot).
bool IsUsableMaskExtension(std::string_view mask);

// The user's words for a mask whose extension cannot end a file name.
std::string UnusableMaskMessage(std::string_view mask);

enum class NameProblem {
    None,
    Empty,
    ForbiddenCharacter,  // \ / : * ? " < > | (Windows refuses them; "/" and "\" separate folders)
    ControlCharacter,    // a byte below 0x20
    ReservedName,        // CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9 (with any extension)
    TrailingDotOrSpace,  // Windows drops them, so the file would get another name
    DotName,             // "." or "..", the folders themselves
    TooLong,             // more than kMaxFileNameBytes bytes
    NotText,             // bytes that are not Shift-JIS text (the name comes from NC text)
};

inline constexpr std::size_t kMaxFileNameBytes = 255;

struct NameCheck {
    NameProblem problem = NameProblem::None;
    std::string detail;  // the forbidden character, or the reserved name
    bool ok() const { return problem == NameProblem::None; }
};

// Tests a file name (UTF-8, without folder).
NameCheck CheckFileName(std::string_view name);

// One sentence saying what is wrong with a name.
std::string NameProblemText(const NameCheck& check);

}  // namespace kelvantori
