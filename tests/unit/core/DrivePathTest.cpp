// Drive path text rules: folder and name, extension, joining and the drive letter.
#include "core/DrivePath.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kelvantori {
namespace {

struct SplitCase {
    const char* name;
    const char* path;
    const char* folder;
    const char* fileName;
};

// Row names keep the test list readable.
void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class DrivePathSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(DrivePathSplit, GivesFolderAndName) {
    EXPECT_EQ(DriveFolderOf(GetParam().path), GetParam().folder);
    EXPECT_EQ(DriveFileNameOf(GetParam().path), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DrivePathSplit,
    ::testing::Values(SplitCase{"FileInFolder", "C:\\NC\\A.NC", "C:\\NC", "A.NC"},
                      SplitCase{"FileInDriveRoot", "C:\\A.NC", "C:", "A.NC"},
                      SplitCase{"DeepFolder", "D:\\NC DATA\\LATHE\\O1.NC", "D:\\NC DATA\\LATHE",
                                "O1.NC"},
                      SplitCase{"DriveRelative", "C:A.NC", "C:", "A.NC"},
                      SplitCase{"NameOnly", "A.NC", "", "A.NC"},
                      SplitCase{"TrailingBackslash", "C:\\NC\\", "C:\\NC", ""},
                      SplitCase{"DriveAlone", "C:", "C:", ""},
                      SplitCase{"JapaneseNames", "C:\\表\\ソ.NC", "C:\\表", "ソ.NC"}),
    [](const auto& info) { return std::string(info.param.name); });

struct JoinCase {
    const char* name;
    const char* folder;
    const char* file;
    const char* joined;
};

void PrintTo(const JoinCase& c, std::ostream* os) {
    *os << c.name;
}

class DrivePathJoin : public ::testing::TestWithParam<JoinCase> {};

TEST_P(DrivePathJoin, PutsExactlyOneBackslashBetween) {
    EXPECT_EQ(JoinDrivePath(GetParam().folder, GetParam().file), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DrivePathJoin,
    ::testing::Values(JoinCase{"Drive", "C:", "A.NC", "C:\\A.NC"},
                      JoinCase{"DriveRoot", "C:\\", "A.NC", "C:\\A.NC"},
                      JoinCase{"Folder", "C:\\NC", "A.NC", "C:\\NC\\A.NC"},
                      JoinCase{"FolderWithBackslash", "C:\\NC\\", "A.NC", "C:\\NC\\A.NC"},
                      JoinCase{"NameWithBackslash", "C:\\NC", "\\A.NC", "C:\\NC\\A.NC"},
                      JoinCase{"EmptyFolder", "", "A.NC", "A.NC"},
                      JoinCase{"FolderWithBlank", "D:\\NC DATA", "O1.NC", "D:\\NC DATA\\O1.NC"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExtensionCase {
    const char* name;
    const char* path;
    const char* extension;
    const char* baseName;
};

void PrintTo(const ExtensionCase& c, std::ostream* os) {
    *os << c.name;
}

class DrivePathExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(DrivePathExtension, IsTheFinalDotPart) {
    EXPECT_EQ(FileExtensionOf(GetParam().path), GetParam().extension);
    EXPECT_EQ(FileBaseNameOf(GetParam().path), GetParam().baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DrivePathExtension,
    ::testing::Values(ExtensionCase{"Plain", "O1234.NC", ".NC", "O1234"},
                      ExtensionCase{"TwoDots", "A.B.NC", ".NC", "A.B"},
                      ExtensionCase{"NoExtension", "A", "", "A"},
                      ExtensionCase{"TrailingDot", "A.", ".", "A"},
                      ExtensionCase{"LowerCaseKept", "a.nc", ".nc", "a"},
                      ExtensionCase{"DotInFolderOnly", "C:\\N.C\\A", "", "C:\\N.C\\A"},
                      ExtensionCase{"FullPath", "C:\\NC\\O1.TAP", ".TAP", "C:\\NC\\O1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrivePath, DriveLetterIsUpperCasedAndNeedsTheColon) {
    EXPECT_EQ(DriveLetterOf("c:\\nc"), 'C');
    EXPECT_EQ(DriveLetterOf("Z:"), 'Z');
    EXPECT_EQ(DriveLetterOf("C"), 0);
    EXPECT_EQ(DriveLetterOf("\\\\server\\share"), 0);
    EXPECT_EQ(DriveLetterOf("1:\\"), 0);
}

TEST(DrivePath, CaseChangesTouchOnlyAsciiLetters) {
    EXPECT_EQ(AsciiUpper("com2 s=ａ.nc 表"), "COM2 S=ａ.NC 表");
    EXPECT_EQ(AsciiLower("COM2 Ａ.NC ﾌｧｲﾙ"), "com2 Ａ.nc ﾌｧｲﾙ");
}

}  // namespace
}  // namespace kelvantori
