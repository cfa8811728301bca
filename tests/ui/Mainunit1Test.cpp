// The main window driven by real keys: what the list, the labels and the panels show after
// each key, and the prompts asked on the way.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "files/FileOperations.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/InputLineCommands.h"
#include "ui/MainView.h"
#include "ui/ProgramView.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

const QColor kRedText(Qt::red);

UiRig::Options WithSettings(std::vector<std::string> settings) {
    UiRig::Options options;
    options.settings = std::move(settings);
    return options;
}

UiRig::Options Watching() {
    UiRig::Options options;
    options.watchFolder = true;
    return options;
}
const QColor kLimeText(0, 255, 0);
const QString kNormal = QString::fromUtf8(kNormalLegend);
const QString kShift = QString::fromUtf8(kShiftLegend);

// Three programs and a folder in D:.
void WriteThreePrograms(UiRig& rig) {
    rig.WriteFile("O0001.NC", "O0001\r\nM30\r\n", "2026-12-01 10:00");
    rig.WriteFile("O0002.NC", std::string(2048, 'X'), "2026-12-02 11:30");
    rig.WriteFile("O0003.NC", "O0003\r\n", "2026-12-03 12:45");
    rig.WriteFile("SUB/O0100.NC", "O0100\r\n", "2026-12-04 08:00");
    rig.SetTime("SUB", "2026-12-04 08:00");
}

const QStringList kThreeProgramLines{
    " SUB             <DIR> 26-12-04 08:00",
    " O0001   .NC        12 26-12-01 10:00",
    " O0002   .NC      2048 26-12-02 11:30",
    " O0003   .NC         7 26-12-03 12:45",
};

// Files O0001.NC .. O<count>.NC of one byte each.
void WriteNumbered(UiRig& rig, int count) {
    for (int i = 1; i <= count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "O%04d.NC", i);
        rig.WriteFile(name, "X");
    }
}

QStringList Marked(const QStringList& lines) {
    QStringList marked;
    for (const QString& line : lines) {
        if (line.startsWith('*'))
            marked.push_back(line.mid(1, 5));
    }
    return marked;
}

}  // namespace

class Mainunit1Test : public QObject {
    Q_OBJECT

  private slots:
    void listShowsTheDataFolderWithHeaderAndDetail() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        QCOMPARE(rig.Lines(), kThreeProgramLines);
        QCOMPARE(rig.Text("Label7").trimmed(),
                 QString("Path=D:\\*.*") + QString(60, ' ') + "ﾌｧｲﾙ数 :4");
        QCOMPARE(rig.Selected(), 0);
        QCOMPARE(rig.Text("Label8"), "　  ﾌｫﾙﾀﾞ詳細:<DIR>SUB  日付 :2026-12-04 08:00:00");
        rig.Press(Qt::Key_Down);
        QCOMPARE(rig.Text("Label8"),
                 "　　ﾌｧｲﾙ詳細 :O0001.NC  ｻｲｽﾞ :12ﾊﾞｲﾄ  日付 :2026-12-01 10:00:00");
        QCOMPARE(rig.Text("StatusPanel4"), "4800,8,N,2");
        QCOMPARE(rig.Text("StatusPanel5"), "COM1");
        QCOMPARE(rig.Text("StatusPanel6"), "Y");
        QCOMPARE(rig.Text("Label1"), kNormal);
        QVERIFY(!rig.View().Edit1->isEnabled());
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void japaneseNamesKeepTheirCharactersAndTheColumns() {
        // Two programs whose names differ only in kanji must not look alike in the list.
        UiRig rig;
        rig.WriteFile("加工A.NC", "O1\r\n", "2026-12-01 10:00");
        rig.WriteFile("治具A.NC", "O2\r\n", "2026-12-01 10:00");
        rig.WriteFile("プログラム日本語名.NC", "O3\r\n", "2026-12-01 10:00");
        rig.WriteFile("フォルダ/O1.NC", "O1\r\n", "2026-12-04 08:00");
        rig.SetTime("フォルダ", "2026-12-04 08:00");
        rig.Start();
        QCOMPARE(rig.Lines(), (QStringList{" フォルダ        <DIR> 26-12-04 08:00",
                                           " プログ~1.NC         4 26-12-01 10:00",
                                           " 加工A   .NC         4 26-12-01 10:00",
                                           " 治具A   .NC         4 26-12-01 10:00"}));
    }

    void escapeShowsTheStopAndTheIdleDisplayComesBack() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Escape);
        QCOMPARE(rig.Text("Label11"), "操作中止!!");
        QCOMPARE(rig.TextColour("Label11"), kRedText);
        QVERIFY(rig.View().Timer1->isActive());
        QCOMPARE(rig.View().Timer1->interval(), 1000);
        rig.FireTimer1();
        QCOMPARE(rig.Text("Label11"), "");
        QCOMPARE(rig.TextColour("Label11"), kLimeText);
        QVERIFY(rig.View().ListBox1->isEnabled());
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
    }

    void everyKeyOfTheListFirstClearsWhatTheLastCommandShowed() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Escape);
        rig.View().SetStatus(0, "送信名 X");
        rig.View().SetStatus(2, "ｻｲｽﾞ : 1");
        rig.Press(Qt::Key_Down);
        QCOMPARE(rig.Text("Label11"), "");
        QVERIFY(!rig.View().Timer1->isActive());
        QCOMPARE(rig.Text("StatusPanel0"), "");
        QCOMPARE(rig.Text("StatusPanel2"), "");
        QCOMPARE(rig.Selected(), 1);
    }

    void shiftShowsTheSecondMeaningsWhileItIsHeld() {
        UiRig rig;
        rig.Start();
        QTest::keyPress(rig.View().ListBox1, Qt::Key_Shift);
        QCOMPARE(rig.Text("Label1"), kShift);
        QTest::keyRelease(rig.View().ListBox1, Qt::Key_Shift);
        QCOMPARE(rig.Text("Label1"), kNormal);
        // A modifier alone is no command: Shift held over an Esc stop leaves the message.
        rig.Press(Qt::Key_Escape);
        QTest::keyPress(rig.View().ListBox1, Qt::Key_Shift);
        QCOMPARE(rig.Text("Label11"), "操作中止!!");
        QTest::keyRelease(rig.View().ListBox1, Qt::Key_Shift);
    }

    void enterOpensFoldersAndMarksFiles() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        // On a folder: the folder is listed, with the ".." line first.
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\SUB");
        QCOMPARE(rig.Lines(), (QStringList{" ..              <DIR> 26-12-04 08:00",
                                           " O0100   .NC         7 26-12-04 08:00"}));
        QCOMPARE(rig.Text("Label8"), "　  一つ上のﾌｫﾙﾀﾞに移動(Enter)");
        // On "..": back up.
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:");
        QCOMPARE(rig.Lines(), kThreeProgramLines);
        // On a file: marked, and the selection moves down; again: unmarked.
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Lines()[1], "*O0001   .NC        12 26-12-01 10:00");
        QCOMPARE(rig.Selected(), 2);
        rig.Press(Qt::Key_Up);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Lines(), kThreeProgramLines);
        QCOMPARE(rig.Model().MarkCount(), 0);
        // On the last line the mark is made and the selection stays.
        rig.Press(Qt::Key_Z);
        rig.Press(Qt::Key_Return);
        QCOMPARE(Marked(rig.Lines()), QStringList{"O0003"});
        QCOMPARE(rig.Selected(), 3);
    }

    void doubleClickIsEnter() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        FileListView* list = rig.View().ListBox1;
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->LineRect(2).center());
        QCOMPARE(Marked(rig.Lines()), QStringList{"O0002"});
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->LineRect(0).center());
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\SUB");
    }

    void homeEndAndShiftClickMarkRanges() {
        UiRig rig;
        WriteNumbered(rig, 6);
        rig.Start();
        // Home on the third file: that file and all below it, in list order.
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Home);
        QCOMPARE(Marked(rig.Lines()), (QStringList{"O0003", "O0004", "O0005", "O0006"}));
        QCOMPARE(rig.Model().MarkCount(), 4);
        // End: every mark goes.
        rig.Press(Qt::Key_End);
        QCOMPARE(Marked(rig.Lines()), QStringList());
        QCOMPARE(rig.Model().MarkCount(), 0);
        // A click on the second file, Shift+click on the fifth: the range between them.
        FileListView* list = rig.View().ListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->LineRect(1).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          list->LineRect(4).center());
        QCOMPARE(Marked(rig.Lines()), (QStringList{"O0002", "O0003", "O0004", "O0005"}));
        QCOMPARE(rig.Selected(), 4);
    }

    void pageKeysInAShortList() {
        UiRig rig;
        WriteNumbered(rig, 5);
        rig.Start();
        rig.Press(Qt::Key_PageDown);
        QCOMPARE(rig.Selected(), 4);
        rig.Press(Qt::Key_PageUp);
        QCOMPARE(rig.Selected(), 0);
        rig.Press(Qt::Key_Z);
        QCOMPARE(rig.Selected(), 4);
        rig.Press(Qt::Key_T);
        QCOMPARE(rig.Selected(), 0);
    }

    void pageDownTurnsWholePagesOfColumns() {
        UiRig rig;
        WriteNumbered(rig, 200);
        rig.Start();
        const int rows = rig.View().ListBox1->RowsPerColumn();
        QCOMPARE(rig.Model().RowsPerColumn(), rows);
        QVERIFY(rows > 10);
        rig.Press(Qt::Key_PageDown);
        // Two columns a page: the first line of the next page, shown in the first column.
        QCOMPARE(rig.Selected(), 2 * rows);
        QCOMPARE(rig.View().ListBox1->FirstColumn(), 2);
        rig.Press(Qt::Key_PageUp);
        QCOMPARE(rig.Selected(), 0);
        QCOMPARE(rig.View().ListBox1->FirstColumn(), 0);
    }

    void sortBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("size largest first")
            << "s-d" << QStringList{"O0002", "O0001", "O0003"} << QStringList();
        QTest::newRow("time newest first")
            << "T-U" << QStringList{"O0003", "O0002", "O0001"} << QStringList();
        QTest::newRow("letters outside the set are not taken")
            << "sxq-kd" << QStringList{"O0002", "O0001", "O0003"} << QStringList();
        QTest::newRow("refused setting") << "N-S" << QStringList{"O0001", "O0002", "O0003"}
                                         << QStringList{"確認|ソート設定を確認ください!!"};
    }
    void sortBox() {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        QFETCH(QStringList, prompts);
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_S);
        QVERIFY(rig.Visible("GroupBox14"));
        QCOMPARE(rig.Text("Label38"), "現ソート設定: N - D");
        QCOMPARE(rig.Text("Edit7"), "N-D");
        QCOMPARE(rig.Focus(), rig.View().Edit7);
        QVERIFY(!rig.View().ListBox1->isEnabled());
        rig.View().Edit7->clear();
        rig.Type(typed);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Prompts().Log(), prompts);
        QStringList listed;
        for (const QString& line : rig.Lines().mid(1))
            listed.push_back(line.mid(1, 5));
        QCOMPARE(listed, names);
        QCOMPARE(rig.Visible("GroupBox14"), !prompts.isEmpty());
        if (prompts.isEmpty()) {
            QCOMPARE(rig.Focus(), rig.View().ListBox1);
            QCOMPARE(rig.Text("StatusPanel4"), "4800,8,N,2");
        } else {
            QCOMPARE(rig.Focus(), rig.View().Edit7);
            // "Esc :中止" under the box is Esc.
            QTest::mouseClick(rig.Control("Label39"), Qt::LeftButton);
            QVERIFY(!rig.Visible("GroupBox14"));
            QCOMPARE(rig.Text("Label11"), "操作中止!!");
            QCOMPARE(rig.SettingsRecord().FileSort + rig.SettingsRecord().SortMuki, "ND");
        }
    }

    void inputLineRefusesCharacters_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("copy name, a dot while only the mask's files are listed")
            << int(Qt::Key_C) << "コピー元 O0001.NC -->>>コピー後 "
            << "A.B"
            << "確認|この文字はファイル名に使えません。\n/:,;*?<>|.";
        QTest::newRow("folder, a star") << int(Qt::Key_F5) << "現ﾃﾞｨﾚｸﾄﾘ D: -->>>変更後 "
                                        << "*"
                                        << "確認|この文字はディレクトリ名に使えません。\n/,;*?<>|";
        QTest::newRow("extension, a colon") << int(Qt::Key_F6) << "拡張子変更 *.NC -->>>"
                                            << ":"
                                            << "確認|この文字は拡張子に使えません。\n/:,;?<>|";
    }
    void inputLineRefusesCharacters() {
        QFETCH(int, key);
        QFETCH(QString, prompt);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        UiRig rig(WithSettings({"ALL-Files=N"}));
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Down);
        rig.Press(key);
        QCOMPARE(rig.Text("Label11"), prompt);
        QCOMPARE(rig.Focus(), rig.View().Edit1);
        QVERIFY(!rig.View().ListBox1->isEnabled());
        rig.View().Edit1->clear();
        rig.Type(typed);
        QCOMPARE(rig.Prompts().Log(), QStringList{message});
        QVERIFY(!rig.Text("Edit1").contains(QString(typed).remove('A').remove('B')));
        rig.Press(Qt::Key_Escape);
        QCOMPARE(rig.Text("Label11"), "操作中止!!");
        QVERIFY(!rig.View().Edit1->isEnabled());
        QVERIFY(rig.View().ListBox1->isEnabled());
    }

    void receiveNameRefusesCharactersAndAsksBeforeReplacing() {
        UiRig rig(WithSettings({"ALL-Files=N"}));
        WriteThreePrograms(rig);
        rig.Start();
        NamedTarget started;
        rig.Form().inputLine().SetReceiveStarter([&started](const NamedTarget& t) { started = t; });
        rig.Form().inputLine().Begin(InputMode::ReceiveName, "");
        QCOMPARE(rig.Text("Label11"), "ファイル受信 受信ファイル名-->>>");
        rig.Type("O0001.");
        QCOMPARE(rig.Text("Edit1"), "O0001");
        rig.Prompts().Answer(PromptButton::No);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{"確認|この文字はファイル名に使えません。\n/:,;*?<>|.",
                              "確認|すでにD:\\O0001.NCが有ります。\n上書きしますか？"}));
        QCOMPARE(started.path, "");
        QVERIFY(rig.View().Edit1->isEnabled());
        rig.View().Edit1->setText("O1234");
        rig.Press(Qt::Key_Return);
        QCOMPARE(started.path, "D:\\O1234.NC");
        QCOMPARE(started.name, "O1234.NC");
    }

    void copyNameCopiesTheCurrentFile() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_C);
        rig.Type("COPY.NC");
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.D().Read("COPY.NC"), "O0001\r\nM30\r\n");
        QCOMPARE(rig.Text("Label11"), "ファイルコピー完了");
        QVERIFY(rig.Lines().join('\n').contains(" COPY    .NC"));
        QVERIFY(!rig.View().Edit1->isEnabled());
        QVERIFY(rig.View().Timer1->isActive());
    }

    void folderInputChangesOrCreatesTheFolder() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        // An existing folder, typed with a trailing "\".
        rig.Press(Qt::Key_F5);
        QCOMPARE(rig.Text("Edit1"), "D:");
        rig.View().Edit1->setText("D:\\SUB\\");
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\SUB");
        QCOMPARE(rig.Lines().size(), 2);
        QVERIFY(!rig.View().Edit1->isEnabled());
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
        // A missing folder, No: the folder stays.
        rig.Press(Qt::Key_F5);
        rig.View().Edit1->setText("D:\\NEW\\DEEP");
        rig.Prompts().Answer(PromptButton::No);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\SUB");
        // Yes: made with its parents and listed.
        rig.Press(Qt::Key_F5);
        rig.View().Edit1->setText("D:\\NEW\\DEEP");
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\NEW\\DEEP");
        QVERIFY(rig.D().Exists("NEW/DEEP"));
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{"確認|ディレクトリが有りません。\nD:\\NEW\\DEEPを作成しますか？",
                              "確認|ディレクトリが有りません。\nD:\\NEW\\DEEPを作成しますか？"}));
        // A bare drive is checked as its root.
        rig.Press(Qt::Key_F5);
        rig.View().Edit1->setText("D:\\");
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:");
    }

    void browserFolderGoesIntoTheInputLine() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Desktop().BrowseAnswer(rig.D().File("SUB"));
        rig.Press(Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(rig.Text("Edit1"), "D:\\SUB");
        QCOMPARE(rig.Text("Label11"), "現ﾃﾞｨﾚｸﾄﾘ D: -->>>変更後 ");
        QCOMPARE(rig.Desktop().browseStarts, std::vector<std::string>{rig.D().Path()});
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\SUB");
    }

    void extensionInputSetsTheMask_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("bare letters") << "nc"
                                      << "*.nc" << QStringList();
        QTest::newRow("with a dot") << ".TXT"
                                    << "*.TXT" << QStringList();
        QTest::newRow("whole mask") << "*.Nc"
                                    << "*.Nc" << QStringList();
        QTest::newRow("every file refused")
            << "*.*"
            << "*.NC" << QStringList{"|*.*の拡張子設定は出来ません!!"};
    }
    void extensionInputSetsTheMask() {
        QFETCH(QString, typed);
        QFETCH(QString, mask);
        QFETCH(QStringList, prompts);
        UiRig rig(WithSettings({"ALL-Files=N"}));
        WriteThreePrograms(rig);
        rig.WriteFile("NOTE.TXT", "x");
        rig.Start();
        rig.Press(Qt::Key_F6);
        rig.Type(typed);
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.Prompts().Log(), prompts);
        QCOMPARE(QString::fromStdString(rig.SettingsRecord().Mask), mask);
        QCOMPARE(rig.View().Edit1->isEnabled(), !prompts.isEmpty());
    }

    void viewShowsTheFileAndEscapeClosesIt() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_V);
        QVERIFY(rig.Visible("GroupBox2"));
        QCOMPARE(rig.View().GroupBox2->title(), "ファイルビュー");
        QCOMPARE(rig.View().GroupBox2->geometry(), QRect(328, 100, 350, 324));
        QCOMPARE(rig.View().RichEdit1->LineCount(), 2u);
        QCOMPARE(rig.View().RichEdit1->LineText(1), "M30");
        QCOMPARE(rig.Text("StatusPanel2"), "ｻｲｽﾞ : 12ﾊﾞｲﾄ");
        QCOMPARE(rig.Text("StatusPanel3"), "ファイルビュー");
        QVERIFY(!rig.View().ListBox1->isEnabled());
        QCOMPARE(rig.Focus(), rig.View().RichEdit1);
        rig.Press(Qt::Key_Escape);
        QVERIFY(!rig.Visible("GroupBox2"));
        QCOMPARE(rig.Text("Label11"), "操作中止!!");
        QCOMPARE(rig.Text("StatusPanel2"), "");
        QVERIFY(rig.View().ListBox1->isEnabled());
        // F8 on the 2 KB file.
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_F8);
        QCOMPARE(rig.Text("StatusPanel2"), "ｻｲｽﾞ : 2.000KB");
        rig.Press(Qt::Key_F3);
        QVERIFY(!rig.Visible("GroupBox2"));
    }

    void viewOfAnEmptyFileAsksAboutItsFormat() {
        UiRig rig;
        rig.WriteFile("EMPTY.NC", "");
        rig.Start();
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Press(Qt::Key_V);
        QCOMPARE(
            rig.Prompts().Log(),
            QStringList{"確認|ファイル形式が違います。\nそのまま読み込みは可能ですが、"
                        "データの一部読み込めない可能性が有ります。\n読み込み開始は「はい(Y)」"});
        QCOMPARE(rig.Prompts().Asked()[0].prompt.place, PromptPlace::Offset);
        QCOMPARE(rig.Text("StatusPanel2"), "ｻｲｽﾞ : 0ﾊﾞｲﾄ");
        QCOMPARE(rig.View().RichEdit1->LineCount(), 0u);
    }

    void viewOnFolderDoesNothing() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_V);
        QVERIFY(!rig.Visible("GroupBox2"));
        QVERIFY(rig.View().ListBox1->isEnabled());
    }

    void driveMenuListsTheDrivesAndChangesDrive() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Return);  // into SUB
        rig.Prompts().ChooseInNextMenu("&D: (固定ﾃﾞｨｽｸ)");
        rig.Press(Qt::Key_L);
        QCOMPARE(rig.Prompts().Menus().size(), 1u);
        QVERIFY(rig.Prompts().Menus()[0].contains("&C: (固定ﾃﾞｨｽｸ)"));
        QCOMPARE(rig.SettingsRecord().DirPath, "D:");
        QCOMPARE(rig.Lines(), kThreeProgramLines);
    }

    void spaceReadsTheListAgainKeepingTheFile() {
        UiRig rig;
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Down);
        rig.WriteFile("A.NC", "A");
        rig.Press(Qt::Key_Space);
        QCOMPARE(rig.Lines()[1], " A       .NC         1 26-12-01 10:00");
        QCOMPARE(rig.Model().EntryOf(rig.Selected())->name, "O0002.NC");
        QVERIFY(rig.View().Timer1->isActive());
    }

    void watchRemovesAFileDeletedElsewhereOneSecondLater() {
        UiRig rig(Watching());
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_Z);  // O0003 selected
        QVERIFY(rig.Form().folderWatcher()->Running());
        rig.D().Write("DROP.NC", "");
        std::filesystem::remove(rig.D().File("O0001.NC"));
        rig.Form().folderWatcher()->Sync();
        rig.Settle();
        QCOMPARE(rig.Lines().size(), 4);  // not yet: the refresh comes a second later
        rig.AdvanceWatchClock(1s);
        rig.Form().folderWatcher()->Sync();
        for (int i = 0; i < 50 && rig.Lines().size() == 4; ++i)
            rig.Settle();
        QCOMPARE(rig.Lines().size(), 4);
        QVERIFY(!rig.Lines().join('\n').contains("O0001"));
        QVERIFY(rig.Lines().join('\n').contains("DROP"));
        QCOMPARE(rig.Model().EntryOf(rig.Selected())->name, "O0003.NC");
    }

    void watchWaitsWhileTheInputLineUsesTheList() {
        UiRig rig(Watching());
        WriteThreePrograms(rig);
        rig.Start();
        rig.Press(Qt::Key_F6);
        std::filesystem::remove(rig.D().File("O0001.NC"));
        rig.Form().folderWatcher()->Sync();
        rig.AdvanceWatchClock(1s);
        rig.Form().folderWatcher()->Sync();
        rig.Settle();
        QCOMPARE(rig.Lines(), kThreeProgramLines);
        rig.Press(Qt::Key_Escape);
        for (int i = 0; i < 100 && rig.Lines().size() == 4; ++i) {
            QTest::qWait(10);
        }
        QCOMPARE(rig.Lines().size(), 3);
    }
};

QTEST_MAIN(Mainunit1Test)
#include "Mainunit1Test.moc"
