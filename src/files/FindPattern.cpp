// The find dialog's character rule and pattern.
#include "files/FindPattern.h"

#include "core/DrivePath.h"

namespace kelvantori {

namespace {

constexpr std::string_view kRefused = "/:,;?<>|.\\";

}  // namespace

bool FindAcceptsCharacter(std::string_view utf8Character) {
    return utf8Character.size() != 1 || kRefused.find(utf8Character[0]) == std::string_view::npos;
}

bool FindAcceptsText(std::string_view text) {
    return text.find_first_of(kRefused) == std::string_view::npos;
}

std::string FindPattern(std::string_view dirPath, std::string_view text, std::string_view mask) {
    return JoinDrivePath(dirPath, std::string(text) + std::string(mask));
}

}  // namespace kelvantori
