#include "machine/MachineCode.h"

#include "core/TapeCode.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvantori::machine {
namespace {

struct DecodeCase {
    const char* name;
    std::uint8_t byte;
    DecodedByte expected;
};

DecodedByte Char(char c, bool parityError = false) {
    return DecodedByte{ByteKind::Character, c, parityError};
}
DecodedByte Kind(ByteKind kind, bool parityError = false) {
    return DecodedByte{kind, 0, parityError};
}

std::string CaseName(const testing::TestParamInfo<DecodeCase>& info) {
    return info.param.name;
}

class IsoDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(IsoDecodeTest, ChecksEvenParityAndTakesSevenBits) {
    EXPECT_EQ(DecodeIso(GetParam().byte), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, IsoDecodeTest,
    testing::Values(DecodeCase{"LetterWithEvenBits", 0x47, Char('G')},
                    DecodeCase{"PercentWithParityBit", 0xA5, Char('%')},
                    DecodeCase{"PercentWithoutParityBitIsAnError", 0x25, Char('%', true)},
                    DecodeCase{"DigitOneWithParityBit", 0xB1, Char('1')},
                    DecodeCase{"LineFeed", 0x0A, Char('\n')},
                    DecodeCase{"SpaceWithParityBit", 0xA0, Char(' ')},
                    DecodeCase{"LetterWithStrayParityBit", 0xC7, Char('G', true)},
                    DecodeCase{"Dc3WithParityBit", 0x93, Kind(ByteKind::Dc3)},
                    DecodeCase{"Dc3WithoutParityBit", 0x13, Kind(ByteKind::Dc3, true)},
                    DecodeCase{"Dc1", 0x11, Kind(ByteKind::Dc1)},
                    DecodeCase{"Dc2", 0x12, Kind(ByteKind::Dc2)},
                    DecodeCase{"Dc4", 0x14, Kind(ByteKind::Dc4)},
                    DecodeCase{"NulIsBlankTape", 0x00, Kind(ByteKind::Feed)},
                    DecodeCase{"DeleteIsSkipped", 0xFF, Kind(ByteKind::Feed)},
                    DecodeCase{"ControlWithoutMeaning", 0x03, Kind(ByteKind::Undefined)}),
    CaseName);

class EiaDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(EiaDecodeTest, ChecksOddParityAndReadsTheTable) {
    EXPECT_EQ(DecodeEia(GetParam().byte), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, EiaDecodeTest,
    testing::Values(DecodeCase{"DigitZero", 0x20, Char('0')},
                    DecodeCase{"ThirteenIsTheDigitThree", 0x13, Char('3')},
                    DecodeCase{"LetterO", 0x46, Char('O')}, DecodeCase{"LetterX", 0x37, Char('X')},
                    DecodeCase{"Period", 0x6B, Char('.')}, DecodeCase{"Minus", 0x40, Char('-')},
                    DecodeCase{"EndOfBlockIsLineFeed", 0x80, Char('\n')},
                    DecodeCase{"EndOfRecordIsPercent", 0x0B, Char('%')},
                    DecodeCase{"Space", 0x10, Char(' ')},
                    DecodeCase{"Dc3WithParityBit", 0x93, Kind(ByteKind::Dc3)},
                    DecodeCase{"Dc1", 0x11, Kind(ByteKind::Dc1)},
                    DecodeCase{"Dc4", 0x14, Kind(ByteKind::Dc4)},
                    DecodeCase{"EvenHolesIsParityError", 0x21, Kind(ByteKind::BadParity, true)},
                    DecodeCase{"IsoPercentIsParityError", 0xA5, Kind(ByteKind::BadParity, true)},
                    DecodeCase{"OddHolesNotInTable", 0x3E, Kind(ByteKind::Undefined)},
                    DecodeCase{"BlankTape", 0x00, Kind(ByteKind::Feed)},
                    DecodeCase{"Delete", 0x7F, Kind(ByteKind::Feed)}),
    CaseName);

class SevenBitDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(SevenBitDecodeTest, TakesCharactersAsTheyCome) {
    EXPECT_EQ(DecodeSevenBit(GetParam().byte), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Bytes, SevenBitDecodeTest,
                         testing::Values(DecodeCase{"PercentHasNoParityToCheck", 0x25, Char('%')},
                                         DecodeCase{"Letter", 0x47, Char('G')},
                                         DecodeCase{"BitSevenNeverArrives", 0xC7, Char('G')},
                                         DecodeCase{"Dc3", 0x13, Kind(ByteKind::Dc3)},
                                         DecodeCase{"Dc3WithBitSeven", 0x93, Kind(ByteKind::Dc3)},
                                         DecodeCase{"Dc4", 0x14, Kind(ByteKind::Dc4)},
                                         DecodeCase{"LowerCaseKept", 'g', Char('g')}),
                         CaseName);

TEST(EiaTableTest, EveryCharacterPunchesWithOddHolesAndReadsBack) {
    const std::string characters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ%()+-/.&, \n";
    for (const char c : characters) {
        SCOPED_TRACE(std::string("character ") + c);
        const auto byte = EncodeCharacter(c, MachineCode::Eia);
        ASSERT_TRUE(byte.has_value());
        EXPECT_FALSE(HasEvenParity(*byte));
        EXPECT_EQ(DecodeEia(*byte), Char(c));
    }
}

struct EncodeCase {
    const char* name;
    char character;
    MachineCode code;
    std::optional<std::uint8_t> expected;
};

class EncodeTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, GivesTheLineByte) {
    EXPECT_EQ(EncodeCharacter(GetParam().character, GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, EncodeTest,
    testing::Values(EncodeCase{"IsoLetterWithEvenBits", 'G', MachineCode::Iso, 0x47},
                    EncodeCase{"IsoPercentGetsParityBit", '%', MachineCode::Iso, 0xA5},
                    EncodeCase{"IsoLetterOGetsParityBit", 'O', MachineCode::Iso, 0xCF},
                    EncodeCase{"IsoLineFeed", '\n', MachineCode::Iso, 0x0A},
                    EncodeCase{"IsoDc3GetsParityBit", '\x13', MachineCode::Iso, 0x93},
                    EncodeCase{"IsoDc4", '\x14', MachineCode::Iso, 0x14},
                    EncodeCase{"IsoHasNoEightBitCharacters", '\xB0', MachineCode::Iso,
                               std::nullopt},
                    EncodeCase{"AutoPunchesIso", '1', MachineCode::Auto, 0xB1},
                    EncodeCase{"EiaLetterO", 'O', MachineCode::Eia, 0x46},
                    EncodeCase{"EiaColonIsLetterO", ':', MachineCode::Eia, 0x46},
                    EncodeCase{"EiaLineFeedIsEndOfBlock", '\n', MachineCode::Eia, 0x80},
                    EncodeCase{"EiaHasNoAsterisk", '*', MachineCode::Eia, std::nullopt},
                    EncodeCase{"EiaHasNoCarriageReturn", '\r', MachineCode::Eia, std::nullopt},
                    EncodeCase{"EiaHasNoLowerCase", 'x', MachineCode::Eia, std::nullopt},
                    EncodeCase{"EiaDc4AsItself", '\x14', MachineCode::Eia, 0x14},
                    EncodeCase{"SevenBitPercentUnchanged", '%', MachineCode::SevenBit, 0x25},
                    EncodeCase{"SevenBitLetterOUnchanged", 'O', MachineCode::SevenBit, 0x4F}),
    [](const auto& info) { return std::string(info.param.name); });

// The machine keeps its own tables so that a slip in either side's table shows up here instead
// of cancelling out over the line.
TEST(MachineCodeTest, AgreesWithThePcSideOnEveryCharacter) {
    for (int c = 0; c < 0x80; ++c) {
        SCOPED_TRACE(c);
        const auto u = static_cast<std::uint8_t>(c);
        EXPECT_EQ(EncodeCharacter(static_cast<char>(c), MachineCode::Iso), IsoWithParity(u));
        EXPECT_EQ(EncodeCharacter(static_cast<char>(c), MachineCode::Eia), EiaEncode(u));
    }
    for (int b = 0; b < 0x100; ++b) {
        SCOPED_TRACE(b);
        const DecodedByte d = DecodeEia(static_cast<std::uint8_t>(b));
        const std::uint8_t pc = EiaDecode(static_cast<std::uint8_t>(b));
        if (pc >= 0x20 || pc == '\n') {
            EXPECT_EQ(d, Char(static_cast<char>(pc)));
        } else if (d.kind == ByteKind::Character) {
            ADD_FAILURE() << "the PC side has no character for this byte";
        }
    }
}

TEST(CodeReaderTest, AutomaticReaderDecidesByTheFirstCharacterParity) {
    CodeReader eia(MachineCode::Auto);
    EXPECT_EQ(eia.Decode(0x00), Kind(ByteKind::Feed));
    EXPECT_EQ(eia.Decode(0x11), Kind(ByteKind::Dc1));
    EXPECT_EQ(eia.Current(), MachineCode::Auto);
    EXPECT_EQ(eia.Decode(0x0B), Char('%'));
    EXPECT_EQ(eia.Current(), MachineCode::Eia);
    // Once EIA is chosen, 0x13 is a digit and 0xA5 is a parity error.
    EXPECT_EQ(eia.Decode(0x13), Char('3'));
    EXPECT_EQ(eia.Decode(0xA5), Kind(ByteKind::BadParity, true));

    CodeReader iso(MachineCode::Auto);
    EXPECT_EQ(iso.Decode(0xA5), Char('%'));
    EXPECT_EQ(iso.Current(), MachineCode::Iso);
    EXPECT_EQ(iso.Decode(0x13), Kind(ByteKind::Dc3, true));
}

TEST(CodeReaderTest, ResetLetsTheNextTapeDecideAgain) {
    CodeReader reader(MachineCode::Auto);
    reader.Decode(0x0B);
    ASSERT_EQ(reader.Current(), MachineCode::Eia);
    reader.Reset();
    EXPECT_EQ(reader.Decode(0xA5), Char('%'));
    EXPECT_EQ(reader.Current(), MachineCode::Iso);

    CodeReader fixed(MachineCode::Eia);
    fixed.Reset();
    EXPECT_EQ(fixed.Decode(0xA5), Kind(ByteKind::BadParity, true));
}

}  // namespace
}  // namespace kelvantori::machine
