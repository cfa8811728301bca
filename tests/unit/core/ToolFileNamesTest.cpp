#include "core/ToolFileNames.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

struct NameCase {
    const char* name;
    std::string fileName;
    NameProblem problem;
};
void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class CheckFileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(CheckFileNameTest, TellsWhatKeepsANameFromBeingOneFile) {
    const auto& c = GetParam();
    const NameCheck check = CheckFileName(c.fileName);
    EXPECT_EQ(check.problem, c.problem);
    EXPECT_EQ(NameProblemText(check).empty(), c.problem == NameProblem::None);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CheckFileNameTest,
    testing::Values(NameCase{"Plain", "O0001.NC", NameProblem::None},
                    NameCase{"SpaceInside", "O0001 .NC", NameProblem::None},
                    NameCase{"Japanese", "O0001ﾃｽﾄ表.NC", NameProblem::None},
                    NameCase{"NoExtension", "O0001", NameProblem::None},
                    NameCase{"ConsoleLookalike", "CONSOLE.NC", NameProblem::None},
                    NameCase{"Com10IsNoDevice", "COM10.NC", NameProblem::None},
                    NameCase{"Empty", "", NameProblem::Empty},
                    NameCase{"Slash", "O1/2.NC", NameProblem::ForbiddenCharacter},
                    NameCase{"Backslash", "O1\\2.NC", NameProblem::ForbiddenCharacter},
                    NameCase{"Colon", "O1:2.NC", NameProblem::ForbiddenCharacter},
                    NameCase{"Question", "O1?.NC", NameProblem::ForbiddenCharacter},
                    NameCase{"Pipe", "O1|2.NC", NameProblem::ForbiddenCharacter},
                    NameCase{"Less", "O1<2.NC", NameProblem::ForbiddenCharacter},
                    NameCase{"CarriageReturn", "O1\r.NC", NameProblem::ControlCharacter},
                    NameCase{"Console", "CON.NC", NameProblem::ReservedName},
                    NameCase{"NulLowerCase", "nul", NameProblem::ReservedName},
                    NameCase{"PrinterWithSpace", "LPT1 .NC", NameProblem::ReservedName},
                    NameCase{"Com9", "COM9.TXT", NameProblem::ReservedName},
                    NameCase{"TrailingDot", "O1.", NameProblem::TrailingDotOrSpace},
                    NameCase{"TrailingSpace", "O1 ", NameProblem::TrailingDotOrSpace},
                    NameCase{"DotDot", "..", NameProblem::DotName},
                    NameCase{"Longest", std::string(255, 'A'), NameProblem::None},
                    NameCase{"TooLong", std::string(256, 'A'), NameProblem::TooLong}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MaskExtensionTest, IsTheMaskWithoutItsFirstCharacter) {
    EXPECT_EQ(MaskExtension("*.NC"), ".NC");
    EXPECT_EQ(MaskExtension("*.nc"), ".nc");
    EXPECT_EQ(MaskExtension("*"), "");
    EXPECT_EQ(MaskExtension(""), "");
    EXPECT_EQ(MaskExtension("*.*"), ".*");
    EXPECT_EQ(MaskExtension("＊.NC"), ".NC");  // a multi-byte first character goes whole
}

TEST(MaskExtensionTest, UsableWhenItCanEndAFileName) {
    for (const char* mask : {"*.NC", "*.nc", "*", "*.NC.BAK", "?.TXT"}) {
        EXPECT_TRUE(IsUsableMaskExtension(mask)) << mask;
    }
    for (const char* mask : {"*.*", "O*.NC", "*.", "*NC", "*.N?", "*.NC "}) {
        EXPECT_FALSE(IsUsableMaskExtension(mask)) << mask;
    }
}

}  // namespace
}  // namespace kelvantori
