#include "support/FakeFileSystem.h"

namespace kelvantori::test {

int FakeFileSystem::ScanCount(const std::string& folder) const {
    return Find(scans_, folder).value_or(0);
}

DirEntry FakeFile(std::string name, std::uint64_t size, std::int64_t modified,
                  std::string shortName) {
    DirEntry entry = FakeFolder(std::move(name), modified, std::move(shortName));
    entry.isDirectory = false;
    entry.size = size;
    return entry;
}

DirEntry FakeFolder(std::string name, std::int64_t modified, std::string shortName) {
    DirEntry entry;
    entry.shortName = shortName.empty() ? name : std::move(shortName);
    entry.name = std::move(name);
    entry.isDirectory = true;
    entry.modified = modified;
    return entry;
}

}  // namespace kelvantori::test
