// Loading an NC file for the view, a send or a tool: the format question and the line-by-line
// reading, over real files in a temporary folder mapped as drive D:.
#include "files/ProgramLoader.h"

#include <gtest/gtest.h>

#include "platform/DriveMap.h"
#include "platform/HostConfig.h"
#include "support/TempFolder.h"

namespace kelvantori::test {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

class LoaderTest : public ::testing::Test {
  protected:
    LoaderTest() {
        HostConfig config;
        config.drives['D'] = folder_.Path();
        files_ = CreateSystemFileSystem(DriveMap::Build(config, folder_.Path(), {}));
    }

    // Loads D:\name after writing bytes to it, answering the question with answer.
    LoadedProgram Load(const std::string& bytes, bool answer) {
        folder_.Write("P.NC", bytes);
        return LoadFileIntoView(*files_, "D:\\P.NC", [&](const std::string& question) {
            questions_.push_back(question);
            return answer;
        });
    }

    TempFolder folder_;
    std::unique_ptr<FileSystem> files_;
    std::vector<std::string> questions_;
};

struct LoadCase {
    const char* behaviour;
    std::string bytes;
    bool answer;
    bool asked;
    Lines expected;
};

TEST_F(LoaderTest, FormatCheckAndLines) {
    const std::string long1200(1200, 'X');
    const std::string long499(499, 'Y');
    const LoadCase cases[] = {
        {"CR LF lines, no question",
         "%\r\nO1234\r\nG01X1.\r\nM30\r\n%\r\n",
         true,
         false,
         {"%", "O1234", "G01X1.", "M30", "%"}},
        {"LF lines", "O1\nG0\nM30\n", true, false, {"O1", "G0", "M30"}},
        {"a blank line is kept", "A\r\n\r\nB\r\n", true, false, {"A", "", "B"}},
        {"no line end after the last line", "O1\r\nM30", true, false, {"O1", "M30"}},
        {"a long line stays whole in a normal file", long1200 + "\r\n", true, false, {long1200}},
        {"an empty file asks; Yes gives no lines", "", true, true, {}},
        {"an empty file asks; No gives no lines", "", false, true, {}},
        {"a NUL at the start asks; Yes reads line by line",
         "\0O1234\r\nG01X1\r\nM30\r\n"s,
         true,
         true,
         {"G01X1", "M30"}},
        {"a NUL at the start asks; No gives nothing", "\0O1234\r\nM30\r\n"s, false, true, {}},
        {"a NUL in the middle asks too; Yes ends that line at the NUL",
         "O1\r\nG0\0X1\r\nM30\r\n"s,
         true,
         true,
         {"O1", "G0", "M30"}},
        {"a NUL in the middle; No gives nothing rather than half a program",
         "O1\r\nG0\0X1\r\nM30\r\n"s,
         false,
         true,
         {}},
        {"line by line: lines over 499 characters arrive in pieces",
         "\0\n"s + long1200 + "\r\nM30\n",
         true,
         true,
         {std::string(499, 'X'), std::string(499, 'X'), std::string(202, 'X'), "M30"}},
        {"line by line: exactly 499 characters are one line",
         "\0\n"s + long499 + "\r\nM30\r\n",
         true,
         true,
         {long499, "M30"}},
        {"line by line: empty lines are dropped, LF and CR LF alike",
         "\0\nA\n\nB\r\n\r\nC"s,
         true,
         true,
         {"A", "B", "C"}},
        {"line by line: a lone CR ends a line", "\0\nA\rB\n"s, true, true, {"A", "B"}},
    };
    for (const auto& c : cases) {
        questions_.clear();
        const LoadedProgram loaded = Load(c.bytes, c.answer);
        EXPECT_EQ(loaded.text.lines, c.expected) << c.behaviour;
        EXPECT_EQ(loaded.size, c.bytes.size()) << c.behaviour;
        EXPECT_TRUE(loaded.readable) << c.behaviour;
        EXPECT_EQ(questions_.size(), c.asked ? 1u : 0u) << c.behaviour;
        if (!questions_.empty()) {
            EXPECT_EQ(questions_[0], std::string(kFormatQuestion)) << c.behaviour;
        }
    }
}

TEST_F(LoaderTest, AFileThatCannotBeReadAsksAndGivesNothing) {
    const LoadedProgram loaded =
        LoadFileIntoView(*files_, "D:\\MISSING.NC", [&](const std::string& question) {
            questions_.push_back(question);
            return true;
        });
    EXPECT_FALSE(loaded.readable);
    EXPECT_EQ(loaded.size, 0u);
    EXPECT_TRUE(loaded.text.lines.empty());
    EXPECT_EQ(questions_.size(), 1u);
}

TEST(ReadLinesAsText, ReadsOfAtMost499Characters) {
    const std::string bytes = std::string(998, 'Z') + "\n";
    EXPECT_EQ(ReadLinesAsText(bytes).lines, (Lines{std::string(499, 'Z'), std::string(499, 'Z')}));
    EXPECT_EQ(ReadLinesAsText("AB\0CD\nEF"s).lines, (Lines{"AB", "EF"}));
}

}  // namespace
}  // namespace kelvantori::test
