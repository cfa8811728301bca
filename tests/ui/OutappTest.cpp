// Alt+A..Alt+Z on the list: the help panel GroupBox16 while Alt is held, and the application of
// the letter started on the current file, through TOutAppForm when its flag is "Y". The
// template names a real script that records the arguments it receives.
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/AppTemplate.h"
#include "support/RecordingProgram.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/LabeledEdit.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

using Words = std::vector<std::string>;

UiRig::Options InNcFolder() {
    UiRig::Options options;
    options.settings = {"DirPath=D:\\NC"};
    return options;
}

// D:\NC\A.NC selected (below the ".." line), the recording script at C:\CAD\VIEW.SH.
struct AppRig {
    UiRig rig{InNcFolder()};
    std::unique_ptr<RecordingProgram> view;

    AppRig() {
        rig.WriteFile("NC/A.NC", "O1\r\n");
        std::filesystem::create_directories(rig.C().File("CAD"));
        view = std::make_unique<RecordingProgram>(rig.C().File("CAD/VIEW.SH"));
        rig.Start();
        rig.Press(Qt::Key_Down);
    }
    void Bind(char letter, std::string appTemplate, std::string flag, std::string name = "VIEW") {
        OutAppEntry& app = rig.SettingsRecord().OutApps[AppIndexOfLetter(letter)];
        app = {std::move(appTemplate), std::move(flag), std::move(name)};
    }
    void Alt(Qt::Key key) {
        QTest::keyClick(rig.View().ListBox1, key, Qt::AltModifier);
        rig.Settle();
    }
    std::string HostFile() { return rig.D().File("NC/A.NC"); }
};

QString Text(QDialog& dialog, const char* name) {
    if (auto* label = dialog.findChild<QLabel*>(name))
        return label->text();
    return dialog.findChild<QLineEdit*>(name)->text();
}

}  // namespace

class OutappTest : public QObject {
    Q_OBJECT

  private slots:
    void theApplicationReceivesExactlyItsArguments() {
        const struct {
            const char* name;
            std::string appTemplate;
            const char* flag;
            std::optional<std::string> argument;  // shown in TOutAppForm; nullopt: no dialog
            std::optional<std::string> edited;    // typed over the argument before OK
            Words arguments;                      // with the file's host path as "$FILE"
        } rows[] = {
            {"FullPath", "C:\\CAD\\VIEW.SH $A", "Y", "$FILE", std::nullopt, {"$FILE"}},
            {"NameWithoutExtensionAndText",
             "C:\\CAD\\VIEW.SH $D.TXT",
             "Y",
             "A",
             std::nullopt,
             {"A.TXT"}},
            {"PathAndNameBothGiveTheName",
             "C:\\CAD\\VIEW.SH -i $A -o $C",
             "Y",
             "A.NC",
             std::nullopt,
             {"-i", "A.NC", "-o", "A.NC"}},
            {"FlagNStartsTheProgramAlone",
             "C:\\CAD\\VIEW.SH $A",
             "N",
             std::nullopt,
             std::nullopt,
             {}},
            {"NoParametersWithFlagY", "C:\\CAD\\VIEW.SH", "Y", "", std::nullopt, {}},
            {"TheArgumentAsEdited", "C:\\CAD\\VIEW.SH $C", "Y", "A.NC", "O 2.NC", {"O 2.NC"}},
        };
        for (const auto& row : rows) {
            AppRig app;
            const auto file = [&](std::string text) {
                if (text == "$FILE")
                    text = app.HostFile();
                return text;
            };
            app.Bind('D', row.appTemplate, row.flag);
            QStringList shown;
            if (row.argument) {
                app.rig.Prompts().RunNextDialog([&](QDialog& dialog) {
                    shown << dialog.windowTitle() << Text(dialog, "Label1")
                          << Text(dialog, "Label2") << Text(dialog, "Label3")
                          << Text(dialog, "LabeledEdit1");
                    if (row.edited)
                        dialog.findChild<QLineEdit*>("LabeledEdit1")
                            ->setText(QString::fromStdString(*row.edited));
                    QTest::keyClick(dialog.findChild<QLineEdit*>("LabeledEdit1"), Qt::Key_Return);
                    return dialog.result();
                });
            }
            app.Alt(Qt::Key_D);
            Words expected;
            for (const auto& argument : row.arguments)
                expected.push_back(file(argument));
            QVERIFY2(app.view->WaitForArguments() == expected, row.name);
            if (row.argument) {
                QVERIFY2(shown == (QStringList{"引数", "VIEW", "起動ｱﾌﾟﾘｹｰｼｮﾝ",
                                               QString::fromStdString(row.appTemplate),
                                               QString::fromStdString(file(*row.argument))}),
                         row.name);
            }
            QVERIFY2(app.rig.Prompts().Dialogs() ==
                         (row.argument ? QStringList{"OutAppForm"} : QStringList{}),
                     row.name);
            QVERIFY2(app.rig.Prompts().Log().isEmpty(), row.name);
        }
    }

    void cancelInTheArgumentDialogStartsNothing() {
        AppRig app;
        app.Bind('A', "C:\\CAD\\VIEW.SH $A", "Y");
        app.rig.Prompts().RunNextDialog([](QDialog& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton);
            return dialog.result();
        });
        app.Alt(Qt::Key_A);
        QCOMPARE(app.rig.Prompts().Dialogs(), QStringList{"OutAppForm"});
        QVERIFY(app.rig.Launcher().starts.empty());
        QVERIFY(!app.view->Ran());
    }

    void holdingAltShowsTheApplications() {
        AppRig app;
        app.rig.SettingsRecord().EditApp = "/usr/bin/gedit";
        app.Bind('A', "C:\\CAD\\VIEW.SH $A", "Y", "ﾋﾞｭｰｱ");
        app.Bind('Z', "/usr/bin/kate $A", "N", "KATE");
        FileListView* list = app.rig.View().ListBox1;
        QVERIFY(!app.rig.Visible("GroupBox16"));
        QTest::keyPress(list, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(app.rig.Visible("GroupBox16"));
        QStringList left = app.rig.Text("Label30").split('\n');
        QStringList right = app.rig.Text("Label31").split('\n');
        QCOMPARE(left.mid(0, 3),
                 (QStringList{"ｴﾃﾞｨﾀｰ: /usr/bin/gedit", "ALT+A : ﾋﾞｭｰｱ", "ALT+B : "}));
        QCOMPARE(left.size(), 15);  // the editor, A..M and the last line break
        QCOMPARE(right.mid(11), (QStringList{"ALT+Y : ", "ALT+Z : KATE", ""}));
        QTest::keyRelease(list, Qt::Key_Alt, Qt::NoModifier);
        QVERIFY(!app.rig.Visible("GroupBox16"));
        // A letter hides the panel as it starts its application.
        QTest::keyPress(list, Qt::Key_Alt, Qt::AltModifier);
        app.Bind('B', "C:\\CAD\\VIEW.SH", "N");
        app.Alt(Qt::Key_B);
        QVERIFY(!app.rig.Visible("GroupBox16"));
        QCOMPARE(app.view->WaitForArguments(), Words{});
    }

    void longNamesInThePanelStayReadable() {
        const std::string jpName = "ＣＡＤ／ＣＡＭ変換ソフト（第二工場用）";
        const std::string longEditor = "/opt/cad/very/long/installation/folder/of/the/bin/nceditor";
        const struct {
            const char* name;
            std::string editor;
            std::string nameA;
            std::string nameN;
            bool whole;  // every text shown as it is; else cut with "…"
        } rows[] = {
            {"ShortNamesAsTheyAre", "/usr/bin/gedit", "ﾋﾞｭｰｱ", "KATE", true},
            {"PanelWidensForLongNames", longEditor, jpName, jpName + "予備", true},
            {"WiderThanTheWindowIsCut", longEditor + std::string(120, 'x'), std::string(80, 'A'),
             std::string(80, 'N'), false},
        };
        for (const auto& row : rows) {
            AppRig app;
            app.rig.SettingsRecord().EditApp = row.editor;
            app.Bind('A', "C:\\CAD\\VIEW.SH $A", "Y", row.nameA);
            app.Bind('N', "C:\\CAD\\VIEW.SH $A", "Y", row.nameN);
            QTest::keyPress(app.rig.View().ListBox1, Qt::Key_Alt, Qt::AltModifier);
            const QWidget* panel = app.rig.Control("GroupBox16");
            const auto* left = qobject_cast<QLabel*>(app.rig.Control("Label30"));
            const auto* right = qobject_cast<QLabel*>(app.rig.Control("Label31"));
            const QStringList leftLines = left->text().split('\n');
            const QStringList rightLines = right->text().split('\n');
            const QStringList firstLines{leftLines[0], leftLines[1], rightLines[0]};
            const QStringList given{QString::fromStdString("ｴﾃﾞｨﾀｰ: " + row.editor),
                                    QString::fromStdString("ALT+A : " + row.nameA),
                                    QString::fromStdString("ALT+N : " + row.nameN)};
            if (row.whole) {
                QCOMPARE(firstLines, given);
            } else {
                for (int i = 0; i < 3; ++i) {
                    QVERIFY2(firstLines[i].contains(QChar(0x2026)), row.name);
                    QVERIFY2(firstLines[i].left(6) == given[i].left(6), row.name);
                }
            }
            // Every line fits where it stands: the editor's across the panel, A..M before the
            // column of N..Z, N..Z inside the panel; the panel inside the window.
            const QFontMetrics metrics(left->font());
            QVERIFY2(metrics.horizontalAdvance(leftLines[0]) <= left->width(), row.name);
            for (qsizetype i = 1; i < leftLines.size(); ++i) {
                QVERIFY2(left->x() + metrics.horizontalAdvance(leftLines[i]) < right->x(),
                         row.name);
            }
            for (const QString& line : rightLines)
                QVERIFY2(metrics.horizontalAdvance(line) <= right->width(), row.name);
            QVERIFY2(left->geometry().right() < panel->width(), row.name);
            QVERIFY2(right->geometry().right() < panel->width(), row.name);
            QVERIFY2(panel->parentWidget()->rect().contains(panel->geometry()), row.name);
        }
    }

    void whatCannotBeStartedIsSaid() {
        AppRig app;
        app.Bind('A', "C:\\CAD\\NONE.EXE $A", "Y");
        app.Alt(Qt::Key_A);         // the program is missing: no argument dialog
        app.Alt(Qt::Key_Q);         // nothing is bound to Q
        app.rig.Press(Qt::Key_Up);  // the ".." line is no file
        app.Bind('C', "C:\\CAD\\VIEW.SH $A", "Y");
        app.Alt(Qt::Key_C);
        QCOMPARE(app.rig.Prompts().Log(),
                 (QStringList{"確認|「C:\\CAD\\NONE.EXE」を起動出来ませんでした。\n"
                              "プログラムが見つかりません。",
                              "確認|Alt+Q にｱﾌﾟﾘｹｰｼｮﾝが設定されていません。\n"
                              "Y:外部ｱﾌﾟﾘ設定 で設定してください。",
                              "確認|ﾌｧｲﾙを選択して下さい。\n(複数のﾌｧｲﾙ選択は不可です。)"}));
        QCOMPARE(app.rig.Prompts().Dialogs(), QStringList());
        QVERIFY(app.rig.Launcher().starts.empty());
    }

    void aDocumentNamedAloneIsOpenedWithItsApplication() {
        AppRig app;
        app.rig.C().Write("CAD/MANUAL.PDF", "%PDF");
        app.Bind('M', "C:\\CAD\\MANUAL.PDF", "N");
        app.Alt(Qt::Key_M);
        QCOMPARE(app.rig.Desktop().opened, Words{app.rig.C().File("CAD/MANUAL.PDF")});
        QVERIFY(app.rig.Launcher().starts.empty());
    }
};

QTEST_MAIN(OutappTest)
#include "OutappTest.moc"
