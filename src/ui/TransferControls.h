// The transfer's small controls of the main window, built as children of its central widget
// under their form names: the DSR and CTS lamps (LabeledEdit1, LabeledEdit2) beside the hint line,
// and the receive's naming choice GroupBox15 "データ保存" with Label54 and Edit9.
#pragma once

#include <QColor>

#include "platform/SerialPort.h"

class QGroupBox;
class QLabel;
class QLineEdit;

namespace kelvantori {

class ClickLabel;
class MainView;

// DSR: " ●" blue while on, red while off. CTS: " ●" on, " ○" off, in lime.
inline const QColor kDsrOnColour(0, 0, 255);
inline const QColor kDsrOffColour(255, 0, 0);
inline constexpr const char* kLampOn = " ●";
inline constexpr const char* kLampOff = " ○";

inline constexpr const char* kNamingCaption = "データ保存";
inline constexpr const char* kNamingChoices =
    " Y : 受信ﾌｧｲﾙ名を入力して保存\n N : O(L)番号ごとに保存\n Esc:中止";

struct TransferControls {
    QLabel* DsrCaption = nullptr;
    QLineEdit* LabeledEdit1 = nullptr;  // DSR
    QLabel* CtsCaption = nullptr;
    QLineEdit* LabeledEdit2 = nullptr;  // CTS
    QGroupBox* GroupBox15 = nullptr;
    ClickLabel* Label54 = nullptr;
    QLineEdit* Edit9 = nullptr;

    static TransferControls Build(MainView& view);

    void ShowLamps(const ModemStatus& status);
    // The idle state: DSR red, CTS off.
    void ResetLamps();
    // The line of Label54 under a point: 0 = Y, 1 = N, 2 = Esc, -1 = none.
    int ChoiceAt(int y) const;
};

}  // namespace kelvantori
