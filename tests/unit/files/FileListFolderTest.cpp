// The file list over a real folder: a temporary folder mapped as drive D: through the drive
// table, read by the system file system.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "files/FileListModel.h"
#include "platform/DriveMap.h"
#include "platform/HostConfig.h"
#include "support/FileListScenario.h"
#include "support/TempFolder.h"

namespace kelvantori::test {
namespace {

using Names = std::vector<std::string>;

void SetTime(const std::string& hostPath, std::int64_t seconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), 0},
                               {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0) << hostPath;
}

class FolderListTest : public ::testing::Test {
  protected:
    FolderListTest() : zone_("TZ", "JST-9") {
        HostConfig config;
        config.drives['D'] = folder_.Path();
        files_ = CreateSystemFileSystem(DriveMap::Build(config, folder_.Path(), {}));
        model_ = std::make_unique<FileListModel>(*files_, settings_);
        settings_.DirPath = "D:\\NC";
        settings_.Mask = "*.NC";
        settings_.AllFiles = "N";
        settings_.ListColumn = 2;
    }

    // A file of size bytes under NC\, written 2024-03-05 14:07 in Japan.
    void Write(const std::string& name, std::size_t size) {
        SetTime(folder_.Write("NC/" + name, std::string(size, 'x')), kWritten);
    }

    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& e : model_->Files())
            names.push_back(e.name);
        return names;
    }

    const std::int64_t kWritten = Utc(2024, 3, 5, 5, 7, 9);
    ScopedEnv zone_;
    TempFolder folder_;
    Settings settings_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<FileListModel> model_;
};

TEST_F(FolderListTest, ListsTheFolderWithShortNamesSizesAndTimes) {
    Write("O1234.NC", 5);
    Write("b.Nc", 3);
    Write("long program name.nc", 1536);
    Write("NOTE.TXT", 1);
    std::filesystem::create_directories(folder_.File("NC/SUB"));
    SetTime(folder_.File("NC/SUB"), kWritten);
    SetTime(folder_.File("NC"), Utc(2023, 12, 31, 15, 30));

    model_->RefreshFileList(false, false, false);
    const std::string b = " B                   3 24-03-05 14:07" + std::string(16, ' ');
    const Names expected = {
        " ..              <DIR> 24-01-01 00:30",
        " SUB             <DIR> 24-03-05 14:07" + std::string(22, ' '),
        b,
        " LONGPR~1         1536 24-03-05 14:07" + std::string(26, ' '),
        " O1234               5 24-03-05 14:07" + std::string(20, ' '),
    };
    EXPECT_EQ(model_->Lines(), expected);
    EXPECT_EQ(FileNames(), (Names{"b.Nc", "long program name.nc", "O1234.NC"}));
    EXPECT_EQ(model_->HeaderLine(), " Path=D:\\NC\\*.NC" + std::string(51, ' ') + "     ﾌｧｲﾙ数 :4");
    model_->Select(3);
    EXPECT_EQ(model_->DetailLine(),
              "　　ﾌｧｲﾙ詳細 :long program name.nc  ｻｲｽﾞ :1.500KB  日付 :2024-03-05 14:07:09");
}

TEST_F(FolderListTest, KeepsTheSelectionUntilTheFileIsDeleted) {
    for (const char* name : {"A.NC", "B.NC", "C.NC"})
        Write(name, 1);
    model_->RefreshFileList(false, false, false);
    model_->Select(2);  // B.NC
    Write("0.NC", 1);   // a new file that sorts first
    model_->RefreshFileList(false, true, false);
    EXPECT_EQ(model_->EntryOf(model_->Selected())->name, "B.NC");
    EXPECT_EQ(model_->Selected(), 3);

    std::filesystem::remove(folder_.File("NC/B.NC"));
    model_->RefreshFileList(false, true, false);
    EXPECT_EQ(model_->Selected(), 0);
    EXPECT_EQ(FileNames(), (Names{"0.NC", "A.NC", "C.NC"}));
}

TEST_F(FolderListTest, EnterWalksIntoASubFolderAndBack) {
    Write("A.NC", 1);
    folder_.Write("NC/SUB/IN.NC", "x");
    model_->RefreshFileList(false, false, false);
    ASSERT_EQ(model_->KindOf(1), LineKind::Folder);
    model_->Select(1);
    model_->Enter();
    EXPECT_EQ(settings_.DirPath, "D:\\NC\\SUB");
    EXPECT_EQ(FileNames(), Names{"IN.NC"});
    model_->Enter();  // the ".." line
    EXPECT_EQ(settings_.DirPath, "D:\\NC");
    EXPECT_EQ(FileNames(), Names{"A.NC"});
}

}  // namespace
}  // namespace kelvantori::test
