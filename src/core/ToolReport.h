// What an NC tool tells the user when it ends: a message box's icon, title and text. The window
// shows it in a message box, the command-line program prints the text.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace kelvantori {

inline constexpr std::string_view kTitleConfirm = "確認";
inline constexpr std::string_view kTitleDone = "完了";
inline constexpr std::string_view kTitleStop = "中止";

enum class ReportIcon { Information, Warning, Error };

struct ToolReport {
    ReportIcon icon = ReportIcon::Information;
    std::string title;
    std::string text;
    bool operator==(const ToolReport&) const = default;
};

inline ToolReport DoneReport(std::string text) {
    return {ReportIcon::Information, std::string(kTitleDone), std::move(text)};
}
inline ToolReport StopReport(std::string text, ReportIcon icon = ReportIcon::Error) {
    return {icon, std::string(kTitleStop), std::move(text)};
}

}  // namespace kelvantori
