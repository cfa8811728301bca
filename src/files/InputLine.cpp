// The rules of the input box's four modes.
#include "files/InputLine.h"

#include "core/DrivePath.h"
#include "files/FileOperations.h"

namespace kelvantori {

namespace {

constexpr std::string_view kNameCharacters = "/:,;*?<>|";
constexpr std::string_view kNameCharactersNoDot = "/:,;*?<>|.";
constexpr std::string_view kFolderCharacters = "/,;*?<>|";
constexpr std::string_view kExtensionCharacters = "/:,;?<>|";

}  // namespace

std::string InputPrompt(InputMode mode, const Settings& settings, std::string_view sourceName) {
    switch (mode) {
        case InputMode::ReceiveName:
            return std::string(kReceiveNamePrompt);
        case InputMode::CopyName:
            return "コピー元 " + std::string(sourceName) + " -->>>コピー後 ";
        case InputMode::Folder:
            return "現ﾃﾞｨﾚｸﾄﾘ " + settings.DirPath + " -->>>変更後 ";
        case InputMode::Extension:
            return "拡張子変更 " + settings.Mask + " -->>>";
        case InputMode::None:
            break;
    }
    return {};
}

std::string_view ForbiddenCharacters(InputMode mode, const Settings& settings) {
    switch (mode) {
        case InputMode::ReceiveName:
        case InputMode::CopyName:
            return settings.AllFiles == "Y" ? kNameCharacters : kNameCharactersNoDot;
        case InputMode::Folder:
            return kFolderCharacters;
        case InputMode::Extension:
            return kExtensionCharacters;
        case InputMode::None:
            break;
    }
    return {};
}

std::string ForbiddenCharacterMessage(InputMode mode, const Settings& settings) {
    switch (mode) {
        case InputMode::ReceiveName:
        case InputMode::CopyName:
            return "この文字はファイル名に使えません。\n" +
                   std::string(ForbiddenCharacters(mode, settings));
        case InputMode::Folder:
            return "この文字はディレクトリ名に使えません。\n" + std::string(kFolderCharacters);
        case InputMode::Extension:
            return "この文字は拡張子に使えません。\n" + std::string(kExtensionCharacters);
        case InputMode::None:
            break;
    }
    return {};
}

bool AcceptsInputCharacter(InputMode mode, const Settings& settings, std::string_view character) {
    if (character.size() != 1)
        return true;
    return ForbiddenCharacters(mode, settings).find(character.front()) == std::string_view::npos;
}

NamedTarget NameTarget(const Settings& settings, std::string_view typed) {
    NamedTarget target;
    target.name = std::string(typed);
    if (settings.AllFiles != "Y" && !settings.Mask.empty())
        target.name += settings.Mask.substr(1);
    target.path = CopyNameTarget(settings.DirPath, typed, settings.Mask, settings.AllFiles);
    return target;
}

FolderInput ReadFolderInput(std::string_view typed) {
    FolderInput input;
    input.folder = std::string(typed);
    if (!input.folder.empty() && input.folder.back() == '\\')
        input.folder.pop_back();
    input.checkPath = input.folder.size() == 2 ? input.folder + "\\" : input.folder;
    return input;
}

std::string CreateFolderQuestion(std::string_view folder) {
    return "ディレクトリが有りません。\n" + std::string(folder) + "を作成しますか？";
}

std::optional<std::string> MaskOfExtensionInput(std::string_view typed) {
    if (typed == "*.*" || typed == ".*" || typed == "*." || typed == "*")
        return std::nullopt;
    if (typed.find("*.") != std::string_view::npos)
        return std::string(typed);
    if (typed.find('.') != std::string_view::npos)
        return "*" + std::string(typed);
    return "*." + std::string(typed);
}

std::string RefusedExtensionMessage(std::string_view typed) {
    return std::string(typed) + "の拡張子設定は出来ません!!";
}

}  // namespace kelvantori
