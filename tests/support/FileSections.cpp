#include "support/FileSections.h"

#include <stdexcept>

namespace kelvantori::test {

namespace {
constexpr std::string_view kMarker = "=== ";

// The next position at or after from where a "=== " line begins.
std::size_t NextMarker(std::string_view text, std::size_t from) {
    for (std::size_t pos = text.find(kMarker, from); pos != std::string_view::npos;
         pos = text.find(kMarker, pos + 1)) {
        if (pos == 0 || text[pos - 1] == '\n' || text[pos - 1] == '\r')
            return pos;
    }
    return std::string_view::npos;
}
}  // namespace

FileSections ParseFileSections(std::string_view text) {
    FileSections files;
    std::size_t pos = NextMarker(text, 0);
    while (pos != std::string_view::npos) {
        const std::size_t nameEnd = text.find('\n', pos);
        if (nameEnd == std::string_view::npos)
            throw std::runtime_error("fixture: no LF after name");
        const std::string name(text.substr(pos + kMarker.size(), nameEnd - pos - kMarker.size()));
        const std::size_t next = NextMarker(text, nameEnd + 1);
        const std::size_t end = next == std::string_view::npos ? text.size() : next;
        for (const auto& file : files) {
            if (file.first == name)
                throw std::runtime_error("fixture: file listed twice: " + name);
        }
        files.emplace_back(name, std::string(text.substr(nameEnd + 1, end - nameEnd - 1)));
        pos = next;
    }
    return files;
}

std::map<std::string, std::string> ToFileMap(const FileSections& sections) {
    return {sections.begin(), sections.end()};
}

std::string FormatFileSections(const std::map<std::string, std::string>& files) {
    std::string out;
    for (const auto& [name, bytes] : files) {
        out += std::string(kMarker) + name + "\n" + bytes;
    }
    return out;
}

}  // namespace kelvantori::test
