// The NC tools and the lines they read and write: line ends, the streamed reader, the CR LF writer;
// split, join and double axis: golden files for their bytes, the names, what they refuse and say.
#include "core/SplitPrograms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/DoubleAxis.h"
#include "core/JoinFiles.h"
#include "support/FileSections.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ReadFixture;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

// Hands out the bytes, then fails instead of ending.
class FailingReader : public MemoryByteReader {
  public:
    using MemoryByteReader::MemoryByteReader;
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        const std::ptrdiff_t n = MemoryByteReader::Read(buffer, size);
        return n == 0 ? -1 : n;
    }
};

template <class Source>
Lines ReadAllLines(Source&& source) {
    Lines lines;
    std::string_view line;
    while (source.Next(line))
        lines.emplace_back(line);
    return lines;
}

// LF CR is two line ends.
TEST(ProgramText, SplitsAtEveryLineEndFormAndJoinsWithCrLf) {
    const std::vector<std::pair<std::string, Lines>> rows = {
        // clang-format off
        {"", {}},                               {"%\r\nO1\r\nM30\r\n", {"%", "O1", "M30"}},
        {"%\nO1\nM30\n", {"%", "O1", "M30"}},   {"%\rO1\r", {"%", "O1"}},
        {"O1\r\nM30", {"O1", "M30"}},
        {"A\r\n\r\nB\r\n\r\n", {"A", "", "B", ""}}, {"A\n\rB", {"A", "", "B"}},
        {std::string("\x93X\0Y\r\n", 6), {std::string("\x93X\0Y", 4)}}};
    // clang-format on
    for (const auto& [bytes, lines] : rows) {
        EXPECT_EQ(SplitProgramLines(bytes).lines, lines) << testing::PrintToString(bytes);
        EXPECT_EQ(ReadAllLines(BytesLineSource(bytes)), lines) << testing::PrintToString(bytes);
    }
    EXPECT_EQ(JoinProgramLines(ProgramText{{"%", "O1", ""}}), "%\r\nO1\r\n\r\n");
}

TEST(StreamLineSource, GivesTheLinesOfTheWholeTextHoweverItArrivesOrFails) {
    // Texts built from the bytes that matter (line ends, NUL, letters), through random buffers.
    std::mt19937 random(1234);
    const std::string alphabet = std::string("\r\n\r\nAB%\0", 8);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 200, ' ');
        for (char& c : bytes)
            c = alphabet[random() % alphabet.size()];
        if (round == 0)
            bytes = std::string(100, 'X') + "\r\nY";  // a line longer than the buffer
        MemoryByteReader reader(bytes);
        ASSERT_EQ(ReadAllLines(StreamLineSource(reader, 16 + random() % 40)),
                  SplitProgramLines(bytes).lines)
            << "round " << round;
    }
    // The last, unfinished line is still handed out; the failure says the text may go on.
    FailingReader failing("O1\r\nM30");
    StreamLineSource source(failing, 16);
    EXPECT_EQ(ReadAllLines(source), (Lines{"O1", "M30"}));
    EXPECT_TRUE(source.Failed());
}

struct RefusingSink : ByteSink {
    bool Write(std::string_view) override { return false; }
};

TEST(CrLfWriter, WritesCrLfLinesInOrderAndKnowsACrLfText) {
    StringByteSink sink;
    CrLfWriter writer(sink, 10);
    // "O0001" (7 bytes) is kept until the next line reaches 10; a text keeps its place.
    EXPECT_TRUE(writer.Line("O0001") && sink.Bytes().empty());
    EXPECT_TRUE(writer.Line("G01 ", "X20", " Y5") && writer.Text("A\r\nM30\r\n") &&
                writer.Line("") && writer.Flush());
    EXPECT_EQ(sink.Bytes(), "O0001\r\nG01 X20 Y5\r\nA\r\nM30\r\n\r\n");
    EXPECT_EQ(writer.BytesWritten(), 29u);
    // Once the sink refused, the writer stays failed.
    RefusingSink refusing;
    CrLfWriter failed(refusing, 4);
    EXPECT_FALSE(failed.Line("O0001") || failed.Line("M30") || failed.Flush());
    for (const char* other : {"O1\r\nM30", "O1\nM30\r\n", "O1\rM30\r\n", "\nO1\r\n", ""})
        EXPECT_FALSE(IsCrLfText(other)) << testing::PrintToString(std::string(other));
    // The test runs eight bytes at a time: a stray CR or LF must be seen in every byte of a
    // word, across the boundary between two words and in the tail.
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "G01 X" + std::to_string(i) + "\r\n";
    EXPECT_TRUE(IsCrLfText(text));
    for (std::size_t at = 0; at + 2 < text.size(); ++at) {
        for (const char stray : {'\r', '\n'}) {
            std::string broken = text;
            broken[at] = stray;
            EXPECT_EQ(IsCrLfText(broken), broken == text) << "stray " << int(stray) << " at " << at;
        }
    }
    EXPECT_FALSE(IsCrLfText(std::string(text).insert(text.size() - 2, "\r")));  // CR CR LF
}

// Every case of a tool's fixture folder, in name order.
std::vector<std::string> FixtureCases(const std::string& tool) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(KELVANTORI_FIXTURES_DIR "/" + tool)) {
        if (e.path().extension() == ".input")
            names.push_back(e.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Keeps the files the split writes, as a folder would: a file replaces one of the same name
// when it is finished; a file never finished leaves nothing.
class FolderSink : public SplitSink {
  public:
    bool Create(const SplitOutputFile& file) override {
        current_ = file.name;
        bytes_.clear();
        startLines.emplace_back(file.startLine);
        return file.number != failAtCreate;
    }
    bool Write(std::string_view bytes) override { return bytes_.append(bytes), true; }
    bool Finish() override { return files[current_] = bytes_, true; }
    Files files;
    Lines startLines;
    std::size_t failAtCreate = 0;

  private:
    std::string current_, bytes_;
};

SplitResult SplitBytes(std::string_view bytes, const SplitRequest& request, FolderSink& sink) {
    return SplitProgramText(SplitProgramLines(bytes), request, sink);
}

TEST(SplitPrograms, FixturesGiveExactlyTheExpectedFiles) {
    // The options (F_Set, B_Set, N_Set) and mask of the cases that do not split plainly to *.NC.
    const std::map<std::string, SplitRequest> requests = {
        // clang-format off
        {"basic_percent", {{true, true, false}}}, {"basic_numbered", {{false, false, true}}},
        {"header_front", {{true, false, false}}}, {"blank_and_percent_lines", {{false, true}}},
        {"mask_lower_extension", {{}, "*.nc"}},
        {"all_options_with_header", {{true, true, true}}}};
    // clang-format on
    const auto cases = FixtureCases("split");
    EXPECT_EQ(cases.size(), 15u);
    for (const auto& name : cases) {
        const auto found = requests.find(name);
        const SplitRequest request = found == requests.end() ? SplitRequest{} : found->second;
        const std::string input = ReadFixture("split/" + name + ".input");
        // Streamed from the bytes in small pieces, as a large file is read.
        MemoryByteReader bytes(input);
        StreamLineSource lines(bytes, 16);
        FolderSink sink;
        EXPECT_EQ(WriteSplit(lines, request, sink).status, SplitStatus::Done) << name;
        EXPECT_EQ(test::FormatFileSections(sink.files),
                  test::FormatFileSections(test::ToFileMap(
                      test::ParseFileSections(ReadFixture("split/" + name + ".expected")))))
            << name;
    }
}

// A "/" or "\" in a program name would reach into another folder.
TEST(SplitPrograms, RefusesBeforeWritingAnything) {
    const std::vector<std::tuple<std::string, const char*, SplitStatus, const char*>> rows = {
        // clang-format off
        {"%\r\n(NO PROGRAM)\r\nN10 O5\r\no100\r\n%\r\n", "*.NC", SplitStatus::NoProgram,
         "プログラム番号が見つかりませんでした。。"},
        {"O0001\r\nM30\r\nO../../etc/x\r\n", "*.NC", SplitStatus::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nLPT1 (PRINT)\r\n", "*.NC", SplitStatus::UnusableName, "3行目"},
        {"O0001\r\nO1\x83\r\n", "*.NC", SplitStatus::UnusableName, "ファイルは作成していません。"},
        {"O1\r\nM30\r\n", "O*.NC", SplitStatus::UnusableMask, "O*.NC"}};
    // clang-format on
    for (const auto& [input, mask, status, text] : rows) {
        FolderSink sink;
        const SplitRequest request{{}, mask};
        const SplitResult result = SplitBytes(input, request, sink);
        EXPECT_EQ(result.status, status) << input;
        EXPECT_EQ(sink.startLines.size() + sink.files.size(), 0u) << input;
        const ToolReport report = SplitReport(result, request);
        EXPECT_EQ(report.title, "中止");
        EXPECT_NE(report.text.find(text), std::string::npos) << report.text;
    }
}

TEST(SplitPrograms, DoneReportWriteFailuresAndNames) {
    FolderSink sink;
    EXPECT_EQ(SplitReport(SplitBytes("O1\r\nO2\r\n", {}, sink), {}),
              (ToolReport{ReportIcon::Information, "完了", "Ｏ番号毎に分割完了しました。"}));
    FolderSink full;
    full.failAtCreate = 2;
    const SplitResult failed = SplitBytes("O1\r\nA\r\nO2\r\nB\r\nO3\r\n", {}, full);
    EXPECT_EQ(failed.status, SplitStatus::WriteFailed);
    EXPECT_EQ(full.files, (Files{{"O1.NC", "O1\r\nA\r\n"}}));
    const std::string text = SplitReport(failed, {}, "ディスクがいっぱいです。").text;
    EXPECT_NE(text.find("ディスクがいっぱいです。"), std::string::npos) << text;
    EXPECT_NE(text.find("1 個のファイルは作成済み"), std::string::npos) << text;
    // The plan was made on another text (the file changed between): the write stops at the name.
    FolderSink changed;
    const ProgramText program = SplitProgramLines("O1\r\nA\r\nO2/\r\nB\r\n");
    ProgramTextSource lines(program);
    EXPECT_EQ(WriteSplit(lines, {}, changed).status, SplitStatus::UnusableName);
    EXPECT_EQ(changed.files, (Files{{"O1.NC", "O1\r\nA\r\n"}}));
    EXPECT_EQ(SplitFileNameOf("O1", 1000, true, ".NC").name, "O1_1000.NC");
    // Only the leading ":" stands for "O"; a later one cannot be in a file name on Windows.
    EXPECT_EQ(SplitFileNameOf(":12:3", 1, false, ".NC").check.problem,
              NameProblem::ForbiddenCharacter);
    EXPECT_EQ(SplitTargetFolder("D:\\NC\\") + "|" + SplitTargetFolder("C:\\"), "D:\\NC|C:");
}

// Div_Sub.ini: the three ticks are "1" or not, and a save keeps the rest of the file.
TEST(SplitPrograms, OptionsReadAndWrittenInDivSub) {
    EXPECT_EQ(ReadSplitOptions(IniDocument::Parse("")), (SplitOptions{false, false, false}));
    EXPECT_EQ(ReadSplitOptions(IniDocument::Parse("[Sub]\r\nF_Set=yes\r\nB_Set=1\r\nN_Set=-1\r\n")),
              (SplitOptions{false, true, true}));
    IniDocument ini =
        IniDocument::Parse("; split\r\n[Sub]\r\nF_Set=0\r\nOther=x\r\n[Keep]\r\nA=1\r\n");
    WriteSplitOptions(ini, {true, false, true});
    EXPECT_EQ(ini.Serialize(),
              "; split\r\n[Sub]\r\nF_Set=1\r\nOther=x\r\nB_Set=0\r\nN_Set=1\r\n[Keep]\r\nA=1\r\n");
    EXPECT_EQ(ReadSplitOptions(ini), (SplitOptions{true, false, true}));
}

TEST(JoinFiles, FixturesTargetNameAndTheQuestionsAboutIt) {
    const auto cases = FixtureCases("join");
    EXPECT_EQ(cases.size(), 5u);
    for (const auto& name : cases) {
        StringByteSink sink;
        CrLfWriter out(sink, 4);
        for (const auto& [file, bytes] :
             test::ParseFileSections(ReadFixture("join/" + name + ".input"))) {
            MemoryByteReader reader(bytes);
            StreamLineSource lines(reader, 16);
            EXPECT_TRUE(AppendProgramLines(lines, out)) << name << " " << file;
        }
        EXPECT_TRUE(out.Flush());
        EXPECT_EQ(sink.Bytes(), ReadFixture("join/" + name + ".expected")) << name;
    }
    // The test for the extension is case-sensitive and looks anywhere in the name; so is the test
    // for a target among the sources.
    const std::vector<std::tuple<const char*, const char*, const char*>> rows = {
        // clang-format off
        {"ALL", "*.NC", "ALL.NC"},       {"ALL.NC", "*.NC", "ALL.NC"},      {"ALL", "*", "ALL"},
        {"ALL.nc", "*.NC", "ALL.nc.NC"}, {"A.NC.BAK", "*.NC", "A.NC.BAK"},
        {"ALL", "*.txt", "ALL.txt"}};
    // clang-format on
    for (const auto& [typed, mask, target] : rows)
        EXPECT_EQ(JoinTargetName(typed, mask), target) << typed << " " << mask;
    const Lines sources{"A.NC", "B.NC"};
    EXPECT_EQ(std::tuple(IsJoinSource("B.NC", sources), IsJoinSource("b.NC", sources),
                         IsJoinSource("C.NC", sources)),
              std::tuple(true, false, false));
    EXPECT_EQ(JoinOverwriteQuestion("C:\\NC\\ALL.NC"),
              "すでにC:\\NC\\ALL.NCが有ります。\n上書きしますか？");
}

TEST(ToolFileNames, WhatKeepsANameFromBeingOneFile) {
    using P = NameProblem;
    const std::vector<std::pair<std::string, NameProblem>> rows = {
        // clang-format off
        {"O0001 ﾃｽﾄ表.NC", P::None}, {"CONSOLE.NC", P::None}, {"COM10.NC", P::None}, {"", P::Empty},
        {"O1/2.NC", P::ForbiddenCharacter}, {"O1\\2.NC", P::ForbiddenCharacter},
        {"O1\"?", P::ForbiddenCharacter},
        {"O1\t.NC", P::ControlCharacter}, {"CON.NC", P::ReservedName}, {"nul", P::ReservedName},
        {"LPT1 .NC", P::ReservedName}, {"COM9.TXT", P::ReservedName},
        {"O1.", P::TrailingDotOrSpace},
        {"O1 ", P::TrailingDotOrSpace}, {"..", P::DotName}, {std::string(255, 'A'), P::None},
        {std::string(256, 'A'), P::TooLong}};
    // clang-format on
    for (const auto& [name, problem] : rows)
        EXPECT_EQ(CheckFileName(name).problem, problem) << name;
    // A mask's extension is all but its first character, which may be a multi-byte one.
    EXPECT_EQ(MaskExtension("*.nc") + "|" + MaskExtension("*") + "|" + MaskExtension("＊.NC"),
              ".nc||.NC");
    // clang-format off
    for (const auto& [mask, usable] : std::vector<std::pair<const char*, bool>>{
             {"*.NC", true}, {"*", true}, {"*.NC.BAK", true}, {"?.TXT", true}, {"*.*", false},
             {"O*.NC", false}, {"*.", false}, {"*NC", false}, {"*.N?", false}, {"*.NC ", false}})
        EXPECT_EQ(IsUsableMaskExtension(mask), usable) << mask;
    // clang-format on
}

TEST(DoubleAxis, FixturesConvertByteExact) {
    const std::map<std::string, char> axes = {
        {"axis_y", 'Y'}, {"lf_only_z", 'Z'}, {"arc_centre_i", 'I'}};  // the others: X
    const auto cases = FixtureCases("double");
    EXPECT_EQ(cases.size(), 7u);
    for (const auto& name : cases) {
        const char axis = axes.count(name) ? axes.at(name) : 'X';
        const std::string input = ReadFixture("double/" + name + ".input");
        MemoryByteReader bytes(input);
        StreamLineSource lines(bytes, 16);
        StringByteSink sink;
        CrLfWriter out(sink, 8);
        EXPECT_EQ(DoubleAxisValues(lines, axis, out).status, DoubleStatus::Done) << name;
        EXPECT_EQ(sink.Bytes(), ReadFixture("double/" + name + ".expected")) << name;
    }
}

// The last rows do not read as a number: nothing.
TEST(DoubleAxis, DecimalTextDoublesExactlyWithTheWrittenDecimals) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        // clang-format off
        {"999", "1998"},   {"0010", "20"},      {"10.", "20.0"},   {"1.0005", "2.0010"}, {"0", "0"},
        {"9.99999", "19.99998"}, {"-.25", "-0.50"}, {"-0.0", "0.0"}, {"  7 ", "14"},
        {"12345678901234567890.123", "24691357802469135780.246"},
        {"1.2.3", ""}, {"- 5", ""}, {".", ""}, {"-.", ""}, {"5-", ""}, {"--5", ""}, {"1 2", ""},
        {"", ""}};
    // clang-format on
    for (const auto& [text, doubled] : rows)
        EXPECT_EQ(DoubleDecimalText(text).value_or(""), doubled) << text;
}

// The file view converts line by line in place; the golden files hold the other line forms.
TEST(DoubleAxis, LineChangesOnlyTheFirstAxisWord) {
    using S = AxisLineStatus;
    const std::vector<std::tuple<std::string, char, S, std::string>> rows = {
        // clang-format off
        {"G01 X10.5 Y3.", 'Y', S::Doubled, "G01 X10.5 Y6.0"},
        {"(MAX) X10.", 'X', S::Unchanged, "(MAX) X10."},
        {"X1.2.3", 'X', S::NotANumber, "X1.2.3"},             {"X- 5", 'X', S::NotANumber, "X- 5"},
        {"(\x83X10) X1", 'X', S::Doubled, "(\x83X10) X2"},
        {"X1\x83", 'X', S::Doubled, "X2\x83"}};
    // clang-format on
    for (const auto& [before, axis, status, after] : rows) {
        std::string line = before;
        S got{};
        EXPECT_EQ(DoubleAxisLine(line, axis, &got), status != S::NotANumber) << before;
        EXPECT_EQ(std::pair(got, line), std::pair(status, after)) << before;
    }
}

TEST(DoubleAxis, MessagesAxisLettersAndTargetName) {
    const ProgramText text{{"G01 X1.", "G01 X2.", "G01 X1.2.3 Y0", "G01 X4."}};
    ProgramTextSource lines(text);
    StringByteSink sink;
    CrLfWriter out(sink, 1);
    const DoubleResult result = DoubleAxisValues(lines, 'X', out);
    EXPECT_EQ(sink.Bytes(), "G01 X2.0\r\nG01 X4.0\r\n");
    const ToolReport report = DoubleReport(result, 'X', "A_2.NC");
    EXPECT_EQ(report.title + report.text,
              "中止3行目のXの値「1.2.3」は数値として読み取れません。\n変換を中止しました。A_2.NC "
              "は保存していません。");
    EXPECT_EQ(DoubleReport(DoubleResult{}, 'Z', "B_2.NC"),
              (ToolReport{ReportIcon::Information, "完了",
                          "Z軸を２倍に変換しました。\n変換ファイル名は B_2.NCです。"}));
    std::string axes;
    for (const char c : std::string_view("XyZiJkUvWAaBCDGLMNOPRST0-. "))
        axes += AxisOfLetter(c).value_or('_');
    EXPECT_EQ(axes, "XYZIJKUVW__________________");
    EXPECT_EQ(DoubleTargetName("A.TXT", "*.NC") + " " + DoubleTargetName("O1234", "*.NC") + " " +
                  DoubleTargetName("A.B.NC", "*.nc"),
              "A_2.NC O1234_2.NC A.B_2.nc");
}

}  // namespace
}  // namespace kelvantori
