// The templates of the external applications: the markers' values, the argument the argument
// dialog starts with, the command a template gives, and the Alt help panel's texts.
#include "core/AppTemplate.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

using Words = std::vector<std::string>;

const FileMarkers kFile = MarkersOf("/shop/nc/A.NC", "A.NC");

TEST(AppTemplate, MarkersOfAFile) {
    const struct {
        const char* name;
        const char* path;
        const char* file;
        FileMarkers markers;
    } cases[] = {
        {"Plain", "/shop/nc/A.NC", "A.NC", {"/shop/nc/A.NC", "/shop/nc/A", "A.NC", "A"}},
        {"OnlyTheLastExtension",
         "/d/O1.B.NC",
         "O1.B.NC",
         {"/d/O1.B.NC", "/d/O1.B", "O1.B.NC", "O1.B"}},
        {"DotInAFolderIsNoExtension",
         "/d.x/PROG",
         "PROG",
         {"/d.x/PROG", "/d.x/PROG", "PROG", "PROG"}},
    };
    for (const auto& c : cases) {
        const FileMarkers m = MarkersOf(c.path, c.file);
        EXPECT_EQ(Words({m.A, m.B, m.C, m.D}),
                  Words({c.markers.A, c.markers.B, c.markers.C, c.markers.D}))
            << c.name;
    }
}

TEST(AppTemplate, TemplateGivesArgumentAndCommand) {
    const struct {
        const char* name;
        const char* appTemplate;
        const char* argument;  // the dialog's argument as it starts
        AppCommand command;    // with that argument
    } cases[] = {
        {"FullPath",
         "C:\\CAD\\VIEW.EXE $A",
         "/shop/nc/A.NC",
         {"C:\\CAD\\VIEW.EXE", {"/shop/nc/A.NC"}}},
        {"NameWithoutExtensionAndText", "/usr/bin/view $D.TXT", "A", {"/usr/bin/view", {"A.TXT"}}},
        // The last marker found gives the argument, and every marker takes it.
        {"PathAndNameGiveTheName",
         "view -i $A -o $C",
         "A.NC",
         {"view", {"-i", "A.NC", "-o", "A.NC"}}},
        {"PathWithoutExtension", "conv $B.TXT", "/shop/nc/A", {"conv", {"/shop/nc/A.TXT"}}},
        {"NoMarker", "calc --new", "", {"calc", {"--new"}}},
        {"NoBlankIsTheProgramAlone", "/usr/bin/xcalc", "", {"/usr/bin/xcalc", {}}},
        {"BlanksBetweenParameters", "view  $C   -x ", "A.NC", {"view", {"A.NC", "-x"}}},
    };
    for (const auto& c : cases) {
        const std::string argument = MarkerArgument(c.appTemplate, kFile);
        EXPECT_EQ(argument, c.argument) << c.name;
        EXPECT_EQ(BuildAppCommand(c.appTemplate, argument), c.command) << c.name;
        EXPECT_EQ(TemplateProgram(c.appTemplate), c.command.program) << c.name;
    }
}

TEST(AppTemplate, TheArgumentAsEdited) {
    // A file name with blanks stays one argument; an argument emptied in the dialog passes
    // nothing for its marker.
    EXPECT_EQ(BuildAppCommand("view $A", "/d/O 1.NC"), (AppCommand{"view", {"/d/O 1.NC"}}));
    EXPECT_EQ(BuildAppCommand("view -f $A", ""), (AppCommand{"view", {"-f"}}));
    EXPECT_EQ(BuildAppCommand("view $a", "X"), (AppCommand{"view", {"$a"}}));
}

TEST(AppTemplate, LettersAndPanelTexts) {
    EXPECT_EQ(AppLetterOf(0), 'A');
    EXPECT_EQ(AppLetterOf(25), 'Z');
    EXPECT_EQ(AppIndexOfLetter('c'), 2);
    EXPECT_EQ(AppIndexOfLetter('Z'), 25);
    EXPECT_EQ(AppIndexOfLetter('1'), -1);
    EXPECT_EQ(AppCaption(1), "Alt+B");

    Settings settings;
    settings.EditApp = "/usr/bin/gedit";
    settings.OutApps[0].OutApp_N = "CAD";
    settings.OutApps[13].OutApp_N = "ﾋﾞｭｰｱ";
    std::string left = "ｴﾃﾞｨﾀｰ: /usr/bin/gedit\nALT+A : CAD\n";
    for (char letter = 'B'; letter <= 'M'; ++letter)
        left += std::string("ALT+") + letter + " : \n";
    std::string right = "ALT+N : ﾋﾞｭｰｱ\n";
    for (char letter = 'O'; letter <= 'Z'; ++letter)
        right += std::string("ALT+") + letter + " : \n";
    EXPECT_EQ(AltPanelLeftText(settings), left);
    EXPECT_EQ(AltPanelRightText(settings), right);
}

}  // namespace
}  // namespace kelvantori
