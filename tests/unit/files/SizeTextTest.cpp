// Size texts of the detail line and the file information dialog.
#include "files/SizeText.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

struct SizeCase {
    const char* behaviour;
    std::uint64_t bytes;
    const char* expected;
};

TEST(FormatFileSize, ChoosesTheUnitAndRoundsTheHalfUp) {
    const SizeCase cases[] = {
        {"zero bytes", 0, "0ﾊﾞｲﾄ"},
        {"below 1024 in bytes without separator", 1023, "1023ﾊﾞｲﾄ"},
        {"1024 is the first KB size", 1024, "1.000KB"},
        {"a KB and a half", 1536, "1.500KB"},
        {"two KB", 2048, "2.000KB"},
        {"an exact half thousandth goes up, not to even", 1088, "1.063KB"},
        {"just below 1 MiB stays in KB", 1048575, "1023.999KB"},
        {"1 MiB is the first MB size", 1048576, "1.000MB"},
        {"three MB", 3145728, "3.000MB"},
        {"an exact half thousandth of a MB goes up", 1114112, "1.063MB"},
        {"4 GiB shows its own size, not its low 32 bits", 4 * kGiB, "4096.000MB"},
        {"4 GiB and 1536 bytes", 4 * kGiB + 1536, "4096.001MB"},
        {"the largest size", UINT64_MAX, "17592186044416.000MB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFileSize(c.bytes), c.expected) << c.behaviour;
    }
}

TEST(FileInfoSizeText, ShowsTheUnitAndTheGroupedBytes) {
    const SizeCase cases[] = {
        {"below 1024 without separator", 1000, "サイズ :　　1000ﾊﾞｲﾄ"},
        {"1024 bytes", 1024, "サイズ :　　1.000KB (1,024ﾊﾞｲﾄ)"},
        {"a KB and a half", 1536, "サイズ :　　1.500KB (1,536ﾊﾞｲﾄ)"},
        {"1 MiB itself is still KB", 1048576, "サイズ :　　1024.000KB (1,048,576ﾊﾞｲﾄ)"},
        {"one byte over 1 MiB is MB", 1048577, "サイズ :　　1.000MB (1,048,577ﾊﾞｲﾄ)"},
        {"1 GiB itself is still MB", kGiB, "サイズ :　　1024.000MB (1,073,741,824ﾊﾞｲﾄ)"},
        {"one byte over 1 GiB is GB", kGiB + 1, "サイズ :　　1.000GB (1,073,741,825ﾊﾞｲﾄ)"},
        {"4 GiB and more keep every byte", 4 * kGiB + 1536,
         "サイズ :　　4.000GB (4,294,968,832ﾊﾞｲﾄ)"},
        {"five and a half GiB", 5 * kGiB + kGiB / 2, "サイズ :　　5.500GB (5,905,580,032ﾊﾞｲﾄ)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileInfoSizeText(c.bytes), c.expected) << c.behaviour;
    }
}

TEST(FormatThousands, GroupsByThree) {
    const SizeCase cases[] = {
        {"zero", 0, "0"},
        {"three digits", 999, "999"},
        {"four digits", 1000, "1,000"},
        {"seven digits", 1234567, "1,234,567"},
        {"twenty digits", UINT64_MAX, "18,446,744,073,709,551,615"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatThousands(c.bytes), c.expected) << c.behaviour;
    }
}

}  // namespace
}  // namespace kelvantori
