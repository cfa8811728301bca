// GroupBox1 "通信設定" (F7): the six communication settings edited from the keyboard. The line
// setting and the port are drop-down boxes that complete what is typed from their lists (the 48
// line settings; the ports that can be opened now, each with the device Host.ini gives it), the
// four switches take Y or N; Enter, Up and Down go round the fields, F1 saves, F2 or Esc goes
// back, F10 closes the window. The rules live in core/CommSettingsFields.
#pragma once

#include <QObject>
#include <array>
#include <string>
#include <vector>

#include "core/CommSettingsFields.h"

class QComboBox;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QWidget;

namespace kelvantori {

class ClickLabel;
struct MainContext;

inline const char* const kCommSettingsLegend = " F1 :保存     F2 :戻る";

class CommSettingsPanel : public QObject {
    Q_OBJECT

  public:
    explicit CommSettingsPanel(MainContext& context);

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label12 = nullptr;  // "通信条件(...)"
    QLabel* Label15 = nullptr;
    QComboBox* ComboBox11 = nullptr;
    QLabel* Label13 = nullptr;  // "ポート番号(...)"
    QComboBox* ComboBox12 = nullptr;
    QLabel* PortDevice = nullptr;  // the device of the port in ComboBox12
    QLabel* Label18 = nullptr;
    QLineEdit* Edit4 = nullptr;  // Signal
    QLabel* Label36 = nullptr;
    QLineEdit* Edit6 = nullptr;  // StartChar
    QLabel* Label53 = nullptr;
    QLineEdit* Edit5 = nullptr;  // EndChar
    QLabel* Label40 = nullptr;
    QLineEdit* Edit8 = nullptr;  // Code
    ClickLabel* Label14 = nullptr;

    // F7 in the list.
    void Open();
    // F1 and F2 of the panel (also the clickable Label14).
    void Save();
    void Back();

    CommSettingsFields Fields() const;
    // The ports offered, in ascending order.
    const std::vector<std::string>& Ports() const { return ports_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Build();
    void FillPorts();
    void SetFields(const CommSettingsFields& fields);
    void Close();
    void Focus(CommField field);
    // The control of a field (the box itself for the two lists: it takes the keys and the
    // focus) and the line that holds its text.
    QWidget* EditorOf(CommField field) const;
    QLineEdit* TextOf(CommField field) const;
    bool FieldKey(CommField field, QKeyEvent* event);
    void Edited(CommField field);
    void ShowPortDevice();

    MainContext& c_;
    QStandardItemModel* portModel_ = nullptr;
    std::vector<std::string> ports_;
    // Backspace or Delete made the last change: it is not completed.
    std::array<bool, 3> noCompletion_{};
};

}  // namespace kelvantori
