// The copy/move dialog (C, F4, M, Shift+F3 with marks, on a folder, or M on a file): what it
// shows, the target checks with their questions, the folder history Path.lst, the folder
// browser, and the copy or move itself with its questions, failures and messages, checked on
// disk.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <set>

#include "platform/FileSystem.h"
#include "support/DialogControls.h"
#include "support/UiRig.h"
#include "support/UnwritableFolder.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

const QString kCopied = "完了|ファイルをコピーしました。";
const QString kMoved = "完了|ファイルを移動しました。";

// What the dialog showed when it opened.
struct Opened {
    QStringList texts;  // caption, labels, the names listed, the combo's text and list
    bool okEnabled = false;
    bool comboFocused = false;
};

Opened Look(QDialog& dialog) {
    Opened seen;
    auto* combo = Find<QComboBox>(dialog, "ComboBox1");
    seen.texts = {dialog.windowTitle(), Find<QLabel>(dialog, "Label1")->text(),
                  Find<QLabel>(dialog, "Label2")->text()};
    auto* names = Find<QListWidget>(dialog, "ListBox1");
    QStringList listed;
    for (int i = 0; i < names->count(); ++i)
        listed.push_back(names->item(i)->text());
    seen.texts.push_back("names: " + listed.join(' '));
    seen.texts.push_back("text: " + combo->currentText());
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i));
    seen.texts.push_back("history: " + items.join(' '));
    for (const char* name : {"Button3", "Button1", "Button2"})
        seen.texts.push_back(Find<QPushButton>(dialog, name)->text());
    seen.okEnabled = Find<QPushButton>(dialog, "Button1")->isEnabled();
    seen.comboFocused = QApplication::focusWidget() == combo;
    return seen;
}

// The dialog's step: the folder typed into the combo (replacing its text), then Enter.
struct Typed {
    QString folder;
    Opened* opened = nullptr;
    const void** address = nullptr;
    int* result = nullptr;
};

void TypeTarget(UiRig& rig, Typed typed) {
    rig.Prompts().RunNextDialog([typed](QDialog& dialog) {
        if (typed.opened)
            *typed.opened = Look(dialog);
        if (typed.address)
            *typed.address = &dialog;
        QComboBox* box = Find<QComboBox>(dialog, "ComboBox1");
        box->clearEditText();
        QTest::keyClicks(box, typed.folder);
        QTest::keyClick(box, Qt::Key_Return);
        if (typed.result)
            *typed.result = dialog.result();
        if (dialog.result() != QDialog::Accepted)
            Find<QPushButton>(dialog, "Button2")->click();
        return dialog.result();
    });
}

// The files below a host folder, with their contents ("OUT/A.NC=A"); folders end in "/".
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string relative = std::filesystem::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            tree.insert(relative + "/");
        } else {
            FILE* file = std::fopen(entry.path().c_str(), "rb");
            std::string bytes(256, '\0');
            bytes.resize(file ? std::fread(bytes.data(), 1, bytes.size(), file) : 0);
            if (file)
                std::fclose(file);
            tree.insert(relative + "=" + bytes);
        }
    }
    return tree;
}

std::string ListFile(const QStringList& entries) {
    std::string bytes;
    for (const QString& entry : entries)
        bytes += entry.toStdString() + "\r\n";
    return bytes;
}

// A.NC, B.NC, C.NC and the folder OUT in D:.
void WriteABC(UiRig& rig) {
    rig.WriteFile("A.NC", "A");
    rig.WriteFile("B.NC", "B");
    rig.WriteFile("C.NC", "C");
    std::filesystem::create_directories(rig.D().File("OUT"));
}

// Marks the file lines given (0-based lines of the list).
void Mark(UiRig& rig, std::initializer_list<int> lines) {
    for (const int line : lines) {
        rig.Press(Qt::Key_T);
        for (int i = 0; i < line; ++i)
            rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);
    }
}

// The data folder C:\NC with A.NC and B.NC, chosen through the folder input.
void ListCNc(UiRig& rig) {
    rig.C().Write("NC/A.NC", "A");
    rig.C().Write("NC/B.NC", "B");
    rig.Start();
    rig.Press(Qt::Key_F5);
    rig.View().Edit1->setText("C:\\NC");
    rig.Press(Qt::Key_Return);
}

}  // namespace

class PluscopyTest : public QObject {
    Q_OBJECT

  private slots:
    void copyOfMarkedFilesIntoAFolder() {
        UiRig rig;
        WriteABC(rig);
        rig.Start();
        Mark(rig, {3, 1});  // C.NC, then A.NC
        Opened opened;
        TypeTarget(rig, {"D:\\OUT", &opened});
        rig.Press(Qt::Key_C);
        QCOMPARE(opened.texts,
                 (QStringList{"ﾌｧｲﾙｺﾋﾟｰ", "選択ファイル一覧 (同一ﾌｫﾙﾀﾞｰには不可!!)", "ｺﾋﾟｰ先",
                              "names: C.NC A.NC", "text: ", "history: ", "...", "ＯＫ", "ｷｬﾝｾﾙ"}));
        QVERIFY(!opened.okEnabled);
        QVERIFY(opened.comboFocused);
        QCOMPARE(Tree(rig.D().Path()), (std::set<std::string>{"A.NC=A", "B.NC=B", "C.NC=C", "OUT/",
                                                              "OUT/A.NC=A", "OUT/C.NC=C"}));
        QCOMPARE(rig.Prompts().Log(), QStringList{kCopied});
        QCOMPARE(rig.Prompts().Asked()[0].prompt.icon, PromptIcon::Information);
        QCOMPARE(rig.Home().Read("Path.lst"), "D:\\OUT\r\n");
        QCOMPARE(rig.Model().MarkCount(), 0);
        // The screen saver was kept off while the files were copied, and is free again.
        QCOMPARE(rig.ScreenSaver().reasons, std::vector<std::string>{"ファイルのコピー・移動中"});
        QVERIFY(rig.ScreenSaver().active.empty());
        QCOMPARE(rig.Lines()[1], " A       .NC         1 26-12-01 10:00");
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
        QVERIFY(rig.View().ListBox1->isEnabled());
    }

    void moveOfAFileOrAFolder_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<std::set<std::string>>("tree");
        QTest::newRow("M on a file")
            << 2 << int(Qt::Key_M) << int(Qt::NoModifier) << "A.NC"
            << std::set<std::string>{"B.NC=B", "OUT/", "OUT/A.NC=A", "SUB/", "SUB/X.NC=X"};
        QTest::newRow("Shift+F3 on a folder, moved whole")
            << 1 << int(Qt::Key_F3) << int(Qt::ShiftModifier) << "SUB"
            << std::set<std::string>{"A.NC=A", "B.NC=B", "OUT/", "OUT/SUB/", "OUT/SUB/X.NC=X"};
    }
    void moveOfAFileOrAFolder() {
        QFETCH(int, line);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, listed);
        QFETCH(std::set<std::string>, tree);
        UiRig rig;
        rig.WriteFile("A.NC", "A");
        rig.WriteFile("B.NC", "B");
        rig.WriteFile("SUB/X.NC", "X");
        std::filesystem::create_directories(rig.D().File("OUT"));
        rig.Start();
        for (int i = 0; i < line; ++i)
            rig.Press(Qt::Key_Down);
        Opened opened;
        TypeTarget(rig, {"D:\\OUT", &opened});
        rig.Press(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(opened.texts.mid(0, 4),
                 (QStringList{"ﾌｧｲﾙ移動", "選択ファイル一覧 (同一ﾌｫﾙﾀﾞｰには不可!!)", "移動先",
                              "names: " + listed}));
        QCOMPARE(Tree(rig.D().Path()), tree);
        QCOMPARE(rig.Prompts().Log(), QStringList{kMoved});
        // The list is read again: the entry moved away is gone from it.
        QVERIFY(!rig.Lines().join('\n').contains(listed.left(3)));
    }

    void targetChecks_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("answers");  // PromptButton values, in order
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("comboAfter");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<std::set<std::string>>("copied");  // below C: and D:
        const QString refusal = "確認|C:\\NCのﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。";
        const QString missing = "確認|ディレクトリが見つかりません。ディレクトリを作成しますか？";
        const std::set<std::string> none{"C:NC/", "C:NC/A.NC=A", "C:NC/B.NC=B", "D:OUT/"};
        QTest::newRow("the current folder typed in another case is refused")
            << "c:\\nc" << QList<int>{} << QStringList{refusal} << "c:\\nc" << false << none;
        QTest::newRow("the current folder with a trailing backslash is refused")
            << "C:\\NC\\" << QList<int>{} << QStringList{refusal} << "C:\\NC\\" << false << none;
        std::set<std::string> created = none;
        created.insert({"D:NEW/", "D:NEW/SUB/", "D:NEW/SUB/A.NC=A"});
        QTest::newRow("a missing folder, Yes: made with its parents and used")
            << "D:\\NEW\\SUB" << QList<int>{int(PromptButton::Yes)} << QStringList{missing, kMoved}
            << "D:\\NEW\\SUB" << true << created;
        QTest::newRow("a missing folder, No: the current folder, which is refused")
            << "D:\\NEW" << QList<int>{int(PromptButton::No)} << QStringList{missing, refusal}
            << "C:\\NC" << false << none;
        std::set<std::string> out = none;
        out.insert("D:OUT/A.NC=A");
        QTest::newRow("a trailing backslash is dropped")
            << "D:\\OUT\\" << QList<int>{} << QStringList{kMoved} << "D:\\OUT\\" << true << out;
        std::set<std::string> root = none;
        root.insert("D:A.NC=A");
        QTest::newRow("a drive alone is taken unchecked")
            << "D:" << QList<int>{} << QStringList{kMoved} << "D:" << true << root;
    }
    void targetChecks() {
        QFETCH(QString, typed);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, prompts);
        QFETCH(QString, comboAfter);
        QFETCH(bool, accepted);
        QFETCH(std::set<std::string>, copied);
        UiRig rig;
        std::filesystem::create_directories(rig.D().File("OUT"));
        ListCNc(rig);
        QCOMPARE(rig.SettingsRecord().DirPath, "C:\\NC");
        rig.Press(Qt::Key_Down);  // A.NC, below ".."
        for (const int answer : answers)
            rig.Prompts().Answer(static_cast<PromptButton>(answer));
        const void* dialogAddress = nullptr;
        int result = -1;
        QString comboShown;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            dialogAddress = &dialog;
            QComboBox* box = Find<QComboBox>(dialog, "ComboBox1");
            QTest::keyClicks(box, typed);
            Find<QPushButton>(dialog, "Button1")->click();
            result = dialog.result();
            comboShown = Find<QComboBox>(dialog, "ComboBox1")->currentText();
            if (result != QDialog::Accepted)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
        rig.Press(Qt::Key_M);
        QCOMPARE(rig.Prompts().Log(), prompts);
        // The target's questions stand beside the dialog's corner, the completion on the window.
        for (const PromptRecord& record : rig.Prompts().Asked()) {
            const bool completion = record.prompt.title == "完了";
            QCOMPARE(record.prompt.place, completion ? PromptPlace::Centred : PromptPlace::Offset);
            QVERIFY(static_cast<const void*>(record.prompt.parent) ==
                    (completion ? static_cast<const void*>(&rig.Form()) : dialogAddress));
            QCOMPARE(record.prompt.icon,
                     completion ? PromptIcon::Information : PromptIcon::Warning);
        }
        QCOMPARE(result, accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(comboShown, comboAfter);
        std::set<std::string> tree;
        for (const std::string& entry : Tree(rig.C().Path()))
            tree.insert("C:" + entry);
        for (const std::string& entry : Tree(rig.D().Path()))
            tree.insert("D:" + entry);
        // M moves: what left C:\NC is gone from it.
        if (accepted)
            copied.erase("C:NC/A.NC=A");
        QCOMPARE(tree, copied);
        QCOMPARE(rig.Home().Read("Path.lst"), ListFile({typed}));
    }

    void anOverwriteQuestionAnsweredNoToAll() {
        UiRig rig;
        WriteABC(rig);
        rig.WriteFile("OUT/A.NC", "old A", "2026-11-01 09:30");
        rig.WriteFile("OUT/B.NC", "old B", "2026-11-02 09:30");
        rig.Start();
        Mark(rig, {1, 2, 3});
        rig.Prompts().Answer(PromptButton::NoToAll);
        TypeTarget(rig, {"D:\\OUT"});
        rig.Press(Qt::Key_C);
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{"確認|すでにD:\\OUT\\A.NCが有ります。\n"
                              "現在のファイル : 5ﾊﾞｲﾄ  2026-11-01 09:30:00\n"
                              "新しいファイル : 1ﾊﾞｲﾄ  2026-12-01 10:00:00\n上書きしますか？",
                              kCopied}));
        const Prompt& question = rig.Prompts().Asked()[0].prompt;
        QCOMPARE(question.buttons, (std::vector<PromptButton>{
                                       PromptButton::Yes, PromptButton::YesToAll, PromptButton::No,
                                       PromptButton::NoToAll, PromptButton::Cancel}));
        QCOMPARE(question.icon, PromptIcon::Warning);
        QCOMPARE(Tree(rig.D().File("OUT")),
                 (std::set<std::string>{"A.NC=old A", "B.NC=old B", "C.NC=C"}));
    }

    void aFailureIsReportedWithThePath() {
        UiRig rig;
        WriteABC(rig);
        rig.Start();
        UnwritableFolder readOnly(rig.D().File("OUT"));
        if (!readOnly.Effective())
            QSKIP("this file system lets a read-only folder be written into");
        Mark(rig, {1, 2});
        rig.Prompts().Answer(PromptButton::Retry);
        rig.Prompts().Answer(PromptButton::Skip);
        rig.Prompts().Answer(PromptButton::Skip);
        TypeTarget(rig, {"D:\\OUT"});
        rig.Press(Qt::Key_C);
        const QString reason = QString::fromStdString(FsErrorMessage(FsError::AccessDenied));
        const QString a = "確認|D:\\A.NC\nをコピー出来ませんでした。\n" + reason;
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{a, a, "確認|D:\\B.NC\nをコピー出来ませんでした。\n" + reason,
                              "確認|2 個の項目をコピー出来ませんでした。"}));
        const Prompt& report = rig.Prompts().Asked()[0].prompt;
        QCOMPARE(report.buttons, (std::vector<PromptButton>{PromptButton::Retry, PromptButton::Skip,
                                                            PromptButton::Cancel}));
        QCOMPARE(report.icon, PromptIcon::Error);
        QCOMPARE(rig.Prompts().Asked()[3].prompt.icon, PromptIcon::Warning);
        QCOMPARE(Tree(rig.D().File("OUT")), std::set<std::string>());
        QVERIFY(rig.View().ListBox1->isEnabled());
    }

    void cancelAtAFailureStopsWithoutAMessage() {
        UiRig rig;
        WriteABC(rig);
        rig.Start();
        UnwritableFolder readOnly(rig.D().File("OUT"));
        if (!readOnly.Effective())
            QSKIP("this file system lets a read-only folder be written into");
        Mark(rig, {1, 2});
        rig.Prompts().Answer(PromptButton::Cancel);
        TypeTarget(rig, {"D:\\OUT"});
        rig.Press(Qt::Key_M);
        QCOMPARE(rig.Prompts().Log().size(), 1);
        QCOMPARE(Tree(rig.D().Path()).count("A.NC=A"), 1u);
        QCOMPARE(Tree(rig.D().Path()).count("B.NC=B"), 1u);
    }

    void theHistoryOpensWithTheLastFolderAndTheBrowserFillsTheBox() {
        UiRig rig;
        WriteABC(rig);
        std::filesystem::create_directories(rig.D().File("OLD"));
        rig.Home().Write("Path.lst", ListFile({"D:\\OUT", "D:\\OLD"}));
        rig.Start();
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Down);
        rig.Press(Qt::Key_Return);  // A.NC marked
        rig.Desktop().BrowseAnswer(std::nullopt);
        rig.Desktop().BrowseAnswer(rig.D().File("OLD"));
        Opened opened;
        QStringList texts;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            opened = Look(dialog);
            auto* combo = Find<QComboBox>(dialog, "ComboBox1");
            // A cancelled browser leaves the current folder in the box.
            Find<QPushButton>(dialog, "Button3")->click();
            texts.push_back(combo->currentText());
            Find<QPushButton>(dialog, "Button3")->click();
            texts.push_back(combo->currentText());
            Find<QPushButton>(dialog, "Button1")->click();
            return dialog.result();
        });
        rig.Press(Qt::Key_C);
        QCOMPARE(opened.texts.mid(4, 2),
                 (QStringList{"text: D:\\OUT", "history: D:\\OUT D:\\OLD"}));
        QVERIFY(opened.okEnabled);
        QCOMPARE(texts, (QStringList{"D:", "D:\\OLD"}));
        QCOMPARE(rig.Desktop().browseTitles,
                 (std::vector<std::string>{"現ﾃﾞｨﾚｸﾄﾘ D:", "現ﾃﾞｨﾚｸﾄﾘ D:"}));
        QCOMPARE(rig.Desktop().browseStarts.front(), rig.D().Path());
        QCOMPARE(rig.D().Read("OLD/A.NC"), "A");
        QCOMPARE(rig.Home().Read("Path.lst"), ListFile({"D:\\OLD", "D:\\OUT"}));
    }

    void theFolderTypedIsUsedWhateverTheHistoryHolds() {
        UiRig rig;
        WriteABC(rig);
        rig.Home().Write("Path.lst", ListFile({"D:\\OUT"}));
        rig.Start();
        Mark(rig, {2});
        TypeTarget(rig, {"D:"});
        rig.Press(Qt::Key_C);
        QCOMPARE(rig.Prompts().Log(), QStringList{"確認|D:のﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。"});
        QCOMPARE(Tree(rig.D().File("OUT")), std::set<std::string>());
    }

    void theFolderBoxRefusesCharactersAndCancelCopiesNothing() {
        UiRig rig;
        WriteABC(rig);
        rig.Home().Write("Path.lst", ListFile({"D:\\OUT"}));
        rig.Start();
        Mark(rig, {1});
        QString shown;
        rig.Prompts().RunNextDialog([&shown](QDialog& dialog) {
            QComboBox* box = Find<QComboBox>(dialog, "ComboBox1");
            box->clearEditText();
            QTest::keyClicks(box, "D:\\O*U.T");
            shown = box->currentText();
            Find<QPushButton>(dialog, "Button2")->click();
            return dialog.result();
        });
        rig.Press(Qt::Key_C);
        QCOMPARE(shown, "D:\\OUT");
        const QString refusal = "確認|この文字はフォルダー名に使えません。\n/:,;*?<>|.";
        QCOMPARE(rig.Prompts().Log(), (QStringList{refusal, refusal}));
        QCOMPARE(Tree(rig.D().File("OUT")), std::set<std::string>());
        QCOMPARE(rig.Home().Read("Path.lst"), ListFile({"D:\\OUT"}));
    }
};

QTEST_MAIN(PluscopyTest)
#include "PluscopyTest.moc"
