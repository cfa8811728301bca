// The remaining-bytes display of a send and the transfer log file.
#include <gtest/gtest.h>

#include "comm/RemainingTime.h"
#include "comm/TransferLog.h"
#include "core/TextCodec.h"
#include "support/MemoryFileSystem.h"

namespace kelvantori {
namespace {

using std::chrono::seconds;

TEST(RemainingTimeTest, TextsInEachForm) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {RemainingText(5000, 0), "残り 5,000ﾊﾞｲﾄ(約 0秒)"},
        {RemainingText(12, 59), "残り 12ﾊﾞｲﾄ(約 59秒)"},
        {RemainingText(100, 60), "残り 100ﾊﾞｲﾄ(約 1分00秒)"},
        {RemainingText(1, 3599), "残り 1ﾊﾞｲﾄ(約 59分59秒)"},
        {RemainingText(1, 3600), "残り 1ﾊﾞｲﾄ(約 1時00分)"},
        {RemainingText(2000000, 3 * 3600 + 5 * 60 + 59), "残り 2,000,000ﾊﾞｲﾄ(約 3時05分)"},
        {RemainingText(9, 123 * 3600), "残り 9ﾊﾞｲﾄ(約 123時00分)"},
        {RemainingBytesText(4360), "残り 4,360ﾊﾞｲﾄ"},
        {RemainingBytesText(12345678901LL), "残り 12,345,678,901ﾊﾞｲﾄ"}};
    for (const auto& [got, want] : cases)
        EXPECT_EQ(got, want);
}

TEST(RemainingTimeTest, TickEstimatesOnlyOnMoreThanTenBytesOfProgress) {
    struct Case {
        const char* name;
        std::int64_t total, last, sent;
        std::int64_t remainAfter, lastAfter;  // RemainSeconds from 77, LastSentBytes
    };
    const std::vector<Case> cases{
        // 4800 bit/s, 11 bits a character: 4360 bytes in 10 s, 100000 left.
        {"FortyEightHundredBaud", 104360, 0, 4360, 229, 4360},
        {"NoProgress", 10000, 500, 500, 77, 500},
        {"TenBytesIsTooLittle", 10000, 500, 510, 77, 500},
        {"ElevenBytesCount", 10000, 500, 511, 10000 - 511, 511},
        {"NegativeProgressLeavesIt", 10000, 900, 100, 77, 900},
        {"IntegerRate", 10000, 0, 1999, (10000 - 1999) / 199, 1999}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemainingTime estimate;
        estimate.Reset(c.total);
        estimate.RemainSeconds = 77;
        estimate.LastSentBytes = c.last;
        estimate.SentBytes = c.sent;
        estimate.Tick();
        EXPECT_EQ(estimate.RemainSeconds, c.remainAfter);
        EXPECT_EQ(estimate.LastSentBytes, c.lastAfter);
        if (c.total == 104360) {
            EXPECT_EQ(estimate.Text(), "残り 100,001ﾊﾞｲﾄ(約 3分49秒)");
        }
    }
}

TEST(RemainingTimeTest, TicksEveryTenSecondsOnlyWhileRunning) {
    RemainingTime estimate;
    estimate.Reset(100000);
    estimate.SentBytes = 5000;
    estimate.TickIfDue(seconds(100));  // not started
    EXPECT_EQ(estimate.RemainSeconds, 0);
    estimate.Start(seconds(100));
    estimate.TickIfDue(seconds(109));
    EXPECT_EQ(estimate.RemainSeconds, 0);
    estimate.TickIfDue(seconds(110));
    EXPECT_EQ(estimate.RemainSeconds, (100000 - 5000) / 500);
    estimate.SentBytes = 6000;
    estimate.TickIfDue(seconds(119));
    EXPECT_EQ(estimate.LastSentBytes, 5000);
    estimate.TickIfDue(seconds(120));
    EXPECT_EQ(estimate.RemainSeconds, (100000 - 6000) / 100);
    estimate.Stop();
    estimate.SentBytes = 9000;
    estimate.TickIfDue(seconds(200));
    EXPECT_EQ(estimate.LastSentBytes, 6000);
}

const LocalDateTime kWhen{2026, 12, 8, 9, 5, 7};

TEST(TransferLogTest, HeadingOnlyInANewFileCp932CrLfAndAFailureReported) {
    test::MemoryFileSystem files;
    FileTransferLog log(files, "C:\\kelvantori.log", [] { return kWhen; });
    log.Write(TransferKind::Send, TransferState::Completed, "C:\\A.NC");
    log.Write(TransferKind::Receive, TransferState::Stopped, "C:\\B.NC");
    EXPECT_EQ(log.LastError(), FsError::None);
    std::string rule;
    for (int i = 0; i < 37; ++i)
        rule += "─";
    const std::string bytes = files.File("C:\\kelvantori.log").value_or("");
    EXPECT_EQ(Cp932ToUtf8(bytes),
              "<<<<<　　　通信ログ　　　>>>>>\r\n"
              "送受信　状態　日時　　　　　　　　　送受信ファイル名\r\n" +
                  rule +
                  "\r\n送信　　完了　2026/12/08 09:05:07　C:\\A.NC\r\n"
                  "受信　　中止　2026/12/08 09:05:07　C:\\B.NC\r\n");
    // The ideographic space is 81 40 on disk.
    EXPECT_EQ(bytes.substr(0, 7), "<<<<<\x81\x40");

    // An existing file gets no heading.
    files.AddFile("C:\\old.log", "OLD\r\n");
    FileTransferLog old(files, "C:\\old.log", [] { return kWhen; });
    old.Write(TransferKind::Send, TransferState::Stopped, "C:\\A.NC");
    EXPECT_EQ(Cp932ToUtf8(files.File("C:\\old.log").value_or("")),
              "OLD\r\n送信　　中止　2026/12/08 09:05:07　C:\\A.NC\r\n");

    FileTransferLog gone(files, "C:\\GONE\\kelvantori.log", [] { return kWhen; });
    gone.Write(TransferKind::Send, TransferState::Completed, "C:\\A.NC");
    EXPECT_EQ(gone.LastError(), FsError::NotFound);
}

}  // namespace
}  // namespace kelvantori
