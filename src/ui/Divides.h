// TDividesForm "Ｏ番号毎分割": the split of the loaded file into one file per program, into a
// target folder chosen with its history ("Path.lst"), with the options of the menu "分割ｵﾌﾟｼｮﾝ"
// ("Div_Sub.ini"). The program start lines are listed as the split reaches them; F3 or Esc stops
// a long split, which then leaves the target folder as it was.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/ProgramText.h"
#include "core/SplitPrograms.h"
#include "platform/FileSystem.h"
#include "ui/ToolDialog.h"

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;

namespace kelvantori {

class DesktopServices;
class PromptService;

inline constexpr const char* kDividesCaption = "Ｏ番号毎分割";

// What the split dialog works on and with.
struct DividesJob {
    std::string input;                  // drive path of the file; its name is shown in Label1
    const ProgramText* text = nullptr;  // the file's lines as loaded
    std::string dirPath;                // the list's folder: the target when the history is empty
    std::string mask;                   // the list's mask: its extension ends every name
    SplitOptions options;               // from Div_Sub.ini
    std::vector<std::string> history;   // Path.lst, most recent first
    // The list is read again, keeping the current file (after files were written).
    std::function<void()> refreshList;
};

class TDividesForm : public ToolDialog {
    Q_OBJECT

  public:
    TDividesForm(QWidget* window, FileSystem& files, PromptService& prompts,
                 DesktopServices& desktop, DividesJob job);

    QMenuBar* MainMenu1 = nullptr;
    QMenu* N1 = nullptr;
    QAction* op_f = nullptr;
    QAction* op_b = nullptr;
    QAction* op_n = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // What the dialog keeps when it closes: the options and the history.
    const SplitOptions& Options() const { return job_.options; }
    const std::vector<std::string>& History() const { return job_.history; }

    void Button1Click() override;
    void Button3Click();

  private:
    FileSystem& files_;
    PromptService& prompts_;
    DesktopServices& desktop_;
    DividesJob job_;
};

}  // namespace kelvantori
