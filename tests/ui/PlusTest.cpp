// TPlusForm, opened with K or Shift+F4 on the marked files: the join of three files, the refusal
// of fewer than two, the overwrite question and the refusal of a target that is one of the
// files, the name field's refusals and its history ("NAME.lst").
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "support/DialogControls.h"
#include "support/UiRig.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

QComboBox* Combo(QDialog& dialog) {
    return dialog.findChild<QComboBox*>("ComboBox1");
}

QStringList Items(QDialog& dialog) {
    QStringList items;
    auto* list = dialog.findChild<QListWidget*>("ListBox1");
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

const std::string kA = "%\r\nO0001\r\nM30\r\n%\r\n";
const std::string kB = "%\nO0002\nM30\n%\n";  // lone line feeds become CR LF
const std::string kC = "O0003\r\nM02";

void WriteThree(UiRig& rig) {
    rig.WriteFile("A.NC", kA);
    rig.WriteFile("B.NC", kB);
    rig.WriteFile("C.NC", kC);
}

}  // namespace

class PlusTest : public QObject {
    Q_OBJECT

  private slots:
    void joinsThreeMarkedFilesInMarkingOrder() {
        UiRig rig;
        WriteThree(rig);
        rig.Start();
        // C, then A and B: the marking order is the joining order.
        rig.Press(Qt::Key_Z);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_T);
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_Return);
        QStringList items;
        QStringList buttons;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            items = Items(dialog);
            buttons << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            QTest::keyClicks(Combo(dialog), "ALL");
            buttons << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            QTest::keyClick(Combo(dialog), Qt::Key_Return);
            buttons << QString::number(dialog.isVisible());
            return dialog.result();
        });
        rig.Press(Qt::Key_K);
        QCOMPARE(items, (QStringList{"C.NC", "A.NC", "B.NC"}));
        QCOMPARE(buttons, (QStringList{"0", "1", "0"}));
        QCOMPARE(rig.Prompts().Log(), QStringList{"完了|ファイル結合完了しました。"});
        QCOMPARE(rig.D().Read("ALL.NC"),
                 "O0003\r\nM02\r\n" + kA + std::string("%\r\nO0002\r\nM30\r\n%\r\n"));
        // The list is read again, with the new file; the marks are gone.
        QStringList names;
        for (const QString& line : rig.Lines())
            names << line.left(12);
        QCOMPARE(names,
                 (QStringList{" A       .NC", " ALL     .NC", " B       .NC", " C       .NC"}));
        QCOMPARE(rig.Model().MarkCount(), 0);
        QCOMPARE(rig.Home().Read("NAME.lst"), std::string("ALL\r\n"));
        QCOMPARE(rig.D().Read("A.NC"), kA);
    }

    void fewerThanTwoFilesAreRefused() {
        UiRig rig;
        WriteThree(rig);
        rig.Start();
        rig.Press(Qt::Key_K);  // nothing marked: nothing at all
        QCOMPARE(rig.Prompts().Log(), QStringList());
        rig.Press(Qt::Key_Return);
        rig.Press(Qt::Key_F4, Qt::ShiftModifier);
        QCOMPARE(rig.Prompts().Log(), QStringList{"確認|選択されたﾌｧｲﾙが複数ありません。"});
        QCOMPARE(rig.Prompts().Dialogs(), QStringList());
        QCOMPARE(rig.Model().MarkCount(), 0);
        QVERIFY(!rig.Lines()[0].startsWith('*'));
    }

    void anExistingTargetIsAskedForAndAMarkedFileRefused() {
        UiRig rig;
        WriteThree(rig);
        rig.WriteFile("OLD.NC", "OLD\r\n");
        rig.Start();
        rig.Press(Qt::Key_Home);                  // A, B, C and OLD
        rig.Prompts().Answer(PromptButton::No);   // OLD.NC is not overwritten
        rig.Prompts().Answer(PromptButton::Yes);  // B.NC would be, but it is being joined
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            QTest::keyClicks(Combo(dialog), "OLD");
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            seen << QString::number(dialog.isVisible());
            Combo(dialog)->setEditText("B.NC");
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            seen << QString::number(dialog.isVisible());
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_K);
        QCOMPARE(seen, (QStringList{"1", "1"}));
        QCOMPARE(rig.Prompts().Log(),
                 (QStringList{"確認|すでにD:\\OLD.NCが有ります。\n上書きしますか？",
                              "確認|すでにD:\\B.NCが有ります。\n上書きしますか？",
                              "確認|この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"}));
        QCOMPARE(rig.D().Read("OLD.NC"), std::string("OLD\r\n"));
        QCOMPARE(rig.D().Read("B.NC"), kB);
        // Both names were entered: the newest stands first.
        QCOMPARE(rig.Home().Read("NAME.lst"), std::string("B.NC\r\nOLD\r\n"));
    }

    void aTypedNameIsNotCompletedFromTheHistory() {
        UiRig rig;
        WriteThree(rig);
        rig.Home().Write("NAME.lst", "CAM1\r\nJOINED\r\n");
        rig.Start();
        rig.Press(Qt::Key_Home);
        QString typed;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            Combo(dialog)->setEditText("");
            QTest::keyClicks(Combo(dialog), "J");  // "JOINED" is listed; J is what is meant
            typed = Combo(dialog)->currentText();
            QTest::keyClick(Combo(dialog), Qt::Key_Return);
            return dialog.result();
        });
        rig.Press(Qt::Key_K);
        QCOMPARE(typed, QString("J"));
        QVERIFY(rig.D().Exists("J.NC"));
        QVERIFY(!rig.D().Exists("JOINED.NC"));
        QCOMPARE(rig.Home().Read("NAME.lst"), std::string("J\r\nCAM1\r\nJOINED\r\n"));
    }

    void theNameFieldRefusesAndRemembers() {
        UiRig rig;
        WriteThree(rig);
        rig.Home().Write("NAME.lst", "JOINED\r\nALL\r\n");
        rig.Start();
        rig.Press(Qt::Key_Home);
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            seen << Combo(dialog)->currentText() << QString::number(Combo(dialog)->count())
                 << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            Combo(dialog)->setEditText("");
            QTest::keyClicks(Combo(dialog), "X:Y.Z");
            seen << Combo(dialog)->currentText();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_K);
        QCOMPARE(seen, (QStringList{"JOINED", "2", "1", "XYZ"}));
        const QString refused = "確認|この文字はファイル名に使えません。\n/:,;*?<>|.";
        QCOMPARE(rig.Prompts().Log(), (QStringList{refused, refused}));
        QCOMPARE(rig.Home().Read("NAME.lst"), std::string("JOINED\r\nALL\r\n"));
    }
};

QTEST_MAIN(PlusTest)
#include "PlusTest.moc"
