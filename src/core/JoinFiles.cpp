// The join of NC files: target name rules and the copying of lines.
#include "core/JoinFiles.h"

#include <algorithm>

#include "core/ToolFileNames.h"

namespace kelvantori {

std::string JoinTargetName(std::string_view typed, std::string_view mask) {
    const std::string extension = MaskExtension(mask);
    if (typed.find(extension) != std::string_view::npos)
        return std::string(typed);
    return std::string(typed) + extension;
}

std::string JoinOverwriteQuestion(std::string_view targetPath) {
    return "すでに" + std::string(targetPath) + "が有ります。\n" + "上書きしますか？";
}

bool IsJoinSource(std::string_view targetName, const std::vector<std::string>& sourceNames) {
    return std::find(sourceNames.begin(), sourceNames.end(), targetName) != sourceNames.end();
}

bool AppendProgramLines(LineSource& lines, CrLfWriter& out) {
    std::string_view line;
    while (lines.Next(line)) {
        if (!out.Line(line))
            return false;
    }
    return true;
}

}  // namespace kelvantori
