// The find dialog's rules: the characters a find text may not hold and the pattern the file list
// is read with ("D:\NC\O12*.NC" from the text O12 and the mask *.NC).
#pragma once

#include <string>
#include <string_view>

namespace kelvantori {

inline constexpr std::string_view kFindCaption = "絞り込み・検索";
inline constexpr std::string_view kFindRefusedMessage =
    "この文字はファイル名に使えません。\n/:,;*?<>|.";

// False for a character a find text may not hold: one of /:,;?<>|. and the folder separator \.
// The star is taken (a star at the end only doubles the mask's own). A "\" would make the
// pattern read another folder whose files the list would then take for the current folder's.
bool FindAcceptsCharacter(std::string_view utf8Character);
// True when every character of the text is taken.
bool FindAcceptsText(std::string_view text);

// dirPath + "\" + text + mask.
std::string FindPattern(std::string_view dirPath, std::string_view text, std::string_view mask);

}  // namespace kelvantori
