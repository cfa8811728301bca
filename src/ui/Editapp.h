// TEditAppForm "編集アプリ設定": the editor program (EditApp), typed or chosen in a file dialog.
#pragma once

#include <QDialog>
#include <string>

class QPushButton;
class QTabWidget;

namespace kelvantori {

class DesktopServices;
class LabeledEdit;

inline constexpr const char* kEditAppCaption = "編集アプリ設定";
// The title of the file dialog that chooses a program (here and in the application settings).
inline constexpr const char* kChooseProgramTitle = "ｱﾌﾟﾘｹｰｼｮﾝ設定";

// The folder a program's file dialog starts in: that of the program named, when it is an
// absolute host path; "" otherwise (the desktop then starts where programs live).
std::string ProgramDialogFolder(const std::string& program);

class TEditAppForm : public QDialog {
    Q_OBJECT

  public:
    TEditAppForm(QWidget* window, std::string& editApp, DesktopServices& desktop);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    LabeledEdit* LabeledEdit1 = nullptr;
    QPushButton* Button1 = nullptr;  // ...
    QPushButton* Button5 = nullptr;  // 保存
    QPushButton* Button6 = nullptr;  // ｷｬﾝｾﾙ

    void Button1Click();
    void Button5Click();

  private:
    std::string& editApp_;
    DesktopServices& desktop_;
};

}  // namespace kelvantori
