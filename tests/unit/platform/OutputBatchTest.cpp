// Batches of safe saves: on the POSIX file system nothing changes before Commit(), and a batch
// given up leaves no file behind; the default batch saves each file as it ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::TempFolder;

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class OutputBatchPosixTest : public ::testing::Test {
  protected:
    OutputBatchPosixTest() {
        HostConfig config;
        config.drives['D'] = d_.Path();
        files_ = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    }

    // Writes each (name, bytes) as one file of a batch in D:\OUT.
    void Stage(OutputBatch& batch,
               std::initializer_list<std::pair<const char*, const char*>> files) {
        for (const auto& [name, bytes] : files) {
            ASSERT_EQ(batch.Begin(std::string("D:\\OUT\\") + name), FsError::None) << name;
            ASSERT_EQ(batch.Write(bytes), FsError::None);
            ASSERT_EQ(batch.End(), FsError::None);
        }
    }

    TempFolder d_;
    std::unique_ptr<FileSystem> files_;
};

TEST_F(OutputBatchPosixTest, TargetsChangeOnlyAtCommitAndNoPendingFileRemains) {
    d_.Write("OUT/O1.NC", "old\r\n");
    auto batch = files_->OpenBatch();
    Stage(*batch, {{"O1.NC", "O1\r\nA\r\n"}, {"O2.NC", "O2\r\n"}});
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "old\r\n");
    EXPECT_FALSE(d_.Exists("OUT/O2.NC"));
    EXPECT_EQ(batch->Placed(), 0u);

    ASSERT_EQ(batch->Commit(), FsError::None);
    EXPECT_EQ(batch->Placed(), 2u);
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "O1\r\nA\r\n");
    EXPECT_EQ(d_.Read("OUT/O2.NC"), "O2\r\n");
    EXPECT_EQ(NamesIn(d_.File("OUT")), (std::set<std::string>{"O1.NC", "O2.NC"}));
}

TEST_F(OutputBatchPosixTest, LaterFileOfTheSameNameWins) {
    d_.Write("OUT/.keep", "");
    auto batch = files_->OpenBatch();
    Stage(*batch, {{"O1.NC", "first\r\n"}, {"O1.NC", "second\r\n"}});
    ASSERT_EQ(batch->Commit(), FsError::None);
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "second\r\n");
    EXPECT_EQ(NamesIn(d_.File("OUT")), (std::set<std::string>{".keep", "O1.NC"}));
}

TEST_F(OutputBatchPosixTest, BatchGivenUpLeavesTheFolderAsItWas) {
    d_.Write("OUT/O1.NC", "old\r\n");
    {
        auto batch = files_->OpenBatch();
        Stage(*batch, {{"O1.NC", "new\r\n"}, {"O2.NC", "x\r\n"}});
        ASSERT_EQ(batch->Begin("D:\\OUT\\O3.NC"), FsError::None);
        ASSERT_EQ(batch->Write("half"), FsError::None);
    }
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "old\r\n");
    EXPECT_EQ(NamesIn(d_.File("OUT")), (std::set<std::string>{"O1.NC"}));
}

TEST_F(OutputBatchPosixTest, FailedBeginStopsTheBatchAndCommitPlacesNothing) {
    const std::string readOnly = d_.Write("OUT/O2.NC", "keep\r\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    auto batch = files_->OpenBatch();
    Stage(*batch, {{"O1.NC", "O1\r\n"}});
    EXPECT_EQ(batch->Begin("D:\\OUT\\O2.NC"), FsError::AccessDenied);
    EXPECT_EQ(batch->Write("x"), FsError::AccessDenied);
    EXPECT_EQ(batch->Begin("D:\\OUT\\O3.NC"), FsError::AccessDenied);
    EXPECT_EQ(batch->Commit(), FsError::AccessDenied);
    EXPECT_EQ(batch->Placed(), 0u);
    batch.reset();
    EXPECT_EQ(NamesIn(d_.File("OUT")), (std::set<std::string>{"O2.NC"}));
    EXPECT_EQ(d_.Read("OUT/O2.NC"), "keep\r\n");
}

TEST_F(OutputBatchPosixTest, MissingFolderIsNotFound) {
    auto batch = files_->OpenBatch();
    EXPECT_EQ(batch->Begin("D:\\NONE\\O1.NC"), FsError::NotFound);
}

TEST(OutputBatchDefaultTest, SavesEachFileWhenItEnds) {
    test::MemoryFileSystem files;
    files.AddFolder("C:\\OUT");
    auto batch = files.OpenBatch();
    ASSERT_EQ(batch->Begin("C:\\OUT\\O1.NC"), FsError::None);
    ASSERT_EQ(batch->Write("O1\r\n"), FsError::None);
    EXPECT_FALSE(files.File("C:\\OUT\\O1.NC"));
    ASSERT_EQ(batch->End(), FsError::None);
    EXPECT_EQ(files.File("C:\\OUT\\O1.NC"), "O1\r\n");
    EXPECT_EQ(batch->Placed(), 1u);

    files.FailCommit("C:\\OUT\\O2.NC", FsError::NoSpace);
    ASSERT_EQ(batch->Begin("C:\\OUT\\O2.NC"), FsError::None);
    ASSERT_EQ(batch->Write("O2\r\n"), FsError::None);
    EXPECT_EQ(batch->Commit(), FsError::NoSpace);
    EXPECT_EQ(batch->Placed(), 1u);
    EXPECT_FALSE(files.File("C:\\OUT\\O2.NC"));
    EXPECT_EQ(files.OpenOutputs(), 0);
}

}  // namespace
}  // namespace kelvantori
