// Joining several NC files into one: the target's name, the questions and refusals before it
// is written, and the texts put one after the other unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/LineStream.h"
#include "core/ToolReport.h"

namespace kelvantori {

inline constexpr std::string_view kJoinDoneMessage = "ファイル結合完了しました。";
inline constexpr std::string_view kJoinTargetIsSourceMessage =
    "この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。";
inline constexpr std::string_view kJoinNeedsTwoFilesMessage = "選択されたﾌｧｲﾙが複数ありません。";
// Characters the name field refuses as they are typed, and what it says then.
inline constexpr std::string_view kJoinNameRefusedCharacters = "/:,;*?<>|.";
inline constexpr std::string_view kJoinNameCharacterMessage =
    "この文字はファイル名に使えません。\n/:,;*?<>|.";

// The typed name when it holds the mask's extension anywhere (case-sensitive), else the name
// followed by it: under "*.NC", ALL -> ALL.NC, ALL.NC -> ALL.NC, ALL.nc -> ALL.nc.NC.
std::string JoinTargetName(std::string_view typed, std::string_view mask);

// "すでに" + path + "が有ります。\n" + "上書きしますか？"
std::string JoinOverwriteQuestion(std::string_view targetPath);

// The target is one of the files to join (exact, case-sensitive names).
bool IsJoinSource(std::string_view targetName, const std::vector<std::string>& sourceNames);

// Writes the lines of one file, each followed by CR LF. False when out refused.
bool AppendProgramLines(LineSource& lines, CrLfWriter& out);

}  // namespace kelvantori
