// The main window's transfers over a pseudo-terminal against kelvantori-machine, on the real
// clock: F1 sends a program the machine stores as it was, F2 then N receives the two programs the
// machine punches when the window asks for them with DC1.
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/UiRig.h"
#include "ui/MainView.h"

using namespace kelvantori;
using namespace kelvantori::test;
using namespace std::chrono_literals;

namespace {

// The window on the machine's line: ISO at 19200 baud, the send started by the machine's DC1.
UiRig::Options OnLine(const MachineProcess& machine) {
    UiRig::Options options;
    options.realLine = true;
    options.ports = {"COM1=" + machine.DevicePath()};
    options.settings = {"Port=COM1", "Speed=19200,8,N,1"};
    return options;
}

std::vector<std::string> MachineOptions(TempFolder& folder, const std::string& tape) {
    return {"--code",
            "iso",
            "--start",
            "dc1",
            "--start-repeat",
            "200",
            "--baud",
            "19200",
            "--store",
            folder.File("store"),
            "--raw",
            folder.File("raw.bin"),
            "--punch-on-request",
            tape,
            "--delay",
            "200"};
}

}  // namespace

class Mainunit1LineTest : public QObject {
    Q_OBJECT

  private slots:
    void f1SendsTheProgramTheMachineStores() {
        TempFolder folder;
        const std::string tape = folder.Write("tape.nc", "O9\r\nM30\r\n");
        MachineProcess machine(MachineOptions(folder, tape));
        QVERIFY2(machine.Started(), machine.ErrorOutput().c_str());
        UiRig rig(OnLine(machine));
        const std::string program =
            "O1234 (PLATE)\r\nG90 G54 G00 X0. Y0.\r\nG01 Z-1. F100\r\nX50.\r\nM30\r\n";
        rig.WriteFile("O1234.NC", program);
        rig.Start();
        rig.Press(Qt::Key_F1);

        QCOMPARE(rig.Text("Label11"), "送信完了しました。!!");
        QCOMPARE(QString::fromStdString(folder.Read("store/O1234.NC")),
                 QString::fromStdString(program));
        // Nothing else went out: the start line feed, the five lines (52 characters) each with its
        // line feed, the end "\n%".
        QCOMPARE(folder.Read("raw.bin").size(), std::size_t{1 + 52 + 5 + 2});
        QVERIFY(rig.Prompts().Log().isEmpty());
    }

    void f2ThenNReceivesWhatTheMachinePunches() {
        TempFolder folder;
        const std::string tape = folder.Write(
            "tape.nc", "%\r\nO2001\r\nG01 X1.\r\nM30\r\nO2002\r\nG00 Y2.\r\nM30\r\n%\r\n");
        MachineProcess machine(MachineOptions(folder, tape));
        QVERIFY2(machine.Started(), machine.ErrorOutput().c_str());
        UiRig rig(OnLine(machine));
        rig.Start();
        rig.Press(Qt::Key_F2);
        rig.Press(Qt::Key_N);

        QCOMPARE(rig.Text("Label11"), "受信完了しました。!!");
        QCOMPARE(rig.D().Read("O2001_001.NC"), "O2001\r\nG01 X1.\r\nM30\r\n%\r\n");
        QCOMPARE(rig.D().Read("O2002_002.NC"), "O2002\r\nG00 Y2.\r\nM30\r\n%\r\n");
        QVERIFY(rig.Prompts().Log().isEmpty());
    }
};

QTEST_MAIN(Mainunit1LineTest)
#include "Mainunit1LineTest.moc"
