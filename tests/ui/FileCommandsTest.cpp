// The file commands of the list that need no dialog of their own or several at once: delete
// into the trash (D, F3) against move (Shift+F3), dragging lines onto folder lines and the ".."
// line, and the progress of a long copy with its stop.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <set>

#include "support/DialogControls.h"
#include "support/UiRig.h"
#include "ui/FileCommands.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

const QString kMoved = "完了|ファイルを移動しました。";

// The names below a host folder ("SUB/X.NC"); folders end in "/".
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> tree;
    if (!std::filesystem::exists(root))
        return tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        tree.insert(std::filesystem::relative(entry.path(), root).string() +
                    (entry.is_directory() ? "/" : ""));
    }
    return tree;
}

// The copy/move dialog's step: the folder typed, then Enter.
void TypeTarget(UiRig& rig, const QString& folder) {
    rig.Prompts().RunNextDialog([folder](QDialog& dialog) {
        QComboBox* box = Find<QComboBox>(dialog, "ComboBox1");
        box->clearEditText();
        QTest::keyClicks(box, folder);
        QTest::keyClick(box, Qt::Key_Return);
        return dialog.result();
    });
}

// A.NC, B.NC, C.NC in D: with the folders OUT and SUB (SUB holding X.NC); OUT, SUB, A, B, C are
// lines 0..4.
void WriteFolder(UiRig& rig) {
    rig.WriteFile("A.NC", "A");
    rig.WriteFile("B.NC", "B");
    rig.WriteFile("C.NC", "C");
    rig.WriteFile("SUB/X.NC", "X");
    std::filesystem::create_directories(rig.D().File("OUT"));
}

void MarkAllFiles(UiRig& rig) {
    rig.Press(Qt::Key_Down);
    rig.Press(Qt::Key_Down);
    rig.Press(Qt::Key_Home);
}

QDialog* ProgressDialog(UiRig& rig) {
    return rig.Form().findChild<QDialog*>("FileProgress");
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void deleteOrMoveTheMarkedFiles_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<std::set<std::string>>("left");
        QTest::addColumn<std::set<std::string>>("trash");
        const std::set<std::string> folders{"OUT/", "SUB/", "SUB/X.NC"};
        QTest::newRow("F3 deletes: one confirmation, all three in the trash")
            << int(Qt::Key_F3) << int(Qt::NoModifier)
            << QStringList{"確認|3 個の項目をごみ箱に移動しますか？"} << QStringList() << folders
            << std::set<std::string>{"A.NC", "B.NC", "C.NC"};
        QTest::newRow("Shift+F3 moves them through the dialog")
            << int(Qt::Key_F3) << int(Qt::ShiftModifier) << QStringList{kMoved}
            << QStringList{"PlusCopyForm"}
            << std::set<std::string>{"OUT/", "OUT/A.NC", "OUT/B.NC", "OUT/C.NC", "SUB/", "SUB/X.NC"}
            << std::set<std::string>();
    }
    void deleteOrMoveTheMarkedFiles() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QStringList, prompts);
        QFETCH(QStringList, dialogs);
        QFETCH(std::set<std::string>, left);
        QFETCH(std::set<std::string>, trash);
        UiRig rig;
        WriteFolder(rig);
        rig.Start();
        MarkAllFiles(rig);
        QCOMPARE(rig.Model().MarkCount(), 3);
        rig.Prompts().Answer(PromptButton::Yes);
        if (!dialogs.isEmpty())
            TypeTarget(rig, "D:\\OUT");
        rig.Press(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(rig.Prompts().Log(), prompts);
        QCOMPARE(rig.Prompts().Dialogs(), dialogs);
        QCOMPARE(Tree(rig.D().Path()), left);
        QCOMPARE(Tree(rig.TrashFile("files")), trash);
        // The list shows what is left.
        QCOMPARE(rig.Lines().size(), 2);
        QCOMPARE(rig.Model().MarkCount(), 0);
        QVERIFY(rig.View().ListBox1->isEnabled());
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
    }

    void deleteOneEntry_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<std::set<std::string>>("trash");
        QTest::newRow("a folder with what is in it")
            << 1 << int(PromptButton::Yes)
            << "確認|フォルダー「SUB」とその中身をごみ箱に移動しますか？"
            << std::set<std::string>{"SUB/", "SUB/X.NC"};
        QTest::newRow("a file") << 3 << int(PromptButton::Yes)
                                << "確認|「B.NC」をごみ箱に移動しますか？"
                                << std::set<std::string>{"B.NC"};
        QTest::newRow("No: nothing goes")
            << 3 << int(PromptButton::No) << "確認|「B.NC」をごみ箱に移動しますか？"
            << std::set<std::string>();
    }
    void deleteOneEntry() {
        QFETCH(int, line);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(std::set<std::string>, trash);
        UiRig rig;
        WriteFolder(rig);
        rig.Start();
        for (int i = 0; i < line; ++i)
            rig.Press(Qt::Key_Down);
        rig.Prompts().Answer(static_cast<PromptButton>(answer));
        rig.Press(Qt::Key_D);
        QCOMPARE(rig.Prompts().Log(), QStringList{question});
        QCOMPARE(Tree(rig.TrashFile("files")), trash);
        QCOMPARE(rig.Lines().size(), 5 - static_cast<int>(trash.empty() ? 0 : 1));
        // After a delete the list is read in full (the first line selected) and the idle
        // display comes back a second later.
        QCOMPARE(rig.Selected(), trash.empty() ? line : 0);
        QCOMPARE(rig.View().Timer1->isActive(), !trash.empty());
    }

    void nothingToDelete() {
        UiRig rig;
        std::filesystem::create_directories(rig.D().File("EMPTY"));
        rig.Start();
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_F3);  // on ".."
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QVERIFY(std::filesystem::exists(rig.D().File("EMPTY")));
        rig.Press(Qt::Key_Return);  // back up
        std::filesystem::remove(rig.D().File("EMPTY"));
        rig.Press(Qt::Key_Space);
        QCOMPARE(rig.Lines(), QStringList());
        rig.Press(Qt::Key_D);
        QCOMPARE(rig.Text("Label11"), "ファイルを選択してください。!!");
        QCOMPARE(rig.Prompts().Log(), QStringList());
    }

    void dropOfAnUnmarkedFileOntoAFolderLineMovesIt() {
        UiRig rig;
        WriteFolder(rig);
        rig.Start();
        FileCommands& files = rig.Form().fileCommands();
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Down);  // A.NC
        // Over a folder line the target is named; over a file line or nothing, refused.
        QVERIFY(files.DragOver(2, 1));
        QCOMPARE(rig.Text("Label3"), " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ D:\\SUB");
        QVERIFY(!files.DragOver(2, 3));
        QCOMPARE(rig.Text("Label3"), "");
        QVERIFY(files.DragOver(2, 0));
        QCOMPARE(rig.Text("Label3"), " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ D:\\OUT");
        QVERIFY(!files.DragOver(2, -1));
        QCOMPARE(rig.Text("Label3"), "");
        files.DragOver(2, 1);
        // The idle display of an earlier command is due at once; it must not enable the list
        // under the move.
        rig.View().Timer1->start(0);
        bool listEnabledDuringMove = true;
        QStringList linesAtMessage;
        rig.Prompts().WatchPrompts([&](const Prompt&) {
            listEnabledDuringMove = rig.View().ListBox1->isEnabled();
            linesAtMessage = rig.Lines();
        });
        files.Drop(2, 1);
        QCOMPARE(rig.Text("Label3"), "");
        rig.Settle();
        QVERIFY(!listEnabledDuringMove);
        // The message stands over the list as it now is, without the file that went.
        QCOMPARE(linesAtMessage, rig.Lines());
        QCOMPARE(Tree(rig.D().Path()),
                 (std::set<std::string>{"B.NC", "C.NC", "OUT/", "SUB/", "SUB/A.NC", "SUB/X.NC"}));
        QCOMPARE(rig.Prompts().Log(), QStringList{kMoved});
        QVERIFY(!rig.Lines().join('\n').contains(" A "));
        QCOMPARE(rig.Lines().size(), 4);
        QVERIFY(rig.View().ListBox1->isEnabled());
    }

    void dropOfMarkedFilesOntoTheParentLineMovesThemUp() {
        UiRig rig;
        rig.WriteFile("SUB/X.NC", "X");
        rig.WriteFile("SUB/Y.NC", "Y");
        rig.WriteFile("SUB/Z.NC", "Z");
        rig.Start();
        rig.Press(Qt::Key_Return);  // into SUB
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);  // X marked
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);  // Z marked
        FileCommands& files = rig.Form().fileCommands();
        // A drag from the ".." line goes nowhere.
        QVERIFY(!files.DragOver(0, 0));
        QCOMPARE(rig.Text("Label3"), "");
        QVERIFY(files.DragOver(3, 0));
        QCOMPARE(rig.Text("Label3"), " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ D:");
        files.Drop(3, 0);
        rig.Settle();
        QCOMPARE(Tree(rig.D().Path()), (std::set<std::string>{"SUB/", "SUB/Y.NC", "X.NC", "Z.NC"}));
        QCOMPARE(rig.Prompts().Log(), QStringList{kMoved});
        QCOMPARE(rig.Lines().size(), 2);
        QCOMPARE(rig.Model().MarkCount(), 0);
    }

    void theProgressAppearsAfterAMomentAndStopsTheCopy_data() {
        QTest::addColumn<QString>("stop");
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("F3") << "F3";
        QTest::newRow("the dialog's button") << "button";
    }
    void theProgressAppearsAfterAMomentAndStopsTheCopy() {
        QFETCH(QString, stop);
        UiRig rig;
        WriteFolder(rig);
        rig.WriteFile("OUT/A.NC", "old");
        rig.WriteFile("OUT/B.NC", "old");
        rig.WriteFile("OUT/C.NC", "old");
        rig.Start();
        MarkAllFiles(rig);
        bool shownAtFirst = true;
        QStringList progress;
        bool listEnabled = true;
        // A takes its time: the progress shows from B on; while B is asked about, the stop.
        rig.Prompts().Answer(PromptButton::Yes, [&] {
            shownAtFirst = ProgressDialog(rig) != nullptr;
            rig.Clock().Advance(1s);
        });
        rig.Prompts().Answer(PromptButton::Yes, [&] {
            QDialog* dialog = ProgressDialog(rig);
            if (!dialog)
                return;
            progress = {dialog->windowTitle(),
                        Find<QLabel>(*dialog, "Label1")->text(),
                        Find<QLabel>(*dialog, "Label2")->text(),
                        QString::number(Find<QProgressBar>(*dialog, "ProgressBar1")->value()),
                        Find<QPushButton>(*dialog, "Button1")->text(),
                        dialog->isVisible() ? "shown" : "hidden"};
            listEnabled = rig.View().ListBox1->isEnabled();
            if (stop == "Esc")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (stop == "F3")
                QTest::keyClick(rig.View().ListBox1, Qt::Key_F3);
            else
                Find<QPushButton>(*dialog, "Button1")->click();
        });
        TypeTarget(rig, "D:\\OUT");
        rig.Press(Qt::Key_C);
        QVERIFY(!shownAtFirst);
        QCOMPARE(progress, (QStringList{"ﾌｧｲﾙｺﾋﾟｰ中", "2 / 3  D:\\B.NC", "1 / 3ﾊﾞｲﾄ", "333",
                                        "中止(Esc)", "shown"}));
        QVERIFY(!listEnabled);
        // A and B are copied; the stop comes before C, and a stop shows no message.
        QCOMPARE(rig.D().Read("OUT/A.NC"), "A");
        QCOMPARE(rig.D().Read("OUT/B.NC"), "B");
        QCOMPARE(rig.D().Read("OUT/C.NC"), "old");
        QCOMPARE(rig.Prompts().Log().size(), 2);
        QCOMPARE(ProgressDialog(rig), nullptr);
        QVERIFY(rig.View().ListBox1->isEnabled());
        // The stop key was the operation's: the list did not delete anything with it.
        QCOMPARE(Tree(rig.TrashFile("files")), std::set<std::string>());
    }

    void theProgressClosesBeforeTheCompletionMessage() {
        UiRig rig;
        WriteFolder(rig);
        rig.WriteFile("OUT/A.NC", "old");
        rig.Start();
        MarkAllFiles(rig);
        QStringList seen;
        rig.Prompts().WatchPrompts([&](const Prompt& prompt) {
            seen.push_back(QString::fromStdString(prompt.title) +
                           (ProgressDialog(rig) ? " with progress" : " alone"));
        });
        rig.Prompts().Answer(PromptButton::Yes, [&] { rig.Clock().Advance(1s); });
        bool shownOnTheWay = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout,
                         [&] { shownOnTheWay = shownOnTheWay || ProgressDialog(rig); });
        probe.start(0);
        TypeTarget(rig, "D:\\OUT");
        rig.Press(Qt::Key_C);
        QVERIFY(shownOnTheWay);
        QCOMPARE(seen, (QStringList{"確認 alone", "完了 alone"}));
        QCOMPARE(rig.D().Read("OUT/C.NC"), "C");
    }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
