// The termination signals reach the window's event loop as a call, once per signal, and a signal
// ignored at start stays ignored.
#include <signal.h>

#include <QTest>
#include <vector>

#include "ui/TerminationSignals.h"

using namespace kelvantori;

class TerminationSignalsTest : public QObject {
    Q_OBJECT

  private slots:
    void eachSignalIsOneCallInTheEventLoop() {
        struct sigaction before {};
        ::sigaction(SIGTERM, nullptr, &before);
        std::vector<int> seen;
        {
            TerminationSignals sessionEnd([&seen](int number) { seen.push_back(number); });
            ::raise(SIGTERM);
            ::raise(SIGHUP);
            // The handler only writes into the pipe: nothing is called before the loop runs.
            QVERIFY(seen.empty());
            QTRY_COMPARE(seen.size(), 2u);
            QCOMPARE(seen, (std::vector<int>{SIGTERM, SIGHUP}));
        }
        // The handlers are gone with the object: what was there before is back.
        struct sigaction now {};
        ::sigaction(SIGTERM, nullptr, &now);
        QVERIFY(now.sa_handler == before.sa_handler);
    }

    void aSignalIgnoredAtStartStaysIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        struct sigaction before {};
        ::sigaction(SIGHUP, &ignore, &before);
        std::vector<int> seen;
        {
            TerminationSignals sessionEnd([&seen](int number) { seen.push_back(number); });
            ::raise(SIGHUP);
            QTest::qWait(50);
            QVERIFY(seen.empty());
        }
        ::sigaction(SIGHUP, &before, nullptr);
    }
};

QTEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
