// The one-line input box of the main window (Edit1): its modes, prompts, the characters each
// mode refuses with their messages, and what Enter makes of the typed text: the target of a
// receive or a copy, a folder to change to (or create), a new file mask.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Settings.h"

namespace kelvantori {

// `InputMode`: what the box asks for.
enum class InputMode { None, ReceiveName, CopyName, Folder, Extension };

inline constexpr std::string_view kReceiveNamePrompt = "ファイル受信 受信ファイル名-->>>";

// The prompt of Label11 for a mode: "コピー元 " + name + " -->>>コピー後 ", "現ﾃﾞｨﾚｸﾄﾘ " + DirPath
// + " -->>>変更後 ", "拡張子変更 " + Mask + " -->>>", or kReceiveNamePrompt. sourceName is the
// file copied (copy name only).
std::string InputPrompt(InputMode mode, const Settings& settings, std::string_view sourceName = {});

// The characters a mode refuses: "/:,;*?<>|" for names ("/:,;*?<>|." when only the mask's files
// are listed, since the program appends the mask's extension), "/,;*?<>|" for a folder and
// "/:,;?<>|" for an extension.
std::string_view ForbiddenCharacters(InputMode mode, const Settings& settings);

// The message box text when such a character is typed (title "確認", error icon).
std::string ForbiddenCharacterMessage(InputMode mode, const Settings& settings);

// True when the character (one UTF-8 character) may be typed in the mode.
bool AcceptsInputCharacter(InputMode mode, const Settings& settings, std::string_view character);

// Receive name and copy name: DirPath + "\" + the text, with the mask's extension (".NC" of
// "*.NC") appended unless every file is listed; name is the file name alone.
struct NamedTarget {
    std::string path;
    std::string name;
};
NamedTarget NameTarget(const Settings& settings, std::string_view typed);

// Folder: the typed text without a final "\", and the path whose existence decides ("D:" is
// checked as "D:\").
struct FolderInput {
    std::string folder;
    std::string checkPath;
};
FolderInput ReadFolderInput(std::string_view typed);
// "ディレクトリが有りません。\n" + folder + "を作成しますか？"
std::string CreateFolderQuestion(std::string_view folder);

// Extension: the new mask, or nullopt when the text cannot be a mask ("*.*", ".*", "*." and
// "*" are refused). NC, .NC and *.NC all give "*.NC" (the case as typed).
std::optional<std::string> MaskOfExtensionInput(std::string_view typed);
// typed + "の拡張子設定は出来ません!!"
std::string RefusedExtensionMessage(std::string_view typed);

}  // namespace kelvantori
