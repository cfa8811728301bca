// The NC tools as the window's dialogs run them, on real temporary folders: the lines of the view
// as input, the status each dialog acts on, the progress the host hears of, and a stop, which
// must leave every file as it was.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "core/ToolFileNames.h"
#include "files/DoubleTool.h"
#include "files/FileOperations.h"
#include "files/JoinTool.h"
#include "files/SplitTool.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using Log = std::vector<std::string>;

// Every file below a host folder, hidden ones too (a left-over pending file shows).
Files FilesBelow(const std::string& folder) {
    Files files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (std::ifstream in(e.path(), std::ios::binary); e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = {std::istreambuf_iterator<char>(in),
                                                              {}};
    }
    return files;
}

class ScriptedToolHost : public ToolHost {
  public:
    std::deque<bool> answers;  // No when the script has run out
    std::function<bool(const ToolProgress&)> stopWhen;
    Log asked;
    std::vector<ToolProgress> progress;

    bool AskYesNo(const std::string& text) override {
        asked.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
    bool Progress(const ToolProgress& p) override {
        progress.push_back(p);
        return !(stopWhen && stopWhen(p));
    }
    void ProgramStarted(std::string_view startLine) override { started.emplace_back(startLine); }
    Log started;  // the split's start lines as it began their files
};

// Programs with a few lines each, large enough for several progress steps.
std::string Programs(int count) {
    std::string text = "%\r\n";
    for (int i = 1; i <= count; ++i) {
        const std::string number = std::to_string(1000 + i);
        text += "O" + number + "\r\nG90 G54\r\n";
        for (int line = 0; line < 8; ++line)
            text += "G01 X" + number + ".25 Y-1.5 Z0.125 F1200\r\n";
        text += "M30\r\n";
    }
    return text + "%\r\n";
}

const std::string kMany = Programs(500);
const ProgramText kManyView = SplitProgramLines(kMany);

// A run of a tool on drive D: (its folder in `d`).
struct Rig {
    MappedDrives drives;
    ScriptedToolHost host;
    FileSystem& files = drives.Files();

    ToolResult Split(std::string input, const ProgramText* text, std::string folder,
                     std::string mask = "*.NC") {
        SplitJob job{std::move(input), text, std::move(folder), SplitRequest{{}, std::move(mask)}};
        return RunSplit(files, job, host);
    }
    ToolResult Join(std::vector<std::string> names, std::string typed) {
        return RunJoin(files, JoinJob{SourcesIn("D:", names), std::move(typed), "*.NC"}, host);
    }
    ToolResult Double(std::string input, const ProgramText* text, std::string output,
                      char axis = 'X') {
        return RunDouble(files, DoubleJob{std::move(input), text, axis, std::move(output)}, host);
    }
};

TEST(ToolStop, LeavesEveryFileAsItWasAndSaysSo) {
    std::string big;  // larger than a join reads whole: streamed
    while (big.size() <= (std::size_t{16} << 20))
        big += "G01 X1.5 Y2.5\r\n";
    const Files before = {{"MANY.NC", kMany},      {"B.NC", "O2\r\n"}, {"BIG.NC", big},
                          {"OUT/O1001.NC", "OLD"}, {"C.NC", "OLD"},    {"MANY_2.NC", "OLD"}};
    const auto writing = [](const ToolProgress& p) {
        return p.pass == ToolPass::Writing && p.files > 0;
    };
    const auto started = [](const ToolProgress& p) { return p.done > 0; };
    const std::string splitStopped = "分割を中止しました。ファイルは作成していません。";
    const std::string doubleStopped = "変換を中止しました。MANY_2.NC は保存していません。";
    const struct {
        const char* name;
        std::function<ToolResult(Rig&)> run;
        std::function<bool(const ToolProgress&)> stopWhen;
        std::string report;
    } rows[] = {
        {"SplitWhileCheckingTheNames",
         [](Rig& r) { return r.Split("D:\\MANY.NC", nullptr, "D:\\OUT"); },
         [](const ToolProgress& p) { return p.pass == ToolPass::Checking && p.done > 0; },
         splitStopped},
        {"SplitAfterFilesWereWritten",
         [](Rig& r) { return r.Split("D:\\MANY.NC", nullptr, "D:\\OUT"); }, writing, splitStopped},
        {"SplitOfTheViewAfterFilesWereWritten",
         [](Rig& r) { return r.Split("D:\\MANY.NC", &kManyView, "D:\\OUT"); }, writing,
         splitStopped},
        {"JoinAfterTheFirstFile",
         [](Rig& r) {
             return r.Join({"MANY.NC", "B.NC"}, "C");
         },
         [](const ToolProgress& p) { return p.files == 1; },
         "ファイル結合を中止しました。D:\\C.NC は作成していません。"},
        {"JoinInsideALargeFile",
         [](Rig& r) {
             return r.Join({"BIG.NC", "B.NC"}, "C");
         },
         started, "ファイル結合を中止しました。D:\\C.NC は作成していません。"},
        {"DoubleHalfWay", [](Rig& r) { return r.Double("D:\\MANY.NC", nullptr, "MANY_2.NC"); },
         started, doubleStopped},
        {"DoubleOfTheViewHalfWay",
         [](Rig& r) { return r.Double("D:\\MANY.NC", &kManyView, "MANY_2.NC"); }, started,
         doubleStopped},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        for (const auto& [path, bytes] : before)
            rig.drives.D().Write(path, bytes);
        rig.host.answers = {true};  // the join's overwrite question
        rig.host.stopWhen = row.stopWhen;
        const ToolResult result = row.run(rig);
        EXPECT_EQ(result.status, ToolStatus::Stopped);
        EXPECT_EQ(result.report.text, row.report);
        EXPECT_EQ(result.filesWritten, 0u);
        EXPECT_TRUE(FilesBelow(rig.drives.D().Path()) == before) << "a file changed or was left";
    }
}

TEST(ToolRun, SplitTellsEveryProgramAsItBeginsItsFile) {
    const std::string input = "%\r\n(HEAD)\r\nO0001(PART \x83\x65)\r\nM30\r\n:0002\r\nL3\r\n%\r\n";
    const ProgramText view = SplitProgramLines(input);
    for (const ProgramText* text : {static_cast<const ProgramText*>(nullptr), &view}) {
        Rig rig;
        rig.drives.D().Write("IN.NC", input);
        ASSERT_EQ(rig.Split("D:\\IN.NC", text, "D:").status, ToolStatus::Done);
        EXPECT_EQ(rig.host.started, (Log{"O0001(PART \x83\x65)", ":0002", "L3"}));
    }
}

// Each pass as the host saw it: how often it heard, and the first and last count of the pass.
struct Pass {
    ToolPass pass;
    ToolProgressUnit unit;
    std::uint64_t total;
    std::size_t lastFiles;
    bool operator==(const Pass&) const = default;
};

std::vector<Pass> Passes(const std::vector<ToolProgress>& calls, std::size_t& mostCallsInAPass) {
    std::vector<Pass> passes;
    std::size_t inPass = 0;
    mostCallsInAPass = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const ToolProgress& p = calls[i];
        const bool first = i == 0 || calls[i - 1].pass != p.pass || calls[i - 1].unit != p.unit ||
                           p.done < calls[i - 1].done;
        if (first) {
            EXPECT_EQ(p.done, 0u) << "a pass starts at 0";
            passes.push_back({p.pass, p.unit, p.total, 0});
            inPass = 0;
        }
        mostCallsInAPass = std::max(mostCallsInAPass, ++inPass);
        const bool last = i + 1 == calls.size() || calls[i + 1].done < p.done ||
                          calls[i + 1].pass != p.pass || calls[i + 1].unit != p.unit;
        if (last) {
            EXPECT_EQ(p.done, p.total) << "a pass ends at its total";
            passes.back().lastFiles = p.files;
        }
    }
    return passes;
}

TEST(ToolProgress, ComesInStepsAndEveryPassReachesItsEnd) {
    const std::uint64_t size = kMany.size();
    const std::uint64_t lines = kManyView.lines.size();
    using P = ToolPass;
    using U = ToolProgressUnit;
    const struct {
        const char* name;
        std::function<ToolResult(Rig&)> run;
        std::vector<Pass> passes;
    } rows[] = {
        {"SplitOfAFileChecksThenWritesEveryProgram",
         [](Rig& r) { return r.Split("D:\\MANY.NC", nullptr, "D:\\OUT"); },
         {{P::Checking, U::Bytes, size, 0}, {P::Writing, U::Bytes, size, 500}}},
        {"SplitOfTheViewCountsLines",
         [](Rig& r) { return r.Split("D:\\MANY.NC", &kManyView, "D:\\OUT"); },
         {{P::Checking, U::Lines, lines, 0}, {P::Writing, U::Lines, lines, 500}}},
        {"JoinCountsTheBytesOfAllFiles",
         [](Rig& r) {
             return r.Join({"MANY.NC", "B.NC", "MANY.NC"}, "C");
         },
         {{P::Writing, U::Bytes, 2 * size + 4, 3}}},
        {"DoubleOfAFile",
         [](Rig& r) { return r.Double("D:\\MANY.NC", nullptr, "MANY_2.NC"); },
         {{P::Writing, U::Bytes, size, 0}}},
        {"DoubleOfTheView",
         [](Rig& r) { return r.Double("D:\\MANY.NC", &kManyView, "MANY_2.NC"); },
         {{P::Writing, U::Lines, lines, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        rig.drives.D().Write("MANY.NC", kMany);
        rig.drives.D().Write("B.NC", "O2\r\n");
        rig.drives.D().Write("OUT/KEEP", "");
        ASSERT_EQ(row.run(rig).status, ToolStatus::Done);
        std::size_t mostCalls = 0;
        EXPECT_EQ(Passes(rig.host.progress, mostCalls), row.passes);
        // About 1/256 of the whole a step (and the start, the end, the last file's end): far
        // fewer calls than lines, never one per line.
        EXPECT_LE(mostCalls, 260u);
        EXPECT_LT(mostCalls * 10, lines);
    }
}

TEST(ToolInputs, TheDialogsGetTheirStatusTheirQuestionsAndTheirFiles) {
    const ProgramText view = {{"%", "O1(A)", "X1.5", "O2", "X-2", "%"}};
    const Files before = {{"A.NC", "X9\r\n"}, {"B.NC", "O2\r\n"}};
    const std::string folderQuestion(kSplitFolderQuestion);
    const struct {
        const char* name;
        std::function<ToolResult(Rig&)> run;
        std::deque<bool> answers;
        ToolStatus status;
        Log asked;
        Files made = {};
    } rows[] = {
        {"SplitOfTheViewAsksOnlyForTheFolder",
         [&](Rig& r) { return r.Split("D:\\A.NC", &view, "D:\\NEW\\"); },
         {true},
         ToolStatus::Done,
         {folderQuestion},
         {{"NEW/O1.NC", "O1(A)\r\nX1.5\r\n"}, {"NEW/O2.NC", "O2\r\nX-2\r\n"}}},
        {"SplitFolderNoKeepsTheDialogOpen",
         [&](Rig& r) { return r.Split("D:\\A.NC", &view, "D:\\NEW"); },
         {false},
         ToolStatus::Declined,
         {folderQuestion}},
        {"SplitIntoAFolderWithoutDriveAsksNothing",
         [&](Rig& r) { return r.Split("D:\\A.NC", &view, "NEW"); },
         {true},
         ToolStatus::Failed,
         {}},
        {"SplitIntoADriveNotAssignedAsksNothing",
         [&](Rig& r) { return r.Split("D:\\A.NC", &view, "Q:\\NEW"); },
         {true},
         ToolStatus::Failed,
         {}},
        {"SplitUnderAMaskWithoutExtension",
         [&](Rig& r) { return r.Split("D:\\A.NC", &view, "D:", "*.*"); },
         {},
         ToolStatus::UnusableMask,
         {}},
        {"DoubleOfTheViewNotOfTheFile",
         [&](Rig& r) { return r.Double("D:\\A.NC", &view, "A_2.NC"); },
         {},
         ToolStatus::Done,
         {},
         {{"A_2.NC", "%\r\nO1(A)\r\nX3.0\r\nO2\r\nX-4\r\n%\r\n"}}},
        {"DoubleOfALowerCaseLetter",
         [&](Rig& r) { return r.Double("D:\\A.NC", nullptr, "A_2.NC", 'x'); },
         {},
         ToolStatus::Done,
         {},
         {{"A_2.NC", "X18\r\n"}}},
        {"DoubleOfALetterThatIsNoAxis",
         [&](Rig& r) { return r.Double("D:\\A.NC", &view, "A_2.NC", 'A'); },
         {},
         ToolStatus::Failed,
         {}},
        {"DoubleIntoANameThatCannotBeAFile",
         [&](Rig& r) { return r.Double("D:\\A.NC", &view, "A_2.*"); },
         {},
         ToolStatus::UnusableName,
         {}},
        {"JoinOfNamesInTheFolder",
         [](Rig& r) {
             return r.Join({"B.NC", "A.NC"}, "ALL");
         },
         {},
         ToolStatus::Done,
         {},
         {{"ALL.NC", "O2\r\nX9\r\n"}}},
        {"JoinOverwriteNoKeepsTheDialogOpen",
         [](Rig& r) {
             return r.Join({"B.NC", "A.NC"}, "A");
         },
         {false},
         ToolStatus::Declined,
         {"すでにD:\\A.NCが有ります。\n上書きしますか？"}},
        {"JoinOntoOneOfItsFiles",
         [](Rig& r) {
             return r.Join({"B.NC", "A.NC"}, "A.NC");
         },
         {true},
         ToolStatus::TargetIsSource,
         {"すでにD:\\A.NCが有ります。\n上書きしますか？"}},
        {"JoinIntoANameThatCannotBeAFile",
         [](Rig& r) {
             return r.Join({"B.NC", "A.NC"}, "CON");
         },
         {},
         ToolStatus::UnusableName,
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        for (const auto& [path, bytes] : before)
            rig.drives.D().Write(path, bytes);
        rig.host.answers = row.answers;
        EXPECT_EQ(row.run(rig).status, row.status);
        EXPECT_EQ(rig.host.asked, row.asked);
        Files after = before;
        after.insert(row.made.begin(), row.made.end());
        EXPECT_EQ(FilesBelow(rig.drives.D().Path()), after);
    }
}

}  // namespace
}  // namespace kelvantori::test
