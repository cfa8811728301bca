// The command-line items, case by case, in the order in which they are tried.
#include "core/CommandLine.h"

#include "core/DrivePath.h"
#include "core/TextCodec.h"

namespace kelvantori {

namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Blanks and control characters both sides, as a shell may leave them around an item.
std::string Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// "/" introduces an item, so one left inside an item is a stray: the first one is deleted.
std::string WithoutSlash(std::string text) {
    if (const auto slash = text.find('/'); slash != std::string::npos)
        text.erase(slash, 1);
    return text;
}

// Item lengths are those of the text as the program's code page holds it: a kanji counts two.
std::size_t ItemLength(std::string_view item) {
    return Utf8ToCp932(item).size();
}

// The folder of a transfer file, which becomes the data folder: no trailing "\" ("C:\A.NC"
// gives "C:").
std::string FolderWithoutBackslash(std::string_view path) {
    std::string folder = DriveFolderOf(path);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

// The file of an "S=" or "R=" item, whose two characters stand at keyAt: in the data folder when
// the item names no folder, else the item as written. DirPath and Mask follow the file.
std::string TransferPathOf(std::string_view item, std::size_t keyAt, Settings& settings) {
    std::string rest(item);
    rest.erase(keyAt, 2);
    std::string path = Contains(rest, "\\") ? rest : JoinDrivePath(settings.DirPath, rest);
    path = WithoutSlash(std::move(path));
    settings.DirPath = FolderWithoutBackslash(path);
    settings.Mask = "*" + FileExtensionOf(path);
    return path;
}

// Two drive paths naming the same file: drive letters in any case, the rest as written.
bool SameDrivePath(std::string_view a, std::string_view b) {
    const char letterA = DriveLetterOf(a);
    const char letterB = DriveLetterOf(b);
    if (letterA != 0 && letterB != 0)
        return letterA == letterB && a.substr(1) == b.substr(1);
    return a == b;
}

bool IsDirectoryPath(const CommandLineEnvironment& env, const std::string& path) {
    return env.IsDirectoryPath ? env.IsDirectoryPath(path) : true;
}

bool FileExists(const CommandLineEnvironment& env, const std::string& path) {
    return env.FileExists ? env.FileExists(path) : false;
}

}  // namespace

std::string SendFileMissingMessage(std::string_view drivePath) {
    return "送信データ\n" + std::string(drivePath) + "が見つかりません。";
}

std::string OverwriteQuestionText(std::string_view drivePath) {
    return "すでに" + std::string(drivePath) + "が有ります。\n" + "上書きしますか？";
}

std::vector<std::string> SplitCommandLine(const std::vector<std::string>& args) {
    if (args.empty() || args.front().empty() || args.front().front() != '/')
        return args;
    std::string text;
    for (const auto& arg : args)
        text += arg + " ";
    text.erase(0, 1);
    std::vector<std::string> items;
    for (auto slash = text.find('/'); slash != std::string::npos; slash = text.find('/')) {
        items.push_back(Trimmed(std::string_view(text).substr(0, slash)));
        text.erase(0, slash + 1);
    }
    items.push_back(Trimmed(text));
    return items;
}

void ProcessArgument(std::string_view itemView, Settings& settings, CommandLineState& state,
                     const CommandLineEnvironment& env) {
    const std::string item(itemView);
    const std::string upper = AsciiUpper(item);
    const auto sendAt = upper.find("S=");
    const auto receiveAt = upper.find("R=");

    // 1. A folder: the data folder. A blank cannot be passed inside an argument, so "|" stands
    // for one.
    if (Contains(item, ":") && sendAt == std::string::npos && receiveAt == std::string::npos &&
        IsDirectoryPath(env, item)) {
        std::string folder = item;
        for (auto& c : folder) {
            if (c == '|')
                c = ' ';
        }
        if (!folder.empty() && folder.back() == '\\')
            folder.pop_back();
        settings.DirPath = WithoutSlash(std::move(folder));
        return;
    }

    // 2. The file to send at start-up.
    if (sendAt != std::string::npos) {
        state.SendPath = TransferPathOf(item, sendAt, settings);
        if (FileExists(env, state.SendPath)) {
            state.AutoSendPending = "Y";
        } else {
            if (env.ShowError)
                env.ShowError(SendFileMissingMessage(state.SendPath));
            state.AutoSendPending = "N";
        }
        return;
    }

    // 3. The file to receive into at start-up.
    if (receiveAt != std::string::npos) {
        state.ReceivePath = TransferPathOf(item, receiveAt, settings);
        if (FileExists(env, state.ReceivePath)) {
            const bool overwrite =
                env.AskYesNo && env.AskYesNo(OverwriteQuestionText(state.ReceivePath));
            state.AutoReceivePending = overwrite ? "Y" : "N";
        } else {
            state.AutoReceivePending = "Y";
        }
        return;
    }

    const std::size_t length = ItemLength(item);

    // 4. The port.
    if (Contains(upper, "COM") && length <= 5) {
        settings.Port = WithoutSlash(upper);
        return;
    }

    // 5. The file mask.
    if (Contains(item, ".") && Contains(item, "*") && !Contains(item, ":")) {
        settings.Mask = WithoutSlash(upper);
        return;
    }

    // 6. The line setting.
    if (Contains(item, ",")) {
        settings.Speed = WithoutSlash(upper);
        return;
    }

    // 7. A file to bring into the data folder, replacing one of its name there.
    if (Contains(item, "\\") && Contains(item, ":") && !IsDirectoryPath(env, item)) {
        const std::string target = JoinDrivePath(settings.DirPath, DriveFileNameOf(item));
        // A file already in the data folder would be copied onto itself, which on a host that
        // truncates the target first empties it.
        if (!SameDrivePath(item, target) && env.ImportFile)
            env.ImportFile(item, target);
        settings.Mask = "*" + FileExtensionOf(item);
        return;
    }

    // 8. Close the program when the transfer ends.
    if (Contains(upper, "END") && length <= 4) {
        state.CloseAfterTransfer = true;
        return;
    }
    // 9. Anything else is not ours.
}

void ProcessCommandLine(const std::vector<std::string>& args, Settings& settings,
                        CommandLineState& state, const CommandLineEnvironment& env) {
    if (args.empty()) {
        state.CommandLineMode = "N";
        state.AutoSendPending = "N";
        state.AutoReceivePending = "N";
        return;
    }
    state.CommandLineMode = "Y";
    for (const auto& item : SplitCommandLine(args))
        ProcessArgument(item, settings, state, env);
}

}  // namespace kelvantori
