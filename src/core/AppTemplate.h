// The external applications bound to Alt+A..Alt+Z: each is a command template, a program path
// followed after a blank by parameters that may carry the markers $A..$D for forms of the
// selected file's name. Here are the text rules: the markers' values, the argument the argument
// dialog starts with, the command the template gives, and the texts of the Alt help panel.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"

namespace kelvantori {

inline constexpr std::string_view kMarkerLegend =
    "$A:ﾌﾙﾊﾟｽ\n$B:ﾌﾙﾊﾟｽ(拡張子無)\n$C:ﾌｧｲﾙ名のみ\n$D:ﾌｧｲﾙ名のみ(拡張子無)";
inline constexpr std::string_view kSelectOneFileMessage =
    "ﾌｧｲﾙを選択して下さい。\n(複数のﾌｧｲﾙ選択は不可です。)";
inline constexpr std::size_t kAppLetters = 26;

// The values of the markers for a file: $A its full path, $B the full path without the
// extension of the name, $C the name, $D the name without its extension.
struct FileMarkers {
    std::string A;
    std::string B;
    std::string C;
    std::string D;
};

// fullPath ends with name (the path the program is given; on this platform the host path).
FileMarkers MarkersOf(std::string_view fullPath, std::string_view name);

// The program path of a template: the text up to its first blank, or all of it.
std::string TemplateProgram(std::string_view appTemplate);

// The argument the argument dialog starts with: of the markers that occur in the template,
// taken in the order $A, $B, $C, $D, the value of the last one; empty when none occurs.
std::string MarkerArgument(std::string_view appTemplate, const FileMarkers& markers);

// A program and the arguments it is started with.
struct AppCommand {
    std::string program;
    std::vector<std::string> arguments;
    bool operator==(const AppCommand&) const = default;
};

// The command a template gives with the argument of the argument dialog: the program path, then
// the parameters split into arguments at blanks, every $A, $B, $C and $D in them replaced by the
// argument. The split comes first, so an argument with blanks in it (a file name) stays one
// argument; an argument that ends up empty is left out.
AppCommand BuildAppCommand(std::string_view appTemplate, std::string_view argument);

// The letter of an application ('A' for index 0) and back (-1 for no letter of A..Z, either
// case).
char AppLetterOf(std::size_t index);
int AppIndexOfLetter(char letter);

// "Alt+A" .. "Alt+Z", the first column of the settings dialog's list.
std::string AppCaption(std::size_t index);

// The two labels of the Alt help panel: "ｴﾃﾞｨﾀｰ: " + EditApp, then "ALT+A : " + name for A to M
// (Label30); "ALT+N : " + name for N to Z (Label31). Every line ends with a line break.
std::string AltPanelLeftText(const Settings& settings);
std::string AltPanelRightText(const Settings& settings);

}  // namespace kelvantori
