// Test folders are built with host paths directly; the program itself never does that.
#include "support/FileSections.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelvantori::test {

namespace fs = std::filesystem;

static std::string ReadHostFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TempFolder::TempFolder() {
    std::string templ = (fs::temp_directory_path() / "kelvantori-test-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only files behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const {
    const fs::path p = File(name);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return p.string();
}

std::string TempFolder::Read(std::string_view name) const {
    return ReadHostFile(File(name));
}

std::string ReadFixture(std::string_view relative) {
    const std::string path = std::string(KELVANTORI_FIXTURES_DIR) + "/" + std::string(relative);
    if (!fs::exists(path))
        throw std::runtime_error("missing fixture " + path);
    return ReadHostFile(path);
}

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

std::string FormatFileSections(const std::map<std::string, std::string>& files) {
    std::string out;
    for (const auto& [name, bytes] : files) {
        out += std::string(kMarker) + name + "\n" + bytes;
    }
    return out;
}

}  // namespace kelvantori::test
