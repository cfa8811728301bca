// Loading an NC file for the view, a send or a tool, with the program's one file-format check:
// a file that is empty or holds a NUL byte is reported, and the user may have it read line by line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/ProgramText.h"
#include "platform/FileSystem.h"

namespace kelvantori {

inline constexpr std::string_view kFormatQuestion =
    "ファイル形式が違います。\nそのまま読み込みは可能ですが、データの一部読み込めない可能性が有りま"
    "す。"
    "\n読み込み開始は「はい(Y)」";

// Reads the whole file. When it is empty or holds a NUL byte anywhere, askYesNo(kFormatQuestion)
// is called: Yes reads it line by line as text (at most 499 characters a read, one trailing line
// feed removed, a line ends at its first NUL byte, empty results skipped); No gives no lines, so a
// program with a NUL in it is never sent or changed cut short without a word.
LoadedProgram LoadFileIntoView(FileSystem& files, std::string_view drivePath,
                               const std::function<bool(const std::string&)>& askYesNo);

// The lines the line-by-line reading gives for the bytes of a file.
ProgramText ReadLinesAsText(std::string_view bytes);

}  // namespace kelvantori
