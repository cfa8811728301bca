// The file view (V, F8): the current file loaded into RichEdit1 with the file-format check, in
// GroupBox2 "ファイルビュー"; F3 or Esc in the text area closes a view or the log.
#pragma once

#include <memory>

#include "core/ProgramText.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

class QKeyEvent;

namespace kelvantori {

inline constexpr const char* kFileViewCaption = "ファイルビュー";
inline constexpr const char* kLogViewCaption = "送受信ログ";

class ViewCommands {
  public:
    explicit ViewCommands(MainContext& context) : c_(context) {}

    void Register(CommandRegistry& registry);

    // Loads a file of the data folder with the format question (Yes/No, warning icon, placed
    // beside the window's corner). The caller shows the lines.
    std::shared_ptr<LoadedProgram> Load(const std::string& name);

    // A key pressed in the text area; true when it was taken.
    bool TextAreaKey(QKeyEvent* event);

    void ViewFile();

  private:
    MainContext& c_;
};

}  // namespace kelvantori
