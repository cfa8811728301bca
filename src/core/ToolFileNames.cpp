// File names of the NC tools and the test that a name makes exactly one file in its folder.
#include "core/ToolFileNames.h"

#include <array>

#include "core/DrivePath.h"

namespace kelvantori {

namespace {

constexpr std::string_view kForbidden = "\\/:*?\"<>|";

// Length of the UTF-8 character that starts with byte b (1 for a stray continuation byte).
std::size_t Utf8Length(unsigned char b) {
    if (b >= 0xF0)
        return 4;
    if (b >= 0xE0)
        return 3;
    if (b >= 0xC0)
        return 2;
    return 1;
}

bool IsReservedDeviceName(std::string_view upperBase) {
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (auto n : kPlain) {
        if (upperBase == n)
            return true;
    }
    return upperBase.size() == 4 &&
           (upperBase.substr(0, 3) == "COM" || upperBase.substr(0, 3) == "LPT") &&
           upperBase[3] >= '1' && upperBase[3] <= '9';
}

}  // namespace

std::string MaskExtension(std::string_view mask) {
    if (mask.empty())
        return {};
    return std::string(mask.substr(Utf8Length(static_cast<unsigned char>(mask[0]))));
}

bool IsUsableMaskExtension(std::string_view mask) {
    const std::string extension = MaskExtension(mask);
    if (extension.empty())
        return true;
    if (extension.size() < 2 || extension[0] != '.')
        return false;
    // The extension must be able to end a name: test it as the end of one.
    const NameCheck check = CheckFileName("A" + extension);
    return check.ok();
}

std::string UnusableMaskMessage(std::string_view mask) {
    return "ファイルマスク「" + std::string(mask) +
           "」からは作成するファイルの拡張子を決められません。\n"
           "ファイルマスクを「*.NC」のように「*.」と拡張子で指定してください。";
}

NameCheck CheckFileName(std::string_view name) {
    if (name.empty())
        return {NameProblem::Empty, {}};
    if (name == "." || name == "..")
        return {NameProblem::DotName, std::string(name)};
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return {NameProblem::ControlCharacter, {}};
        if (kForbidden.find(c) != std::string_view::npos) {
            return {NameProblem::ForbiddenCharacter, std::string(1, c)};
        }
    }
    if (name.back() == '.' || name.back() == ' ')
        return {NameProblem::TrailingDotOrSpace, {}};
    if (name.size() > kMaxFileNameBytes)
        return {NameProblem::TooLong, {}};

    // Windows takes "CON.NC" and "CON .NC" for the device whatever follows the first dot.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    const std::string upper = AsciiUpper(base);
    if (IsReservedDeviceName(upper))
        return {NameProblem::ReservedName, std::string(base)};
    return {};
}

std::string NameProblemText(const NameCheck& check) {
    switch (check.problem) {
        case NameProblem::None:
            return {};
        case NameProblem::Empty:
            return "ファイル名がありません。";
        case NameProblem::ForbiddenCharacter:
            return "ファイル名に使えない文字「" + check.detail + "」が含まれています。";
        case NameProblem::ControlCharacter:
            return "ファイル名に使えない制御文字が含まれています。";
        case NameProblem::ReservedName:
            return "「" + check.detail + "」は装置名のため、ファイル名に使えません。";
        case NameProblem::TrailingDotOrSpace:
            return "ファイル名の末尾に空白やピリオドは使えません。";
        case NameProblem::DotName:
            return "「" + check.detail + "」はファイル名に使えません。";
        case NameProblem::TooLong:
            return "ファイル名が長すぎます（" + std::to_string(kMaxFileNameBytes) +
                   "バイトまで）。";
        case NameProblem::NotText:
            return "シフトJISの文字として読めないバイトが含まれています。";
    }
    return {};
}

}  // namespace kelvantori
