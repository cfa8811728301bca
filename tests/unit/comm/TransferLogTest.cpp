#include "comm/TransferLog.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

const LocalDateTime kWhen{2026, 12, 8, 9, 5, 7};

struct LineCase {
    const char* name;
    TransferKind kind;
    TransferState state;
    const char* line;
};

class TransferLogLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(TransferLogLineTest, NamesTheTransferItsStateTheMomentAndThePath) {
    EXPECT_EQ(TransferLogLine(GetParam().kind, GetParam().state, kWhen, "C:\\NC\\O1234.NC"),
              GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TransferLogLineTest,
    testing::Values(LineCase{"SendCompleted", TransferKind::Send, TransferState::Completed,
                             "送信　　完了　2026/12/08 09:05:07　C:\\NC\\O1234.NC"},
                    LineCase{"SendStopped", TransferKind::Send, TransferState::Stopped,
                             "送信　　中止　2026/12/08 09:05:07　C:\\NC\\O1234.NC"},
                    LineCase{"ReceiveCompleted", TransferKind::Receive, TransferState::Completed,
                             "受信　　完了　2026/12/08 09:05:07　C:\\NC\\O1234.NC"},
                    LineCase{"ReceiveStopped", TransferKind::Receive, TransferState::Stopped,
                             "受信　　中止　2026/12/08 09:05:07　C:\\NC\\O1234.NC"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransferLogTest, HeadingHasTitleColumnsAndRule) {
    std::string rule;
    for (int i = 0; i < 37; ++i)
        rule += "─";
    EXPECT_EQ(TransferLogHeading(),
              "<<<<<　　　通信ログ　　　>>>>>\n"
              "送受信　状態　日時　　　　　　　　　送受信ファイル名\n" +
                  rule + "\n");
}

TEST(FileTransferLogTest, WritesCp932WithCrLfAndTheHeadingOnlyOnce) {
    test::MemoryFileSystem files;
    FileTransferLog log(files, "C:\\kelvantori.log", [] { return kWhen; });
    log.Write(TransferKind::Send, TransferState::Completed, "C:\\A.NC");
    log.Write(TransferKind::Receive, TransferState::Stopped, "C:\\B.NC");
    EXPECT_EQ(log.LastError(), FsError::None);

    const std::string bytes = files.File("C:\\kelvantori.log").value_or("");
    // 送信 = 91 97 90 4D, 受信 = 8E F3 90 4D, the ideographic space 81 40, 完了 8A AE 97 B9,
    // 中止 92 86 8E 7E, ─ 84 9F; lines end in CR LF.
    const std::string sendLine =
        "\x91\x97\x90\x4D\x81\x40\x81\x40\x8A\xAE\x97\xB9\x81\x40"
        "2026/12/08 09:05:07\x81\x40"
        "C:\\A.NC\r\n";
    const std::string receiveLine =
        "\x8E\xF3\x90\x4D\x81\x40\x81\x40\x92\x86\x8E\x7E\x81\x40"
        "2026/12/08 09:05:07\x81\x40"
        "C:\\B.NC\r\n";
    ASSERT_GT(bytes.size(), sendLine.size() + receiveLine.size());
    EXPECT_EQ(bytes.substr(bytes.size() - sendLine.size() - receiveLine.size()),
              sendLine + receiveLine);
    // Three heading lines before the first entry: the title, the columns, the rule.
    const std::string heading =
        bytes.substr(0, bytes.size() - sendLine.size() - receiveLine.size());
    EXPECT_EQ(heading.substr(0, 5), "<<<<<");
    std::string rule;
    for (int i = 0; i < 37; ++i)
        rule += "\x84\x9F";
    EXPECT_NE(heading.find("\r\n" + rule + "\r\n"), std::string::npos);
    EXPECT_EQ(std::count(heading.begin(), heading.end(), '\n'), 3);
    EXPECT_EQ(std::count(heading.begin(), heading.end(), '\r'), 3);
}

TEST(FileTransferLogTest, ExistingLogGetsNoHeading) {
    test::MemoryFileSystem files;
    files.AddFile("C:\\kelvantori.log", "OLD\r\n");
    FileTransferLog log(files, "C:\\kelvantori.log", [] { return kWhen; });
    log.Write(TransferKind::Send, TransferState::Stopped, "C:\\A.NC");
    const std::string bytes = files.File("C:\\kelvantori.log").value_or("");
    EXPECT_EQ(bytes.substr(0, 5), "OLD\r\n");
    EXPECT_EQ(bytes.find("<<<<<"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 9), "C:\\A.NC\r\n");
}

TEST(FileTransferLogTest, ReportsAFailureWithoutThrowing) {
    test::MemoryFileSystem files;
    FileTransferLog log(files, "C:\\GONE\\kelvantori.log", [] { return kWhen; });
    log.Write(TransferKind::Send, TransferState::Completed, "C:\\A.NC");
    EXPECT_EQ(log.LastError(), FsError::NotFound);
}

TEST(FileTransferLogTest, CreatesTheLogWithItsHeadingInARealFolder) {
    test::TempFolder folder;
    HostConfig config;
    config.drives['C'] = folder.Path();
    auto files = CreateSystemFileSystem(DriveMap::Build(config, folder.Path(), {}));
    FileTransferLog log(*files, "C:\\kelvantori.log", [] { return kWhen; });
    log.Write(TransferKind::Send, TransferState::Completed, "C:\\NC\\O1.NC");
    log.Write(TransferKind::Send, TransferState::Completed, "C:\\NC\\O2.NC");
    EXPECT_EQ(log.LastError(), FsError::None);

    const std::string bytes = folder.Read("kelvantori.log");
    std::string rule;
    for (int i = 0; i < 37; ++i)
        rule += "\x84\x9F";
    const std::string title =
        "<<<<<\x81\x40\x81\x40\x81\x40\x92\xCA\x90\x4D\x83\x8D\x83\x4F"
        "\x81\x40\x81\x40\x81\x40>>>>>\r\n";
    EXPECT_EQ(bytes.substr(0, title.size()), title);
    EXPECT_NE(bytes.find(rule + "\r\n\x91\x97"), std::string::npos);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 5);
    EXPECT_EQ(bytes.substr(bytes.size() - 13), "C:\\NC\\O2.NC\r\n");
}

}  // namespace
}  // namespace kelvantori
