// The command line: items that order one send or one receive at start-up, set the port, the line
// setting, the data folder or the mask for this run, import a file into the data folder, and ask
// for the close when the transfer ends. Paths are drive paths.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"

namespace kelvantori {

// What the command line ordered, kept by the main window for the run.
struct CommandLineState {
    std::string CommandLineMode = "N";     // "Y": arguments were given; settings are not saved
    std::string AutoSendPending = "N";     // "Y": send SendPath at the first idle moment
    std::string AutoReceivePending = "N";  // "Y": receive into ReceivePath at the first idle moment
    bool CloseAfterTransfer = false;       // close the window when the transfer ends
    std::string SendPath;
    std::string ReceivePath;
    bool operator==(const CommandLineState&) const = default;
};

// What the command line needs from the world. A callback left empty acts as the comment says.
struct CommandLineEnvironment {
    // True when the path carries the directory attribute, and also when it does not exist (the
    // attributes of a missing path read as all bits set): a folder item that does not exist yet
    // becomes the data folder, and the start-up check then offers to create it. Empty: true.
    std::function<bool(const std::string& drivePath)> IsDirectoryPath;
    // True for an existing file (not a folder). Empty: false.
    std::function<bool(const std::string& drivePath)> FileExists;
    // A Yes/No question with the warning icon; true for Yes. Empty: No.
    std::function<bool(const std::string& text)> AskYesNo;
    // An error box with one button. Empty: nothing is shown.
    std::function<void(const std::string& text)> ShowError;
    // Copies a file over any file of the target's name; false when the copy failed (a failed
    // import is not reported). Empty: nothing is copied.
    std::function<bool(const std::string& fromDrivePath, const std::string& toDrivePath)>
        ImportFile;
};

// The items of the arguments. When the first argument begins with "/", all of them are joined,
// each followed by one blank; the first character goes; then, while the text holds a "/", the part
// before the first "/" (and the "/") is cut off and, trimmed, is an item; the rest, trimmed, is
// the last item (/S=A.NC /COM2 /END -> S=A.NC, COM2, END). Otherwise the arguments unchanged.
std::vector<std::string> SplitCommandLine(const std::vector<std::string>& args);

// Acts on one item; the first of these that applies wins ("S=", "R=", "COM" and "END" are looked
// for in the upper-cased item; "a / goes" deletes the first slash character only):
// 1. folder: IsDirectoryPath, a ":" and neither "S=" nor "R=": every "|" becomes a blank, one
//    trailing "\" and a "/" go, the result is DirPath;
// 2. "S=": the file to send, in DirPath when the item holds no "\"; DirPath and Mask follow it;
//    AutoSendPending "Y" when it exists, else an error and "N";
// 3. "R=": as 2 for the file to receive; an existing file asks before it is overwritten;
// 4. "COM" and at most 5 characters: Port; 5. "." and "*" and no ":": Mask; 6. ",": Speed
//    (each upper-cased, a "/" removed);
// 7. "\" and ":" and not IsDirectoryPath: a file copied into DirPath; Mask follows it;
// 8. "END" and at most 4 characters: CloseAfterTransfer;
// 9. anything else is ignored.
// Lengths count the item as the program's code page holds it (CP932 bytes).
void ProcessArgument(std::string_view item, Settings& settings, CommandLineState& state,
                     const CommandLineEnvironment& env);

// CommandLineMode "Y" when there is any argument (else it and both pending flags are "N"), then
// every item of SplitCommandLine in order.
void ProcessCommandLine(const std::vector<std::string>& args, Settings& settings,
                        CommandLineState& state, const CommandLineEnvironment& env);

// "送信データ\n" + path + "が見つかりません。"
std::string SendFileMissingMessage(std::string_view drivePath);
// "すでに" + path + "が有ります。\n上書きしますか？" (also asked by the join dialog).
std::string OverwriteQuestionText(std::string_view drivePath);

}  // namespace kelvantori
