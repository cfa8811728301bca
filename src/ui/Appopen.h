// TAppopenForm "外部コマンド設定": the 26 applications of Alt+A..Alt+Z in a list, one of them in
// the editing panel below it; "変更\n追加" writes the panel into its row and into the settings.
#pragma once

#include <QDialog>
#include <array>

#include "core/Settings.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace kelvantori {

class DesktopServices;
class LabeledEdit;

inline constexpr const char* kAppOpenCaption = "外部コマンド設定";

class TAppopenForm : public QDialog {
    Q_OBJECT

  public:
    TAppopenForm(QWidget* window, std::array<OutAppEntry, 26>& apps, DesktopServices& desktop);

    QTreeWidget* ListView1 = nullptr;
    QLabel* Label1 = nullptr;             // the row's caption ("Alt+A")
    LabeledEdit* LabeledEdit1 = nullptr;  // 設定名
    QCheckBox* CheckBox1 = nullptr;       // 引数使用
    LabeledEdit* LabeledEdit2 = nullptr;  // ｺﾏﾝﾄﾞｱﾌﾟﾘｹｰｼｮﾝ
    QPushButton* BitBtn1 = nullptr;       // the file dialog
    QLabel* Label2 = nullptr;             // the marker legend
    QPushButton* Button1 = nullptr;       // 変更 追加
    QPushButton* Button2 = nullptr;       // 終了

    // The row shown in the panel, -1 for none.
    int SelectedRow() const;

    void BitBtn1Click();
    void Button1Click();

  private:
    void ShowRow(int row);
    void FillRow(int row);

    std::array<OutAppEntry, 26>& apps_;
    DesktopServices& desktop_;
};

}  // namespace kelvantori
