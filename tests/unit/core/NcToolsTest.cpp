// The NC tools and the lines they read and write: line ends, the streamed reader and the CR LF
// writer; split, join and double axis with golden files for their bytes, the names they give,
// and what they refuse and say.
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
#include "core/LineStream.h"
#include "support/FileSections.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using Lines = std::vector<std::string>;

// Hands out the bytes in random pieces, like a file read in chunks that end anywhere, even
// between the CR and the LF of a line end; then the end, or a read error.
class PieceReader : public ByteReader {
  public:
    explicit PieceReader(std::string bytes, bool failAtEnd = false, unsigned seed = 1)
        : bytes_(std::move(bytes)), failAtEnd_(failAtEnd), random_(seed) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (pos_ >= bytes_.size())
            return failAtEnd_ ? -1 : 0;
        const std::size_t n =
            bytes_.copy(buffer, std::min<std::size_t>(size, 1 + random_() % 20), pos_);
        pos_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string bytes_;
    bool failAtEnd_;
    std::mt19937 random_;
    std::size_t pos_ = 0;
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
    for (unsigned round = 0; round < 500; ++round) {
        std::string bytes(random() % 200, ' ');
        for (char& c : bytes)
            c = alphabet[random() % alphabet.size()];
        if (round == 0)
            bytes = std::string(100, 'X') + "\r\nY";  // a line longer than the buffer
        PieceReader reader(bytes, false, round);
        ASSERT_EQ(ReadAllLines(StreamLineSource(reader, 16 + random() % 40)),
                  SplitProgramLines(bytes).lines)
            << "round " << round;
    }
}

TEST(StreamLineSource, ReportsNulBytesReadErrorsAndBytesRead) {
    PieceReader clean("O1\r\nM30\r\n"), dirty(std::string("O1\r\nM3\0\r\n", 9));
    StreamLineSource cleanSource(clean, 16), dirtySource(dirty, 16);
    ReadAllLines(cleanSource);
    ReadAllLines(dirtySource);
    EXPECT_EQ(std::tuple(cleanSource.SawNul(), cleanSource.BytesRead(), dirtySource.SawNul()),
              std::tuple(false, 9u, true));
    // The last, unfinished line is still handed out; the failure says the text may go on.
    PieceReader failing("O1\r\nM30", /*failAtEnd=*/true);
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

using test::ReadFixture;
using Files = std::map<std::string, std::string>;

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
    bool Write(std::string_view bytes) override {
        bytes_.append(bytes);
        return true;
    }
    bool Finish() override {
        files[current_] = bytes_;
        return true;
    }
    Files files;
    std::vector<std::string> startLines;
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
        {"mask_lower_extension", {{}, "*.nc"}},   {"all_options_with_header", {{true, true, true}}}};
    // clang-format on
    const auto cases = FixtureCases("split");
    EXPECT_EQ(cases.size(), 15u);
    for (const auto& name : cases) {
        const auto found = requests.find(name);
        const SplitRequest request = found == requests.end() ? SplitRequest{} : found->second;
        const std::string input = ReadFixture("split/" + name + ".input");
        // Streamed from the bytes in small pieces, as a large file is read.
        MemoryByteReader planBytes(input), bytes(input);
        StreamLineSource planLines(planBytes, 16), lines(bytes, 16);
        EXPECT_EQ(PlanSplit(planLines, request).status, SplitStatus::Done) << name;
        FolderSink sink, viewSink;
        EXPECT_EQ(WriteSplit(lines, request, sink).status, SplitStatus::Done) << name;
        EXPECT_EQ(test::FormatFileSections(sink.files),
                  test::FormatFileSections(test::ToFileMap(
                      test::ParseFileSections(ReadFixture("split/" + name + ".expected")))))
            << name;
        // The file view (lines in memory) gives the same files.
        EXPECT_EQ(SplitBytes(input, request, viewSink).status, SplitStatus::Done) << name;
        EXPECT_EQ(viewSink.files, sink.files) << name;
    }
}

TEST(SplitPrograms, RefusesBeforeWritingAnything) {
    // A "/" or "\" in a program name would reach into another folder.
    using S = SplitStatus;
    const std::vector<std::tuple<std::string, const char*, SplitStatus, const char*>> rows = {
        // clang-format off
        {"%\r\n(NO PROGRAM)\r\nN10 O5\r\no100\r\n%\r\n", "*.NC", S::NoProgram,
         "プログラム番号が見つかりませんでした。。"},
        {"O0001\r\nM30\r\nO12/3\r\n", "*.NC", S::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nO../../etc/x\r\n", "*.NC", S::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nLPT1 (PRINT)\r\n", "*.NC", S::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nO1\x83\r\n", "*.NC", S::UnusableName, "ファイルは作成していません。"},
        {"O1\r\nM30\r\n", "*.*", S::UnusableMask, "*.*"},
        {"O1\r\nM30\r\n", "O*.NC", S::UnusableMask, "O*.NC"}};
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

TEST(SplitPrograms, DoneReportAndWriteFailures) {
    FolderSink sink;
    const SplitResult done = SplitBytes("O1\r\nO2\r\n", {}, sink);
    EXPECT_EQ(SplitReport(done, {}),
              (ToolReport{ReportIcon::Information, "完了", "Ｏ番号毎に分割完了しました。"}));
    EXPECT_EQ(sink.startLines, (std::vector<std::string>{"O1", "O2"}));

    FolderSink full;
    full.failAtCreate = 2;
    const SplitResult failed = SplitBytes("O1\r\nA\r\nO2\r\nB\r\nO3\r\n", {}, full);
    EXPECT_EQ(failed.status, SplitStatus::WriteFailed);
    EXPECT_EQ(full.files, (Files{{"O1.NC", "O1\r\nA\r\n"}}));
    const std::string text = SplitReport(failed, {}, "ディスクがいっぱいです。").text;
    EXPECT_NE(text.find("ディスクがいっぱいです。"), std::string::npos) << text;
    EXPECT_NE(text.find("1 個のファイルは作成済み"), std::string::npos) << text;
}

TEST(SplitPrograms, NameThatTurnsBadAfterThePlanStopsAfterTheFileBefore) {
    // The plan is made on one text and the write runs on another (the file changed between).
    FolderSink sink;
    const ProgramText text = SplitProgramLines("O1\r\nA\r\nO2/\r\nB\r\n");
    ProgramTextSource lines(text);
    EXPECT_EQ(WriteSplit(lines, {}, sink).status, SplitStatus::UnusableName);
    EXPECT_EQ(sink.files, (Files{{"O1.NC", "O1\r\nA\r\n"}}));
}

TEST(SplitPrograms, FileNamesFollowTheStartLine) {
    const std::vector<std::tuple<const char*, std::size_t, bool, const char*, const char*>> rows = {
        // clang-format off
        {"O0001(PART A)", 1, false, ".NC", "O0001.NC"}, {"O0001 (X)", 1, false, ".NC", "O0001 .NC"},
        {":1234", 1, false, ".NC", "O1234.NC"},         {"L100", 1, false, "", "L100"},
        {"O0002", 2, true, ".NC", "O0002_002.NC"},      {"O1", 1000, true, ".txt", "O1_1000.txt"}};
    // clang-format on
    for (const auto& [line, number, numbered, extension, expected] : rows) {
        const SplitFileName file = SplitFileNameOf(line, number, numbered, extension);
        EXPECT_TRUE(file.check.ok()) << line;
        EXPECT_EQ(file.name, expected);
    }
    // Only the leading ":" stands for "O"; a later one cannot be in a file name on Windows.
    EXPECT_EQ(SplitFileNameOf(":12:3", 1, false, ".NC").check.problem,
              NameProblem::ForbiddenCharacter);
    EXPECT_EQ(SplitTargetFolder("D:\\NC\\") + "|" + SplitTargetFolder("C:\\"), "D:\\NC|C:");
}

TEST(SplitPrograms, OptionsAreOneAndZeroInTheirSection) {
    const std::vector<std::pair<const char*, SplitOptions>> rows = {
        // clang-format off
        {"", {}}, {"[Other]\r\nF_Set=1\r\n", {}}, {"[sub]\r\nb_set= 1 \r\n", {false, true, false}},
        {"[Sub]\r\nF_Set=1\r\nB_Set=0\r\nN_Set=1\r\n", {true, false, true}},
        {"[Sub]\r\nF_Set=yes\r\nB_Set=\r\nN_Set=-1\r\n", {false, false, true}}};
    // clang-format on
    for (const auto& [ini, options] : rows)
        EXPECT_EQ(ReadSplitOptions(IniDocument::Parse(ini)), options) << ini;
    IniDocument ini =
        IniDocument::Parse("; split\r\n[Sub]\r\nF_Set=0\r\nOther=x\r\n[Keep]\r\nA=1\r\n");
    WriteSplitOptions(ini, {true, false, true});
    EXPECT_EQ(ini.Serialize(),
              "; split\r\n[Sub]\r\nF_Set=1\r\nOther=x\r\nB_Set=0\r\nN_Set=1\r\n[Keep]\r\nA=1\r\n");
}

TEST(JoinFiles, FixturesPutTheTextsOneAfterTheOtherUnchanged) {
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
}

TEST(JoinFiles, TargetNameAndTheQuestionsAboutIt) {
    // The test for the extension is case-sensitive and looks anywhere in the name.
    const std::vector<std::tuple<const char*, const char*, const char*>> rows = {
        // clang-format off
        {"ALL", "*.NC", "ALL.NC"},       {"ALL.NC", "*.NC", "ALL.NC"},      {"ALL", "*", "ALL"},
        {"ALL.nc", "*.NC", "ALL.nc.NC"}, {"A.NC.BAK", "*.NC", "A.NC.BAK"}, {"ALL", "*.txt", "ALL.txt"}};
    // clang-format on
    for (const auto& [typed, mask, target] : rows)
        EXPECT_EQ(JoinTargetName(typed, mask), target) << typed << " " << mask;
    const std::vector<std::string> sources{"A.NC", "B.NC"};
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
        {"O0001 ﾃｽﾄ表.NC", P::None}, {"O0001", P::None}, {"CONSOLE.NC", P::None}, {"COM10.NC", P::None},
        {"", P::Empty},  {"O1/2.NC", P::ForbiddenCharacter},  {"O1\\2.NC", P::ForbiddenCharacter},
        {"O1:2.NC", P::ForbiddenCharacter}, {"O1?.NC", P::ForbiddenCharacter},
        {"O1\"2", P::ForbiddenCharacter},   {"O1\t.NC", P::ControlCharacter},
        {"CON.NC", P::ReservedName}, {"nul", P::ReservedName}, {"LPT1 .NC", P::ReservedName},
        {"COM9.TXT", P::ReservedName}, {"O1.", P::TrailingDotOrSpace}, {"O1 ", P::TrailingDotOrSpace},
        {"..", P::DotName}, {std::string(255, 'A'), P::None}, {std::string(256, 'A'), P::TooLong}};
    // clang-format on
    for (const auto& [name, problem] : rows) {
        const NameCheck check = CheckFileName(name);
        EXPECT_EQ(check.problem, problem) << name;
        EXPECT_EQ(NameProblemText(check).empty(), problem == P::None) << name;
    }
}

TEST(ToolFileNames, MaskExtensionEndsTheNames) {
    EXPECT_EQ(MaskExtension("*.nc") + "|" + MaskExtension("*") + "|" + MaskExtension("＊.NC"),
              ".nc||.NC");  // a multi-byte first character goes whole
    for (const char* mask : {"*.NC", "*.nc", "*", "*.NC.BAK", "?.TXT"})
        EXPECT_TRUE(IsUsableMaskExtension(mask)) << mask;
    for (const char* mask : {"*.*", "O*.NC", "*.", "*NC", "*.N?", "*.NC "})
        EXPECT_FALSE(IsUsableMaskExtension(mask)) << mask;
}

TEST(DoubleAxis, FixturesConvertByteExact) {
    const std::map<std::string, char> axes = {
        {"axis_y", 'Y'}, {"lf_only_z", 'Z'}, {"arc_centre_i", 'I'}};  // the others: X
    int cases = 0;
    for (const auto& e : std::filesystem::directory_iterator(KELVANTORI_FIXTURES_DIR "/double")) {
        if (e.path().extension() != ".input")
            continue;
        ++cases;
        const std::string name = e.path().stem().string();
        const char axis = axes.count(name) ? axes.at(name) : 'X';
        const std::string input = test::ReadFixture("double/" + name + ".input");
        const std::string expected = test::ReadFixture("double/" + name + ".expected");
        MemoryByteReader bytes(input);
        StreamLineSource lines(bytes, 16);
        StringByteSink sink;
        CrLfWriter out(sink, 8);
        EXPECT_EQ(DoubleAxisValues(lines, axis, out).status, DoubleStatus::Done) << name;
        EXPECT_EQ(sink.Bytes(), expected) << name;
        // The file view converted line by line in place gives the same text.
        ProgramText view = SplitProgramLines(input);
        for (auto& line : view.lines)
            DoubleAxisLine(line, axis);
        EXPECT_EQ(JoinProgramLines(view), expected) << name;
    }
    EXPECT_EQ(cases, 7);
}

TEST(DoubleAxis, DecimalTextDoublesExactlyWithTheWrittenDecimals) {
    // The last rows do not read as a number: nothing.
    const std::vector<std::pair<const char*, const char*>> rows = {
        // clang-format off
        {"100", "200"},    {"999", "1998"},     {"0010", "20"},     {"10.", "20.0"},   {".5", "1.0"},
        {"-1.25", "-2.50"}, {"1.0005", "2.0010"}, {"0.1", "0.2"},    {"1.2345678", "2.4691356"},
        {"9.99999", "19.99998"}, {"-.25", "-0.50"}, {"-0.0", "0.0"}, {"0", "0"},  {"  7 ", "14"},
        {"12345678901234567890.123", "24691357802469135780.246"},
        {"1.2.3", ""}, {"- 5", ""}, {".", ""}, {"-.", ""}, {"5-", ""}, {"--5", ""}, {"1 2", ""}, {"", ""}};
    // clang-format on
    for (const auto& [text, doubled] : rows)
        EXPECT_EQ(DoubleDecimalText(text).value_or(""), doubled) << text;
}

TEST(DoubleAxis, LineChangesOnlyTheFirstAxisWord) {
    using S = AxisLineStatus;
    // The first X of "(MAX) X10." has no value; the X of "(\x83X" is the kana's second byte.
    const std::vector<std::tuple<std::string, char, S, std::string>> rows = {
        // clang-format off
        {"G01 X10.5 Y3.", 'Y', S::Doubled, "G01 X10.5 Y6.0"}, {"X1 X2", 'X', S::Doubled, "X2 X2"},
        {"(MAX) X10.", 'X', S::Unchanged, "(MAX) X10."},      {"x10.", 'X', S::Unchanged, "x10."},
        {"X-", 'X', S::Unchanged, "X-"},                      {"(X AXIS)", 'X', S::Unchanged, "(X AXIS)"},
        {"X10  Y5", 'X', S::Doubled, "X20  Y5"},              {"G00 X-1.25", 'X', S::Doubled, "G00 X-2.50"},
        {"X1.2.3", 'X', S::NotANumber, "X1.2.3"},             {"X- 5", 'X', S::NotANumber, "X- 5"},
        {"(\x83X10) X1", 'X', S::Doubled, "(\x83X10) X2"},    {"X1\x83", 'X', S::Doubled, "X2\x83"}};
    // clang-format on
    for (const auto& [before, axis, status, after] : rows) {
        std::string line = before;
        S got{};
        EXPECT_EQ(DoubleAxisLine(line, axis, &got), status != S::NotANumber) << before;
        EXPECT_EQ(got, status) << before;
        EXPECT_EQ(line, after);
    }
}

TEST(DoubleAxis, StopsAtAValueThatIsNoNumberAndNamesTheLine) {
    const ProgramText text{{"G01 X1.", "G01 X2.", "G01 X1.2.3 Y0", "G01 X4."}};
    ProgramTextSource lines(text);
    StringByteSink sink;
    CrLfWriter out(sink, 1);
    const DoubleResult result = DoubleAxisValues(lines, 'X', out);
    EXPECT_EQ(result.status, DoubleStatus::NotANumber);
    EXPECT_EQ(sink.Bytes(), "G01 X2.0\r\nG01 X4.0\r\n");
    const ToolReport report = DoubleReport(result, 'X', "A_2.NC");
    EXPECT_EQ(report.title + report.text,
              "中止3行目のXの値「1.2.3」は数値として読み取れません。\n変換を中止しました。A_2.NC "
              "は保存していません。");
    EXPECT_EQ(DoubleReport(DoubleResult{}, 'Z', "B_2.NC"),
              (ToolReport{ReportIcon::Information, "完了",
                          "Z軸を２倍に変換しました。\n変換ファイル名は B_2.NCです。"}));
}

TEST(DoubleAxis, AxisLetterAndTargetName) {
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
