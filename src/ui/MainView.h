// The controls of the main window under their form names, laid out at fixed pixel positions as
// the shop's screens have them, and the few display operations every area of the window uses:
// the key legend, the message line, the status panels, the text panel and the list's texts.
// It holds no state of the program; TForm1 and the command areas decide what is shown.
#pragma once

#include <QColor>
#include <QObject>
#include <QRect>
#include <QString>
#include <array>
#include <string>

#include "comm/TransferHost.h"
#include "files/FileListModel.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QTimer;
class QWidget;

namespace kelvantori {

class ClickLabel;
class FileListView;
class ProgramView;

inline constexpr const char* kNormalLegend =
    " F1 :ﾌｧｲﾙ送信　　 F2 :ﾌｧｲﾙ受信     F3 :ﾌｧｲﾙ削除     F4 :ﾌｧｲﾙｺﾋﾟｰ     F5 :ﾃﾞｨﾚｸﾄﾘ切換・作成\n"
    " F6 :拡張子変更   F7 :通信設定     F8 :ﾌｧｲﾙﾋﾞｭｰ     F9 :ﾏﾙﾁ送受信    F10:終了";
inline constexpr const char* kShiftLegend =
    " F1 :ﾌｧｲﾙ送信+終了F2 :ﾌｧｲﾙ受信+終了F3 :ﾌｧｲﾙ移動     F4 :ﾌｧｲﾙ結合     F5 :ﾌｫﾙﾀﾞｰ表示       \n"
    " F6 :             F7 :             F8 :送受信ログ   F9 :ﾌｧｲﾙ分割     F10:終了";
inline constexpr const char* kLetterCommands =
    " B:ﾌｧｲﾙ分割\n C:ﾌｧｲﾙｺﾋﾟｰ\n D:ﾌｧｲﾙ削除\n E:ｴﾃﾞｨﾀ起動\n G:ｴﾃﾞｨﾀ設定\n F:ﾌｧｲﾙ検索\n H:指定軸2倍\n"
    " I:ﾌｧｲﾙ情報\n K:ﾌｧｲﾙ結合\n L:ﾄﾞﾗｲﾌﾞ切換\n M:ﾌｧｲﾙ移動\n O:ｵﾌﾟｼｮﾝ設定\n R:ﾌｧｲﾙ名変更\n "
    "S:ﾌｧｲﾙｿｰﾄ\n"
    " V:ﾌｧｲﾙﾋﾞｭｰ\n X:関連付け起動\n Y:外部ｱﾌﾟﾘ設定\n---------------\n T:先頭に移動\n "
    "Z:末尾に移動\n";
inline constexpr const char* kShiftHintLine =
    " Shiftでｻﾌﾞﾒﾆｭｰ表示  　　　　　　               　  SP :ﾌｧｲﾙﾘｽﾄ更新  ESC:操作中止";
inline constexpr const char* kCancelledMessage = "操作中止!!";

// Colours of the program.
inline const QColor kNavy(0, 0, 128);
inline const QColor kTeal(0, 128, 128);
inline const QColor kGreen(0, 128, 0);
inline const QColor kLime(0, 255, 0);

// Where GroupBox2 stands for each of its uses.
inline constexpr QRect kTextPanelRight(328, 184, 350, 240);      // one file sent
inline constexpr QRect kTextPanelWide(50, 184, 650, 240);        // marked files sent
inline constexpr QRect kTextPanelRightHigh(328, 100, 350, 324);  // file view, log
inline constexpr QRect kTextPanelReceive(24, 96, 650, 328);      // received data

class MainView : public QObject {
    Q_OBJECT

  public:
    // The window's width with the letter-command panel beside the list.
    static constexpr int kWindowWidth = 760;
    static constexpr int kWindowHeight = 580;
    static constexpr int kListNarrowWidth = 616;
    static constexpr int kListWideWidth = 728;
    static constexpr int kStatusPanels = 7;

    MainView(QMainWindow& window, const FileListModel& model);

    // --- the controls, by their form names -------------------------------------------------
    QWidget* central = nullptr;
    QLabel* Label7 = nullptr;  // header: path and count
    FileListView* ListBox1 = nullptr;
    QLabel* Label2 = nullptr;   // letter commands, right of the list
    QLabel* Label8 = nullptr;   // detail line of the current entry
    QLabel* Label3 = nullptr;   // target of a drag
    QLabel* Label11 = nullptr;  // prompt and message line
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;  // function-key legend
    QLabel* Label6 = nullptr;  // Shift and Space hint
    QWidget* StatusBar2 = nullptr;
    std::array<QLabel*, kStatusPanels> statusPanels{};
    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;  // the text area panel
    ProgramView* RichEdit1 = nullptr;
    QLabel* Label17 = nullptr;        // "残り ..." under the text area
    QGroupBox* GroupBox14 = nullptr;  // sort setting
    QLabel* Label37 = nullptr;
    QLabel* Label38 = nullptr;
    ClickLabel* Label39 = nullptr;  // "Esc :中止"
    QLineEdit* Edit7 = nullptr;
    QTimer* Timer1 = nullptr;  // the return to the idle display

    // --- display operations ----------------------------------------------------------------
    void ShowLegend(bool shift);
    // Label11: lime after a completion or a prompt, red after a stop.
    void ShowMessage(const std::string& text, ResultColour colour = ResultColour::Lime);
    void SetStatus(int panel, const std::string& text);
    std::string Status(int panel) const;
    // GroupBox2 with its caption at a place, in a colour; RichEdit1 and Label17 inside it.
    void ShowTextPanel(const std::string& caption, QRect geometry, QColor colour);
    void HideTextPanel();
    std::string TextPanelCaption() const;
    // ListColumn: 1..4 columns on a 616-pixel list with the letter commands beside it, 5 on 728.
    void ApplyListColumns(int listColumn);
    // The list, the header and the detail line after the model changed.
    void ShowListTexts();
    // The width of a status panel, for tests of what fits.
    int StatusPanelWidth(int panel) const;

  private:
    void BuildStatusBar();
    void BuildTextPanel();
    void BuildSortPanel();

    QMainWindow& window_;
    const FileListModel& model_;
};

// A label of the window's panels at geometry: plain text in the program's font of pixelSize, in
// colour.
QLabel* MakePanelLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry,
                       int pixelSize, const QColor& colour = Qt::white);
// A label's text colour.
void SetTextColour(QWidget* widget, const QColor& colour);
// A panel's (group box's) background colour.
void SetPanelColour(QWidget* widget, const QColor& colour);

}  // namespace kelvantori
