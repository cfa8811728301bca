// Received data that could not be saved where it belonged (a target that cannot be written, a
// program number that cannot be a file name, a stopped receive, a line that went away): it has
// been written to a rescue file (when any folder took it); it is shown in RichEdit1 and offered
// to the user to save under another name, in a file dialog that starts in the data folder. Data
// that no rescue file holds is dropped only when the user says so: nothing received is lost
// without a word.
#pragma once

#include <optional>
#include <string>

namespace kelvantori {

struct MainContext;

inline constexpr const char* kRescueDialogTitle = "保存できなかった受信データを保存";
inline constexpr const char* kRescueDiscardQuestion =
    "保存できなかった受信データを保存せずに捨てますか？";

// suggestedName: a file name for the dialog to start with; bytes: the data with CR LF line ends;
// rescueFile: the drive path of the rescue file that holds it, if one does.
void OfferReceivedData(MainContext& context, const std::string& suggestedName,
                       const std::string& bytes, const std::optional<std::string>& rescueFile);

// "受信データを書き出しました。\n" + the rescue file's host path.
std::string RescueKeptMessage(const std::string& hostPath);
// RescueKeptMessage + "\n別の名前で保存しますか？"
std::string RescueKeptQuestion(const std::string& hostPath);

// "受信データを保存しました。\n" + the drive path.
std::string RescueSavedMessage(const std::string& drivePath);

}  // namespace kelvantori
