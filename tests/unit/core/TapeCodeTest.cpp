// Byte-exact tape code: what goes on the line for each character, and what a received byte means.
#include "core/TapeCode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace kelvantori {
namespace {

// Written out from the RS-244 assignment, independently of the table in the code.
struct EiaRow {
    char character;
    std::uint8_t byte;
};
const std::vector<EiaRow> kEiaRows = {
    {'0', 0x20}, {'1', 0x01}, {'2', 0x02}, {'3', 0x13},  {'4', 0x04}, {'5', 0x15},  //
    {'6', 0x16}, {'7', 0x07}, {'8', 0x08}, {'9', 0x19},                             //
    {'A', 0x61}, {'B', 0x62}, {'C', 0x73}, {'D', 0x64},  {'E', 0x75}, {'F', 0x76},  //
    {'G', 0x67}, {'H', 0x68}, {'I', 0x79}, {'J', 0x51},  {'K', 0x52}, {'L', 0x43},  //
    {'M', 0x54}, {'N', 0x45}, {'O', 0x46}, {'P', 0x57},  {'Q', 0x58}, {'R', 0x49},  //
    {'S', 0x32}, {'T', 0x23}, {'U', 0x34}, {'V', 0x25},  {'W', 0x26}, {'X', 0x37},  //
    {'Y', 0x38}, {'Z', 0x29},                                                       //
    {'%', 0x0B}, {'(', 0x1A}, {')', 0x4A}, {'+', 0x70},  {'-', 0x40}, {'/', 0x31},  //
    {'.', 0x6B}, {'&', 0x0E}, {',', 0x3B}, {'\n', 0x80}, {' ', 0x10},
};

int CountOnes(unsigned v) {
    int n = 0;
    for (; v != 0; v >>= 1)
        n += static_cast<int>(v & 1U);
    return n;
}

TEST(IsoWithParity, EveryAsciiCharacterGetsEvenParityOverEightBits) {
    for (unsigned c = 0; c < 128; ++c) {
        const std::uint8_t out = IsoWithParity(static_cast<std::uint8_t>(c));
        EXPECT_EQ(out & 0x7F, c) << "character " << c;
        EXPECT_EQ(CountOnes(out) % 2, 0) << "character " << c;
    }
}

TEST(IsoWithParity, KnownCharacters) {
    EXPECT_EQ(IsoWithParity('G'), 0x47);  // four one bits: already even
    EXPECT_EQ(IsoWithParity('%'), 0xA5);  // three one bits
    EXPECT_EQ(IsoWithParity('\n'), 0x0A);
    EXPECT_EQ(IsoWithParity('\r'), 0x8D);
    EXPECT_EQ(IsoWithParity(0x13), 0x93);
}

TEST(IsoWithParity, BytesAboveAsciiPassUnchanged) {
    for (unsigned c = 0x80; c < 0x100; ++c) {
        EXPECT_EQ(IsoWithParity(static_cast<std::uint8_t>(c)), c);
    }
}

TEST(Eia, EncodesEveryCharacterOfTheTable) {
    for (const auto& row : kEiaRows) {
        EXPECT_EQ(EiaEncode(static_cast<std::uint8_t>(row.character)), row.byte)
            << "character " << int(row.character);
    }
}

TEST(Eia, DecodesEveryByteOfTheTableAndNothingElse) {
    std::set<unsigned> tableBytes;
    for (const auto& row : kEiaRows) {
        EXPECT_EQ(EiaDecode(row.byte), static_cast<std::uint8_t>(row.character))
            << "byte " << int(row.byte);
        tableBytes.insert(row.byte);
    }
    for (unsigned b = 0; b < 256; ++b) {
        if (tableBytes.count(b) == 0) {
            EXPECT_EQ(EiaDecode(static_cast<std::uint8_t>(b)), 0) << "byte " << b;
        }
    }
}

TEST(Eia, ColonAndControlCodesHaveLineForms) {
    EXPECT_EQ(EiaEncode(':'), 0x46);
    EXPECT_EQ(EiaEncode('O'), 0x46);
    EXPECT_EQ(EiaEncode(kDC1), kDC1);
    EXPECT_EQ(EiaEncode(kDC2), kDC2);
    EXPECT_EQ(EiaEncode(kDC3), kDC3);
    EXPECT_EQ(EiaEncode(kDC4), kDC4);
}

TEST(Eia, CharactersOutsideTheTableHaveNoLineForm) {
    std::set<unsigned> encodable = {':', kDC1, kDC2, kDC3, kDC4};
    for (const auto& row : kEiaRows)
        encodable.insert(static_cast<unsigned char>(row.character));
    for (unsigned c = 0; c < 256; ++c) {
        if (encodable.count(c) == 0) {
            EXPECT_EQ(EiaEncode(static_cast<std::uint8_t>(c)), std::nullopt) << "character " << c;
        }
    }
    // The ones operators meet: lower case, CR, tab, comment marks.
    for (const char c : std::string("gx\r\t*;#=")) {
        EXPECT_EQ(EiaEncode(static_cast<std::uint8_t>(c)), std::nullopt) << int(c);
    }
}

struct SendRow {
    const char* name;
    char character;
    SendCode code;
    std::optional<std::uint8_t> line;
};
void PrintTo(const SendRow& row, std::ostream* os) {
    *os << row.name;
}

constexpr SendCode kIso{};
constexpr SendCode kEia{.eia = true};
constexpr SendCode kIsoCut{.spaceCut = true};
constexpr SendCode kEiaCut{.spaceCut = true, .eia = true};
constexpr SendCode kSevenBit{.sevenBit = true};
constexpr SendCode kSevenBitCut{.spaceCut = true, .sevenBit = true};
constexpr SendCode kRawIso{.raw = true};
constexpr SendCode kRawEia{.eia = true, .raw = true};

class ConvertForSendTest : public ::testing::TestWithParam<SendRow> {};

TEST_P(ConvertForSendTest, LineByte) {
    const auto& row = GetParam();
    EXPECT_EQ(ConvertForSend(static_cast<std::uint8_t>(row.character), row.code), row.line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConvertForSendTest,
    ::testing::Values(
        SendRow{"IsoEvenCharacterUnchanged", 'G', kIso, 0x47},
        SendRow{"IsoOddCharacterGetsParityBit", '%', kIso, 0xA5},
        SendRow{"IsoSpaceGetsParityBit", ' ', kIso, 0xA0}, SendRow{"IsoLineFeed", '\n', kIso, 0x0A},
        SendRow{"IsoKeepsLowerCase", 'a', kIso, 0xE1},
        SendRow{"IsoSpaceCut", ' ', kIsoCut, std::nullopt},
        SendRow{"IsoCutLeavesOtherCharacters", 'X', kIsoCut, 0xD8},
        SendRow{"EiaLetterO", 'O', kEia, 0x46}, SendRow{"EiaColonIsO", ':', kEia, 0x46},
        SendRow{"EiaPercent", '%', kEia, 0x0B}, SendRow{"EiaLineFeed", '\n', kEia, 0x80},
        SendRow{"EiaSpace", ' ', kEia, 0x10}, SendRow{"EiaDigitThree", '3', kEia, 0x13},
        SendRow{"EiaAsteriskDropped", '*', kEia, std::nullopt},
        SendRow{"EiaCarriageReturnDropped", '\r', kEia, std::nullopt},
        SendRow{"EiaLowerCaseDropped", 'g', kEia, std::nullopt},
        SendRow{"EiaSemicolonDropped", ';', kEia, std::nullopt},
        SendRow{"EiaDc4", char(kDC4), kEia, kDC4},
        SendRow{"EiaSpaceCut", ' ', kEiaCut, std::nullopt},
        SendRow{"SevenBitPercentUnchanged", '%', kSevenBit, 0x25},
        SendRow{"SevenBitCutStillCutsSpace", ' ', kSevenBitCut, std::nullopt},
        SendRow{"RawIsoDigitUnchanged", '1', kRawIso, 0x31},
        SendRow{"RawEiaDigitUnchanged", '1', kRawEia, 0x31},
        SendRow{"RawEiaDashUnchanged", '-', kRawEia, 0x2D}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertForSend, SevenBitLineWritesEveryCharacterUnchanged) {
    for (const bool eia : {false, true}) {
        const SendCode code{.sevenBit = true, .eia = eia};
        for (unsigned c = 0; c < 128; ++c) {
            EXPECT_EQ(ConvertForSend(static_cast<std::uint8_t>(c), code), c)
                << "character " << c << (eia ? " EIA" : " ISO");
        }
    }
}

struct DecodeRow {
    const char* name;
    CodeState before;
    bool xonBefore;
    std::uint8_t byte;
    std::uint8_t character;
    CodeState after;
    bool xonAfter;
};
void PrintTo(const DecodeRow& row, std::ostream* os) {
    *os << row.name;
}

constexpr CodeState kAuto{};
constexpr CodeState kIsoOnly{.IsoMode = true};
constexpr CodeState kEiaOnly{.EiaMode = true};
constexpr CodeState kBoth{.IsoMode = true, .EiaMode = true};

class DecodeLineByteTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeLineByteTest, Step) {
    const auto& row = GetParam();
    CodeState state = row.before;
    bool xon = row.xonBefore;
    EXPECT_EQ(DecodeLineByte(row.byte, state, xon), row.character);
    EXPECT_EQ(state.IsoMode, row.after.IsoMode);
    EXPECT_EQ(state.EiaMode, row.after.EiaMode);
    EXPECT_EQ(xon, row.xonAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeLineByteTest,
    ::testing::Values(
        DecodeRow{"OddFirstByteSelectsEia", kAuto, true, 0x0B, '%', kEiaOnly, true},
        DecodeRow{"EvenFirstByteSelectsIso", kAuto, true, 0xA5, '%', kIsoOnly, true},
        DecodeRow{"EvenFirstByteWithoutParityBit", kAuto, true, 0x47, 'G', kIsoOnly, true},
        DecodeRow{"Dc1SetsXon", kEiaOnly, false, 0x11, 0x11, kEiaOnly, true},
        DecodeRow{"Dc1DoesNotDecideTheCode", kAuto, false, 0x11, 0x11, kAuto, true},
        DecodeRow{"EiaDigitThreeKeepsXon", kEiaOnly, true, 0x13, '3', kEiaOnly, true},
        DecodeRow{"EiaDc3WithParityPauses", kEiaOnly, true, 0x93, 0x13, kEiaOnly, false},
        DecodeRow{"IsoDc3WithParityPauses", kIsoOnly, true, 0x93, 0x13, kIsoOnly, false},
        DecodeRow{"IsoPlainDc3Pauses", kIsoOnly, true, 0x13, 0x13, kIsoOnly, false},
        DecodeRow{"PlainDc3PausesBeforeDetection", kAuto, true, 0x13, 0x13, kAuto, false},
        DecodeRow{"PlainDc3PausesOnSevenBitLine", kBoth, true, 0x13, 0x13, kBoth, false},
        DecodeRow{"NulReturnedWithoutDetection", kAuto, true, 0x00, 0x00, kAuto, true},
        DecodeRow{"Dc2ReturnedWithoutDetection", kAuto, true, 0x12, 0x12, kAuto, true},
        DecodeRow{"Dc4ReturnedInEia", kEiaOnly, true, 0x14, 0x14, kEiaOnly, true},
        DecodeRow{"IsoClearsParityBit", kIsoOnly, true, 0xB1, '1', kIsoOnly, true},
        DecodeRow{"IsoLineFeed", kIsoOnly, true, 0x0A, '\n', kIsoOnly, true},
        DecodeRow{"EiaLineFeed", kEiaOnly, true, 0x80, '\n', kEiaOnly, true},
        DecodeRow{"EiaLetterO", kEiaOnly, true, 0x46, 'O', kEiaOnly, true},
        DecodeRow{"EiaByteOutsideTableIsNothing", kEiaOnly, true, 0x03, 0, kEiaOnly, true},
        DecodeRow{"BothPassUnchanged", kBoth, true, 0xC7, 0xC7, kBoth, true},
        DecodeRow{"ModeOnceChosenStays", kIsoOnly, true, 0x0B, 0x0B, kIsoOnly, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeLineByte, EiaProgramDetectedOnItsFirstByte) {
    CodeState state;
    bool xon = true;
    std::string text;
    for (const std::uint8_t b : {0x0B, 0x80, 0x46, 0x01, 0x02, 0x13, 0x04, 0x80}) {
        text += static_cast<char>(DecodeLineByte(b, state, xon));
    }
    EXPECT_EQ(text, "%\nO1234\n");
    EXPECT_TRUE(xon);
}

struct FrameRow {
    const char* name;
    bool start;
    const char* flag;
    int type;
    std::string sequence;
};
void PrintTo(const FrameRow& row, std::ostream* os) {
    *os << row.name;
}

class FramingTest : public ::testing::TestWithParam<FrameRow> {};

TEST_P(FramingTest, Sequence) {
    const auto& row = GetParam();
    EXPECT_EQ(row.start ? StartSequence(row.flag, row.type) : EndSequence(row.flag, row.type),
              row.sequence);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FramingTest,
    ::testing::Values(
        FrameRow{"StartType0", true, "Y", 0, ""}, FrameRow{"StartType1", true, "Y", 1, "%\n"},
        FrameRow{"StartType2", true, "Y", 2, "%%\n"}, FrameRow{"StartType3", true, "Y", 3, "% *\n"},
        FrameRow{"StartType4", true, "Y", 4, "%"}, FrameRow{"StartType5", true, "Y", 5, "%%"},
        FrameRow{"StartUnknownType", true, "Y", 6, ""}, FrameRow{"StartOff", true, "N", 1, "\n"},
        FrameRow{"StartOffAnyType", true, "N", 4, "\n"},
        FrameRow{"StartLowerCaseIsOff", true, "y", 1, "\n"},
        FrameRow{"EndType1", false, "Y", 1, "\n%"}, FrameRow{"EndType2", false, "Y", 2, "\n%%"},
        FrameRow{"EndType3", false, "Y", 3, "\n%\n"}, FrameRow{"EndType4", false, "Y", 4, "\n%%\n"},
        FrameRow{"EndType0", false, "Y", 0, ""}, FrameRow{"EndType5", false, "Y", 5, ""},
        FrameRow{"EndOffIsDc4", false, "N", 1, "\x14"},
        FrameRow{"EndOffAnyType", false, "N", 0, "\x14"}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::uint8_t> OnTheLine(const std::string& characters, const SendCode& code) {
    std::vector<std::uint8_t> bytes;
    for (const char c : characters) {
        if (const auto b = ConvertForSend(static_cast<std::uint8_t>(c), code))
            bytes.push_back(*b);
    }
    return bytes;
}

TEST(Framing, EiaFramesTravelAsEiaBytes) {
    EXPECT_EQ(OnTheLine(StartSequence("Y", 1), kEia), (std::vector<std::uint8_t>{0x0B, 0x80}));
    // "*" has no EIA form and is dropped from the third start form.
    EXPECT_EQ(OnTheLine(StartSequence("Y", 3), kEia),
              (std::vector<std::uint8_t>{0x0B, 0x10, 0x80}));
    EXPECT_EQ(OnTheLine(EndSequence("Y", 4), kEia),
              (std::vector<std::uint8_t>{0x80, 0x0B, 0x0B, 0x80}));
    EXPECT_EQ(OnTheLine(EndSequence("N", 1), kEia), (std::vector<std::uint8_t>{kDC4}));
}

TEST(Framing, IsoFramesCarryParity) {
    EXPECT_EQ(OnTheLine(StartSequence("Y", 3), kIso),
              (std::vector<std::uint8_t>{0xA5, 0xA0, 0xAA, 0x0A}));
    EXPECT_EQ(OnTheLine(EndSequence("N", 1), kIso), (std::vector<std::uint8_t>{kDC4}));
}

}  // namespace
}  // namespace kelvantori
