// TFindForm "絞り込み・検索": narrows the file list to the files whose names begin with a typed
// text. It hands back the pattern the list is to be read with (DirPath\text + Mask) and keeps the
// find history (FIND.LST's entries) that it is given; the caller saves the history however the
// dialog closed and rebuilds the list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/DialogSupport.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace kelvantori {

class PromptService;

class TFindForm : public CentredDialog {
    Q_OBJECT

  public:
    TFindForm(QWidget* window, PromptService& prompts, std::vector<std::string>& history,
              std::string dirPath, std::string mask);

    // The search pattern once "ＯＫ" searched; nullopt when the dialog closed without a search.
    const std::optional<std::string>& Pattern() const { return pattern_; }

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // ＯＫ
    QPushButton* Button2 = nullptr;  // ｷｬﾝｾﾙ

  private:
    void Button1Click();
    void ComboBox1Change();
    bool ComboBox1KeyPress(QKeyEvent& event);
    void Refuse();

    PromptService& prompts_;
    std::vector<std::string>& history_;
    std::string dirPath_;
    std::string mask_;
    std::optional<std::string> pattern_;
};

}  // namespace kelvantori
