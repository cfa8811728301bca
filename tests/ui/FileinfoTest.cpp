// The file information dialog (I): what it shows of a file or folder, the checks of the six time
// fields with their messages and focus, and what "更新" changes on disk.
#include <sys/stat.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>

#include <array>
#include <filesystem>
#include <functional>

#include "support/DialogControls.h"
#include "support/UiRig.h"
#include "ui/FileListView.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;

namespace {

constexpr std::array<const char*, 6> kTimeEdits{"Edit1", "Edit2", "Edit3",
                                                "Edit4", "Edit5", "Edit6"};

// Everything the dialog shows, one line per control.
QStringList Shown(QDialog& dialog) {
    QStringList shown{dialog.windowTitle()};
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"})
        shown.push_back(Find<QLabel>(dialog, name)->text());
    QString boxes;
    for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"}) {
        auto* box = Find<QCheckBox>(dialog, name);
        boxes += box->text() + (box->isChecked() ? "[x] " : "[ ] ");
    }
    shown.push_back(boxes.trimmed());
    QStringList time;
    for (const char* name : kTimeEdits)
        time.push_back(Find<QLineEdit>(dialog, name)->text());
    shown.push_back(time.join(' '));
    shown.push_back(Find<QPushButton>(dialog, "Button1")->text() +
                    (Find<QPushButton>(dialog, "Button1")->isEnabled() ? " on" : " off"));
    shown.push_back(Find<QPushButton>(dialog, "Button2")->text());
    return shown;
}

struct HostState {
    std::time_t modified = 0;
    mode_t mode = 0;
    bool operator==(const HostState&) const = default;
};

HostState StateOf(const std::string& hostPath) {
    struct stat st {};
    ::stat(hostPath.c_str(), &st);
    return {st.st_mtime, st.st_mode & 07777};
}

void WriteEntries(UiRig& rig) {
    rig.WriteFile("O0001.NC", std::string(1536, 'X'), "2026-12-01 10:00");
    rig.WriteFile("SUB/O0100.NC", "X");
    rig.WriteFile("README.TXT", std::string(1536, 'X'), "2026-12-01 10:00");
    rig.SetTime("SUB", "2026-11-30 08:15");
}

// Opens the dialog on the line and runs a step in it.
void Inspect(UiRig& rig, int line, std::function<void(QDialog&)> step) {
    rig.Prompts().RunNextDialog([step](QDialog& dialog) {
        step(dialog);
        return dialog.result();
    });
    rig.View().ListBox1->setFocus();
    while (rig.Selected() < line)
        rig.Press(Qt::Key_Down);
    rig.Press(Qt::Key_I);
}

QLineEdit* TimeEdit(QDialog& dialog, int field) {
    return Find<QLineEdit>(dialog, kTimeEdits[static_cast<std::size_t>(field)]);
}

}  // namespace

class FileinfoTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheEntry_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QStringList>("shown");
        const QStringList folder{"ﾌｧｲﾙ情報",
                                 "SUB",
                                 "種類 :　　　ﾌｧｲﾙ ﾌｫﾙﾀﾞ",
                                 "場所 :　　　D:\\",
                                 "サイズ :　　0",
                                 "属性 :",
                                 "更新日時：",
                                 "読み取り専用[ ] アーカイブ[ ] 隠しファイル[ ] システム[ ]",
                                 "2026 11 30 08 15 00",
                                 "更新 off",
                                 "終了"};
        QTest::newRow("a folder") << 0 << "" << folder;
        QStringList file = folder;
        file[1] = "O0001.NC";
        file[2] = "種類 :　　　NC ﾌｧｲﾙ";
        file[4] = "サイズ :　　1.500KB (1,536ﾊﾞｲﾄ)";
        file[8] = "2026 12 01 10 00 00";
        QTest::newRow("a file the desktop knows no type of: its extension") << 1 << "" << file;
        QTest::newRow("a program of the mask whatever the desktop calls its extension")
            << 1 << "Unidata NetCDF ドキュメント" << file;
        file[1] = "README.TXT";
        file[2] = "種類 :　　　テキスト文書";
        QTest::newRow("a file of a type the desktop names") << 2 << "テキスト文書" << file;
    }
    void showsTheEntry() {
        QFETCH(int, line);
        QFETCH(QString, typeName);
        QFETCH(QStringList, shown);
        UiRig rig;
        WriteEntries(rig);
        rig.Desktop().SetTypeName(typeName.toStdString());
        rig.Start();
        QStringList seen;
        bool yearFocused = false;
        Inspect(rig, line, [&](QDialog& dialog) {
            seen = Shown(dialog);
            yearFocused = QApplication::focusWidget() == TimeEdit(dialog, 0);
            Find<QPushButton>(dialog, "Button2")->click();
        });
        QCOMPARE(seen, shown);
        QVERIFY(yearFocused);
        QCOMPARE(rig.Prompts().Log(), QStringList());
        QCOMPARE(rig.Prompts().Dialogs(), QStringList{"FileInfoForm"});
    }

    void refusals_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::newRow("year 1969") << 0 << "1969"
                                   << "確認|年数は1970以降でお願いします。" << 0;
        QTest::newRow("month 13") << 1 << "13"
                                  << "確認|１から１２までしか入力出来ません" << 1;
        QTest::newRow("month 0") << 1 << "0"
                                 << "確認|１から１２までしか入力出来ません" << 1;
        QTest::newRow("hour 24") << 3 << "24"
                                 << "確認|０から２３までしか入力出来ません" << 3;
        QTest::newRow("second 60") << 5 << "60"
                                   << "確認|０から５９までしか入力出来ません" << 5;
        QTest::newRow("31 February: the day gets the focus")
            << 1 << "02"
            << "確認|2026年2月には31日が有りません。" << 2;
        QTest::newRow("an empty minute") << 4 << ""
                                         << "確認|分が入力されていません。" << 4;
    }
    void refusals() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, focus);
        UiRig rig;
        rig.WriteFile("O0001.NC", "X", "2026-12-31 10:00");
        rig.Start();
        const std::string host = rig.D().File("O0001.NC");
        const HostState before = StateOf(host);
        bool focusAtField = false;
        bool stillOpen = false;
        Inspect(rig, 0, [&](QDialog& dialog) {
            // The read-only tick would change the file as well, were the apply not refused.
            Find<QCheckBox>(dialog, "CheckBox1")->click();
            QLineEdit* edit = TimeEdit(dialog, field);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, text);
            Find<QPushButton>(dialog, "Button1")->click();
            focusAtField = QApplication::focusWidget() == TimeEdit(dialog, focus);
            stillOpen = dialog.result() == QDialog::Rejected;
            Find<QPushButton>(dialog, "Button2")->click();
        });
        QCOMPARE(rig.Prompts().Log(), QStringList{message});
        QVERIFY(focusAtField);
        QVERIFY(stillOpen);
        QVERIFY(StateOf(host) == before);
    }

    void enterChecksTheFieldAndMovesTheFocusOn() {
        UiRig rig;
        WriteEntries(rig);
        rig.Start();
        QStringList path;
        QStringList prompts;
        Inspect(rig, 1, [&](QDialog& dialog) {
            const auto focused = [&] {
                QWidget* widget = QApplication::focusWidget();
                return widget ? widget->objectName() : QString("(none)");
            };
            // Nothing changed: from the second the focus goes to "終了".
            for (int i = 0; i < 6; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                path.push_back(focused());
            }
            // A refused month keeps the focus; letters are dropped without a word.
            QLineEdit* month = TimeEdit(dialog, 1);
            month->setFocus();
            month->clear();
            QTest::keyClicks(month, "1x3");
            path.push_back(month->text());
            QTest::keyClick(month, Qt::Key_Return);
            path.push_back(focused());
            prompts = rig.Prompts().Log();
            // A change enables "更新", which the second's Enter reaches now.
            month->clear();
            QTest::keyClicks(month, "7");
            TimeEdit(dialog, 5)->setFocus();
            QTest::keyClick(TimeEdit(dialog, 5), Qt::Key_Return);
            path.push_back(focused());
            // An empty field's Enter does nothing.
            QLineEdit* day = TimeEdit(dialog, 2);
            day->setFocus();
            day->clear();
            QTest::keyClick(day, Qt::Key_Return);
            path.push_back(focused());
            Find<QPushButton>(dialog, "Button2")->click();
        });
        QCOMPARE(path, (QStringList{"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Button2", "13",
                                    "Edit2", "Button1", "Edit3"}));
        QCOMPARE(prompts, QStringList{"確認|１から１２までしか入力出来ません"});
        QCOMPARE(rig.Prompts().Log(), prompts);
    }

    void applySetsTheTimeAndTheAttributesAndTheListFollows() {
        UiRig rig;
        WriteEntries(rig);
        rig.WriteFile("O0002.NC", "X", "2026-12-02 10:00");
        rig.Start();
        const std::string host = rig.D().File("O0002.NC");
        ::chmod(host.c_str(), 0644);
        Inspect(rig, 2, [&](QDialog& dialog) {
            const std::array<const char*, 6> time{"2020", "02", "29", "23", "59", "58"};
            for (int i = 0; i < 6; ++i) {
                QLineEdit* edit = TimeEdit(dialog, i);
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, time[static_cast<std::size_t>(i)]);
            }
            Find<QCheckBox>(dialog, "CheckBox1")->click();
            Find<QPushButton>(dialog, "Button1")->click();
        });
        QCOMPARE(rig.Prompts().Log(), QStringList());
        struct stat st {};
        ::stat(host.c_str(), &st);
        QCOMPARE(QDateTime::fromSecsSinceEpoch(st.st_mtime, QTimeZone(9 * 3600))
                     .toString("yyyy-MM-dd hh:mm:ss"),
                 "2020-02-29 23:59:58");
        QCOMPARE(st.st_mode & 0222, 0u);
        // The list is read again and keeps the file.
        QCOMPARE(rig.Lines()[2], " O0002   .NC         1 20-02-29 23:59");
        QCOMPARE(rig.Text("Label8"),
                 "　　ﾌｧｲﾙ詳細 :O0002.NC  ｻｲｽﾞ :1ﾊﾞｲﾄ  日付 :2020-02-29 23:59:58");
        // Unticking every box gives the file its normal attributes back.
        Inspect(rig, 2, [&](QDialog& dialog) {
            Find<QCheckBox>(dialog, "CheckBox1")->click();
            Find<QPushButton>(dialog, "Button1")->click();
        });
        ::stat(host.c_str(), &st);
        QVERIFY(st.st_mode & S_IWUSR);
    }

    void theParentLineAndAnEmptyList() {
        UiRig rig;
        std::filesystem::create_directories(rig.D().File("EMPTY"));
        rig.Start();
        rig.Press(Qt::Key_Return);
        QCOMPARE(rig.SettingsRecord().DirPath, "D:\\EMPTY");
        rig.Press(Qt::Key_I);  // on ".."
        QCOMPARE(rig.Prompts().Dialogs(), QStringList());
        QCOMPARE(rig.Prompts().Log(), QStringList());
        // In an empty drive no line is selected.
        UiRig empty;
        empty.Start();
        empty.Press(Qt::Key_I);
        QCOMPARE(empty.Prompts().Log(), QStringList{"確認|ﾌｧｲﾙ（ﾌｫﾙﾀﾞ）を選択して下さい。"});
        QCOMPARE(empty.Prompts().Dialogs(), QStringList());
    }
};

QTEST_MAIN(FileinfoTest)
#include "FileinfoTest.moc"
