// The main window's start-up and close: the data-folder and port checks, the command line's
// items, the column count, files dropped from the desktop, and the settings saved at close.
#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "core/TextCodec.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

UiRig::Options With(std::vector<std::string> settings, std::vector<std::string> arguments = {}) {
    UiRig::Options options;
    options.settings = std::move(settings);
    options.arguments = std::move(arguments);
    return options;
}

std::string Ini(UiRig& rig) {
    return Cp932ToUtf8(rig.Home().Read("kelvantori.INI"));
}

}  // namespace

class Mainunit1StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void missingDataFolderIsMadeOnYes() {
        UiRig rig(With({"DirPath=D:\\NC\\NEW"}));
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Start();
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"確認|ディレクトリが見つかりません。ディレクトリを作成しますか？"});
        QVERIFY(rig.D().Exists("NC/NEW"));
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\NC\\NEW");
        QCOMPARE(rig.Lines(),
                 QStringList{" ..              <DIR> " + rig.Lines().value(0).mid(23)});
    }

    void missingDataFolderAnsweredNoFallsBackToTheDrive() {
        UiRig rig(With({"DirPath=D:\\NC\\NEW"}));
        rig.Prompts().Answer(PromptButton::No);
        rig.Start();
        QCOMPARE(rig.SettingsRecord().DirPath, "c:");
        QVERIFY(!rig.D().Exists("NC"));
    }

    void unusablePortIsReported_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("usable") << "COM1" << true << QStringList();
        QTest::newRow("cannot be opened")
            << "COM3" << false
            << QStringList{"確認|COM3のポートが使用不可です。\n通信設定をおこなってください。"};
        QTest::newRow("a modem port")
            << "COM2" << true
            << QStringList{"確認|COM2のポートが使用不可です。\n通信設定をおこなってください。"};
        QTest::newRow("no number")
            << "COMX" << true
            << QStringList{"確認|COMXのポートが使用不可です。\n通信設定をおこなってください。"};
    }
    void unusablePortIsReported() {
        QFETCH(QString, port);
        QFETCH(bool, opens);
        QFETCH(QStringList, prompts);
        UiRig rig(With({"Port=" + port.toStdString(), "ModemePort1=COM2"}));
        rig.Port().SetCanOpen(opens);
        rig.Start();
        QCOMPARE(rig.Prompts().Log(), prompts);
    }

    void columnCountOutOfRangeShowsFiveAndIsSavedSo() {
        UiRig rig(With({"ListColumn=9"}));
        rig.WriteFile("O0001.NC", "X");
        rig.Start();
        QCOMPARE(rig.SettingsRecord().ListColumn, 5);
        QCOMPARE(rig.View().ListBox1->Columns(), 5);
        QCOMPARE(rig.View().ListBox1->width(), 728);
        QVERIFY(!rig.Visible("Label2"));
        QCOMPARE(rig.Lines(), QStringList{" O0001   .NC"});
        rig.Form().close();
        QVERIFY(Ini(rig).find("ListColumn=5\r\n") != std::string::npos);
    }

    void threeColumnsKeepTheLetterCommands() {
        UiRig rig(With({"ListColumn=3"}));
        rig.Start();
        QCOMPARE(rig.View().ListBox1->Columns(), 3);
        QCOMPARE(rig.View().ListBox1->width(), 616);
        QVERIFY(rig.Visible("Label2"));
    }

    void closeSavesTheSettingsAndTheWindowPlace() {
        UiRig rig(With({"Left=40", "Top=30"}));
        rig.Start();
        QCOMPARE(rig.Form().pos(), QPoint(40, 30));
        rig.SettingsRecord().Mask = "*.TXT";
        rig.Form().close();
        const std::string ini = Ini(rig);
        QVERIFY(ini.find("Mask=*.TXT\r\n") != std::string::npos);
        QVERIFY(ini.find("Left=40\r\n") != std::string::npos);
        QVERIFY(rig.Home().Exists("OutApp_Sub.ini"));
    }

    void commandLineItemsActButNothingIsSaved() {
        UiRig rig(With({}, {"D:\\NC|DATA\\", "*.TXT", "9600,7,E,2", "COM3"}));
        rig.D().Write("NC DATA/A.TXT", "x");
        rig.Start();
        Settings& s = rig.SettingsRecord();
        QCOMPARE(s.DirPath, "D:\\NC DATA");
        QCOMPARE(s.Mask, "*.TXT");
        QCOMPARE(s.Speed, "9600,7,E,2");
        QCOMPARE(s.Port, "COM3");
        QCOMPARE(rig.Form().commandLine().CommandLineMode, "Y");
        QCOMPARE(rig.Text("StatusPanel4"), "9600,7,E,2");
        rig.Form().close();
        QVERIFY(Ini(rig).find("9600") == std::string::npos);
    }

    void missingSendFileOfTheCommandLineIsReported() {
        UiRig rig(With({}, {"S=GONE.NC", "END"}));
        rig.Start();
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"確認|送信データ\nD:\\GONE.NCが見つかりません。"});
        QCOMPARE(rig.Prompts().Asked()[0].prompt.place, PromptPlace::Offset);
        QCOMPARE(rig.Form().commandLine().AutoSendPending, "N");
        QVERIFY(rig.Form().commandLine().CloseAfterTransfer);
    }

    void filesDroppedFromTheDesktopAreCopiedIn() {
        UiRig rig;
        rig.Start();
        const std::string outside = rig.C().Write("IN/O7777.NC", "O7777\r\n");
        FileListView* list = rig.View().ListBox1;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(outside))});
        const QPoint at = list->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        rig.Settle();
        QCOMPARE(rig.D().Read("O7777.NC"), "O7777\r\n");
        QCOMPARE(rig.Lines(),
                 QStringList{" O7777   .NC         7 " + rig.Lines().value(0).mid(23)});
        QCOMPARE(rig.Text("Label11"), "ファイルコピー完了");
    }

    void dropsAreRefusedWhileTheListIsBusy() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_F6);  // the input line holds the list
        const std::string outside = rig.C().Write("O7777.NC", "x");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(outside))});
        FileListView* list = rig.View().ListBox1;
        QDragEnterEvent enter(list->viewport()->rect().center(), Qt::CopyAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
    }
};

QTEST_MAIN(Mainunit1StartupTest)
#include "Mainunit1StartupTest.moc"
