#include "core/LineStream.h"

#include <gtest/gtest.h>

#include <random>

namespace kelvantori {
namespace {

// Hands out the bytes in pieces of the given sizes (repeating the last), like a file read in
// chunks that end anywhere, even between the CR and the LF of a line end.
class PieceReader : public ByteReader {
  public:
    PieceReader(std::string bytes, std::vector<std::size_t> pieces, bool failAtEnd = false)
        : bytes_(std::move(bytes)), pieces_(std::move(pieces)), failAtEnd_(failAtEnd) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (pos_ >= bytes_.size())
            return failAtEnd_ ? -1 : 0;
        std::size_t n = pieces_[std::min(piece_, pieces_.size() - 1)];
        ++piece_;
        n = std::min({n, size, bytes_.size() - pos_});
        bytes_.copy(buffer, n, pos_);
        pos_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string bytes_;
    std::vector<std::size_t> pieces_;
    bool failAtEnd_;
    std::size_t pos_ = 0;
    std::size_t piece_ = 0;
};

std::vector<std::string> ReadAllLines(LineSource& source) {
    std::vector<std::string> lines;
    std::string_view line;
    while (source.Next(line))
        lines.emplace_back(line);
    return lines;
}

std::vector<std::string> StreamLines(const std::string& bytes, std::vector<std::size_t> pieces,
                                     std::size_t bufferSize) {
    PieceReader reader(bytes, std::move(pieces));
    StreamLineSource source(reader, bufferSize);
    return ReadAllLines(source);
}

struct StreamCase {
    const char* name;
    std::string bytes;
    std::vector<std::size_t> pieces;
    std::size_t bufferSize;
};
void PrintTo(const StreamCase& c, std::ostream* os) {
    *os << c.name;
}

class StreamLineSourceTest : public testing::TestWithParam<StreamCase> {};

TEST_P(StreamLineSourceTest, GivesTheLinesOfTheWholeText) {
    const auto& c = GetParam();
    EXPECT_EQ(StreamLines(c.bytes, c.pieces, c.bufferSize), SplitProgramLines(c.bytes).lines);
    BytesLineSource inMemory(c.bytes);
    EXPECT_EQ(ReadAllLines(inMemory), SplitProgramLines(c.bytes).lines);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, StreamLineSourceTest,
    testing::Values(
        StreamCase{"Empty", "", {5}, 16},
        StreamCase{"CrLfSplitBetweenCrAndLf", "O1\r\nM30\r\n", {3, 1, 100}, 16},
        StreamCase{"LoneCrAtPieceEnd", "O1\rM30\r", {3, 100}, 16},
        StreamCase{"LoneCrAtTextEnd", "O1\r", {3}, 16},
        StreamCase{"LfCrIsTwoLineEnds", "A\n\rB", {1}, 16},
        StreamCase{"NoFinalLineEnd", "O1\r\nM30", {1}, 16},
        StreamCase{"BlankLines", "\r\n\r\nA\r\n\r\n", {2}, 16},
        StreamCase{"LineLongerThanBuffer", std::string(100, 'X') + "\r\nY", {7}, 16},
        StreamCase{"LfOnlyManyLinesInSmallBuffer", "a\nbb\nccc\ndddd\neeeee\n", {4}, 16},
        StreamCase{"CrOnlyManyLines", "a\rbb\rccc\rdddd\reeeee\r", {5}, 16},
        StreamCase{"NulBytesAreLineContent", std::string("A\0B\r\n\0\r\n", 8), {3}, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StreamLineSourceTest, MatchesWholeTextSplittingOnRandomTexts) {
    // Texts built from the bytes that matter (line ends, NUL, letters), cut into random pieces.
    std::mt19937 random(1234);
    const std::string alphabet = std::string("\r\n\r\nAB%\0", 8);
    for (int round = 0; round < 500; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i)
            bytes.push_back(alphabet[random() % alphabet.size()]);
        std::vector<std::size_t> pieces;
        for (int i = 0; i < 50; ++i)
            pieces.push_back(1 + random() % 20);
        const std::size_t bufferSize = 16 + random() % 40;
        const auto expected = SplitProgramLines(bytes).lines;
        ASSERT_EQ(StreamLines(bytes, pieces, bufferSize), expected) << "round " << round;
        BytesLineSource inMemory(bytes);
        ASSERT_EQ(ReadAllLines(inMemory), expected) << "round " << round;
    }
}

TEST(StreamLineSourceTest, ReportsNulBytesAndBytesRead) {
    PieceReader clean("O1\r\nM30\r\n", {4});
    StreamLineSource cleanSource(clean, 16);
    ReadAllLines(cleanSource);
    EXPECT_FALSE(cleanSource.SawNul());
    EXPECT_EQ(cleanSource.BytesRead(), 9u);

    PieceReader dirty(std::string("O1\r\nM3\0\r\n", 9), {4});
    StreamLineSource dirtySource(dirty, 16);
    ReadAllLines(dirtySource);
    EXPECT_TRUE(dirtySource.SawNul());
}

TEST(StreamLineSourceTest, ReadErrorEndsTheTextAndIsReported) {
    PieceReader reader("O1\r\nM30", {100}, /*failAtEnd=*/true);
    StreamLineSource source(reader, 16);
    // The last, unfinished line is still handed out; the failure says the text may go on.
    EXPECT_EQ(ReadAllLines(source), (std::vector<std::string>{"O1", "M30"}));
    EXPECT_TRUE(source.Failed());
}

TEST(ProgramTextSourceTest, GivesTheLinesInOrder) {
    const ProgramText text{{"%", "O1", ""}};
    ProgramTextSource source(text);
    EXPECT_EQ(ReadAllLines(source), text.lines);
    EXPECT_FALSE(source.Failed());
}

// A sink that takes a given number of writes and then refuses.
class LimitedSink : public ByteSink {
  public:
    explicit LimitedSink(int writes) : writesLeft_(writes) {}
    bool Write(std::string_view bytes) override {
        if (writesLeft_-- <= 0)
            return false;
        pieces.emplace_back(bytes);
        return true;
    }
    std::vector<std::string> pieces;

  private:
    int writesLeft_;
};

TEST(CrLfWriterTest, WritesEveryLineWithCrLfInLargePieces) {
    LimitedSink sink(100);
    CrLfWriter writer(sink, 10);
    EXPECT_TRUE(writer.Line("O0001"));  // 7 bytes, kept
    EXPECT_TRUE(sink.pieces.empty());
    EXPECT_TRUE(writer.Line("G01 ", "X20", " Y5"));  // reaches 10: handed on
    ASSERT_EQ(sink.pieces.size(), 1u);
    EXPECT_EQ(sink.pieces[0], "O0001\r\nG01 X20 Y5\r\n");
    EXPECT_TRUE(writer.Line(""));
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ(sink.pieces.back(), "\r\n");
    EXPECT_EQ(writer.BytesWritten(), 21u);
}

TEST(CrLfWriterTest, StaysFailedAfterTheSinkRefused) {
    LimitedSink sink(0);
    CrLfWriter writer(sink, 4);
    EXPECT_FALSE(writer.Line("O0001"));
    EXPECT_FALSE(writer.Line("M30"));
    EXPECT_FALSE(writer.Flush());
    EXPECT_TRUE(sink.pieces.empty());
}

TEST(CrLfWriterTest, TextKeepsOrderWithTheBufferedLines) {
    LimitedSink sink(100);
    CrLfWriter writer(sink, 10);
    EXPECT_TRUE(writer.Line("O1"));
    EXPECT_TRUE(writer.Text("A\r\n"));  // small: buffered behind O1
    EXPECT_TRUE(sink.pieces.empty());
    EXPECT_TRUE(writer.Text("G01 X1 Y2\r\nM30\r\n"));  // large: the buffer first, then it
    EXPECT_TRUE(writer.Line("%"));
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ(sink.pieces,
              (std::vector<std::string>{"O1\r\nA\r\n", "G01 X1 Y2\r\nM30\r\n", "%\r\n"}));
    EXPECT_EQ(writer.BytesWritten(), 26u);
}

TEST(IsCrLfTextTest, OnlyLinesEndedByCrLf) {
    const struct {
        std::string_view bytes;
        bool crLf;
    } rows[] = {
        {"O1\r\nM30\r\n", true},
        {"\r\n\r\n", true},
        {"O1\r\nM30", false},        // the last line has no end
        {"O1\nM30\r\n", false},      // a lone LF
        {"O1\rM30\r\n", false},      // a lone CR
        {"O1\r\r\nM30\r\n", false},  // CR CR LF
        {"\nO1\r\n", false},         // LF at the very start
        {"", false},
        {"\r\n", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsCrLfText(row.bytes), row.crLf)
            << testing::PrintToString(std::string(row.bytes));
    }
}

TEST(IsCrLfTextTest, AStrayLineEndIsFoundAtEveryPlaceOfAWord) {
    // The test runs eight bytes at a time: a stray CR or LF must be seen in every byte of a
    // word, across the boundary between two words and in the tail.
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "G01 X" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(IsCrLfText(text));
    for (std::size_t at = 0; at + 2 < text.size(); ++at) {
        if (text[at] == '\r' || text[at] == '\n')
            continue;
        for (const char stray : {'\r', '\n'}) {
            std::string broken = text;
            broken[at] = stray;
            EXPECT_FALSE(IsCrLfText(broken)) << "stray " << int(stray) << " at " << at;
        }
    }
    std::string crCrLf = text;
    crCrLf.insert(crCrLf.size() - 2, "\r");  // CR CR LF in the tail
    EXPECT_FALSE(IsCrLfText(crCrLf));
}

}  // namespace
}  // namespace kelvantori
