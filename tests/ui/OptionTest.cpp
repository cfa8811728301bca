// TOptionForm, opened with O: the keys each field takes, the ring of Enter and the arrow keys,
// the apply and what the list does after it, and the question when changes were not applied.
// A dialog step only acts and notes what it sees; the comparisons follow the dialog's run.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "support/DialogControls.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/LabeledEdit.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

const QString kCloseQuestion =
    "オプション設定|オプション設定が変更されています。\n保存せずに終了しますか？";

LabeledEdit* Field(QDialog& dialog, const char* name) {
    return dialog.findChild<LabeledEdit*>(name);
}

QString FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString("(none)");
}

void ShowPage(QDialog& dialog, int page) {
    dialog.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(page);
}

// Types into a field as a user does after selecting its text.
void TypeInto(LabeledEdit* edit, const QString& typed) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
}

UiRig::Options WithSettings(std::vector<std::string> settings) {
    UiRig::Options options;
    options.settings = std::move(settings);
    return options;
}

}  // namespace

class OptionTest : public QObject {
    Q_OBJECT

  private slots:
    void fieldsTakeOnlyTheirKeysInCapitals() {
        UiRig rig;
        rig.Start();
        const Settings before = rig.SettingsRecord();
        const struct {
            const char* name;
            int page;
            const char* field;
            const char* typed;
            const char* shown;
        } rows[] = {
            {"YesNoShowsCapitals", 0, "LabeledEdit3", "y", "Y"},
            {"YesNoRefusesOtherLettersAndKeepsItsText", 0, "LabeledEdit3", "x", "Y"},
            {"YesNoHoldsOneCharacter", 0, "LabeledEdit6", "ny", "N"},
            {"PortTakesComAndDigits", 0, "LabeledEdit18", "com1x2", "COM12"},
            {"ReceiveCodeTakesZeroToThree", 1, "LabeledEdit15", "93", "3"},
            {"WaitTimeTakesThreeDigits", 2, "LabeledEdit4", "1a2b3c4", "123"},
            {"StartTypeTakesOneToFive", 2, "LabeledEdit8", "065", "5"},
            {"TextNotSentTakesAnything", 2, "LabeledEdit16", "abc;", "ABC;"},
            {"ColumnsRefuseZeroAndSeven", 3, "LabeledEdit5", "0a7", "2"},
        };
        QStringList shown, expected;
        bool applyEnabled = false;
        rig.Prompts().Answer(PromptButton::Yes);  // leave without applying
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            for (const auto& row : rows) {
                ShowPage(dialog, row.page);
                TypeInto(Field(dialog, row.field), QString::fromUtf8(row.typed));
                shown << QString(row.name) + "=" + Field(dialog, row.field)->text();
                expected << QString(row.name) + "=" + QString::fromUtf8(row.shown);
            }
            applyEnabled = Find<QPushButton>(dialog, "Button1")->isEnabled();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_O);
        QCOMPARE(shown, expected);
        QVERIFY(applyEnabled);
        QCOMPARE(rig.Prompts().Dialogs(), QStringList{"OptionForm"});
        QCOMPARE(rig.Prompts().Log(), QStringList{kCloseQuestion});
        QVERIFY(rig.SettingsRecord() == before);
    }

    void enterAndTheArrowKeysGoRoundAPage() {
        UiRig rig;
        rig.Start();
        QStringList visited;
        const auto press = [&](Qt::Key key) {
            QTest::keyClick(QApplication::focusWidget(), key);
            visited << FocusName();
        };
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            visited << FocusName();  // the first field of the first page has the focus
            for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
                press(key);
            // Enter in a filled field: capitals, then the next field.
            Field(dialog, "LabeledEdit3")->setText("n");
            press(Qt::Key_Return);
            visited.back() += "=" + Field(dialog, "LabeledEdit3")->text();
            // Enter in an empty field stays.
            Field(dialog, "LabeledEdit6")->clear();
            press(Qt::Key_Return);
            // The last page has four fields.
            ShowPage(dialog, 3);
            Field(dialog, "LabeledEdit2")->setFocus();
            for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down})
                press(key);
            return QDialog::Rejected;
        });
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Press(Qt::Key_O);
        QCOMPARE(visited,
                 (QStringList{"LabeledEdit3", "LabeledEdit6", "LabeledEdit3", "LabeledEdit24",
                              "LabeledEdit3", "LabeledEdit6=N", "LabeledEdit6", "LabeledEdit22",
                              "LabeledEdit2", "LabeledEdit5"}));
    }

    void aPageReachedByKeyStartsAtItsFirstFieldSelected() {
        UiRig rig;
        rig.Start();
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            // Ctrl+Tab to the receive page: "y" replaces the "N" of its first field.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            seen << FocusName();
            QTest::keyClicks(QApplication::focusWidget(), "y");
            seen << Field(dialog, "LabeledEdit1")->text();
            // On to the send page: "5" replaces the wait time's "0" rather than following it.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            seen << FocusName();
            QTest::keyClicks(QApplication::focusWidget(), "5");
            seen << Field(dialog, "LabeledEdit4")->text();
            return QDialog::Rejected;
        });
        rig.Prompts().Answer(PromptButton::Yes);
        rig.Press(Qt::Key_O);
        QCOMPARE(seen, (QStringList{"LabeledEdit1", "Y", "LabeledEdit4", "5"}));
    }

    void applyTakesEffectOnTheListAtOnce() {
        UiRig rig(WithSettings({"ListColumn=5"}));
        rig.WriteFile("O0001.NC", "O0001\r\n");
        rig.Start();
        FileListView* list = rig.View().ListBox1;
        QCOMPARE(list->Columns(), 5);
        QCOMPARE(list->width(), MainView::kListWideWidth);
        QVERIFY(!rig.View().Label2->isVisibleTo(rig.View().central));
        struct {
            int columns = 0;
            int width = 0;
            bool letterCommands = false;
            int setting = 0;
            bool applyEnabledBefore = false;
            bool applyEnabledAfter = true;
            bool timer1 = false;
        } seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            ShowPage(dialog, 3);
            TypeInto(Field(dialog, "LabeledEdit5"), "3");
            seen.applyEnabledBefore = Find<QPushButton>(dialog, "Button1")->isEnabled();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            // What the list shows at once, while the dialog is still open.
            seen.columns = list->Columns();
            seen.width = list->width();
            seen.letterCommands = rig.View().Label2->isVisibleTo(rig.View().central);
            seen.setting = rig.SettingsRecord().ListColumn;
            seen.applyEnabledAfter = Find<QPushButton>(dialog, "Button1")->isEnabled();
            seen.timer1 = rig.View().Timer1->isActive();
            // Applied: "戻る" asks nothing.
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_O);
        QVERIFY(seen.applyEnabledBefore);
        QCOMPARE(seen.columns, 3);
        QCOMPARE(seen.width, MainView::kListNarrowWidth);
        QVERIFY(seen.letterCommands);
        QCOMPARE(seen.setting, 3);
        QVERIFY(!seen.applyEnabledAfter);
        QVERIFY(seen.timer1);
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QCOMPARE(rig.Model().RowsPerColumn(), list->RowsPerColumn());
    }

    void openedAndClosedWithoutTypingAsksNothing() {
        UiRig rig;
        rig.Start();
        const Settings before = rig.SettingsRecord();
        bool applyEnabled = true;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            applyEnabled = Find<QPushButton>(dialog, "Button1")->isEnabled();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            return dialog.result();
        });
        rig.Press(Qt::Key_O);
        QVERIFY(!applyEnabled);
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QVERIFY(rig.SettingsRecord() == before);
    }

    void closingWithChangesAnsweredNoApplies() {
        UiRig rig(WithSettings({"op4=Y"}));  // long names: the name as it is on the disk
        rig.WriteFile("abc.nc", "O1\r\n");
        rig.Start();
        QCOMPARE(rig.Lines(), QStringList{" abc.nc"});
        rig.Prompts().Answer(PromptButton::No);
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            ShowPage(dialog, 3);
            TypeInto(Field(dialog, "LabeledEdit21"), "y");
            ShowPage(dialog, 2);
            Field(dialog, "LabeledEdit4")->clear();  // an emptied number keeps its value
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_O);
        QCOMPARE(rig.Prompts().Log(), QStringList{kCloseQuestion});
        QCOMPARE(rig.SettingsRecord().op3, "Y");
        QCOMPARE(rig.SettingsRecord().InvTime, 0);
        QCOMPARE(rig.Lines(), QStringList{" ABC.NC"});
    }
};

QTEST_MAIN(OptionTest)
#include "OptionTest.moc"
