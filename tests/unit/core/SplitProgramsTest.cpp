// The split and join tools: golden files for the bytes they write, the names they give, and
// what they refuse and say. Also the file name rules both tools use.
#include "core/SplitPrograms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/JoinFiles.h"
#include "support/FileSections.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

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
        return !refuseWrites;
    }
    bool Finish() override {
        files[current_] = bytes_;
        return true;
    }
    Files files;
    std::vector<std::string> startLines;
    std::size_t failAtCreate = 0;
    bool refuseWrites = false;

  private:
    std::string current_, bytes_;
};

SplitResult SplitBytes(std::string_view bytes, const SplitRequest& request, FolderSink& sink) {
    return SplitProgramText(SplitProgramLines(bytes), request, sink);
}

TEST(SplitPrograms, FixturesGiveExactlyTheExpectedFiles) {
    // The options (F_Set, B_Set, N_Set) and mask of the cases that do not split plainly to *.NC.
    const std::map<std::string, SplitRequest> requests = {
        {"basic_percent", {{true, true, false}}},
        {"basic_numbered", {{false, false, true}}},
        {"header_front", {{true, false, false}}},
        {"blank_and_percent_lines", {{false, true}}},
        {"mask_lower_extension", {{}, "*.nc"}},
        {"all_options_with_header", {{true, true, true}}}};
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
    const std::vector<std::tuple<std::string, const char*, SplitStatus, const char*>> rows = {
        {"%\r\n(NO PROGRAM)\r\nN10 O5\r\no100\r\n%\r\n", "*.NC", SplitStatus::NoProgram,
         "プログラム番号が見つかりませんでした。。"},
        // A "/" or "\" in a program name would reach into another folder.
        {"O0001\r\nM30\r\nO12/3\r\n", "*.NC", SplitStatus::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nO../../etc/x\r\n", "*.NC", SplitStatus::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nLPT1 (PRINT)\r\n", "*.NC", SplitStatus::UnusableName, "3行目"},
        {"O0001\r\nM30\r\nO1\x83\r\n", "*.NC", SplitStatus::UnusableName,
         "ファイルは作成していません。"},
        {"O1\r\nM30\r\n", "*.*", SplitStatus::UnusableMask, "*.*"},
        {"O1\r\nM30\r\n", "O*.NC", SplitStatus::UnusableMask, "O*.NC"}};
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

    FolderSink refusing;
    refusing.refuseWrites = true;
    EXPECT_EQ(SplitBytes("O1\r\nA\r\n", {}, refusing).status, SplitStatus::WriteFailed);
    EXPECT_TRUE(refusing.files.empty());
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
        {"O0001(PART A)", 1, false, ".NC", "O0001.NC"}, {"O0001 (X)", 1, false, ".NC", "O0001 .NC"},
        {":1234", 1, false, ".NC", "O1234.NC"},         {"L100", 1, false, "", "L100"},
        {"O0002", 2, true, ".NC", "O0002_002.NC"},      {"O1", 1000, true, ".txt", "O1_1000.txt"}};
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
        {"", {}},
        {"[Sub]\r\nF_Set=1\r\nB_Set=0\r\nN_Set=1\r\n", {true, false, true}},
        {"[Sub]\r\nF_Set=yes\r\nB_Set=\r\nN_Set=-1\r\n", {false, false, true}},
        {"[Other]\r\nF_Set=1\r\n", {}},
        {"[sub]\r\nb_set= 1 \r\n", {false, true, false}}};
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
    const std::vector<std::tuple<const char*, const char*, const char*>> rows = {
        {"ALL", "*.NC", "ALL.NC"},
        {"ALL.NC", "*.NC", "ALL.NC"},
        {"ALL.nc", "*.NC", "ALL.nc.NC"},   // the test is case-sensitive
        {"A.NC.BAK", "*.NC", "A.NC.BAK"},  // anywhere in the name
        {"ALL", "*", "ALL"},
        {"ALL", "*.txt", "ALL.txt"}};
    for (const auto& [typed, mask, target] : rows)
        EXPECT_EQ(JoinTargetName(typed, mask), target) << typed << " " << mask;
    const std::vector<std::string> sources{"A.NC", "B.NC"};
    EXPECT_TRUE(IsJoinSource("B.NC", sources));
    EXPECT_FALSE(IsJoinSource("b.NC", sources));
    EXPECT_FALSE(IsJoinSource("C.NC", sources));
    EXPECT_EQ(JoinOverwriteQuestion("C:\\NC\\ALL.NC"),
              "すでにC:\\NC\\ALL.NCが有ります。\n上書きしますか？");
}

TEST(ToolFileNames, WhatKeepsANameFromBeingOneFile) {
    using P = NameProblem;
    const std::vector<std::pair<std::string, NameProblem>> rows = {
        {"O0001 ﾃｽﾄ表.NC", P::None},
        {"O0001", P::None},
        {"CONSOLE.NC", P::None},
        {"COM10.NC", P::None},
        {"", P::Empty},
        {"O1/2.NC", P::ForbiddenCharacter},
        {"O1\\2.NC", P::ForbiddenCharacter},
        {"O1:2.NC", P::ForbiddenCharacter},
        {"O1?.NC", P::ForbiddenCharacter},
        {"O1\"2", P::ForbiddenCharacter},
        {"O1\t.NC", P::ControlCharacter},
        {"CON.NC", P::ReservedName},
        {"nul", P::ReservedName},
        {"LPT1 .NC", P::ReservedName},
        {"COM9.TXT", P::ReservedName},
        {"O1.", P::TrailingDotOrSpace},
        {"O1 ", P::TrailingDotOrSpace},
        {"..", P::DotName},
        {std::string(255, 'A'), P::None},
        {std::string(256, 'A'), P::TooLong}};
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

}  // namespace
}  // namespace kelvantori
