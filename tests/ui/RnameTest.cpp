// The rename dialogs (R): one entry renamed through TRNameForm and its four modes, the marked
// files renamed by a rule of TRNameAForm, and what the folder and the list hold afterwards.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <set>

#include "platform/FileSystem.h"
#include "support/DialogControls.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

// The long names listed, so the case of every letter shows.
UiRig::Options LongNames() {
    UiRig::Options options;
    options.settings = {"op4=Y"};
    return options;
}

// The names in D:, as the host holds them.
std::set<std::string> NamesOnDisk(UiRig& rig) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(rig.D().Path()))
        names.insert(entry.path().filename().string());
    return names;
}

void Click(QDialog& dialog, const char* name) {
    Find<QAbstractButton>(dialog, name)->click();
}

// What the single-rename dialog showed when it opened.
struct Opened {
    QStringList texts;
    QString checked;
    bool editFocused = false;
};

Opened Look(QDialog& dialog) {
    Opened seen;
    seen.texts = {dialog.windowTitle(), Find<QLabel>(dialog, "Label1")->text(),
                  Find<QLabel>(dialog, "LabeledEdit1Label")->text(),
                  Find<QLineEdit>(dialog, "LabeledEdit1")->text()};
    for (const char* name : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4"}) {
        auto* radio = Find<QRadioButton>(dialog, name);
        seen.texts.push_back(radio->text());
        if (radio->isChecked())
            seen.checked = name;
    }
    seen.texts.push_back(Find<QPushButton>(dialog, "Button1")->text());
    seen.texts.push_back(Find<QPushButton>(dialog, "Button2")->text());
    seen.editFocused = QApplication::focusWidget() == Find<QLineEdit>(dialog, "LabeledEdit1");
    return seen;
}

}  // namespace

class RnameTest : public QObject {
    Q_OBJECT

  private slots:
    void oneEntryInEachMode_data() {
        QTest::addColumn<QString>("radio");
        // "^" is Home, "$" End, "~" Delete; any other character is typed.
        QTest::addColumn<QString>("typing");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("caret");
        QTest::newRow("mode 2: upper case") << "RadioButton2"
                                            << ""
                                            << "ABC.NC" << 6;
        QTest::newRow("mode 3: lower case") << "RadioButton3"
                                            << ""
                                            << "abc.nc" << 6;
        QTest::newRow("mode 4: capitalised") << "RadioButton4"
                                             << ""
                                             << "Abc.nc" << 6;
        QTest::newRow("mode 4: x typed at the start goes behind the capital") << "RadioButton4"
                                                                              << "^x"
                                                                              << "Xabc.nc" << 1;
        QTest::newRow("mode 4: a caret left at the start moves behind the new capital")
            << "RadioButton4"
            << "^~"
            << "Bc.nc" << 1;
        QTest::newRow("mode 2 converts what is typed afterwards") << "RadioButton2"
                                                                  << "$x"
                                                                  << "ABC.NCX" << 7;
        QTest::newRow("mode 1 after mode 2 keeps the text and stops converting")
            << "RadioButton2,RadioButton1"
            << "$x"
            << "ABC.NCx" << 7;
    }
    void oneEntryInEachMode() {
        QFETCH(QString, radio);
        QFETCH(QString, typing);
        QFETCH(QString, edit);
        QFETCH(int, caret);
        UiRig rig(LongNames());
        rig.WriteFile("abc.NC", "ABC");
        rig.Start();
        Opened opened;
        QString shown;
        int shownCaret = -1;
        bool busy = false;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            opened = Look(dialog);
            busy = rig.Model().Busy();
            for (const QString& name : radio.split(','))
                Click(dialog, name.toLatin1().constData());
            auto* line = Find<QLineEdit>(dialog, "LabeledEdit1");
            for (const QChar key : typing) {
                if (key == '^')
                    QTest::keyClick(line, Qt::Key_Home);
                else if (key == '$')
                    QTest::keyClick(line, Qt::Key_End);
                else if (key == '~')
                    QTest::keyClick(line, Qt::Key_Delete);
                else
                    QTest::keyClicks(line, QString(key));
            }
            shown = line->text();
            shownCaret = line->cursorPosition();
            QTest::keyClick(line, Qt::Key_Return);
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(opened.texts,
                 (QStringList{"名前変更", "abc.NC", "新しい名前を入力", "abc.NC", "名前を変更",
                              "半角英文字を大文字に", "半角英文字を小文字に",
                              "半角英文字の先頭のみ大文字に", "OK", "ｷｬﾝｾﾙ"}));
        QCOMPARE(opened.checked, "RadioButton1");
        QVERIFY(opened.editFocused);
        QVERIFY(busy);
        QCOMPARE(shown, edit);
        QCOMPARE(shownCaret, caret);
        QCOMPARE(NamesOnDisk(rig), std::set<std::string>{edit.toStdString()});
        QCOMPARE(rig.D().Read(edit.toStdString()), "ABC");
        QCOMPARE(rig.Lines(), QStringList{" " + edit});
        QVERIFY(!rig.Model().Busy());
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void anArrowKeyChoosesTheModeAndTheFocusGoesBackToTheEdit() {
        UiRig rig(LongNames());
        rig.WriteFile("abc.NC", "ABC");
        rig.Start();
        QStringList focus;
        QString shown;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            const auto press = [&](Qt::Key key) {
                QTest::keyClick(QApplication::focusWidget(), key);
                QApplication::processEvents();
                focus.push_back(QApplication::focusWidget()->objectName());
            };
            press(Qt::Key_Tab);
            press(Qt::Key_Down);
            press(Qt::Key_End);
            QTest::keyClicks(QApplication::focusWidget(), "x");
            shown = Find<QLineEdit>(dialog, "LabeledEdit1")->text();
            Click(dialog, "Button2");
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(focus, (QStringList{"RadioButton1", "LabeledEdit1", "LabeledEdit1"}));
        QCOMPARE(shown, "ABC.NCX");
    }

    void theRenamedEntryStaysTheCurrentLine() {
        UiRig rig(LongNames());
        rig.WriteFile("A.NC", "A");
        rig.WriteFile("B.NC", "B");
        rig.WriteFile("SUB/X.NC", "X");
        rig.Start();
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            auto* line = Find<QLineEdit>(dialog, "LabeledEdit1");
            line->setText("Z.NC");
            Click(dialog, "Button1");
            return dialog.result();
        });
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_R);
        QCOMPARE(rig.Lines(), (QStringList{" SUB", " B.NC", " Z.NC"}));
        QCOMPARE(rig.Selected(), 2);
        // A folder is renamed the same way.
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            Find<QLineEdit>(dialog, "LabeledEdit1")->setText("PROGS");
            Click(dialog, "Button1");
            return dialog.result();
        });
        rig.Press(Qt::Key_T);
        rig.Press(Qt::Key_R);
        QCOMPARE(rig.Lines().first(), " PROGS");
        QVERIFY(rig.D().Exists("PROGS/X.NC"));
    }

    void failuresAreReportedAndChangeNothing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("error");
        QTest::newRow("a name that is taken") << "B.NC" << int(FsError::Exists);
        QTest::newRow("a name that would leave the folder")
            << "..\\A.NC" << int(FsError::InvalidName);
        QTest::newRow("an empty name") << "" << int(FsError::InvalidName);
    }
    void failuresAreReportedAndChangeNothing() {
        QFETCH(QString, typed);
        QFETCH(int, error);
        UiRig rig(LongNames());
        rig.WriteFile("A.NC", "A");
        rig.WriteFile("B.NC", "B");
        rig.Start();
        rig.Prompts().RunNextDialog([typed](QDialog& dialog) {
            Find<QLineEdit>(dialog, "LabeledEdit1")->setText(typed);
            Click(dialog, "Button1");
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"確認|D:\\A.NC\nの名前を変更出来ませんでした。\n" +
                             QString::fromStdString(FsErrorMessage(static_cast<FsError>(error)))});
        QCOMPARE(NamesOnDisk(rig), (std::set<std::string>{"A.NC", "B.NC"}));
        QCOMPARE(rig.D().Read("B.NC"), "B");
        QCOMPARE(rig.Model().EntryOf(rig.Selected())->name, "A.NC");
        QVERIFY(!rig.Model().Busy());
    }

    void cancelChangesNothing() {
        UiRig rig(LongNames());
        rig.WriteFile("abc.NC", "A");
        rig.Start();
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            Click(dialog, "RadioButton2");
            Click(dialog, "Button2");
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(NamesOnDisk(rig), std::set<std::string>{"abc.NC"});
        QVERIFY(!rig.Model().Busy());
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
    }

    void renameAllWithRuleFourCapitalisesOnDiskAndInTheList() {
        UiRig rig(LongNames());
        rig.WriteFile("abc.NC", "1");
        rig.WriteFile("DEF.nc", "2");
        rig.WriteFile("keep.NC", "3");
        rig.WriteFile("x1.NC", "4");
        rig.Start();
        // abc.NC, DEF.nc and x1.NC marked; keep.NC not.
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);
        QStringList opened;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            opened.push_back(dialog.windowTitle());
            for (const char* name :
                 {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4", "RadioButton5"}) {
                auto* radio = Find<QRadioButton>(dialog, name);
                opened.push_back(radio->text() + (radio->isChecked() ? " *" : ""));
            }
            Click(dialog, "RadioButton4");
            Click(dialog, "Button1");
            return dialog.result();
        });
        const auto started = rig.Clock().Now();
        rig.Press(Qt::Key_R);
        QCOMPARE(opened, (QStringList{"名前変更", "名前を変更 *", "半角英文字を大文字に",
                                      "半角英文字を小文字に", "半角英文字の先頭のみ大文字に",
                                      "個々に名前を変更"}));
        QCOMPARE(rig.Prompts().Dialogs(), QStringList{"RNameAForm"});
        QCOMPARE(NamesOnDisk(rig), (std::set<std::string>{"Abc.nc", "Def.nc", "X1.nc", "keep.NC"}));
        QCOMPARE(rig.D().Read("Abc.nc"), "1");
        QCOMPARE(rig.Lines(), (QStringList{" Abc.nc", " Def.nc", " keep.NC", " X1.nc"}));
        QCOMPARE(rig.Model().MarkCount(), 0);
        QVERIFY(!rig.Model().Busy());
        QVERIFY(rig.View().ListBox1->isEnabled());
        // A pause after each file renamed, so the user sees the names change one by one.
        QCOMPARE(rig.Clock().Now() - started, std::chrono::nanoseconds(300ms));
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void renameAllRules_data() {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<std::set<std::string>>("names");
        QTest::newRow("rule 1 keeps every name")
            << "RadioButton1" << std::set<std::string>{"abc.NC", "Def.Nc", "z.nc"};
        QTest::newRow("rule 2 upper case")
            << "RadioButton2" << std::set<std::string>{"ABC.NC", "DEF.NC", "z.nc"};
        QTest::newRow("rule 3 lower case")
            << "RadioButton3" << std::set<std::string>{"abc.nc", "def.nc", "z.nc"};
    }
    void renameAllRules() {
        QFETCH(QString, radio);
        QFETCH(std::set<std::string>, names);
        UiRig rig(LongNames());
        rig.WriteFile("abc.NC", "1");
        rig.WriteFile("Def.Nc", "2");
        rig.WriteFile("z.nc", "3");
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Prompts().RunNextDialog([radio](QDialog& dialog) {
            Click(dialog, radio.toLatin1().constData());
            Click(dialog, "Button1");
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(NamesOnDisk(rig), names);
        QCOMPARE(rig.Model().MarkCount(), 0);
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void renameAllOneByOneAsksForEachFile() {
        UiRig rig(LongNames());
        rig.WriteFile("A.NC", "1");
        rig.WriteFile("B.NC", "2");
        rig.WriteFile("C.NC", "3");
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        QStringList asked;
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            Click(dialog, "RadioButton5");
            Click(dialog, "Button1");
            return dialog.result();
        });
        const auto answer = [&asked, &rig](const QString& name) {
            return [&asked, &rig, name](QDialog& dialog) {
                // Which file is asked about, where the selection stands, and the first line,
                // rewritten in place once its file has its new name.
                asked.push_back(Find<QLabel>(dialog, "Label1")->text() + " at line " +
                                QString::number(rig.Selected()) + ": " + rig.Lines()[0]);
                if (name.isEmpty()) {
                    Click(dialog, "Button2");
                } else {
                    Find<QLineEdit>(dialog, "LabeledEdit1")->setText(name);
                    Click(dialog, "Button1");
                }
                return dialog.result();
            };
        };
        rig.Prompts().RunNextDialog(answer("ONE.NC"));
        rig.Prompts().RunNextDialog(answer(""));
        rig.Prompts().RunNextDialog(answer("C.NC"));
        rig.Press(Qt::Key_R);
        QCOMPARE(asked, (QStringList{"A.NC at line 0: *A.NC", "B.NC at line 1: *ONE.NC",
                                     "C.NC at line 2: *ONE.NC"}));
        QCOMPARE(NamesOnDisk(rig), (std::set<std::string>{"B.NC", "C.NC", "ONE.NC"}));
        QVERIFY(rig.Prompts().AllScriptUsed());
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void renameAllCancelledKeepsTheNamesAndTheMarks() {
        UiRig rig(LongNames());
        rig.WriteFile("a.nc", "1");
        rig.WriteFile("b.nc", "2");
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            Click(dialog, "RadioButton2");
            QTest::keyClick(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(NamesOnDisk(rig), (std::set<std::string>{"a.nc", "b.nc"}));
        QCOMPARE(rig.Lines(), (QStringList{"*a.nc", " b.nc"}));
        QVERIFY(!rig.Model().Busy());
    }

    void renameAllReportsAFileThatCannotTakeItsName() {
        UiRig rig(LongNames());
        rig.WriteFile("a.nc", "1");
        rig.WriteFile("A.NC", "2");
        rig.WriteFile("b.nc", "3");
        rig.Start();
        // a.nc, A.NC, b.nc: the two lower-case ones marked.
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            Click(dialog, "RadioButton2");
            Click(dialog, "Button1");
            return dialog.result();
        });
        rig.Press(Qt::Key_R);
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"確認|D:\\a.nc\nの名前を変更出来ませんでした。\n" +
                             QString::fromStdString(FsErrorMessage(FsError::Exists))});
        QCOMPARE(NamesOnDisk(rig), (std::set<std::string>{"A.NC", "B.NC", "a.nc"}));
        QCOMPARE(rig.D().Read("A.NC"), "2");
    }

    void nothingToRename() {
        UiRig rig;
        std::filesystem::create_directories(rig.D().File("EMPTY"));
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_R);  // on ".."
        QCOMPARE(rig.Prompts().Dialogs(), QStringList());
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QVERIFY(!rig.Model().Busy());
        UiRig empty;
        empty.Start();
        empty.Press(Qt::Key_R);
        QCOMPARE(empty.Prompts().Log(), QStringList{"確認|ﾌｧｲﾙ（ﾌｫﾙﾀﾞ）を選択して下さい。"});
        QCOMPARE(empty.Prompts().Asked()[0].prompt.icon, PromptIcon::Error);
    }
};

QTEST_MAIN(RnameTest)
#include "RnameTest.moc"
