// The CP932 codec: the characters shop files hold, bytes CP932 does not define, and the cases
// where a near miss would change a path.
#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace kelvantori {
namespace {

struct RoundTripCase {
    const char* name;
    std::string utf8;
    std::string cp932;
};

// Row names keep the test list readable.
void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class TextCodecRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TextCodecRoundTrip, DecodesAndEncodesByteExact) {
    const auto& c = GetParam();
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    EXPECT_TRUE(IsCp932Representable(c.utf8));
}

INSTANTIATE_TEST_SUITE_P(
    ShopCharacters, TextCodecRoundTrip,
    ::testing::Values(
        RoundTripCase{"Ascii", "O1234 G90 X-1.5;", "O1234 G90 X-1.5;"},
        RoundTripCase{"HalfWidthKatakana", "ﾌｧｲﾙ", "\xCC\xA7\xB2\xD9"},
        RoundTripCase{"FullWidthDigits", "０１９", "\x82\x4F\x82\x50\x82\x58"},
        RoundTripCase{"IdeographicSpace", "種類 :　", "\x8E\xED\x97\xDE :\x81\x40"},
        RoundTripCase{"BoxDrawing", "─", "\x84\x9F"},
        RoundTripCase{"FullWidthTilde", "～", "\x81\x60"},
        RoundTripCase{"FullWidthMinus", "－", "\x81\x7C"},
        RoundTripCase{"CircledOne", "①", "\x87\x40"},
        RoundTripCase{"IbmExtensionKanji", "髙", "\xFB\xFC"},
        RoundTripCase{"BackslashStaysBackslash", "C:\\NC\\O1.NC", "C:\\NC\\O1.NC"},
        RoundTripCase{"TildeStaysTilde", "~", "~"},
        // 表 and ソ end in the byte 0x5C: it must not be taken for a separator or lost.
        RoundTripCase{"TrailByteBackslash", "表\\ソ", "\x95\x5C\\\x83\x5C"},
        RoundTripCase{"ControlBytesAndLineEnds", std::string("A\0\r\n\x7F", 5),
                      std::string("A\0\r\n\x7F", 5)}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
    const char* name;
    std::string cp932;
    std::string utf8;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class TextCodecDecodeBadBytes : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(TextCodecDecodeBadBytes, ReplacesEachBadByteAndKeepsWhatFollows) {
    EXPECT_EQ(Cp932ToUtf8(GetParam().cp932), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Undefined, TextCodecDecodeBadBytes,
    ::testing::Values(DecodeCase{"Byte80",
                                 "A\x80"
                                 "B",
                                 "A\uFFFD"
                                 "B"},
                      DecodeCase{"ByteA0",
                                 "A\xA0"
                                 "B",
                                 "A\uFFFD"
                                 "B"},
                      DecodeCase{"BytesFDtoFF", "\xFD\xFE\xFFO1", "\uFFFD\uFFFD\uFFFDO1"},
                      DecodeCase{"UnassignedRow85", "\x85\x40X", "\uFFFD@X"},
                      DecodeCase{"LeadByteBeforeBlank", "\x81 Z", "\uFFFD Z"},
                      DecodeCase{"LeadByteBeforeBadByte", "\x81\xFFZ", "\uFFFD\uFFFDZ"},
                      DecodeCase{"BadByteBeforeKanji", "\x80\x95\x5C", "\uFFFD表"},
                      DecodeCase{"TruncatedLeadAtEnd", "AB\x81", "AB\uFFFD"},
                      DecodeCase{"OnlyALeadByte", "\x82", "\uFFFD"}, DecodeCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct EncodeCase {
    const char* name;
    std::string utf8;
    std::string cp932;
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
    *os << c.name;
}

class TextCodecEncodeLoss : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(TextCodecEncodeLoss, WritesQuestionMarkAndSaysSo) {
    EXPECT_EQ(Utf8ToCp932(GetParam().utf8), GetParam().cp932);
    EXPECT_FALSE(IsCp932Representable(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(
    Unrepresentable, TextCodecEncodeLoss,
    ::testing::Values(
        EncodeCase{"EuroSign", "A€B", "A?B"},
        EncodeCase{"Emoji", "O1\xF0\x9F\x98\x80.NC", "O1?.NC"},
        // iconv would write these as "\" and "~": a folder name must not gain a separator.
        EncodeCase{"YenSignIsNotBackslash", "D:\\¥DATA", "D:\\?DATA"},
        EncodeCase{"OverlineIsNotTilde", "‾", "?"},
        EncodeCase{"TagCharacterIsNotDropped",
                   "A\xF3\xA0\x80\x81"
                   "B",
                   "A?B"},
        EncodeCase{"StrayContinuationByte",
                   "A\x80"
                   "B",
                   "A?B"},
        EncodeCase{"TruncatedSequence", "AB\xE3\x81", "AB??"},
        EncodeCase{"OverlongSlash", "A\xC0\xAF", "A??"},
        EncodeCase{"Surrogate", "\xED\xA0\x80", "???"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextCodec, WaveDashIsWrittenAsFullWidthTildeButIsNotLossless) {
    // The wave dash has no CP932 code of its own; its nearest reads back as ～.
    EXPECT_EQ(Utf8ToCp932("〜"), "\x81\x60");
    EXPECT_FALSE(IsCp932Representable("〜"));
}

TEST(TextCodec, NecSelectedDuplicateDecodesToTheSameKanji) {
    EXPECT_EQ(Cp932ToUtf8("\xED\x40"), "纊");
    EXPECT_EQ(Cp932ToUtf8("\xFA\x5C"), "纊");
}

TEST(TextCodec, LargeTextWithScatteredBadBytesDecodesCompletely) {
    // A few megabytes as a view would show them: text lines with a stray byte now and then.
    std::string cp932;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        cp932 += "N" + std::to_string(i) + " G01 X10.5 (\x8D\x48\x8B\xEF)\r\n";
        expected += "N" + std::to_string(i) + " G01 X10.5 (工具)\r\n";
        if (i % 997 == 0) {
            cp932 += "\xFF";
            expected += "\uFFFD";
        }
    }
    ASSERT_GT(cp932.size(), 1'500'000u);
    EXPECT_EQ(Cp932ToUtf8(cp932), expected);
}

TEST(TextCodec, ThreadsDecodeAtTheSameTime) {
    const std::string cp932 = "\xCC\xA7\xB2\xD9\x80\x95\x5C";
    const std::string expected = "ﾌｧｲﾙ\uFFFD表";
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (Cp932ToUtf8(cp932) != expected)
                    ++wrong[t];
                if (Utf8ToCp932("髙€") != "\xFB\xFC?")
                    ++wrong[t];
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace kelvantori
