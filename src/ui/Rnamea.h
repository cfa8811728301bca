// TRNameAForm "名前変更": asks which rule renames the marked files (1 keep the names, 2 upper
// case, 3 lower case, 4 capitalise, 5 one by one) and hands it back when the dialog ends with
// OK; the caller renames.
#pragma once

#include "files/FileOperations.h"
#include "ui/DialogSupport.h"

class QPushButton;
class QRadioButton;

namespace kelvantori {

class TRNameAForm : public CentredDialog {
    Q_OBJECT

  public:
    explicit TRNameAForm(QWidget* window);

    RenameRule Rule() const { return rule_; }

    QRadioButton* RadioButton1 = nullptr;  // 名前を変更
    QRadioButton* RadioButton2 = nullptr;  // 半角英文字を大文字に
    QRadioButton* RadioButton3 = nullptr;  // 半角英文字を小文字に
    QRadioButton* RadioButton4 = nullptr;  // 半角英文字の先頭のみ大文字に
    QRadioButton* RadioButton5 = nullptr;  // 個々に名前を変更
    QPushButton* Button1 = nullptr;        // OK
    QPushButton* Button2 = nullptr;        // ｷｬﾝｾﾙ

  private:
    RenameRule rule_ = RenameRule::Keep;
};

}  // namespace kelvantori
