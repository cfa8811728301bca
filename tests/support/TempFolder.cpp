// Test folders are built with host paths directly; the program itself never does that.
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelvantori::test {

namespace fs = std::filesystem;

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

std::string TempFolder::File(std::string_view name) const {
    return (fs::path(path_) / fs::path(std::string(name))).string();
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

bool TempFolder::Exists(std::string_view name) const {
    return fs::exists(File(name));
}

std::string ReadHostFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

std::string ReadFixture(std::string_view relative) {
    const std::string path = std::string(KELVANTORI_FIXTURES_DIR) + "/" + std::string(relative);
    if (!fs::exists(path))
        throw std::runtime_error("missing fixture " + path);
    return ReadHostFile(path);
}

}  // namespace kelvantori::test
