// TPlusCopyForm "ﾌｧｲﾙｺﾋﾟｰ" / "ﾌｧｲﾙ移動": asks for the folder that the listed files of the
// current folder are copied or moved into. It keeps the folder history (Path.lst's entries, shared
// with the split dialog) that it is given, offers the folder browser, and checks the target
// (a missing folder is offered for creation, the current folder is refused) before it ends with
// OK; the caller saves the history however the dialog closed and copies or moves.
#pragma once

#include <string>
#include <vector>

#include "files/FileOperations.h"
#include "ui/DialogSupport.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QListWidget;
class QPushButton;

namespace kelvantori {

class DesktopServices;
class PromptService;

class TPlusCopyForm : public CentredDialog {
    Q_OBJECT

  public:
    TPlusCopyForm(QWidget* window, PromptService& prompts, DesktopServices& desktop,
                  FileSystem& files, std::vector<std::string>& history, CopyMoveKind kind,
                  std::string dirPath, const std::vector<std::string>& names);

    // The checked target folder (after OK).
    const std::string& Target() const { return target_; }

    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;  // the names to copy or move
    QLabel* Label2 = nullptr;         // ｺﾋﾟｰ先 / 移動先
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button3 = nullptr;  // "..." the folder browser
    QPushButton* Button1 = nullptr;  // ＯＫ
    QPushButton* Button2 = nullptr;  // ｷｬﾝｾﾙ

  private:
    void Button1Click();
    void Button3Click();
    void ComboBox1Change();
    bool ComboBox1KeyPress(QKeyEvent& event);

    PromptService& prompts_;
    DesktopServices& desktop_;
    FileSystem& files_;
    std::vector<std::string>& history_;
    std::string dirPath_;
    std::string target_;
};

}  // namespace kelvantori
