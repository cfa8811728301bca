// The find dialog (F): the list narrowed to the names that begin with the typed text, the
// characters a find text refuses, and the history FIND.LST kept in the program folder.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/DialogControls.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

const QString kRefusal = "確認|この文字はファイル名に使えません。\n/:,;*?<>|.";

// The programs of the narrowing example, and a folder.
void WritePrograms(UiRig& rig) {
    for (const char* name : {"O1.NC", "O10.NC", "O123.NC", "A01.NC", "O2.NC"})
        rig.WriteFile(name, "X");
    rig.WriteFile("SUB/O1.NC", "X");
}

// The names of the file lines (the long names of the entries, in list order).
QStringList FileNames(UiRig& rig) {
    QStringList names;
    for (const ListEntry& entry : rig.Model().Files())
        names.push_back(QString::fromStdString(entry.name));
    return names;
}

std::string ListFile(const QStringList& entries) {
    std::string bytes;
    for (const QString& entry : entries)
        bytes += entry.toStdString() + "\r\n";
    return bytes;
}

// What the dialog showed when it opened.
struct Opened {
    QString title;
    QString label;
    QString text;
    QStringList items;
    bool okEnabled = true;
    bool comboFocused = false;
};

Opened Look(QDialog& dialog) {
    Opened seen;
    auto* combo = Find<QComboBox>(dialog, "ComboBox1");
    seen.title = dialog.windowTitle();
    seen.label = Find<QLabel>(dialog, "Label1")->text();
    seen.text = combo->currentText();
    for (int i = 0; i < combo->count(); ++i)
        seen.items.push_back(combo->itemText(i));
    seen.okEnabled = Find<QPushButton>(dialog, "Button1")->isEnabled();
    seen.comboFocused = QApplication::focusWidget() == combo;
    return seen;
}

// Types a text into the combo box (where the focus is) and presses Enter.
void SearchFor(UiRig& rig, const QString& text, Opened* opened = nullptr) {
    rig.Prompts().RunNextDialog([text, opened](QDialog& dialog) {
        if (opened)
            *opened = Look(dialog);
        QComboBox* box = Find<QComboBox>(dialog, "ComboBox1");
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
        return dialog.result();
    });
    rig.Press(Qt::Key_F);
}

}  // namespace

class FindTest : public QObject {
    Q_OBJECT

  private slots:
    void searchNarrowsTheListToTheNamesBeginningWithTheText() {
        UiRig rig;
        WritePrograms(rig);
        rig.Start();
        Opened opened;
        SearchFor(rig, "O1", &opened);
        QCOMPARE(opened.title, "絞り込み・検索");
        QCOMPARE(opened.label, "検索・絞り込み名");
        QCOMPARE(opened.text, "");
        QCOMPARE(opened.items, QStringList());
        QVERIFY(!opened.okEnabled);
        QVERIFY(opened.comboFocused);
        QCOMPARE(rig.Prompts().Dialogs(), QStringList{"FindForm"});
        QCOMPARE(QString::fromStdString(rig.Model().SearchPattern()), "D:\\O1*.NC");
        QCOMPARE(FileNames(rig), (QStringList{"O1.NC", "O10.NC", "O123.NC"}));
        // Folders pass the pattern as files do: SUB goes with the rest.
        QCOMPARE(rig.Lines(), (QStringList{" O1      .NC         1 26-12-01 10:00",
                                           " O10     .NC         1 26-12-01 10:00",
                                           " O123    .NC         1 26-12-01 10:00"}));
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
        QCOMPARE(rig.Prompts().Log(), QStringList());
        // The narrowed list stays until the list is read again without the pattern.
        rig.Press(Qt::Key_Down);
        QCOMPARE(FileNames(rig).size(), 3);
        rig.Press(Qt::Key_Space);
        QCOMPARE(FileNames(rig), (QStringList{"A01.NC", "O1.NC", "O10.NC", "O123.NC", "O2.NC"}));
    }

    void history_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("saved");
        QStringList twenty;
        for (int i = 1; i <= 20; ++i)
            twenty.push_back(QString("E%1").arg(i, 2, 10, QChar('0')));
        QTest::newRow("no list yet: the text is the first entry")
            << QStringList() << "O1" << QStringList{"O1"};
        QTest::newRow("the same text twice stands once, at the front")
            << QStringList{"A", "B", "C"} << "B" << QStringList{"B", "A", "C"};
        QTest::newRow("the first entry again changes nothing")
            << QStringList{"A", "B"} << "A" << QStringList{"A", "B"};
        QTest::newRow("a twenty-first entry pushes the oldest out")
            << twenty << "NEW" << (QStringList{"NEW"} + twenty.mid(0, 19));
        QTest::newRow("an entry of a full list moves to the front, none lost")
            << twenty << "E10" << (QStringList{"E10"} + twenty.mid(0, 9) + twenty.mid(10));
        QTest::newRow("the comparison keeps case apart")
            << QStringList{"o1", "A"} << "O1" << QStringList{"O1", "o1", "A"};
    }
    void history() {
        QFETCH(QStringList, stored);
        QFETCH(QString, typed);
        QFETCH(QStringList, saved);
        UiRig rig;
        WritePrograms(rig);
        if (!stored.isEmpty())
            rig.Home().Write("FIND.LST", ListFile(stored));
        rig.Start();
        Opened first;
        SearchFor(rig, typed, &first);
        QCOMPARE(first.items, stored);
        // loading the list leaves the text alone
        QCOMPARE(first.text, "");
        QCOMPARE(rig.Home().Read("FIND.LST"), ListFile(saved));
        // The next opening offers the saved list.
        Opened second;
        rig.Prompts().RunNextDialog([&second](QDialog& dialog) {
            second = Look(dialog);
            Find<QPushButton>(dialog, "Button2")->click();
            return dialog.result();
        });
        rig.Press(Qt::Key_F);
        QCOMPARE(second.items, saved);
        QVERIFY(saved.size() <= 20);
    }

    void theTextTypedIsSearchedWhateverTheHistoryHolds() {
        UiRig rig;
        WritePrograms(rig);
        rig.Home().Write("FIND.LST", ListFile({"O123"}));
        rig.Start();
        SearchFor(rig, "O1");
        QCOMPARE(QString::fromStdString(rig.Model().SearchPattern()), "D:\\O1*.NC");
        QCOMPARE(FileNames(rig), (QStringList{"O1.NC", "O10.NC", "O123.NC"}));
    }

    void typedCharacters_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("a star is taken") << "O*1"
                                         << "O*1" << QStringList();
        QTest::newRow("a colon is dropped with the message") << "O:1"
                                                             << "O1" << QStringList{kRefusal};
        QTest::newRow("a dot is dropped") << "O1."
                                          << "O1" << QStringList{kRefusal};
        QTest::newRow("a folder separator is dropped") << "SUB\\O"
                                                       << "SUBO" << QStringList{kRefusal};
        QTest::newRow("every refused character has its message") << "/,;?<>|A"
                                                                 << "A" << QStringList(7, kRefusal);
    }
    void typedCharacters() {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QStringList, prompts);
        UiRig rig;
        WritePrograms(rig);
        rig.Start();
        QString shown;
        bool okEnabled = false;
        const void* dialogAddress = nullptr;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            dialogAddress = &dialog;
            QComboBox* box = Find<QComboBox>(dialog, "ComboBox1");
            QTest::keyClicks(box, typed);
            shown = box->currentText();
            okEnabled = Find<QPushButton>(dialog, "Button1")->isEnabled();
            QTest::keyClick(box, Qt::Key_Backspace);
            Find<QPushButton>(dialog, "Button2")->click();
            return dialog.result();
        });
        rig.Press(Qt::Key_F);
        QCOMPARE(shown, text);
        QVERIFY(okEnabled);
        QCOMPARE(rig.Prompts().Log(), prompts);
        // Each refusal belongs to the dialog (gone by now: its address only).
        for (const PromptRecord& record : rig.Prompts().Asked())
            QVERIFY(static_cast<const void*>(record.prompt.parent) == dialogAddress);
        // cancelled: the list stays
        QCOMPARE(FileNames(rig).size(), 5);
    }

    void aPastedRefusedTextIsNotSearched() {
        UiRig rig;
        WritePrograms(rig);
        rig.Start();
        int result = -1;
        rig.Prompts().RunNextDialog([&result](QDialog& dialog) {
            Find<QComboBox>(dialog, "ComboBox1")->setEditText("..\\O");
            Find<QPushButton>(dialog, "Button1")->click();
            result = dialog.result();
            return result;
        });
        rig.Press(Qt::Key_F);
        // the dialog stays open
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(rig.Prompts().Log(), QStringList{kRefusal});
        QCOMPARE(FileNames(rig).size(), 5);
        QCOMPARE(rig.Home().Read("FIND.LST"), "");
    }

    void cancelLeavesTheListAndTheHistoryAndShowsTheLegendAgain() {
        UiRig rig;
        WritePrograms(rig);
        rig.Home().Write("FIND.LST", ListFile({"A", "B"}));
        rig.Start();
        rig.Prompts().RunNextDialog([](QDialog& dialog) {
            QTest::keyClicks(Find<QComboBox>(dialog, "ComboBox1"), "O1");
            QTest::keyClick(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
        // Shift+F is F as well; the Shift legend it showed goes when the dialog closes.
        rig.Press(Qt::Key_F, Qt::ShiftModifier);
        QCOMPARE(rig.Prompts().Dialogs(), QStringList{"FindForm"});
        QCOMPARE(rig.Text("Label1"), QString::fromUtf8(kNormalLegend));
        QCOMPARE(FileNames(rig).size(), 5);
        QCOMPARE(QString::fromStdString(rig.Model().SearchPattern()), "D:\\*.*");
        QCOMPARE(rig.Home().Read("FIND.LST"), ListFile({"A", "B"}));
        QCOMPARE(rig.Focus(), rig.View().ListBox1);
    }

    void theDialogStandsInTheMiddleOfTheWindow() {
        UiRig rig;
        rig.Start();
        QPoint dialogCentre;
        rig.Prompts().RunNextDialog([&dialogCentre](QDialog& dialog) {
            dialogCentre = dialog.frameGeometry().center();
            return int(QDialog::Rejected);
        });
        rig.Press(Qt::Key_F);
        const QPoint windowCentre = rig.Form().frameGeometry().center();
        QVERIFY2((dialogCentre - windowCentre).manhattanLength() <= 2,
                 qPrintable(QString("%1,%2 vs %3,%4")
                                .arg(dialogCentre.x())
                                .arg(dialogCentre.y())
                                .arg(windowCentre.x())
                                .arg(windowCentre.y())));
    }
};

QTEST_MAIN(FindTest)
#include "FindTest.moc"
