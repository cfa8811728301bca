// The command line's order of transfers: what the items make of it, and its run over the
// scripted port and the manual clock (send first, one port, the END item's close at the end).
#include "comm/TransferOrder.h"

#include <gtest/gtest.h>

#include "support/EngineRig.h"

namespace kelvantori {
namespace {

using std::chrono::seconds;
using test::EngineRig;
using test::ProgramOf;
using test::RecordingLog;
using Log = std::vector<std::string>;

// The order in one line: what runs, what was refused, the receive's kind and target, the close.
std::string Describe(const TransferOrder& order) {
    const ReceiveJob& job = order.receiveJob;
    std::string text = order.send ? "send " + order.SendPath : "no send";
    text += order.sendRefused ? " (refused)" : "";
    text += order.receive ? " | receive " : " | no receive";
    if (order.receive)
        text += job.mode == ReceiveMode::Named ? job.TransferPath + " as " + job.TransferName
                                               : "per program";
    text += order.receiveRefused ? " (refused)" : "";
    return text + (order.CloseAfterTransfer && job.CloseAfterTransfer ? " | close" : "");
}

TEST(TransferOrderTest, TheItemsStateBecomesTheOrder) {
    const auto state = [](const char* send, const char* sendPending, const char* receive,
                          const char* receivePending, bool close = false) {
        CommandLineState s;
        s.CommandLineMode = "Y";
        s.SendPath = send;
        s.AutoSendPending = sendPending;
        s.ReceivePath = receive;
        s.AutoReceivePending = receivePending;
        s.CloseAfterTransfer = close;
        return s;
    };
    const struct {
        const char* name;
        CommandLineState state;
        bool receivePrograms;
        std::string order;
    } rows[] = {
        {"SendAndNamedReceive", state("D:\\A.NC", "Y", "D:\\NC\\R.NC", "Y", true), false,
         "send D:\\A.NC | receive D:\\NC\\R.NC as R.NC | close"},
        {"MissingSendFile", state("D:\\GONE.NC", "N", "", "N"), false,
         "no send (refused) | no receive"},
        {"ReceiveNotToBeOverwritten", state("", "N", "D:\\R.NC", "N"), true,
         "no send | no receive (refused)"},
        {"PerProgramWithoutAnRItem", state("D:\\A.NC", "Y", "", "N"), true,
         "send D:\\A.NC | receive per program"},
        {"AnRItemWinsOverPerProgram", state("", "N", "D:\\R.NC", "Y"), true,
         "no send | receive D:\\R.NC as R.NC"},
        {"NothingOrdered", state("", "N", "", "N", true), false, "no send | no receive | close"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Describe(MakeTransferOrder(row.state, row.receivePrograms)), row.order);
    }
}

class RecordingSteps : public TransferOrderSteps {
  public:
    explicit RecordingSteps(RecordingLog& log) : log_(log) {}
    void Starting(TransferKind kind) override {
        steps.push_back(Name(kind) + " starts after " + std::to_string(log_.entries.size()));
    }
    void Finished(TransferKind kind, TransferResult result) override {
        steps.push_back(Name(kind) +
                        (result == TransferResult::Completed ? " completed" : " stopped"));
        stopped = stopped || result == TransferResult::Stopped;
    }
    // A stop that ends the session (a termination signal): nothing more starts.
    bool Proceed(TransferKind) override { return !(endOnStop && stopped); }
    Log steps;
    bool endOnStop = false;
    bool stopped = false;

  private:
    static std::string Name(TransferKind kind) {
        return kind == TransferKind::Send ? "send" : "receive";
    }
    RecordingLog& log_;
};

TEST(TransferOrderTest, RunsTheSendThenTheReceiveOnOnePortAndClosesAfterTheLast) {
    const std::string program = "O1\r\nG01 X1.\r\nM30\r\n";
    const struct {
        const char* name;
        bool send;
        bool receive;
        bool stopSend;  // Esc during the send
        Log steps;
        std::vector<bool> closeRequests;
        bool endOnStop = false;  // the stop ends the session
    } rows[] = {
        {"SendAndReceive",
         true,
         true,
         false,
         {"send starts after 0", "send completed", "receive starts after 1", "receive completed"},
         {false}},
        {"TheReceiveRunsAfterAStoppedSend",
         true,
         true,
         true,
         {"send starts after 0", "send stopped", "receive starts after 1", "receive completed"},
         {false}},
        {"SendAloneClosesAfterIt",
         true,
         false,
         false,
         {"send starts after 0", "send completed"},
         {false}},
        {"ReceiveAlone",
         false,
         true,
         false,
         {"receive starts after 0", "receive completed"},
         {false}},
        {"NothingStartsAfterAStopThatEndsTheSession",
         true,
         true,
         true,
         {"send starts after 0", "send stopped"},
         {},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        rig.settings.R_Code = 1;
        rig.settings.Add_No = "N";
        rig.settings.StartChar = "Y";
        rig.files.AddFile("C:\\NC\\SUB\\O1.NC", program);
        // The machine punches its tape long after any send has ended.
        rig.port.ArriveAt(seconds(60), "%\nO0002\nM30\n%\n");
        if (row.stopSend)
            rig.host.CancelAt(std::chrono::milliseconds(1));
        CommandLineState state;
        state.SendPath = row.send ? "C:\\NC\\SUB\\O1.NC" : "";
        state.AutoSendPending = row.send ? "Y" : "N";
        state.CloseAfterTransfer = true;
        const TransferOrder order = MakeTransferOrder(state, row.receive);
        Log loaded;
        RecordingSteps steps(rig.log);
        steps.endOnStop = row.endOnStop;
        const bool receiveRuns = row.receive && !(row.endOnStop && row.stopSend);
        const TransferOrderResult result = RunTransferOrder(
            order, rig.settings, rig.port, rig.host, rig.log, rig.files,
            [&](const std::string& path) {
                loaded.push_back(path);
                return ProgramOf(*rig.files.File(path));
            },
            &steps);

        EXPECT_EQ(steps.steps, row.steps);
        EXPECT_EQ(loaded, row.send ? Log{"C:\\NC\\SUB\\O1.NC"} : Log{});
        EXPECT_EQ(result.send.has_value(), row.send);
        EXPECT_EQ(result.receive.has_value(), receiveRuns);
        EXPECT_EQ(result.AllCompleted(), !row.stopSend);
        // The send's log names the folder of its S= file, not DirPath.
        std::vector<RecordingLog::Entry> logged;
        if (row.send) {
            logged.push_back({TransferKind::Send,
                              row.stopSend ? TransferState::Stopped : TransferState::Completed,
                              "C:\\NC\\SUB\\O1.NC"});
        }
        if (receiveRuns) {
            logged.push_back({TransferKind::Receive, TransferState::Completed, "C:\\NC\\O0002.NC"});
            EXPECT_EQ(result.savedFiles, Log{"C:\\NC\\O0002.NC"});
            EXPECT_EQ(rig.files.File("C:\\NC\\O0002.NC"), "%\r\nO0002\r\nM30\r\n%\r\n");
        }
        EXPECT_EQ(rig.log.entries, logged);
        // Only the last transfer asks for the close, and only when it completed.
        const bool lastCompleted = !(row.stopSend && !receiveRuns);
        EXPECT_EQ(rig.host.closeRequests, lastCompleted ? row.closeRequests : std::vector<bool>{});
    }
}

}  // namespace
}  // namespace kelvantori
