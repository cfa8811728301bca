// TBai2Form, opened with H on the current file: the doubled output under "name_2" + the mask's
// extension gives the golden files of tests/fixtures/double, a value that is no number leaves
// no file, and the axis field refuses letters that are no axis.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/DialogControls.h"
#include "support/UiRig.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

QLineEdit* AxisField(QDialog& dialog) {
    return dialog.findChild<QLineEdit*>("Edit1");
}

QString LabelText(QDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(name)->text();
}

}  // namespace

class Bai2Test : public QObject {
    Q_OBJECT

  private slots:
    void doublesAnAxisIntoTheFileNamedAfterTheMask() {
        const struct {
            const char* name;
            const char* typed;
            char axis;
        } rows[] = {
            {"examples_x", "x", 'X'},
            {"axis_y", "Y", 'Y'},
            {"arc_centre_i", "i", 'I'},
            {"lf_only_z", "z", 'Z'},
        };
        for (const auto& row : rows) {
            UiRig rig;
            const std::string input = std::string(row.name) + ".TXT";
            const std::string output = std::string(row.name) + "_2.NC";
            rig.WriteFile(input, ReadFixture(std::string("double/") + row.name + ".input"));
            rig.Start();
            QStringList seen;
            rig.Prompts().RunNextDialog([&](QDialog& dialog) {
                seen << dialog.windowTitle() << LabelText(dialog, "Label1")
                     << LabelText(dialog, "Label2") << LabelText(dialog, "Label3")
                     << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
                QTest::keyClicks(AxisField(dialog), row.typed);
                seen << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
                QTest::keyClick(AxisField(dialog), Qt::Key_Return);
                seen << QString::number(dialog.isVisible());
                return dialog.result();
            });
            rig.Press(Qt::Key_H);
            QCOMPARE(seen,
                     (QStringList{"選択軸２倍変換", "２倍に変換軸",
                                  QString::fromStdString("変換前:" + input),
                                  QString::fromStdString("変換後:" + output), "0", "1", "0"}));
            QCOMPARE(rig.D().Read(output),
                     ReadFixture(std::string("double/") + row.name + ".expected"));
            QCOMPARE(rig.Prompts().Log(),
                     QStringList{QString::fromStdString(
                         std::string("完了|") + row.axis +
                         "軸を２倍に変換しました。\n変換ファイル名は " + output + "です。")});
            // The list was read again and keeps the current file.
            QCOMPARE(rig.Model().EntryOf(rig.Selected())->name, input);
            QCOMPARE(rig.Lines().size(), 2);
        }
    }

    void longFileNamesKeepTheirEndsInView() {
        UiRig rig;
        const std::string input = "HOUSING_COVER_OP10_ROUGH_MILLING_D20_REV_B_FINISHING.NC";
        rig.WriteFile(input, "O1\r\nX1.\r\n");
        rig.Start();
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            for (const char* name : {"Label2", "Label3"}) {
                const auto* label = dialog.findChild<QLabel*>(name);
                const QString text = label->text();
                seen << QString(name) + " fits=" +
                            QString::number(label->fontMetrics().horizontalAdvance(text) <=
                                            label->width())
                     << text.left(11) + "…" + text.right(8) << label->toolTip();
            }
            return QDialog::Rejected;
        });
        rig.Press(Qt::Key_H);
        QCOMPARE(seen,
                 (QStringList{"Label2 fits=1", "変換前:HOUSING…SHING.NC",
                              QString::fromStdString("変換前:" + input), "Label3 fits=1",
                              "変換後:HOUSING…ING_2.NC",
                              "変換後:HOUSING_COVER_OP10_ROUGH_MILLING_D20_REV_B_FINISHING_2.NC"}));
    }

    void aValueThatIsNoNumberLeavesNoFile() {
        UiRig rig;
        rig.WriteFile("A.NC", "O1\r\nG01 X1.5\r\nG01 X1.2.3 Y0\r\nG01 X4.\r\n");
        rig.WriteFile("A_2.NC", "OLD\r\n");
        rig.Start();
        QStringList seen;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            QTest::keyClicks(AxisField(dialog), "X");
            QTest::mouseClick(Find<QPushButton>(dialog, "Button1"), Qt::LeftButton);
            // Only closing is left.
            seen << QString::number(dialog.isVisible())
                 << QString::number(AxisField(dialog)->isEnabled())
                 << QString::number(Find<QPushButton>(dialog, "Button1")->isEnabled());
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_H);
        QCOMPARE(seen, (QStringList{"1", "0", "0"}));
        QCOMPARE(rig.Prompts().Log(),
                 QStringList{"中止|3行目のXの値「1.2.3」は数値として読み取れません。\n"
                             "変換を中止しました。A_2.NC は保存していません。"});
        QCOMPARE(rig.D().Read("A_2.NC"), std::string("OLD\r\n"));
        QCOMPARE(rig.D().Read("A.NC"),
                 std::string("O1\r\nG01 X1.5\r\nG01 X1.2.3 Y0\r\nG01 X4.\r\n"));
    }

    void aLetterThatIsNoAxisIsRefused() {
        UiRig rig;
        rig.WriteFile("A.NC", "G01 X1.\r\n");
        rig.Start();
        QString shown;
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            QTest::keyClicks(AxisField(dialog), "A1w");
            shown = AxisField(dialog)->text();
            QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
            return dialog.result();
        });
        rig.Press(Qt::Key_H);
        QCOMPARE(shown, "w");
        const QString refused = "確認|この文字は変更できません。\n";
        QCOMPARE(rig.Prompts().Log(), (QStringList{refused, refused}));
        QVERIFY(!rig.D().Exists("A_2.NC"));
    }

    void theFormatQuestionAnsweredNoOpensNothing() {
        UiRig rig;
        rig.WriteFile("EMPTY.NC", "");
        rig.Start();
        rig.Prompts().Answer(PromptButton::No);
        rig.Press(Qt::Key_H);
        QCOMPARE(rig.Prompts().Dialogs(), QStringList());
        QCOMPARE(rig.Prompts().Log().size(), 1);
        QVERIFY(rig.Prompts().Log().front().startsWith("確認|ファイル形式が違います。"));
    }
};

QTEST_MAIN(Bai2Test)
#include "Bai2Test.moc"
