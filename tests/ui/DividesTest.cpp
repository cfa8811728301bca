// TDividesForm, opened with B or Shift+F9 on the current file: the split through the dialog
// gives the golden files of tests/fixtures/split, the options and the folder history come back
// the next time, the folder field's refusals and question, and a stop in the middle of a long
// split leaves the target folder empty.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/TextCodec.h"
#include "support/DialogControls.h"
#include "support/FileSections.h"
#include "support/UiRig.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

const QString kFolderQuestion = "確認|ディレクトリが見つかりません。ディレクトリを作成しますか？";
const QString kDone = "完了|Ｏ番号毎に分割完了しました。";

// Every file below a host folder, hidden ones too (a left-over temporary file shows).
Files FilesBelow(const std::string& folder) {
    Files files;
    if (!fs::exists(folder))
        return files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (std::ifstream in(e.path(), std::ios::binary); e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = {std::istreambuf_iterator<char>(in),
                                                              {}};
    }
    return files;
}

QComboBox* Combo(QDialog& dialog) {
    return dialog.findChild<QComboBox*>("ComboBox1");
}

UiRig::Options WithSettings(std::vector<std::string> settings) {
    UiRig::Options options;
    options.settings = std::move(settings);
    return options;
}

// Programs enough for a split that takes many steps.
std::string ManyPrograms(int count) {
    std::string text = "%\r\n";
    for (int i = 1; i <= count; ++i) {
        text += "O" + std::to_string(1000 + i) + "\r\n";
        for (int line = 0; line < 20; ++line)
            text += "G01 X" + std::to_string(i) + ".25 Y-1.5 F1200\r\n";
        text += "M30\r\n";
    }
    return text + "%\r\n";
}

}  // namespace

class DividesTest : public QObject {
    Q_OBJECT

  private slots:
    void splitThroughTheDialogGivesTheGoldenFiles() {
        const struct {
            const char* name;
            std::vector<const char*> options;  // menu items clicked
            const char* mask;
        } rows[] = {
            {"basic", {}, "*.NC"},
            {"basic_numbered", {"op_n"}, "*.NC"},
            {"header_front", {"op_f"}, "*.NC"},
            {"all_options_with_header", {"op_f", "op_b", "op_n"}, "*.NC"},
            {"mask_lower_extension", {}, "*.nc"},
        };
        for (const auto& row : rows) {
            UiRig rig(WithSettings({std::string("Mask=") + row.mask}));
            rig.WriteFile("IN.NC", ReadFixture(std::string("split/") + row.name + ".input"));
            rig.Start();
            QCOMPARE(rig.Selected(), 0);
            QStringList startLines;
            bool barAtItsEnd = false;
            rig.Prompts().Answer(PromptButton::Yes);  // create the folder
            rig.Prompts().RunNextDialog([&](QDialog& dialog) {
                for (const char* option : row.options)
                    dialog.findChild<QAction*>(option)->trigger();
                Combo(dialog)->setEditText("D:\\OUT\\");
                QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
                auto* list = dialog.findChild<QListWidget*>("ListBox1");
                for (int i = 0; i < list->count(); ++i)
                    startLines << list->item(i)->text();
                auto* bar = dialog.findChild<QProgressBar*>("ProgressBar1");
                barAtItsEnd = bar->value() == bar->maximum();
                return dialog.result();
            });
            rig.Press(Qt::Key_B);
            const Files expected = ToFileMap(
                ParseFileSections(ReadFixture(std::string("split/") + row.name + ".expected")));
            QVERIFY2(FilesBelow(rig.D().File("OUT")) == expected, row.name);
            QVERIFY2(rig.Prompts().Log() == QStringList({kFolderQuestion, kDone}), row.name);
            QVERIFY2(!startLines.isEmpty() && barAtItsEnd, row.name);
            // The screen saver was kept off for the run, and is free again.
            QCOMPARE(rig.ScreenSaver().reasons, std::vector<std::string>{"NCデータの変換中"});
            QVERIFY(rig.ScreenSaver().active.empty());
            // What the dialog keeps for the next time.
            const std::string options =
                std::string("[Sub]\r\nF_Set=") + (Contains(row.options, "op_f") ? "1" : "0") +
                "\r\nB_Set=" + (Contains(row.options, "op_b") ? "1" : "0") +
                "\r\nN_Set=" + (Contains(row.options, "op_n") ? "1" : "0") + "\r\n";
            QCOMPARE(rig.Home().Read("Div_Sub.ini"), options);
            QCOMPARE(rig.Home().Read("Path.lst"), std::string("D:\\OUT\\\r\n"));
            QCOMPARE(rig.Text("Label1"), QString::fromUtf8(kNormalLegend));
            // The list was read again: the new folder is in it.
            QVERIFY2(rig.Lines().first().startsWith(" OUT "), qPrintable(rig.Lines().first()));
        }
    }

    void theStartLinesAreListedAsTheSplitReachesThem() {
        UiRig rig;
        rig.WriteFile("IN.NC", "%\r\nO0001(PART A)\r\nG90\r\n:0002\r\nL100\r\n%\r\n");
        rig.Start();
        QStringList startLines;
        QString current;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            Combo(dialog)->setEditText("D:");  // a drive alone is used without a question
            QTest::keyClick(Combo(dialog), Qt::Key_Return);
            auto* list = dialog.findChild<QListWidget*>("ListBox1");
            for (int i = 0; i < list->count(); ++i)
                startLines << list->item(i)->text();
            current = list->currentItem() ? list->currentItem()->text() : QString();
            return dialog.result();
        });
        rig.Press(Qt::Key_F9, Qt::ShiftModifier);
        QCOMPARE(startLines, (QStringList{"O0001(PART A)", ":0002", "L100"}));
        QCOMPARE(current, "L100");
        QCOMPARE(rig.Prompts().Log(), QStringList{kDone});
        QCOMPARE(rig.D().Read("O0001.NC"), std::string("O0001(PART A)\r\nG90\r\n"));
        QCOMPARE(rig.D().Read("O0002.NC"), std::string(":0002\r\n"));
    }

    void historyAndOptionsComeBackTheNextTime() {
        UiRig rig;
        rig.Home().Write("Path.lst", Utf8ToCp932("D:\\加工\r\nC:\\NC\r\n"));
        rig.Home().Write("Div_Sub.ini", "[Sub]\r\nF_Set=1\r\nB_Set=0\r\nN_Set=7\r\n");
        rig.WriteFile("O1.NC", "O1\r\n");
        rig.Start();
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            QComboBox* combo = Combo(dialog);
            seen << dialog.windowTitle() << dialog.findChild<QLabel*>("Label1")->text()
                 << combo->currentText() << QString::number(combo->count())
                 << QString::number(dialog.findChild<QAction*>("op_f")->isChecked())
                 << QString::number(dialog.findChild<QAction*>("op_b")->isChecked())
                 << QString::number(dialog.findChild<QAction*>("op_n")->isChecked())
                 << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            // Emptied, the folder cannot be split into.
            combo->setEditText("");
            seen << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_B);
        QCOMPARE(seen,
                 (QStringList{"Ｏ番号毎分割", "O1.NC", "D:\\加工", "2", "1", "0", "1", "1", "0"}));
        // Closing writes the options as 1/0 and the history as it was.
        QCOMPARE(rig.Home().Read("Div_Sub.ini"),
                 std::string("[Sub]\r\nF_Set=1\r\nB_Set=0\r\nN_Set=1\r\n"));
        QCOMPARE(rig.Home().Read("Path.lst"), Utf8ToCp932("D:\\加工\r\nC:\\NC\r\n"));
    }

    void theFolderFieldRefusesAndAsks() {
        UiRig rig(WithSettings({"DirPath=D:\\NC"}));
        rig.WriteFile("NC/IN.NC", "O0001\r\nM30\r\n");
        rig.Start();
        QStringList seen;
        rig.Prompts().Answer(PromptButton::No);  // do not create the folder
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            QComboBox* combo = Combo(dialog);
            seen << combo->currentText();  // no history: the list's folder
            combo->setEditText("D:\\NEW");
            QTest::keyClicks(combo, "*x.");
            seen << combo->currentText();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            // No: the dialog stays, with the folder entered, first in its list.
            seen << QString::number(dialog.isVisible()) << combo->currentText()
                 << combo->itemText(0)
                 << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_Down);  // past the ".." line
        rig.Press(Qt::Key_B);
        QCOMPARE(seen, (QStringList{"D:\\NC", "D:\\NEWx", "1", "D:\\NEWx", "D:\\NEWx", "1"}));
        const QString refused = "確認|この文字はフォルダー名に使えません。\n/:,;*?<>|.";
        QCOMPARE(rig.Prompts().Log(), (QStringList{refused, refused, kFolderQuestion}));
        QVERIFY(!fs::exists(rig.D().File("NEWx")));
        QCOMPARE(rig.Home().Read("Path.lst"), std::string("D:\\NEWx\r\n"));
    }

    void aTypedFolderIsNotCompletedFromTheHistory() {
        UiRig rig;
        rig.WriteFile("IN.NC", "O0001\r\nM30\r\n");
        std::filesystem::create_directories(rig.D().File("OUT"));
        rig.Home().Write("Path.lst", "D:\\OUT\r\n");
        rig.Start();
        QString typed;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            QComboBox* combo = Combo(dialog);
            combo->setEditText("");
            QTest::keyClicks(combo, "D:");  // "D:\OUT" is listed; the drive is what is meant
            typed = combo->currentText();
            QTest::keyClick(combo, Qt::Key_Return);
            return dialog.result();
        });
        rig.Press(Qt::Key_Z);  // IN.NC, below the folder OUT
        rig.Press(Qt::Key_B);
        QCOMPARE(typed, QString("D:"));
        QCOMPARE(rig.D().Read("O0001.NC"), std::string("O0001\r\nM30\r\n"));
        QCOMPARE(FilesBelow(rig.D().File("OUT")), Files{});
        QCOMPARE(rig.Home().Read("Path.lst"), std::string("D:\r\nD:\\OUT\r\n"));
    }

    void aFileWithoutProgramsWarnsAndCloses() {
        UiRig rig;
        rig.WriteFile("NOTES.NC", "(NO PROGRAM)\r\nN10 O5\r\no100\r\n");
        rig.Start();
        int result = -1;
        bool open = true;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            Combo(dialog)->setEditText("D:\\OUT");
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            open = dialog.isVisible();
            result = dialog.result();
            return result;
        });
        rig.Press(Qt::Key_B);
        QCOMPARE(rig.Prompts().Log(), QStringList{"中止|プログラム番号が見つかりませんでした。。"});
        QVERIFY(!open);
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!fs::exists(rig.D().File("OUT")));
    }

    void escapeStopsALongSplitAndLeavesNoFile() {
        UiRig rig;
        rig.WriteFile("BIG.NC", ManyPrograms(3000));
        rig.Start();
        int programsWhenStopped = 0;
        bool buttonAfterwards = false;
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            auto* list = dialog.findChild<QListWidget*>("ListBox1");
            // Esc as soon as the list shows the first programs: the split is writing files.
            QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, &dialog, [&] {
                if (programsWhenStopped == 0) {
                    programsWhenStopped = list->count();
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                }
            });
            Combo(dialog)->setEditText("D:\\OUT");
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            buttonAfterwards =
                Find<QPushButton>(dialog, "Button1")->isEnabled() && dialog.isVisible();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_B);
        QVERIFY(programsWhenStopped > 0);
        QVERIFY(programsWhenStopped < 3000);
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{kFolderQuestion,
                              "中止|分割を中止しました。ファイルは作成していません。"}));
        QVERIFY(buttonAfterwards);
        QCOMPARE(FilesBelow(rig.D().File("OUT")), Files{});
    }

    void theKeyNeedsAFileLine() {
        UiRig rig;
        rig.Start();
        rig.Press(Qt::Key_B);  // an empty list: nothing selected
        QCOMPARE(rig.Text("Label11"), "ファイルを選択してください。!!");
        rig.WriteFile("SUB/O1.NC", "O1\r\n");
        rig.Press(Qt::Key_Space);
        rig.FireTimer1();
        rig.Press(Qt::Key_B);  // on a folder line: nothing
        QCOMPARE(rig.Prompts().Dialogs(), QStringList());
        QCOMPARE(rig.Text("Label11"), "");
    }

  private:
    static bool Contains(const std::vector<const char*>& options, std::string_view option) {
        for (const char* o : options) {
            if (option == o)
                return true;
        }
        return false;
    }
};

QTEST_MAIN(DividesTest)
#include "DividesTest.moc"
