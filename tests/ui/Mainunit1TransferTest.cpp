// The main window's transfers driven by real keys over the scripted port: F1 with its panel,
// the bytes on the line and the log line; F3/Esc during a send; the marked files; F2 with the
// naming choice, the overwrite question and data that cannot be saved; Shift+F8; the window
// closed during a transfer; the command line's order with END and the power-off.
#include <sys/stat.h>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "core/TextCodec.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"
#include "ui/TransferCommands.h"
#include "ui/TransferControls.h"
#include "ui/WindowTransferHost.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

const QColor kRedText(Qt::red);
const QColor kLimeText(0, 255, 0);
const QString kHeading1 = "<<<<<　　　通信ログ　　　>>>>>";
const QString kHeading2 = "送受信　状態　日時　　　　　　　　　送受信ファイル名";
const QString kHeading3 = QString("─").repeated(37);

// A 7-bit line: the port adds the parity, so the bytes on the line read as the program's text.
UiRig::Options SevenBit(std::vector<std::string> more = {},
                        std::vector<std::string> arguments = {}) {
    UiRig::Options options;
    options.settings = {"Speed=4800,7,E,2", "R_Code=1"};
    options.settings.insert(options.settings.end(), more.begin(), more.end());
    options.arguments = std::move(arguments);
    return options;
}

// The log's lines with the time of each entry as "<time>".
QStringList WithoutTimes(QStringList lines) {
    static const QRegularExpression time("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d");
    for (QString& line : lines)
        line.replace(time, "<time>");
    return lines;
}

QStringList Log(const QStringList& entries) {
    return QStringList{kHeading1, kHeading2, kHeading3} + entries;
}

QStringList ViewLines(UiRig& rig) {
    QStringList lines;
    ProgramView* view = rig.View().RichEdit1;
    for (std::size_t i = 0; i < view->LineCount(); ++i)
        lines.push_back(view->LineText(i));
    return lines;
}

// What the window shows of a transfer at one moment, in one comparable text.
QString Showing(UiRig& rig) {
    MainView& v = rig.View();
    return QString("%1 | %2 | %3 | %4 | list %5")
        .arg(v.GroupBox2->isVisible() ? v.GroupBox2->title() : "-")
        .arg(rig.Text("StatusPanel0"))
        .arg(rig.Text("StatusPanel3"))
        .arg(rig.Text("Label11"))
        .arg(v.ListBox1->isEnabled() ? "on" : "off");
}

const std::string kProgram1 = "O0001\r\nG01 X1.\r\nM30\r\n";
const std::string kProgram2 = "O0002\r\nG00 Y2.\r\nM30\r\n";
const std::string kProgram3 = "O0003\r\nM99\r\n";
const std::string kLine1 = "\nO0001\nG01 X1.\nM30\n\n%";

}  // namespace

class Mainunit1TransferTest : public QObject {
    Q_OBJECT

  private slots:
    void portNoticeIsShownInTheMessageLineWhileTheSendRuns() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Start();
        rig.Port().SetOpenNotice("COM1 (tcp://box:4001) は raw TCP のポートです。");
        rig.Port().ArriveAt(50ms, "\x11");
        QString during;
        rig.AtWrite(8, [&] { during = rig.Text("Label11"); });
        rig.Press(Qt::Key_F1);
        QCOMPARE(during, "COM1 (tcp://box:4001) は raw TCP のポートです。");
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QCOMPARE(rig.Text("Label11"), "送信完了しました。!!");
    }

    void f1SendsTheCurrentFileAndLogsIt() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Start();
        rig.Port().ArriveAt(50ms, "\x11");
        QString during;
        QStringList shown;
        QRect place;
        std::size_t inhibited = 0;
        rig.AtWrite(8, [&] {
            during = Showing(rig);
            shown = ViewLines(rig);
            place = rig.View().GroupBox2->geometry();
            inhibited = rig.ScreenSaver().active.size();
        });
        rig.Press(Qt::Key_F1);

        QCOMPARE(QString::fromStdString(rig.Port().WrittenBytes()), QString::fromStdString(kLine1));
        QCOMPARE(during, "送信データ | 送信名 O0001.NC | ＜＜ 送信中 ＞＞ |  | list off");
        QCOMPARE(shown, (QStringList{"O0001", "G01 X1.", "M30"}));
        QCOMPARE(place, kTextPanelRight);
        QCOMPARE(inhibited, std::size_t{1});
        QVERIFY(rig.ScreenSaver().active.empty());
        QCOMPARE(Showing(rig), "- |  | 送信完了しました。 | 送信完了しました。!! | list on");
        QCOMPARE(rig.TextColour("Label11"), kLimeText);
        QCOMPARE(rig.Text("Label17"), "残り 0ﾊﾞｲﾄ");
        QCOMPARE(rig.View().ProgressBar1->value(), 0);
        QCOMPARE(rig.View().Timer1->interval(), 3000);
        QCOMPARE(WithoutTimes(rig.LogLines()), Log({"送信　　完了　<time>　D:\\O0001.NC"}));
        QVERIFY(!rig.Port().IsOpen());
        QCOMPARE(rig.Prompts().Log(), QStringList());

        rig.FireTimer1();
        QCOMPARE(Showing(rig), "- |  |  |  | list on");
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
    }

    void f3OrEscapeStopsTheSend_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("F3") << int(Qt::Key_F3);
    }
    void f3OrEscapeStopsTheSend() {
        QFETCH(int, key);
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.WriteFile("O0002.NC", kProgram2);
        rig.Start();
        rig.Port().ArriveAt(50ms, "\x11");
        rig.AtWrite(4, [&] { rig.PostKey(key); });
        rig.Press(Qt::Key_F1);

        // Sent up to the press, then the DC4 of the stop.
        const std::string written = rig.Port().WrittenBytes();
        QVERIFY2(written.size() >= 5 && written.back() == '\x14', written.c_str());
        QVERIFY(kLine1.rfind(written.substr(0, written.size() - 1), 0) == 0);
        QVERIFY(written.size() < kLine1.size());
        QCOMPARE(Showing(rig), "- |  | 送信中止しました。 | 送信中止しました。!! | list on");
        QCOMPARE(rig.TextColour("Label11"), kRedText);
        QCOMPARE(rig.View().Timer1->interval(), 1000);
        QCOMPARE(WithoutTimes(rig.LogLines()), Log({"送信　　中止　<time>　D:\\O0001.NC"}));
        // The key was the transfer's: the list did not move, nothing was deleted.
        QCOMPARE(rig.Selected(), 0);
        QVERIFY(rig.D().Exists("O0001.NC"));
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QVERIFY(!rig.Port().IsOpen());
    }

    void markedFilesAreSentWholeOneAfterAnother() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.WriteFile("O0002.NC", kProgram2);
        rig.WriteFile("O0003.NC", kProgram3);
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_T);
        rig.Port().ArriveAt(50ms, "\x11");
        QRect place;
        int secondF1 = 0;
        rig.AtWrite(3, [&] {
            place = rig.View().GroupBox2->geometry();
            // Nothing else starts while the transfer runs, not even a second F1.
            rig.Form().PressKey(Qt::Key_F1);
            ++secondF1;
        });
        rig.Press(Qt::Key_F1);

        QCOMPARE(secondF1, 1);
        QCOMPARE(place, kTextPanelWide);
        QCOMPARE(QString::fromStdString(rig.Port().WrittenBytes()),
                 "\nO0001\nG01 X1.\nM30\nO0002\nG00 Y2.\nM30\nO0003\nM99\n\n%");
        QCOMPARE(WithoutTimes(rig.LogLines()),
                 Log({"送信　　完了　<time>　D:\\O0001.NC", "送信　　完了　<time>　D:\\O0002.NC",
                      "送信　　完了　<time>　D:\\O0003.NC"}));
        QCOMPARE(rig.Model().MarkCount(), 0);
        QVERIFY(!rig.Lines().join("").contains('*'));
    }

    void f2ThenNSavesOneFilePerProgram() {
        UiRig rig(SevenBit());
        rig.Start();
        rig.Port().ArriveAt(100ms, "%\nO0001\nG01X1.\nM30\nO0002\nG00Y2.\nM30\n%\n");
        rig.Press(Qt::Key_F2);
        QVERIFY(rig.Visible("GroupBox15"));
        QCOMPARE(rig.Focus(), rig.Control("Edit9"));
        QString during;
        QStringList shown;
        // Before the second program begins (and the first goes to its file).
        rig.AtRead(20, [&] {
            during = Showing(rig);
            shown = ViewLines(rig);
        });
        rig.Press(Qt::Key_N);

        QVERIFY(!rig.Visible("GroupBox15"));
        // The receive asked the machine for its data.
        // A receive writes nothing to the line.
        QCOMPARE(rig.Port().WrittenBytes(), "");
        QCOMPARE(during, "受信データ | 受信名 自動保存 | ＜＜ 受信中 ＞＞ |  | list off");
        QCOMPARE(shown, (QStringList{"O0001", "G01 X1.", "M30"}));
        QCOMPARE(rig.D().Read("O0001_001.NC"), "O0001\r\nG01 X1.\r\nM30\r\n%\r\n");
        QCOMPARE(rig.D().Read("O0002_002.NC"), "O0002\r\nG00 Y2.\r\nM30\r\n%\r\n");
        QCOMPARE(Showing(rig), "- |  | 受信完了しました。 | 受信完了しました。!! | list on");
        QCOMPARE(WithoutTimes(rig.LogLines()), Log({"受信　　完了　<time>　D:\\O0001_001.NC",
                                                    "受信　　完了　<time>　D:\\O0002_002.NC"}));
        // The list shows the new files once the idle display is back.
        rig.FireTimer1();
        QStringList listed;
        for (const QString& line : rig.Lines())
            listed.push_back(line.left(22));
        QCOMPARE(listed, (QStringList{" O0001_~1.NC        24", " O0002_~1.NC        24"}));
    }

    void f2ThenYAsksBeforeReplacingAFile() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", "OLD\r\n");
        rig.Start();
        rig.Press(Qt::Key_F2);
        rig.Press(Qt::Key_Y);
        QCOMPARE(rig.Text("Label11"), "ファイル受信 受信ファイル名-->>>");
        QCOMPARE(rig.Focus(), rig.Control("Edit1"));
        rig.Type("O0001.NC");
        // No: the name can be typed again, nothing is received.
        rig.Prompts().Answer(PromptButton::No);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Port().Opened().size(), std::size_t{0});
        QCOMPARE(rig.Text("Edit1"), "O0001.NC");
        rig.Port().ArriveAt(100ms, "%\nO0001\nM30\n%");
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Press(Qt::Key_Return);

        const QString question = "確認|すでにD:\\O0001.NCが有ります。\n上書きしますか？";
        QCOMPARE(rig.Prompts().Log(), (QStringList{question, question}));
        QCOMPARE(rig.D().Read("O0001.NC"), "O0001\r\nM30\r\n%\r\n");
        QCOMPARE(WithoutTimes(rig.LogLines()), Log({"受信　　完了　<time>　D:\\O0001.NC"}));
    }

    void escapeInTheNamingChoiceCancels() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F2);
        rig.Press(Qt::Key_Escape);
        QVERIFY(!rig.Visible("GroupBox15"));
        QCOMPARE(rig.Text("Label11"), "操作中止!!");
        QCOMPARE(rig.TextColour("Label11"), kRedText);
        QCOMPARE(rig.Port().Opened().size(), std::size_t{0});
        QVERIFY(rig.View().ListBox1->isEnabled());
    }

    void receivedDataThatCannotBeSavedStaysAndIsOffered() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0009.NC", "KEEP\r\n");
        ::chmod(rig.D().File("O0009.NC").c_str(), 0444);
        rig.Start();
        rig.Port().ArriveAt(100ms, "%\nO0009\nG01X5.\nM30\n%");
        QStringList offered;
        QString startFolder;
        QString messageLine;
        // The data is written to a rescue file at once; then it is shown and, on Yes, saved under
        // another name.
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            offered = ViewLines(rig);
            messageLine = rig.Text("Label11");
            startFolder = static_cast<QFileDialog&>(dialog).directory().absolutePath();
            // The name typed into the dialog's name box, as a user does.
            dialog.findChild<QLineEdit*>("fileNameEdit")->setText("RESCUED.NC");
            return int(QDialog::Accepted);
        });
        rig.Press(Qt::Key_F2);
        rig.Press(Qt::Key_Y);
        rig.Type("O0009.NC");
        rig.Prompts().Answer(PromptButton::Yes);  // replace O0009.NC
        rig.Prompts().Answer(PromptButton::Yes);  // save it under another name as well
        rig.Press(Qt::Key_Return);

        const QString tape = "O0009\r\nG01 X5.\r\nM30\r\n%\r\n";
        const QStringList rescues = QDir(QString::fromStdString(rig.Home().Path()))
                                        .entryList({"RESCUE_*_O0009.NC"}, QDir::Files);
        QCOMPARE(rescues.size(), 1);
        const QString rescue = QString::fromStdString(rig.Home().Path()) + "/" + rescues[0];
        QCOMPARE(QString::fromStdString(rig.Home().Read(rescues[0].toStdString())), tape);
        QCOMPARE(offered, (QStringList{"O0009", "G01 X5.", "M30", "%"}));
        // The message line names the rescue file whole at both ends: a long path gives way in
        // its middle rather than losing the caption off the left edge.
        QVERIFY2(messageLine.startsWith("受信データ: /") && messageLine.endsWith("/" + rescues[0]),
                 qPrintable(messageLine));
        QVERIFY(QFontMetrics(rig.View().Label11->font()).horizontalAdvance(messageLine) <=
                rig.View().Label11->width());
        QCOMPARE(startFolder, QString::fromStdString(rig.D().Path()));
        QCOMPARE(QString::fromStdString(rig.D().Read("RESCUED.NC")), tape);
        QCOMPARE(rig.D().Read("O0009.NC"), "KEEP\r\n");
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{
                     "確認|すでにD:\\O0009.NCが有ります。\n上書きしますか？",
                     "確認|アクセスが拒否されました。\nD:\\O0009.NC",
                     "確認|受信データを書き出しました。\n" + rescue + "\n別の名前で保存しますか？",
                     "完了|受信データを保存しました。\nD:\\RESCUED.NC"}));
        QCOMPARE(rig.Prompts().Dialogs(), (QStringList{"RescueDialog"}));
        QCOMPARE(Showing(rig),
                 "受信データ | 受信名 O0009.NC | 受信を中止しました。 | "
                 "受信を中止しました。!! | list on");
        const QStringList log = WithoutTimes(rig.LogLines());
        QCOMPARE(log.mid(0, 4), Log({"受信　　中止　<time>　D:\\O0009.NC"}));
        QCOMPARE(log.size(), 5);
        QVERIFY2(log[4].startsWith("受信　　退避　<time>　") && log[4].endsWith("_O0009.NC"),
                 qPrintable(log[4]));
    }

    void shiftF8ShowsTheLogAndMakesItWhenMissing() {
        UiRig rig;
        rig.Start();
        QVERIFY(!rig.Home().Exists("kelvantori.log"));
        rig.Press(Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(ViewLines(rig), (QStringList{kHeading1, kHeading2, kHeading3}));
        QCOMPARE(rig.LogLines(), Log({}));
        QCOMPARE(rig.View().GroupBox2->title(), "送受信ログ");
        QCOMPARE(rig.View().GroupBox2->geometry(), kTextPanelRightHigh);
        QCOMPARE(rig.View().GroupBox2->palette().color(QPalette::Window), kTeal);
        QCOMPARE(rig.Text("StatusPanel3"), "送受信ログ");
        QCOMPARE(rig.Focus(), rig.View().RichEdit1);
        rig.Press(Qt::Key_Escape);
        QVERIFY(!rig.View().GroupBox2->isVisible());
        QCOMPARE(rig.Text("Label11"), "操作中止!!");
    }

    void closingDuringAReceiveStopsItAndSavesNothingPartial() {
        UiRig rig(SevenBit());
        rig.Start();
        rig.Port().ArriveAt(100ms, "%\nO0001\nG01X1.\nG01X2.\n");
        rig.AtRead(14, [&] { rig.Form().close(); });
        rig.Press(Qt::Key_F2);
        rig.Press(Qt::Key_N);

        QVERIFY(!rig.Form().isVisible());
        QVERIFY(!rig.Port().IsOpen());
        QVERIFY(!rig.D().Exists("O0001_001.NC"));
        // What arrived is in a rescue file of the program folder, and the user is told where.
        const QStringList rescues = QDir(QString::fromStdString(rig.Home().Path()))
                                        .entryList({"RESCUE_*_O0001_001.NC"}, QDir::Files);
        QCOMPARE(rescues.size(), 1);
        QCOMPARE(rig.Home().Read(rescues[0].toStdString()), "O0001\r\nG01 X1.\r\n");
        const QStringList log = WithoutTimes(rig.LogLines());
        QCOMPARE(log.mid(0, 4), Log({"受信　　中止　<time>　D:\\O0001_001.NC"}));
        QCOMPARE(log.size(), 5);
        QVERIFY2(log[4].startsWith("受信　　退避　<time>　"), qPrintable(log[4]));
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"確認|受信データを書き出しました。\n" +
                             QString::fromStdString(rig.Home().Path()) + "/" + rescues[0]});
    }

    void closingDuringASendSendsTheStopFirst() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Start();
        rig.Port().ArriveAt(50ms, "\x11");
        rig.AtWrite(4, [&] { rig.Form().close(); });
        rig.Press(Qt::Key_F1);

        QVERIFY(!rig.Form().isVisible());
        QCOMPARE(rig.Port().WrittenBytes().back(), '\x14');
        QCOMPARE(WithoutTimes(rig.LogLines()), Log({"送信　　中止　<time>　D:\\O0001.NC"}));
        QVERIFY(!rig.Port().IsOpen());
    }

    void commandLineOrderRunsAtTheFirstIdleMomentAndEndCloses_data() {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("powerOffs");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("END closes") << QStringList{} << false << 0 << QStringList{};
        QTest::newRow("and switches off")
            << QStringList{"Power_Off=Y"} << false << 1 << QStringList{};
        QTest::newRow("a refused power-off is shown")
            << QStringList{"Power_Off=Y"} << true << 1
            << QStringList{"確認|電源を切れませんでした。\nInteractive authentication required."};
    }
    void commandLineOrderRunsAtTheFirstIdleMomentAndEndCloses() {
        QFETCH(QStringList, settings);
        QFETCH(bool, refused);
        QFETCH(int, powerOffs);
        QFETCH(QStringList, prompts);
        std::vector<std::string> lines;
        for (const QString& line : settings)
            lines.push_back(line.toStdString());
        UiRig rig(SevenBit(lines, {"S=O0001.NC", "END"}));
        rig.WriteFile("O0001.NC", kProgram1);
        const std::string ini = rig.Home().Read("kelvantori.INI");
        if (refused)
            rig.Power().Answer({false, "Interactive authentication required."});
        rig.Port().ArriveAt(50ms, "\x11");
        rig.Start();

        QCOMPARE(QString::fromStdString(rig.Port().WrittenBytes()), QString::fromStdString(kLine1));
        QVERIFY(!rig.Form().isVisible());
        QCOMPARE(rig.Power().requests, powerOffs);
        QCOMPARE(rig.Prompts().Log(), prompts);
        QCOMPARE(WithoutTimes(rig.LogLines()), Log({"送信　　完了　<time>　D:\\O0001.NC"}));
        // Ordered on the command line: the settings file stays as it was.
        QCOMPARE(rig.Home().Read("kelvantori.INI"), ini);
    }

    void aStoppedOrderDoesNotClose() {
        UiRig rig(SevenBit({"Power_Off=Y"}, {"S=O0001.NC", "END"}));
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Port().ArriveAt(50ms, "\x11");
        rig.AtWrite(3, [&] { rig.PostKey(Qt::Key_Escape); });
        rig.Start();
        QVERIFY(rig.Form().isVisible());
        QCOMPARE(rig.Power().requests, 0);
        QCOMPARE(rig.Text("Label11"), "送信中止しました。!!");
    }

    void sendAndReceiveOrderedTogetherRunSendFirst() {
        UiRig rig(SevenBit({}, {"S=O0001.NC", "R=O0100.NC"}));
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Port().ArriveAt(50ms, "\x11");
        // The receive's data comes once the send has drained.
        rig.Port().ArriveAt(10s, "%\nO0100\nM30\n%");
        rig.Start();
        QCOMPARE(QString::fromStdString(rig.Port().WrittenBytes()), QString::fromStdString(kLine1));
        QCOMPARE(rig.D().Read("O0100.NC"), "O0100\r\nM30\r\n%\r\n");
        QCOMPARE(WithoutTimes(rig.LogLines()),
                 Log({"送信　　完了　<time>　D:\\O0001.NC", "受信　　完了　<time>　D:\\O0100.NC"}));
        QVERIFY(rig.Form().isVisible());
        QCOMPARE(Showing(rig), "- |  | 受信完了しました。 | 受信完了しました。!! | list on");
    }

    void shiftF1ClosesTheWindowAfterTheSend() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Start();
        rig.Port().ArriveAt(50ms, "\x11");
        rig.Press(Qt::Key_F1, Qt::ShiftModifier);
        QCOMPARE(QString::fromStdString(rig.Port().WrittenBytes()), QString::fromStdString(kLine1));
        QVERIFY(!rig.Form().isVisible());
        QCOMPARE(rig.Power().requests, 0);
    }

    void shiftF2ClosesTheWindowAfterTheReceive() {
        UiRig rig(SevenBit());
        rig.Start();
        rig.Port().ArriveAt(100ms, "%\nO0001\nM30\n%\n");
        rig.Press(Qt::Key_F2, Qt::ShiftModifier);
        rig.Press(Qt::Key_N);
        QCOMPARE(rig.D().Read("O0001_001.NC"), "O0001\r\nM30\r\n%\r\n");
        QVERIFY(!rig.Form().isVisible());
    }

    // The port's own reason reaches the user, as the CLI shows it: the window's port is the
    // rig's scripted one behind a port that forwards every call.
    void aPortThatDoesNotOpenSaysWhy_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("systemWords");
        QTest::addColumn<QString>("shown");
        const QString head = "確認|COM1のポートが開きません。!!\n";
        QTest::newRow("InUse") << int(OpenFailure::InUse) << "Device or resource busy"
                               << head +
                                      "他のプログラムがこのポートを使っています。そのプログラム"
                                      "を終わらせてから、もう一度行ってください。";
        QTest::newRow("NoDevice") << int(OpenFailure::NoDevice) << "No such file or directory"
                                  << head +
                                         "デバイスがありません。USB シリアル変換器が外れていない"
                                         "か、Host.ini の [Ports] の指定が正しいか確かめてくだ"
                                         "さい。";
        QTest::newRow("OtherGivesTheSystemsWords")
            << int(OpenFailure::Other) << "Input/output error" << head + "Input/output error";
    }
    void aPortThatDoesNotOpenSaysWhy() {
        QFETCH(int, reason);
        QFETCH(QString, systemWords);
        QFETCH(QString, shown);
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Start();
        rig.Port().SetOpenResult(PortError::OpenFailed, systemWords.toStdString(),
                                 static_cast<OpenFailure>(reason));
        rig.Press(Qt::Key_F1);
        QCOMPARE(rig.Prompts().Log(), QStringList{shown});
        QCOMPARE(rig.Port().WrittenBytes(), std::string());
    }

    void lampsShowTheModemLinesAndGoBackAtIdle() {
        UiRig rig(SevenBit());
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Start();
        TransferControls& lamps = rig.Form().transfers().Controls();
        QCOMPARE(lamps.LabeledEdit1->text(), " ●");
        QCOMPARE(rig.TextColour("LabeledEdit1"), kDsrOffColour);
        QCOMPARE(lamps.LabeledEdit2->text(), " ○");
        rig.Port().ArriveAt(50ms, "\x11");
        rig.Port().ModemAfterWrites(3, ModemStatus{false, true, true});
        QStringList during;
        rig.AtWrite(2, [&] {
            during << lamps.LabeledEdit1->text() + " " + rig.TextColour("LabeledEdit1").name() +
                          " |" + lamps.LabeledEdit2->text();
        });
        rig.AtWrite(6, [&] {
            during << lamps.LabeledEdit1->text() + " " + rig.TextColour("LabeledEdit1").name() +
                          " |" + lamps.LabeledEdit2->text();
        });
        rig.Press(Qt::Key_F1);
        QCOMPARE(during, (QStringList{" ● #0000ff | ●", " ● #0000ff | ○"}));
        rig.FireTimer1();
        QCOMPARE(rig.TextColour("LabeledEdit1"), kDsrOffColour);
        QCOMPARE(lamps.LabeledEdit2->text(), " ○");
    }

    // Last of all: it runs the application's own event loop to its end.
    void aRefusedPowerOffStillEndsTheProgram() {
        UiRig rig(SevenBit({"Power_Off=Y"}, {"S=O0001.NC", "END"}));
        rig.WriteFile("O0001.NC", kProgram1);
        rig.Power().Answer({false, "Interactive authentication required."});
        rig.Port().ArriveAt(50ms, "\x11");
        // The refusal stands on the screen as a window of its own while it is read, as a message
        // box does after the main window has closed.
        QWidget box;
        rig.Prompts().WatchPrompts([&box](const Prompt&) {
            box.show();
            QCoreApplication::processEvents();
            box.hide();
        });
        QTimer::singleShot(0, &box, [&rig] { rig.Start(); });
        // A program that never ends would keep the next start from showing a window.
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        limit.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!rig.Form().isVisible());
        QCOMPARE(rig.Power().requests, 1);
        QCOMPARE(
            rig.Prompts().Log(),
            QStringList{"確認|電源を切れませんでした。\nInteractive authentication required."});
    }
};

QTEST_MAIN(Mainunit1TransferTest)
#include "Mainunit1TransferTest.moc"
