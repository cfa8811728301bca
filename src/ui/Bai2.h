// TBai2Form "選択軸２倍変換": the values of one axis letter doubled in every line of the loaded
// file, saved under the output name ("A_2.NC") in the file's folder. The output is written only
// when every line converted.
#pragma once

#include <functional>
#include <string>

#include "core/ProgramText.h"
#include "platform/FileSystem.h"
#include "ui/ToolDialog.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace kelvantori {

class PromptService;

inline constexpr const char* kBai2Caption = "選択軸２倍変換";

struct Bai2Job {
    std::string input;                  // drive path of the file
    const ProgramText* text = nullptr;  // its lines as loaded
    std::string outputName;             // in the file's folder
    // The list is read again, keeping the current file (after the output was written).
    std::function<void()> refreshList;
};

class TBai2Form : public ToolDialog {
    Q_OBJECT

  public:
    TBai2Form(QWidget* window, FileSystem& files, PromptService& prompts, Bai2Job job);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    void Button1Click() override;

  private:
    FileSystem& files_;
    PromptService& prompts_;
    Bai2Job job_;
};

}  // namespace kelvantori
