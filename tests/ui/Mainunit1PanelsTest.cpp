// The main window's transfer panels driven by keys and clicks: the communication settings panel
// (F7) with its completion, key filters, save and back; the multi-transfer queue (F9) with marked
// files, a missing one, a receive row, its refusals and its abort.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "support/UiRig.h"
#include "ui/ClickLabel.h"
#include "ui/CommSettingsPanel.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"
#include "ui/MultiTransferPanel.h"
#include "ui/TransferCommands.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

const QColor kRedText(Qt::red);
const QColor kLimeText(0, 255, 0);

UiRig::Options With(std::vector<std::string> settings) {
    UiRig::Options options;
    options.settings = std::move(settings);
    return options;
}

// The six fields of the settings panel, as shown.
QString Fields(CommSettingsPanel& panel) {
    const CommSettingsFields f = panel.Fields();
    return QString::fromStdString(f.Speed + " " + f.Port + " " + f.Signal + " " + f.StartChar +
                                  " " + f.EndChar + " " + f.Code);
}

QString Stored(UiRig& rig) {
    const Settings& s = rig.SettingsRecord();
    return QString::fromStdString(s.Speed + " " + s.Port + " " + s.Signal + " " + s.StartChar +
                                  " " + s.EndChar + " " + s.Code);
}

// The rows of the queue panel: the mode checked, the name box (when shown) and the result.
QStringList Rows(MultiTransferPanel& q) {
    QStringList rows;
    for (int k = 0; k < kQueueRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const char* mode = q.RadioButton[3 * i]->isChecked()       ? "send"
                           : q.RadioButton[3 * i + 1]->isChecked() ? "receive"
                                                                   : "cancel";
        QString row = q.numbers[i]->text() + " " + mode;
        if (!q.ComboBox[i]->isHidden())
            row += " [" + q.ComboBox[i]->currentText() + "]";
        if (!q.results[i]->text().isEmpty())
            row += " " + q.results[i]->text();
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

class Mainunit1PanelsTest : public QObject {
    Q_OBJECT

  private slots:
    void settingsPanelOpensWithTheStoredValues() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F7);
        CommSettingsPanel& panel = rig.Form().transfers().CommSettings();
        QVERIFY(rig.Visible("GroupBox1"));
        QCOMPARE(panel.GroupBox1->title(), "通信設定");
        QCOMPARE(rig.Text("Label12"), "通信条件(4800,8,N,2)");
        QCOMPARE(rig.Text("Label13"), "ポート番号(COM1)");
        QCOMPARE(rig.Text("Label14"), " F1 :保存     F2 :戻る");
        QCOMPARE(Fields(panel), "4800,8,N,2 COM1 Y N Y N");
        QVERIFY(!rig.View().ListBox1->isEnabled());
        QVERIFY(!rig.View().Edit1->isEnabled());
        QCOMPARE(rig.Focus(), panel.ComboBox11);
        // Every port that opens, each with its device.
        QCOMPARE(panel.Ports().size(), std::size_t{30});
        QCOMPARE(panel.ComboBox12->count(), 30);
        QCOMPARE(panel.ComboBox12->model()->index(2, 1).data().toString(), "/dev/ttyS2");
        QCOMPARE(rig.Text("PortDevice"), "= /dev/ttyS0");
        QCOMPARE(panel.ComboBox11->count(), 48);
    }

    void settingsPanelCompletesFiltersAndSaves() {
        UiRig rig;
        rig.Port().SetCanOpen("COM2", false);
        rig.Start();
        rig.Press(Qt::Key_F7);
        CommSettingsPanel& panel = rig.Form().transfers().CommSettings();
        QCOMPARE(panel.Ports().size(), std::size_t{29});
        QLineEdit* speed = panel.ComboBox11->lineEdit();
        speed->selectAll();
        rig.Type("96");
        QCOMPARE(speed->text(), "9600,8,N,1");
        QCOMPARE(speed->selectedText(), "00,8,N,1");
        rig.Type("00,");
        // X is no key of the field; a 7 finds 9600,7,...
        rig.Type("X");
        QCOMPARE(speed->text(), "9600,8,N,1");
        rig.Type("7,E,2");
        QCOMPARE(speed->text(), "9600,7,E,2");
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Focus(), panel.ComboBox12);
        // A port no listed port begins with is kept as typed.
        panel.ComboBox12->lineEdit()->selectAll();
        rig.Type("3");
        QCOMPARE(panel.ComboBox12->currentText(), "3");
        QCOMPARE(rig.Text("PortDevice"), "");
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Focus(), panel.Edit4);
        rig.Type("n");
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Focus(), panel.Edit6);
        rig.Press(Qt::Key_Up);
        QCOMPARE(rig.Focus(), panel.Edit4);
        rig.Press(Qt::Key_Up);
        QCOMPARE(rig.Focus(), panel.ComboBox12);
        rig.Press(Qt::Key_F1);

        QCOMPARE(Stored(rig), "9600,7,E,2 COM3 N N Y N");
        QVERIFY(!rig.Visible("GroupBox1"));
        QCOMPARE(rig.Text("StatusPanel4"), "9600,7,E,2");
        QCOMPARE(rig.Text("StatusPanel5"), "COM3");
        QCOMPARE(rig.Text("StatusPanel6"), "N");
        QVERIFY(rig.View().ListBox1->isEnabled());
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void switchesTakeYesOrNoOnly() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F7);
        CommSettingsPanel& panel = rig.Form().transfers().CommSettings();
        panel.Edit8->setFocus();
        panel.Edit8->clear();
        rig.Type("1ay");
        QCOMPARE(panel.Edit8->text(), "y");
        rig.Press(Qt::Key_Return);
        QCOMPARE(panel.Edit8->text(), "Y");
        QCOMPARE(rig.Focus(), panel.ComboBox11);
        panel.Edit8->setFocus();
        rig.Press(Qt::Key_Down);
        QCOMPARE(rig.Focus(), panel.ComboBox11);
    }

    void aLineSettingOfThirteenCharactersIsRefused() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F7);
        CommSettingsPanel& panel = rig.Form().transfers().CommSettings();
        panel.ComboBox11->setEditText("19200,7,E,2XX");
        panel.ComboBox12->setEditText("com4");
        panel.Edit5->setFocus();
        rig.Press(Qt::Key_F1);
        QCOMPARE(rig.Prompts().Log(), QStringList{"確認|入力データを確認してください。"});
        QCOMPARE(rig.Prompts().Asked()[0].prompt.place, PromptPlace::Offset);
        QVERIFY(rig.Visible("GroupBox1"));
        QCOMPARE(rig.Focus(), panel.ComboBox11);
        QCOMPARE(Stored(rig), "4800,8,N,2 COM1 Y N Y N");
    }

    void backAsksWhileFieldsAreFilled_data() {
        QTest::addColumn<bool>("emptied");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        const QString question = "通信設定|通信設定が変更されています。\n保存せずに終了しますか？";
        QTest::newRow("Yes leaves without saving")
            << false << int(PromptButton::Yes) << QStringList{question} << "4800,8,N,2 COM1 Y N Y N"
            << "操作中止!!";
        QTest::newRow("No saves") << false << int(PromptButton::No) << QStringList{question}
                                  << "4800,8,N,2 COM5 Y N Y N"
                                  << "";
        QTest::newRow("all fields emptied asks nothing")
            << true << int(PromptButton::Yes) << QStringList{} << "4800,8,N,2 COM1 Y N Y N"
            << "操作中止!!";
    }
    void backAsksWhileFieldsAreFilled() {
        QFETCH(bool, emptied);
        QFETCH(int, answer);
        QFETCH(QStringList, prompts);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F7);
        CommSettingsPanel& panel = rig.Form().transfers().CommSettings();
        panel.ComboBox12->setEditText("5");
        if (emptied) {
            panel.ComboBox11->setEditText("");
            panel.ComboBox12->setEditText("");
            for (QLineEdit* edit : {panel.Edit4, panel.Edit5, panel.Edit6, panel.Edit8})
                edit->clear();
        }
        if (!prompts.isEmpty())
            rig.Prompts().Answer(static_cast<PromptButton>(answer));
        rig.Press(Qt::Key_Escape);
        QCOMPARE(rig.Prompts().Log(), prompts);
        QCOMPARE(Stored(rig), stored);
        QVERIFY(!rig.Visible("GroupBox1"));
        QCOMPARE(rig.Text("Label11"), message);
        QCOMPARE(Fields(panel), "     ");
    }

    void f10InThePanelClosesTheWindow() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F7);
        rig.Press(Qt::Key_F10);
        QVERIFY(!rig.Form().isVisible());
    }

    void label14StandsForF1AndF2() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F7);
        CommSettingsPanel& panel = rig.Form().transfers().CommSettings();
        panel.ComboBox12->setEditText("7");
        QTest::mouseClick(panel.Label14, Qt::LeftButton, {}, QPoint(100, 8));
        QVERIFY(rig.Visible("GroupBox1"));  // between the two keys
        QTest::mouseClick(panel.Label14, Qt::LeftButton, {}, QPoint(40, 8));
        QCOMPARE(rig.SettingsRecord().Port, "COM7");
        QVERIFY(!rig.Visible("GroupBox1"));
    }

    void queueSendsTheMarkedFilesAndReportsTheMissingOne() {
        UiRig rig(With({"Speed=4800,7,E,2", "Signal=N"}));
        rig.WriteFile("O0001.NC", "O0001\r\nM30\r\n");
        rig.WriteFile("O0002.NC", "O0002\r\nM30\r\n");
        rig.WriteFile("O0003.NC", "O0003\r\nM30\r\n");
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_F9);
        MultiTransferPanel& q = rig.Form().transfers().MultiTransfer();
        QVERIFY(rig.Visible("GroupBox3"));
        QCOMPARE(Rows(q).mid(0, 4), (QStringList{"　１ send [O0001.NC]", "　２ send [O0002.NC]",
                                                 "　３ send [O0003.NC]", "　４ cancel"}));
        QCOMPARE(q.numbers[9]->text(), "１０");
        QVERIFY(q.BitBtn1->isEnabled());
        QCOMPARE(rig.Focus(), q.BitBtn1);
        // The second file goes before the run.
        std::filesystem::remove(rig.D().File("O0002.NC"));
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Prompts().Answer(PromptButton::Yes);
        QStringList during;
        rig.AtWrite(2, [&] {
            during << rig.Text("Label35") << rig.View().GroupBox2->title()
                   << QString::number(rig.View().GroupBox2->x()) << rig.Text("StatusPanel0");
            during << QString::number(rig.ScreenSaver().active.size());
        });
        QTest::mouseClick(q.BitBtn1, Qt::LeftButton);
        rig.Settle();

        QCOMPARE(during,
                 (QStringList{"No1  処理中です。", "送信データ", "24", "送信名 O0001.NC", "1"}));
        QCOMPARE(Rows(q).mid(0, 4),
                 (QStringList{"　１ send [O0001.NC] 完了", "　２ send [O0002.NC] 未完了",
                              "　３ send [O0003.NC] 完了", "　４ cancel"}));
        QCOMPARE(rig.Port().WrittenBytes(), "\nO0001\nM30\n\n%\nO0003\nM30\n\n%");
        QVERIFY(!rig.Visible("GroupBox3"));
        QCOMPARE(rig.Text("Label11"), "マルチ送受信終了");
        QCOMPARE(rig.TextColour("Label11"), kLimeText);
        QCOMPARE(rig.View().Timer1->interval(), 3000);
        QVERIFY(rig.View().ListBox1->isEnabled());
        QCOMPARE(rig.Model().MarkCount(), 0);
        QVERIFY(rig.ScreenSaver().active.empty());
        const QString confirm =
            "確認|ＮＣ装置側の準備を行ってください。\n準備が出来ましたら「はい(Y)」を\n押すと送信が"
            "開始します。";
        QCOMPARE(rig.Prompts().Log(), (QStringList{confirm, confirm}));
    }

    void queueReceivesIntoTheNamedFileWithTheMaskExtension() {
        UiRig rig(With({"Speed=4800,7,E,2", "R_Code=1", "ALL-Files=N"}));
        rig.Start();
        rig.Press(Qt::Key_F9);
        MultiTransferPanel& q = rig.Form().transfers().MultiTransfer();
        QVERIFY(!q.BitBtn1->isEnabled());
        QTest::mouseClick(q.RadioButton[1], Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(q.BitBtn1->isEnabled());
        QCOMPARE(rig.Focus(), q.ComboBox[0]);
        QCOMPARE(q.ComboBox[0]->count(), 0);
        // "." is refused while the mask gives the extension.
        rig.Type("O1.000");
        QCOMPARE(q.ComboBox[0]->currentText(), "O1000");
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"確認|この文字はファイル名に使えません。\n/:,;*?<>|."});
        rig.Port().ArriveAt(2s, "%\nO1000\nG01X1.\nM30\n%");
        // Enter takes the name to OK, a second Enter runs the queue.
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Focus(), q.BitBtn1);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.D().Read("O1000.NC"), "O1000\r\nG01 X1.\r\nM30\r\n%\r\n");
        QCOMPARE(Rows(q)[0], "　１ receive [O1000] 完了");
        QCOMPARE(rig.Text("Label11"), "マルチ送受信終了");
    }

    void queueNameBoxesCompleteFromTheFilesOfTheList() {
        UiRig rig;
        rig.WriteFile("O0001.NC", "x");
        rig.WriteFile("O0100.NC", "x");
        rig.Start();
        rig.Press(Qt::Key_F9);
        MultiTransferPanel& q = rig.Form().transfers().MultiTransfer();
        // Row 4 answers for itself.
        QTest::mouseClick(q.RadioButton[9], Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(q.ComboBox[3]->count(), 2);
        rig.Type("o01");
        QCOMPARE(q.ComboBox[3]->currentText(), "O0100.NC");
        QCOMPARE(q.ComboBox[3]->lineEdit()->selectedText(), "00.NC");
        rig.Press(Qt::Key_Return);
        QCOMPARE(q.Rows()[3].DataName, "O0100.NC");
        QCOMPARE(rig.Focus(), q.BitBtn1);
        QCOMPARE(q.Rows()[0].DataName, "");
        // Back to cancel: the box goes.
        QTest::mouseClick(q.RadioButton[11], Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(q.ComboBox[3]->isHidden());
        QCOMPARE(q.Rows()[3].mode, RowMode::Cancel);
    }

    void queueRowsAreChosenWithTheArrowKeysAndTheNameIsTypedAtOnce() {
        UiRig rig;
        rig.WriteFile("O0001.NC", "x");
        rig.Start();
        rig.Press(Qt::Key_F9);
        MultiTransferPanel& q = rig.Form().transfers().MultiTransfer();
        QCOMPARE(rig.Focus(), q.RadioButton[2]);
        // Left from cancel checks receive; the row's box takes what is typed next.
        rig.Press(Qt::Key_Left);
        QCOMPARE(rig.Focus(), q.ComboBox[0]);
        rig.Type("RX");
        QCOMPARE(Rows(q)[0], "　１ receive [RX]");
        // Back to the row's buttons: Left once more checks send, and the box completes.
        rig.Press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(rig.Focus(), q.RadioButton[1]);
        rig.Press(Qt::Key_Left);
        QCOMPARE(rig.Focus(), q.ComboBox[0]);
        rig.Type("o0");
        QCOMPARE(Rows(q)[0], "　１ send [O0001.NC]");
        QCOMPARE(q.Rows()[0].mode, RowMode::Send);
    }

    void closingDuringTheQueueStopsItsTransferAndRunsNoFurtherRow() {
        UiRig rig(With({"Speed=4800,7,E,2"}));
        rig.WriteFile("O0001.NC", "O0001\r\nM30\r\n");
        rig.WriteFile("O0002.NC", "O0002\r\nM30\r\n");
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_F9);
        MultiTransferPanel& q = rig.Form().transfers().MultiTransfer();
        rig.Port().ArriveAt(50ms, "\x11");
        rig.AtWrite(3, [&] { rig.Form().close(); });
        QTest::mouseClick(q.BitBtn1, Qt::LeftButton);
        rig.Settle();
        QVERIFY(!rig.Form().isVisible());
        // The first send stopped with its DC4; the second never began.
        QCOMPARE(rig.Port().Opened().size(), std::size_t{1});
        QCOMPARE(rig.Port().WrittenBytes().back(), '\x14');
        QVERIFY(!rig.Port().IsOpen());
    }

    void queueAbortAndTooManyMarks() {
        UiRig rig;
        for (int i = 1; i <= 11; ++i)
            rig.WriteFile("O" + std::to_string(1000 + i) + ".NC", "x");
        rig.Start();
        rig.Press(Qt::Key_Home);
        QCOMPARE(rig.Model().MarkCount(), 11);
        rig.Press(Qt::Key_F9);
        MultiTransferPanel& q = rig.Form().transfers().MultiTransfer();
        QCOMPARE(rig.Prompts().Log(), QStringList{"確認|マルチ送信は最大10ﾌｧｲﾙです。"});
        QCOMPARE(Rows(q)[0], "　１ cancel");
        QVERIFY(!q.BitBtn1->isEnabled());
        QTest::mouseClick(q.BitBtn2, Qt::LeftButton);
        QVERIFY(!rig.Visible("GroupBox3"));
        QCOMPARE(rig.Text("Label11"), "マルチ送受信中止");
        // Esc anywhere in the panel aborts as well.
        rig.Press(Qt::Key_F9);
        QVERIFY(rig.Visible("GroupBox3"));
        rig.Press(Qt::Key_Escape);
        QVERIFY(!rig.Visible("GroupBox3"));
        QCOMPARE(rig.Text("Label11"), "マルチ送受信中止");
        QCOMPARE(rig.TextColour("Label11"), kRedText);
        QCOMPARE(rig.View().Timer1->interval(), 1000);
        QCOMPARE(rig.Model().MarkCount(), 0);
        QCOMPARE(rig.Port().Opened().size(), std::size_t{0});
    }
};

QTEST_MAIN(Mainunit1PanelsTest)
#include "Mainunit1PanelsTest.moc"
