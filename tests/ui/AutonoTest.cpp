// TAutoForm, the automatic switching dialog: the characters its field takes, Enter and the two
// buttons, and the number it gives a transfer of the main window (sent before the transfer
// starts; cancelled, the transfer does not start).
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/ScriptedPrompts.h"
#include "support/UiRig.h"
#include "ui/Autono.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

const QString kRefused = "確認|この文字は変更できません。\n";

// Types as a keyboard does, also characters QTest has no key for (full-width ones).
void TypeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, c.unicode() < 0x80 ? QKeySequence(c)[0].key() : 0,
                        Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

}  // namespace

class AutonoTest : public QObject {
    Q_OBJECT

  private slots:
    void fieldTakesTheChannelCharactersOnly_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("refusals");
        QTest::newRow("a channel") << "3"
                                   << "3" << 0;
        QTest::newRow("a chain of switchers") << "2-5"
                                              << "2-5" << 0;
        QTest::newRow("seven is no channel") << "7"
                                             << "" << 1;
        QTest::newRow("a letter") << "A"
                                  << "" << 1;
        QTest::newRow("full-width digit") << "３"
                                          << "" << 1;
        QTest::newRow("at most three") << "0123"
                                       << "012" << 0;
        QTest::newRow("between good ones") << "1x2"
                                           << "12" << 1;
    }
    void fieldTakesTheChannelCharactersOnly() {
        QFETCH(QString, typed);
        QFETCH(QString, field);
        QFETCH(int, refusals);
        ScriptedPrompts prompts;
        TAutoForm form(nullptr, prompts);
        form.show();
        TypeInto(form.LabeledEdit1, typed);
        QCOMPARE(form.LabeledEdit1->text(), field);
        QCOMPARE(prompts.Log(), QStringList(refusals, kRefused));
    }

    void enterMovesToOnWhichTakesTheNumber() {
        ScriptedPrompts prompts;
        QWidget main;
        main.setGeometry(100, 100, 760, 580);
        TAutoForm form(&main, prompts);
        form.show();
        QCOMPARE(form.windowTitle(), "自動切替");
        QCOMPARE(form.Label1->text(), "ﾂﾘｰ設定も可です。番号－番号");
        // Centred on the main window.
        QVERIFY(qAbs(form.geometry().center().x() - main.geometry().center().x()) <= 2);
        QVERIFY(qAbs(form.geometry().center().y() - main.geometry().center().y()) <= 2);
        // Enter in the empty field counts as a character it does not take.
        QTest::keyClick(form.LabeledEdit1, Qt::Key_Return);
        QCOMPARE(prompts.Log(), QStringList{kRefused});
        QTest::keyClicks(form.LabeledEdit1, "1-2");
        QTest::keyClick(form.LabeledEdit1, Qt::Key_Backspace);
        QCOMPARE(form.LabeledEdit1->text(), "1-");
        QTest::keyClick(form.LabeledEdit1, Qt::Key_Return);
        QCOMPARE(form.focusWidget(), form.Button1);
        QVERIFY(form.isVisible());
        QTest::keyClick(form.Button1, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.SelectNumber, "1-");
        // Shown again, it asks afresh.
        form.show();
        QCOMPARE(form.LabeledEdit1->text(), "");
        QCOMPARE(form.SelectNumber, "");
    }

    void theNumberGoesOutBeforeTheTransfer_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("result");
        QTest::newRow("channel 2")
            << "72" << true << "2" << QStringList{kRefused} << "受信完了しました。!!";
        QTest::newRow("cancelled")
            << "2" << false << ""
            << QStringList{"確認|自動選択番号の入力が間違っています。\n通信を一旦中止します。"}
            << "受信を中止しました。!!";
    }
    void theNumberGoesOutBeforeTheTransfer() {
        QFETCH(QString, typed);
        QFETCH(bool, on);
        QFETCH(QString, written);
        QFETCH(QStringList, prompts);
        QFETCH(QString, result);
        UiRig::Options options;
        options.settings = {"AutoSelect=Y", "Speed=4800,7,E,2", "R_Code=1"};
        UiRig rig(options);
        rig.Start();
        rig.Port().ArriveAt(10s, "%\nO0001\nM30\n%");
        rig.Prompts().RunNextDialog([&](QDialog& dialog) {
            auto& form = static_cast<TAutoForm&>(dialog);
            QTest::keyClicks(form.LabeledEdit1, typed);
            QTest::mouseClick(on ? form.Button1 : form.Button2, Qt::LeftButton);
            return form.result();
        });
        rig.Press(Qt::Key_F2);
        rig.Press(Qt::Key_N);
        QCOMPARE(rig.Prompts().Dialogs(), QStringList{"AutoForm"});
        QCOMPARE(QString::fromStdString(rig.Port().WrittenBytes()), written);
        QCOMPARE(rig.Prompts().Log(), prompts);
        QCOMPARE(rig.Text("Label11"), result);
    }
};

QTEST_MAIN(AutonoTest)
#include "AutonoTest.moc"
