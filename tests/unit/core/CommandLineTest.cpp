// The command line: how arguments become items, and what each item does to the settings and the
// run, against a fake world that records every question, error and copy.
#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kelvantori {
namespace {

using Args = std::vector<std::string>;

struct Row {
    Args args;
    std::set<std::string> files;  // existing files; every other path answers as a folder
    std::string outcome;          // what changed, in the order Outcome() writes it
    const char* dirPath = "C:\\NC";
    bool answer = true;  // to an overwrite question
};

// The run as one text: changed settings, the state, then every question, error and copy.
std::string Outcome(const Row& row) {
    Settings before, s;
    before.DirPath = s.DirPath = row.dirPath;
    CommandLineState st;
    std::string out, changed;
    CommandLineEnvironment env;
    env.IsDirectoryPath = [&](const std::string& p) { return row.files.count(p) == 0; };
    env.FileExists = [&](const std::string& p) { return row.files.count(p) != 0; };
    env.AskYesNo = [&](const std::string& text) {
        out += "ask=" + text + "; ";
        return row.answer;
    };
    env.ShowError = [&](const std::string& text) { out += "error=" + text + "; "; };
    env.ImportFile = [&](const std::string& from, const std::string& to) {
        out += "copy=" + from + ">" + to + "; ";
        return true;
    };
    ProcessCommandLine(row.args, s, st, env);
    using Field = std::string Settings::*;
    for (auto [key, field] : {std::pair<const char*, Field>{"dir=", &Settings::DirPath},
                              {"mask=", &Settings::Mask},
                              {"port=", &Settings::Port},
                              {"speed=", &Settings::Speed}}) {
        if (s.*field != before.*field)
            changed += key + s.*field + "; ";
        s.*field = before.*field;
    }
    if (!st.SendPath.empty())
        changed += "S=" + st.SendPath + (st.AutoSendPending == "Y" ? " auto; " : "; ");
    if (!st.ReceivePath.empty())
        changed += "R=" + st.ReceivePath + (st.AutoReceivePending == "Y" ? " auto; " : "; ");
    changed += st.CloseAfterTransfer ? "END; " : "";
    changed += (s == before && st.CommandLineMode == "Y" ? "" : "SOMETHING ELSE; ");
    return changed + out;
}

TEST(CommandLine, EachItemChangesExactlyWhatItOrders) {
    const std::string missing = "が見つかりません。; ",
                      overwrite = "が有ります。\n上書きしますか？; ";
    const std::vector<Row> rows = {
        // clang-format off
        // 1. folder
        {{"D:\\NC|DATA\\"}, {}, "dir=D:\\NC DATA; "}, {{"D:\\"}, {}, "dir=D:; "},
        {{"D:\\NC/"}, {}, "dir=D:\\NC; "},        {{"D:\\A|B|C"}, {}, "dir=D:\\A B C; "},
        // 2. send
        {{"S=O1234.NC"}, {"C:\\NC\\O1234.NC"}, "S=C:\\NC\\O1234.NC auto; "},
        {{"S=C:\\NC\\A.TAP"}, {"C:\\NC\\A.TAP"}, "dir=C:\\NC; mask=*.TAP; S=C:\\NC\\A.TAP auto; ",
         "D:\\OLD"},
        {{"S=D:\\O9.TAP"}, {"D:\\O9.TAP"}, "dir=D:; mask=*.TAP; S=D:\\O9.TAP auto; "},
        {{"S=A.NC"}, {"C:\\A.NC"}, "dir=C:; S=C:\\A.NC auto; ", "C:\\"},
        {{"s=o1.tap"}, {"C:\\NC\\o1.tap"}, "mask=*.tap; S=C:\\NC\\o1.tap auto; "},
        {{"S=A.NC/"}, {"C:\\NC\\A.NC"}, "S=C:\\NC\\A.NC auto; "},
        {{"S=NONE.NC", "END"}, {},
         "S=C:\\NC\\NONE.NC; END; error=送信データ\nC:\\NC\\NONE.NC" + missing},
        {{"S=C:\\NC\\SUB"}, {}, "mask=*; S=C:\\NC\\SUB; error=送信データ\nC:\\NC\\SUB" + missing},
        // 3. receive
        {{"R=X.NC"}, {}, "R=C:\\NC\\X.NC auto; "},
        {{"R=X.NC"}, {"C:\\NC\\X.NC"}, "R=C:\\NC\\X.NC auto; ask=すでにC:\\NC\\X.NC" + overwrite},
        {{"R=X.NC"}, {"C:\\NC\\X.NC"}, "R=C:\\NC\\X.NC; ask=すでにC:\\NC\\X.NC" + overwrite, "C:\\NC",
         false},
        {{"r=D:\\IN\\O7.TAP"}, {}, "dir=D:\\IN; mask=*.TAP; R=D:\\IN\\O7.TAP auto; "},
        // 4. port, 5. mask, 6. line setting
        {{"com12"}, {}, "port=COM12; "}, {{"COM123"}, {}, ""}, {{"END", "/COM3"}, {},
        "port=COM3; END; "},
        {{"*.tap"}, {}, "mask=*.TAP; "}, {{"A.NC"}, {}, ""}, {{"9600,7,e,2"}, {},
        "speed=9600,7,E,2; "},
        // 7. import
        {{"E:\\IN\\O5.TAP"}, {"E:\\IN\\O5.TAP"},
         "mask=*.TAP; copy=E:\\IN\\O5.TAP>C:\\NC\\O5.TAP; "},
        {{"E:\\IN\\O5.NC"}, {"E:\\IN\\O5.NC"}, "copy=E:\\IN\\O5.NC>C:\\O5.NC; ", "C:"},
        {{"c:\\NC\\A.TAP"}, {"c:\\NC\\A.TAP"}, "mask=*.TAP; "},  // already in the data folder
        // 8. end, 9. anything else
        {{"end"}, {}, "END; "}, {{"APPEND"}, {}, ""}, {{"HELLO"}, {}, ""}, {{""}, {}, ""},
        // The first case that applies wins.
        {{"D:\\A,B"}, {}, "dir=D:\\A,B; "}, {{"COM*."}, {}, "port=COM*.; "},
        {{"E:\\IN\\a,b.nc"}, {"E:\\IN\\a,b.nc"}, "speed=E:\\IN\\A,B.NC; "},
        {{"S=D:\\JOB\\A.NC"}, {},
         "dir=D:\\JOB; S=D:\\JOB\\A.NC; error=送信データ\nD:\\JOB\\A.NC" + missing},
        {{"D:\\JOB", "S=A.NC"}, {"D:\\JOB\\A.NC"}, "dir=D:\\JOB; S=D:\\JOB\\A.NC auto; "},
        {{"S=A.NC", "D:\\JOB"}, {"C:\\NC\\A.NC"}, "dir=D:\\JOB; S=C:\\NC\\A.NC auto; "},
        // Whole command lines.
        {{"S=O1234.NC", "COM2", "9600,7,E,2", "END"}, {"C:\\NC\\O1234.NC"},
         "port=COM2; speed=9600,7,E,2; S=C:\\NC\\O1234.NC auto; END; "},
        {{"S=A.NC", "/END"}, {"C:\\NC\\A.NC"}, "S=C:\\NC\\A.NC auto; END; "},
        {{"/S=A.NC", "/COM3"}, {"C:\\NC\\A.NC"}, "port=COM3; S=C:\\NC\\A.NC auto; "},
        {{"/D:\\NC|DATA\\", "/R=O1.NC", "/END"}, {},
         "dir=D:\\NC DATA; R=D:\\NC DATA\\O1.NC auto; END; "}};
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(Outcome(row), row.outcome) << testing::PrintToString(row.args);
}

// No argument: no command-line mode. Empty callbacks act as documented (no file exists, every
// path is a folder). Lengths count CP932 bytes: "COMあ" is five, "COM1い" six. The slash form
// joins the arguments and cuts them at every "/".
TEST(CommandLine, SlashFormNoArgumentsEmptyCallbacksAndKanjiLengths) {
    Settings settings;
    CommandLineState state{"Y", "Y", "Y", false, "", ""};
    ProcessCommandLine({}, settings, state, {});
    EXPECT_EQ(state, CommandLineState{});
    ProcessCommandLine({"S=A.NC", "R=B.NC", "E:\\X\\Y.NC", "D:\\JOB"}, settings, state, {});
    EXPECT_EQ(state, (CommandLineState{"Y", "N", "Y", false, "C:\\A.NC", "C:\\B.NC"}));
    EXPECT_EQ(settings.DirPath, "D:\\JOB");
    ProcessArgument("COMあ", settings, state, {});
    ProcessArgument("COM1い", settings, state, {});
    EXPECT_EQ(settings.Port, "COMあ");
    const std::vector<std::pair<Args, Args>> rows = {
        // clang-format off
        {{"/S=A.NC /COM2", "/END"}, {"S=A.NC", "COM2", "END"}}, {{"/  S=A.NC ", "/ COM2\t"},
        {"S=A.NC", "COM2"}},
        {{"/S=A.NC", "COM2"}, {"S=A.NC COM2"}}, {{"/A//B"}, {"A", "", "B"}}, {{}, {}},
        {{"S=A.NC", " /COM2 ", "9600,7,E,2"}, {"S=A.NC", " /COM2 ", "9600,7,E,2"}}};
    // clang-format on
    for (const auto& [args, items] : rows)
        EXPECT_EQ(SplitCommandLine(args), items) << testing::PrintToString(args);
}

}  // namespace
}  // namespace kelvantori
