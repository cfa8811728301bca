// The desktop's applications for a file: the Exec line of a desktop entry with the file put in,
// and the order in which mimeapps.list and mimeinfo.cache offer applications.
#include "platform/DesktopApplications.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::TempFolder;
using Words = std::vector<std::string>;

TEST(DesktopApplications, ExecLineGetsTheFile) {
    const std::string file = "/data/O 1234.NC";
    const struct {
        const char* name;
        const char* exec;
        std::optional<Words> words;
    } cases[] = {
        {"FileCode", "gedit %U", Words{"gedit", file}},
        {"SingleFileCode", "kate -b %f", Words{"kate", "-b", file}},
        {"OtherCodesLeftOut", "app %i --name %c %k %F", Words{"app", "--name", file}},
        {"PercentEscaped", "printf 100%% %f", Words{"printf", "100%", file}},
        {"CodeInsideAWord", "viewer --file=%f", Words{"viewer", "--file=" + file}},
        {"QuotedBlanksAndEscapes", R"("/opt/My Editor/edit" "a \"b\" \$c \\d" %f)",
         Words{"/opt/My Editor/edit", R"(a "b" $c \d)", file}},
        {"TakesNoFile", "settings-panel", std::nullopt},
        {"UnclosedQuote", "\"edit %f", std::nullopt},
        {"Empty", "", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopExecWords(c.exec, file), c.words) << c.name;
}

TEST(DesktopApplications, DesktopEntryKeys) {
    const auto entry = ParseDesktopEntry(
        "# comment\n[Desktop Entry]\nType=Application\nName=Text Editor\nName[ja]=テキスト\n"
        "Exec=edit\\s%F\nTryExec=edit\nTerminal=false\n[Desktop Action new]\nExec=other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Text Editor");
    EXPECT_EQ(entry->exec, "edit %F");
    EXPECT_EQ(entry->tryExec, "edit");
    EXPECT_TRUE(entry->application);
    EXPECT_FALSE(entry->terminal);
    EXPECT_FALSE(ParseDesktopEntry("[Desktop Action x]\nExec=y\n"));
}

class ApplicationsForTest : public ::testing::Test {
  protected:
    ApplicationsForTest() {
        folders_.configHome = temp_.File("config");
        folders_.configDirs = {temp_.File("etc")};
        folders_.dataHome = temp_.File("local");
        folders_.dataDirs = {temp_.File("share")};
        folders_.currentDesktops = {"shop"};
    }

    void App(const std::string& where, const std::string& id, const std::string& exec,
             const std::string& extra = "") {
        temp_.Write(where + "/applications/" + id, "[Desktop Entry]\nType=Application\nName=" + id +
                                                       "\nExec=" + exec + "\n" + extra);
    }
    Words Ids(const std::vector<std::string>& types) {
        Words ids;
        for (const DesktopCommand& command : ApplicationsFor(types, "/f.NC", folders_))
            ids.push_back(command.id);
        return ids;
    }

    TempFolder temp_;
    XdgFolders folders_;
};

TEST_F(ApplicationsForTest, DefaultsFirstThenAssociationsThenTheCache) {
    for (const char* id : {"user.desktop", "system.desktop", "added.desktop", "cached.desktop",
                           "removed.desktop", "shop.desktop", "parent.desktop"})
        App("share", id, std::string(id) + " %f");
    temp_.Write("config/shop-mimeapps.list", "[Default Applications]\ntext/plain=shop.desktop\n");
    temp_.Write("config/mimeapps.list",
                "[Default Applications]\ntext/plain=missing.desktop;user.desktop;\n"
                "[Removed Associations]\ntext/plain=removed.desktop;\n");
    temp_.Write("etc/mimeapps.list",
                "[Default Applications]\ntext/plain=system.desktop\n"
                "[Added Associations]\ntext/plain=added.desktop;removed.desktop;\n");
    temp_.Write("share/applications/mimeinfo.cache",
                "[MIME Cache]\ntext/plain=cached.desktop;removed.desktop;user.desktop;\n"
                "text/x-c=parent.desktop;\n");
    EXPECT_EQ(Ids({"text/plain"}), (Words{"shop.desktop", "user.desktop", "system.desktop",
                                          "added.desktop", "cached.desktop"}));
    // The file's own type comes before the types it derives from.
    EXPECT_EQ(Ids({"text/x-c", "text/plain"}).front(), "parent.desktop");
    EXPECT_EQ(Ids({"image/png"}), Words{});
}

TEST_F(ApplicationsForTest, EntriesThatCannotOpenTheFileAreLeftOut) {
    App("share", "good.desktop", "good %f", "TryExec=good\n");
    App("share", "terminal.desktop", "vim %F", "Terminal=true\n");
    App("share", "hidden.desktop", "hidden %f", "Hidden=true\n");
    App("share", "nofile.desktop", "panel");
    temp_.Write("share/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=x\n");
    App("local", "vendor/nested.desktop", "nested %f");
    temp_.Write("share/applications/mimeinfo.cache",
                "[MIME Cache]\ntext/plain=terminal.desktop;hidden.desktop;nofile.desktop;"
                "link.desktop;vendor-nested.desktop;good.desktop;\n");
    const auto commands = ApplicationsFor({"text/plain"}, "/d/A.NC", folders_);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0],
              (DesktopCommand{
                  "vendor-nested.desktop", "vendor/nested.desktop", "", {"nested", "/d/A.NC"}}));
    EXPECT_EQ(commands[1],
              (DesktopCommand{"good.desktop", "good.desktop", "good", {"good", "/d/A.NC"}}));
}

}  // namespace
}  // namespace kelvantori
