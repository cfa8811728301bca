// TRNameForm "名前変更": asks for the new name of one file or folder. Modes 2-4 convert the edit
// as it is typed (upper case, lower case, capitalised); the new name is handed back when the
// dialog ends with OK, and the caller renames.
#pragma once

#include <string>

#include "files/FileOperations.h"
#include "ui/DialogSupport.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kelvantori {

class TRNameForm : public CentredDialog {
    Q_OBJECT

  public:
    TRNameForm(QWidget* window, const std::string& currentName);

    // The text of LabeledEdit1 (meaningful after OK).
    std::string NewName() const;

    QLabel* Label1 = nullptr;
    QLabel* LabeledEdit1Label = nullptr;  // the edit's own caption
    QLineEdit* LabeledEdit1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;  // 名前を変更
    QRadioButton* RadioButton2 = nullptr;  // 半角英文字を大文字に
    QRadioButton* RadioButton3 = nullptr;  // 半角英文字を小文字に
    QRadioButton* RadioButton4 = nullptr;  // 半角英文字の先頭のみ大文字に
    QPushButton* Button1 = nullptr;        // OK
    QPushButton* Button2 = nullptr;        // ｷｬﾝｾﾙ

  private:
    void SelectMode(RenameRule mode);
    void Convert();
    bool EditKeyPress(QKeyEvent& event);

    RenameRule mode_ = RenameRule::Keep;
    bool converting_ = false;
};

}  // namespace kelvantori
