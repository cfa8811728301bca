// TPlusForm "ﾌｧｲﾙ結合": the marked files joined one after the other into a new file of the
// current folder, named in a field with its history ("NAME.lst").
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "ui/ToolDialog.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace kelvantori {

class PromptService;

inline constexpr const char* kPlusCaption = "ﾌｧｲﾙ結合";

struct PlusJob {
    std::string dirPath;               // the files' folder, where the joined file goes
    std::vector<std::string> names;    // the files in joining order
    std::string mask;                  // its extension ends the name unless the name holds it
    std::vector<std::string> history;  // NAME.lst, most recent first
    // The list is read again (after the file was written).
    std::function<void()> refreshList;
};

class TPlusForm : public ToolDialog {
    Q_OBJECT

  public:
    TPlusForm(QWidget* window, FileSystem& files, PromptService& prompts, PlusJob job);

    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    const std::vector<std::string>& History() const { return job_.history; }

    void Button1Click() override;

  private:
    FileSystem& files_;
    PromptService& prompts_;
    PlusJob job_;
};

}  // namespace kelvantori
