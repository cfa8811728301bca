// TAutoForm "自動切替": the channel number of the automatic line switcher, asked before every
// transfer while AutoSelect is "Y". The field takes "012345-" (a chain of switchers is written
// number-number), at most three characters.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvantori {

class PromptService;

inline constexpr const char* kSelectNumberCharacters = "012345-";
inline constexpr const char* kSelectNumberRefused = "この文字は変更できません。\n";

class TAutoForm : public QDialog {
    Q_OBJECT

  public:
    TAutoForm(QWidget* parent, PromptService& prompts);

    QLabel* LabeledEdit1Label = nullptr;  // "自動選択番号"
    QLineEdit* LabeledEdit1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;  // "ＯＮ"
    QPushButton* Button2 = nullptr;  // "ｷｬﾝｾﾙ"

    // The number taken by Button1.
    std::string SelectNumber;

    // Centred on the main window, the field emptied and focused (done when shown).
    void Prepare();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    PromptService& prompts_;
};

}  // namespace kelvantori
