// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelvantori::test {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const {
        return (std::filesystem::path(path_) / std::filesystem::path(name)).string();
    }
    // Writes bytes to a file below the folder (parents created); returns its host path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // The bytes of a file below the folder; empty when it does not exist.
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const { return std::filesystem::exists(File(name)); }

  private:
    std::string path_;
};

// The bytes of a fixture file: tests/fixtures/<relative>.
std::string ReadFixture(std::string_view relative);

}  // namespace kelvantori::test
