// Lines in and out: the line ends a program text may use, the streamed reader that must give the
// same lines however the file arrives, and the CR LF writer.
#include "core/LineStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kelvantori {
namespace {

using Lines = std::vector<std::string>;

// Hands out the bytes in pieces of the given sizes (repeating the last), like a file read in
// chunks that end anywhere, even between the CR and the LF of a line end.
class PieceReader : public ByteReader {
  public:
    PieceReader(std::string bytes, std::vector<std::size_t> pieces, bool failAtEnd = false)
        : bytes_(std::move(bytes)), pieces_(std::move(pieces)), failAtEnd_(failAtEnd) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (pos_ >= bytes_.size())
            return failAtEnd_ ? -1 : 0;
        const std::size_t n =
            std::min({pieces_[std::min(piece_++, pieces_.size() - 1)], size, bytes_.size() - pos_});
        bytes_.copy(buffer, n, pos_);
        pos_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string bytes_;
    std::vector<std::size_t> pieces_;
    bool failAtEnd_;
    std::size_t pos_ = 0, piece_ = 0;
};

template <class Source>
Lines ReadAllLines(Source&& source) {
    Lines lines;
    std::string_view line;
    while (source.Next(line))
        lines.emplace_back(line);
    return lines;
}

TEST(ProgramText, SplitsAtEveryLineEndFormAndJoinsWithCrLf) {
    // LF CR is two line ends.
    const std::vector<std::pair<std::string, Lines>> rows = {
        // clang-format off
        {"", {}},                          {"%\r\nO1\r\nM30\r\n", {"%", "O1", "M30"}},
        {"%\nO1\nM30\n", {"%", "O1", "M30"}}, {"%\rO1\r", {"%", "O1"}},  {"O1\r\nM30", {"O1", "M30"}},
        {"A\r\n\r\nB\r\n\r\n", {"A", "", "B", ""}}, {"A\n\rB", {"A", "", "B"}},
        {std::string("\x93X\0Y\r\n", 6), {std::string("\x93X\0Y", 4)}}};
    // clang-format on
    for (const auto& [bytes, lines] : rows) {
        EXPECT_EQ(SplitProgramLines(bytes).lines, lines) << testing::PrintToString(bytes);
        EXPECT_EQ(ReadAllLines(BytesLineSource(bytes)), lines) << testing::PrintToString(bytes);
    }
    EXPECT_EQ(JoinProgramLines(ProgramText{{"%", "O1", ""}}), "%\r\nO1\r\n\r\n");
}

TEST(StreamLineSource, GivesTheLinesOfTheWholeTextHoweverItArrives) {
    // Texts built from the bytes that matter (line ends, NUL, letters), cut into random pieces.
    std::mt19937 random(1234);
    const std::string alphabet = std::string("\r\n\r\nAB%\0", 8);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 200, ' ');
        for (char& c : bytes)
            c = alphabet[random() % alphabet.size()];
        if (round == 0)
            bytes = std::string(100, 'X') + "\r\nY";  // a line longer than the buffer
        std::vector<std::size_t> pieces;
        for (int i = 0; i < 50; ++i)
            pieces.push_back(1 + random() % 20);
        const auto expected = SplitProgramLines(bytes).lines;
        PieceReader reader(bytes, pieces);
        ASSERT_EQ(ReadAllLines(StreamLineSource(reader, 16 + random() % 40)), expected)
            << "round " << round;
    }
}

TEST(StreamLineSource, ReportsNulBytesReadErrorsAndBytesRead) {
    PieceReader clean("O1\r\nM30\r\n", {4}), dirty(std::string("O1\r\nM3\0\r\n", 9), {4});
    StreamLineSource cleanSource(clean, 16), dirtySource(dirty, 16);
    ReadAllLines(cleanSource);
    ReadAllLines(dirtySource);
    EXPECT_FALSE(cleanSource.SawNul());
    EXPECT_EQ(cleanSource.BytesRead(), 9u);
    EXPECT_TRUE(dirtySource.SawNul());
    // The last, unfinished line is still handed out; the failure says the text may go on.
    PieceReader failing("O1\r\nM30", {100}, /*failAtEnd=*/true);
    StreamLineSource source(failing, 16);
    EXPECT_EQ(ReadAllLines(source), (Lines{"O1", "M30"}));
    EXPECT_TRUE(source.Failed());
}

struct RefusingSink : ByteSink {
    bool Write(std::string_view) override { return false; }
};

TEST(CrLfWriter, WritesEveryLineWithCrLfInLargePiecesAndInOrder) {
    StringByteSink sink;
    CrLfWriter writer(sink, 10);
    // "O0001" (7 bytes) is kept until the next line reaches 10; a small text is buffered, a
    // large one goes after the buffer.
    EXPECT_TRUE(writer.Line("O0001") && sink.Bytes().empty());
    EXPECT_TRUE(writer.Line("G01 ", "X20", " Y5") && sink.Bytes() == "O0001\r\nG01 X20 Y5\r\n");
    EXPECT_TRUE(writer.Text("A\r\n") && writer.Text("G01 X1 Y2\r\nM30\r\n") && writer.Line("") &&
                writer.Flush());
    EXPECT_EQ(sink.Bytes(), "O0001\r\nG01 X20 Y5\r\nA\r\nG01 X1 Y2\r\nM30\r\n\r\n");
    EXPECT_EQ(writer.BytesWritten(), 40u);
    // Once the sink refused, the writer stays failed.
    RefusingSink refusing;
    CrLfWriter failed(refusing, 4);
    EXPECT_FALSE(failed.Line("O0001") || failed.Line("M30") || failed.Flush());
}

TEST(CrLfWriter, IsCrLfTextWantsEveryLineEndedByCrLf) {
    for (const char* crLf : {"O1\r\nM30\r\n", "\r\n\r\n", "\r\n"})
        EXPECT_TRUE(IsCrLfText(crLf)) << crLf;
    for (const char* other :
         {"O1\r\nM30", "O1\nM30\r\n", "O1\rM30\r\n", "O1\r\r\nM30\r\n", "\nO1\r\n", ""})
        EXPECT_FALSE(IsCrLfText(other)) << testing::PrintToString(std::string(other));
    // The test runs eight bytes at a time: a stray CR or LF must be seen in every byte of a
    // word, across the boundary between two words and in the tail.
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "G01 X" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(IsCrLfText(text));
    for (std::size_t at = 0; at + 2 < text.size(); ++at) {
        for (const char stray : {'\r', '\n'}) {
            std::string broken = text;
            broken[at] = stray;
            EXPECT_EQ(IsCrLfText(broken), broken == text) << "stray " << int(stray) << " at " << at;
        }
    }
    EXPECT_FALSE(IsCrLfText(std::string(text).insert(text.size() - 2, "\r")));  // CR CR LF
}

}  // namespace
}  // namespace kelvantori
