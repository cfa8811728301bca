// The NC tools of the list: B and Shift+F9 split the current file (TDividesForm), K and
// Shift+F4 join the marked files (TPlusForm), H doubles an axis of the current file into
// "name_2" + the mask's extension (TBai2Form). The file to split or double is loaded first,
// with the file-format question, as the view loads it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/ProgramText.h"
#include "ui/KeyMap.h"
#include "ui/MainContext.h"

namespace kelvantori {

class ToolCommands {
  public:
    explicit ToolCommands(MainContext& context) : c_(context) {}

    void Register(CommandRegistry& registry);

    void Split();
    void Join();
    void DoubleAxis();

  private:
    // The file a tool works on, loaded.
    struct ToolInput {
        std::string name;
        std::string path;  // its drive path
        std::shared_ptr<LoadedProgram> loaded;
    };

    // The current file line loaded for a tool (LoadForTool); nothing when there is no file line
    // or the file was not loaded.
    std::optional<ToolInput> LoadCurrentFile();
    // The current file line's name; empty when the key does nothing (no file line), after
    // telling the user when nothing at all is selected.
    std::string CurrentFileName();
    // The file loaded for a tool and shown (hidden) in RichEdit1; nullptr when it could not be
    // read or the user would not have it read as text.
    std::shared_ptr<LoadedProgram> LoadForTool(const std::string& path);
    void DialogClosed();

    MainContext& c_;
};

}  // namespace kelvantori
