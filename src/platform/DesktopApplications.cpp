// Reading desktop entries and their Exec lines, and choosing the applications for a file from
// the association files of the XDG folders.
#include "platform/DesktopApplications.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace kelvantori {

namespace {

using Group = std::map<std::string, std::string>;
using Groups = std::map<std::string, Group>;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The "[Group]" and "Key=Value" lines of a desktop entry or an association file. The first
// occurrence of a key in a group counts; comments and localised keys ("Name[ja]") are kept
// under their own names and not looked at.
Groups ParseGroups(std::string_view text) {
    Groups groups;
    Group* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            current = &groups[std::string(line.substr(1, line.size() - 2))];
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            continue;
        current->emplace(std::string(Trim(line.substr(0, equals))),
                         std::string(Trim(line.substr(equals + 1))));
    }
    return groups;
}

// The escapes of a string value: \s \n \t \r \\.
std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        switch (value[++i]) {
            case 's':
                out.push_back(' ');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                out.push_back('\\');
                out.push_back(value[i]);
                break;
        }
    }
    return out;
}

bool IsTrue(const Group& group, const char* key) {
    const auto it = group.find(key);
    return it != group.end() && it->second == "true";
}

std::string ValueOf(const Group& group, const char* key) {
    const auto it = group.find(key);
    return it == group.end() ? std::string() : UnescapeValue(it->second);
}

// "a.desktop;b.desktop;" -> the ids.
std::vector<std::string> IdList(const Group& group, const std::string& key) {
    std::vector<std::string> ids;
    const auto it = group.find(key);
    if (it == group.end())
        return ids;
    std::size_t start = 0;
    const std::string& value = it->second;
    while (start < value.size()) {
        std::size_t end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        const std::string_view id = Trim(std::string_view(value).substr(start, end - start));
        if (!id.empty())
            ids.emplace_back(id);
        start = end + 1;
    }
    return ids;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Groups ReadGroups(const std::string& path) {
    const auto text = ReadTextFile(path);
    return text ? ParseGroups(*text) : Groups{};
}

// The association files in their order of precedence, each with its groups.
std::vector<Groups> AssociationLists(const XdgFolders& folders) {
    std::vector<std::string> dirs{folders.configHome};
    dirs.insert(dirs.end(), folders.configDirs.begin(), folders.configDirs.end());
    dirs.push_back(folders.dataHome + "/applications");
    for (const std::string& dir : folders.dataDirs)
        dirs.push_back(dir + "/applications");
    std::vector<Groups> lists;
    for (const std::string& dir : dirs) {
        if (dir.empty() || dir.front() != '/')
            continue;
        for (const std::string& desktop : folders.currentDesktops)
            lists.push_back(ReadGroups(dir + "/" + desktop + "-mimeapps.list"));
        lists.push_back(ReadGroups(dir + "/mimeapps.list"));
    }
    return lists;
}

std::vector<std::string> ApplicationDirs(const XdgFolders& folders) {
    std::vector<std::string> dataDirs{folders.dataHome};
    dataDirs.insert(dataDirs.end(), folders.dataDirs.begin(), folders.dataDirs.end());
    std::vector<std::string> dirs;
    for (const std::string& dir : dataDirs) {
        if (!dir.empty() && dir.front() == '/')
            dirs.push_back(dir + "/applications");
    }
    return dirs;
}

// A desktop file id names a file below an applications folder with "/" written as "-"
// ("kde4-kate.desktop" may be kde4/kate.desktop).
std::optional<std::string> ReadDesktopFile(const std::vector<std::string>& appDirs,
                                           const std::string& id) {
    for (const std::string& dir : appDirs) {
        if (auto text = ReadTextFile(dir + "/" + id))
            return text;
        for (std::size_t dash = id.find('-'); dash != std::string::npos;
             dash = id.find('-', dash + 1)) {
            std::string nested = id;
            nested[dash] = '/';
            if (auto text = ReadTextFile(dir + "/" + nested))
                return text;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text) {
    const Groups groups = ParseGroups(text);
    const auto it = groups.find("Desktop Entry");
    if (it == groups.end())
        return std::nullopt;
    const Group& group = it->second;
    DesktopEntry entry;
    entry.name = ValueOf(group, "Name");
    entry.exec = ValueOf(group, "Exec");
    entry.tryExec = ValueOf(group, "TryExec");
    entry.application = ValueOf(group, "Type") == "Application";
    entry.terminal = IsTrue(group, "Terminal");
    entry.hidden = IsTrue(group, "Hidden");
    return entry;
}

std::optional<std::vector<std::string>> DesktopExecWords(std::string_view exec,
                                                         std::string_view file) {
    std::vector<std::string> words;
    bool takesFile = false;
    std::size_t i = 0;
    while (i < exec.size()) {
        if (exec[i] == ' ' || exec[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        bool dropped = false;  // the word was a field code that stands for nothing here
        if (exec[i] == '"') {
            // A quoted word: blanks are kept, the backslash escapes the four characters.
            ++i;
            bool closed = false;
            while (i < exec.size()) {
                const char c = exec[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < exec.size() &&
                    std::string_view("\"`$\\").find(exec[i]) != std::string_view::npos) {
                    word.push_back(exec[i++]);
                    continue;
                }
                word.push_back(c);
            }
            if (!closed)
                return std::nullopt;
        } else {
            while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') {
                const char c = exec[i++];
                if (c != '%' || i == exec.size()) {
                    word.push_back(c);
                    continue;
                }
                const char code = exec[i++];
                switch (code) {
                    case 'f':
                    case 'F':
                    case 'u':
                    case 'U':
                        word.append(file);
                        takesFile = true;
                        break;
                    case '%':
                        word.push_back('%');
                        break;
                    default:
                        // %i %c %k and the deprecated codes: nothing of them is passed.
                        dropped = true;
                        break;
                }
            }
        }
        if (dropped && word.empty())
            continue;
        words.push_back(std::move(word));
    }
    if (words.empty() || !takesFile)
        return std::nullopt;
    return words;
}

std::vector<DesktopCommand> ApplicationsFor(const std::vector<std::string>& mimeTypes,
                                            std::string_view hostFile, const XdgFolders& folders) {
    const std::vector<Groups> lists = AssociationLists(folders);
    const std::vector<std::string> appDirs = ApplicationDirs(folders);
    std::vector<std::string> ids;
    std::set<std::string> seen;
    const auto add = [&](const std::string& id) {
        if (seen.insert(id).second)
            ids.push_back(id);
    };
    const auto group = [](const Groups& groups, const char* name) -> const Group* {
        const auto it = groups.find(name);
        return it == groups.end() ? nullptr : &it->second;
    };
    for (const std::string& type : mimeTypes) {
        for (const Groups& list : lists) {
            if (const Group* defaults = group(list, "Default Applications")) {
                for (const std::string& id : IdList(*defaults, type))
                    add(id);
            }
        }
        std::set<std::string> removed;
        for (const Groups& list : lists) {
            if (const Group* added = group(list, "Added Associations")) {
                for (const std::string& id : IdList(*added, type)) {
                    if (!removed.count(id))
                        add(id);
                }
            }
            // A removal holds for the files of lower precedence.
            if (const Group* gone = group(list, "Removed Associations")) {
                for (const std::string& id : IdList(*gone, type))
                    removed.insert(id);
            }
        }
        for (const std::string& dir : appDirs) {
            const Groups cache = ReadGroups(dir + "/mimeinfo.cache");
            if (const Group* entries = group(cache, "MIME Cache")) {
                for (const std::string& id : IdList(*entries, type)) {
                    if (!removed.count(id))
                        add(id);
                }
            }
        }
    }

    std::vector<DesktopCommand> commands;
    for (const std::string& id : ids) {
        const auto text = ReadDesktopFile(appDirs, id);
        if (!text)
            continue;
        const auto entry = ParseDesktopEntry(*text);
        if (!entry || !entry->application || entry->hidden || entry->terminal)
            continue;
        auto words = DesktopExecWords(entry->exec, hostFile);
        if (!words)
            continue;
        commands.push_back({id, entry->name, entry->tryExec, std::move(*words)});
    }
    return commands;
}

}  // namespace kelvantori
