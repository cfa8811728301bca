// TFileInfoForm "ﾌｧｲﾙ情報": shows the name, kind, place, size, attributes and modification time
// of the current file or folder and lets the user change the attributes and the time. It is
// given what was read of the entry and the desktop's kind of it; "更新" checks the six time fields
// and applies them with the attributes, and the dialog ends accepted so that the caller re-reads
// the list. The checks and the apply are files/FileInfo.h's.
#pragma once

#include <array>
#include <string>

#include "files/FileInfo.h"
#include "ui/DesktopServices.h"
#include "ui/DialogSupport.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvantori {

class PromptService;

class TFileInfoForm : public CentredDialog {
    Q_OBJECT

  public:
    // path: the entry's drive path (DirPath + "\" + name).
    TFileInfoForm(QWidget* window, PromptService& prompts, FileSystem& files, std::string path,
                  const FileInfoView& info, const DesktopFileKind& kind);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;        // name
    QLabel* Label2 = nullptr;        // kind
    QLabel* Label3 = nullptr;        // place
    QLabel* Label4 = nullptr;        // size
    QLabel* Label5 = nullptr;        // "属性 :"
    QCheckBox* CheckBox1 = nullptr;  // 読み取り専用
    QCheckBox* CheckBox2 = nullptr;  // アーカイブ
    QCheckBox* CheckBox3 = nullptr;  // 隠しファイル
    QCheckBox* CheckBox4 = nullptr;  // システム
    QLabel* Label6 = nullptr;        // "更新日時："
    QLineEdit* Edit1 = nullptr;      // year
    QLineEdit* Edit2 = nullptr;      // month
    QLineEdit* Edit3 = nullptr;      // day
    QLineEdit* Edit4 = nullptr;      // hour
    QLineEdit* Edit5 = nullptr;      // minute
    QLineEdit* Edit6 = nullptr;      // second
    QPushButton* Button1 = nullptr;  // 更新
    QPushButton* Button2 = nullptr;  // 終了

  private:
    QLineEdit* TimeEdit(InfoField field) const;
    QWidget* FocusTarget(InfoField field) const;
    bool TimeFieldKeyPress(InfoField field, QKeyEvent& event);
    void ShowProblem(const FieldProblem& problem);
    void Button1Click();

    PromptService& prompts_;
    FileSystem& files_;
    std::string path_;
    std::array<QLineEdit*, 6> timeEdits_{};
};

}  // namespace kelvantori
