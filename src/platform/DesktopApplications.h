// The desktop's applications for kinds of files, as freedesktop.org desktops keep them: which
// application opens which MIME type (mimeapps.list, mimeinfo.cache) and how an application is
// started on a file (the Exec line of its desktop entry). The window uses it for the editor of
// last resort (the default application for plain text) and to open a file with the application
// the desktop associates with it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

// The [Desktop Entry] group of a .desktop file, as far as starting it goes.
struct DesktopEntry {
    std::string name;          // Name (the unlocalised one)
    std::string exec;          // Exec, with the string escapes (\s \n \t \r \\) resolved
    std::string tryExec;       // TryExec: the entry counts only when this program exists
    bool application = false;  // Type=Application
    bool terminal = false;     // Terminal=true: it needs a terminal, which we do not open
    bool hidden = false;       // Hidden=true: the entry counts as deleted
};

// nullopt when the text has no [Desktop Entry] group.
std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text);

// The words of an Exec line with the file put in: the line split at blanks (double quotes keep
// blanks, with \" \` \$ \\ inside them), %f %F %u %U replaced by the file, %% by %, the other
// field codes (%i %c %k and the deprecated ones) left out. nullopt when the line is empty,
// cannot be read (an unclosed quote) or takes no file.
std::optional<std::vector<std::string>> DesktopExecWords(std::string_view exec,
                                                         std::string_view file);

// An application that can open a file, with the words that start it on that file.
struct DesktopCommand {
    std::string id;       // desktop file id ("org.gnome.gedit.desktop")
    std::string name;     // its Name
    std::string tryExec;  // a program that must exist for the entry to count; may be empty
    std::vector<std::string> words;  // program first, then the arguments
    bool operator==(const DesktopCommand&) const = default;
};

// The folders of the XDG base directory rules.
struct XdgFolders {
    std::string configHome;                    // $XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> configDirs;       // $XDG_CONFIG_DIRS, else /etc/xdg
    std::string dataHome;                      // $XDG_DATA_HOME, else ~/.local/share
    std::vector<std::string> dataDirs;         // $XDG_DATA_DIRS, else /usr/local/share:/usr/share
    std::vector<std::string> currentDesktops;  // $XDG_CURRENT_DESKTOP, lower case

    // The folders of this session's environment.
    static XdgFolders FromEnvironment();
};

// The applications that open a file of the given MIME types (the file's type first, then the
// types it derives from), most preferred first and each once: for each type the defaults of the
// mimeapps.list files in their order of precedence, then their added associations and the
// mimeinfo.cache entries (less those a list of higher precedence removed). Entries that are
// hidden, not applications, need a terminal or take no file are left out; TryExec is left to
// the caller, who knows how to find a program.
std::vector<DesktopCommand> ApplicationsFor(const std::vector<std::string>& mimeTypes,
                                            std::string_view hostFile, const XdgFolders& folders);

}  // namespace kelvantori
