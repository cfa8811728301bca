// The editor: E starts EditApp on the current file, else the desktop's default application for
// plain text, and says so when there is none; G sets EditApp in TEditAppForm (typed, or chosen
// in the program dialog). X opens the current file with its associated application.
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/DialogControls.h"
#include "support/RecordingProgram.h"
#include "support/UiRig.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

using Words = std::vector<std::string>;

const QString kSelectOneFile = "確認|ﾌｧｲﾙを選択して下さい。\n(複数のﾌｧｲﾙ選択は不可です。)";

}  // namespace

class EditappTest : public QObject {
    Q_OBJECT

  private slots:
    void theEditorIsEditAppElseTheDesktopsTextEditor() {
        const struct {
            const char* name;
            const char* editApp;  // "EDIT" stands for the recording editor as a host path
            bool desktopEditor;   // the desktop has a text editor (the recording fallback)
            const char* ran;      // "editor", "fallback" or "" (nothing started)
            QStringList prompts;
        } rows[] = {
            {"EditAppAsHostPath", "EDIT", true, "editor", {}},
            {"EditAppAsDrivePath", "C:\\BIN\\EDITOR.SH", true, "editor", {}},
            {"EditAppMissingFallsBack", "C:\\WINDOWS\\NOTEPAD.EXE", true, "fallback", {}},
            {"NoEditAppFallsBack", "", true, "fallback", {}},
            {"NoEditorAtAll",
             "",
             false,
             "",
             {"確認|起動できるエディタがありません。\nG:ｴﾃﾞｨﾀ設定 でエディタを設定してください。"}},
        };
        for (const auto& row : rows) {
            UiRig rig;
            rig.WriteFile("A.NC", "O1\r\n");
            std::filesystem::create_directories(rig.C().File("BIN"));
            const RecordingProgram editor(rig.C().File("BIN/EDITOR.SH"));
            const RecordingProgram fallback(rig.C().File("BIN/TEXT.SH"));
            rig.Start();
            rig.SettingsRecord().EditApp =
                std::string(row.editApp) == "EDIT" ? editor.Path() : row.editApp;
            rig.Desktop().SetPlainTextEditor(row.desktopEditor ? std::optional(fallback.Path())
                                                               : std::nullopt);
            rig.Press(Qt::Key_E);
            const Words file{rig.D().File("A.NC")};
            if (std::string(row.ran) == "editor")
                QVERIFY2(editor.WaitForArguments() == file, row.name);
            if (std::string(row.ran) == "fallback")
                QVERIFY2(fallback.WaitForArguments() == file, row.name);
            QVERIFY2(rig.Launcher().starts.size() == (*row.ran ? 1u : 0u), row.name);
            QVERIFY2(rig.Prompts().Log() == row.prompts, row.name);
        }
    }

    void theEditorNeedsAFileLine() {
        UiRig rig;
        rig.WriteFile("SUB/A.NC", "O1\r\n");
        rig.Start();
        rig.Press(Qt::Key_E);  // on a folder line
        QCOMPARE(rig.Prompts().Log(), QStringList{kSelectOneFile});
        QVERIFY(rig.Launcher().starts.empty());
    }

    void anEditorThatCannotStartIsReported() {
        UiRig rig;
        rig.WriteFile("A.NC", "O1\r\n");
        const std::string notRunnable = rig.C().Write("EDIT.SH", "#!/bin/sh\n");  // no x bit
        rig.Start();
        rig.SettingsRecord().EditApp = notRunnable;
        rig.Press(Qt::Key_E);
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{QString::fromStdString("確認|「" + notRunnable +
                                                    "」を起動出来ませんでした。\n"
                                                    "プログラムを実行する権限がありません。")});
    }

    void theEditorSettingDialog() {
        UiRig rig;
        rig.Start();
        rig.SettingsRecord().EditApp = "/opt/cam/bin/edit";
        rig.Desktop().ProgramAnswer("/usr/bin/kate");
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>("LabeledEdit1");
            seen << dialog.windowTitle() << edit->text();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            seen << edit->text();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button5"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_G);
        QCOMPARE(seen, (QStringList{"編集アプリ設定", "/opt/cam/bin/edit", "/usr/bin/kate"}));
        QCOMPARE(rig.SettingsRecord().EditApp, "/usr/bin/kate");
        QCOMPARE(rig.Desktop().programTitles, Words{"ｱﾌﾟﾘｹｰｼｮﾝ設定"});
        QCOMPARE(rig.Desktop().programStarts, Words{"/opt/cam/bin"});

        // Typed, then cancelled: nothing is stored.
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>("LabeledEdit1");
            edit->clear();
            QTest::keyClicks(edit, "gedit");
            QTest::mouseClick(Find<QPushButton>(dialog, "Button6"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_G);
        QCOMPARE(rig.SettingsRecord().EditApp, "/usr/bin/kate");
    }

    void xOpensTheFileWithItsApplication() {
        UiRig rig;
        rig.WriteFile("A.NC", "O1\r\n");
        rig.Start();
        rig.Press(Qt::Key_X);
        QCOMPARE(rig.Desktop().opened, Words{rig.D().File("A.NC")});
        QCOMPARE(rig.Prompts().Log(), QStringList());
        rig.Desktop().SetOpenResult({false, "関連付けられたアプリケーションがありません。"});
        rig.Press(Qt::Key_X);
        QCOMPARE(rig.Prompts().Log(), QStringList{"確認|「A.NC」を開けませんでした。\n"
                                                  "関連付けられたアプリケーションがありません。"});
    }

    void xNeedsAFile() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_X);  // nothing listed, nothing selected
        QCOMPARE(rig.Text("Label11"), "ファイルを選択してください。!!");
        QVERIFY(rig.Desktop().opened.empty());
    }
};

QTEST_MAIN(EditappTest)
#include "EditappTest.moc"
