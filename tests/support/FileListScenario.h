// A file list over an in-memory folder, for the tests of the list model: the settings, the fake
// file system and a fixed time zone (Japan, no daylight saving) so the time texts are known.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Settings.h"
#include "files/FileListModel.h"
#include "support/MemoryFileSystem.h"
#include "support/ScopedEnv.h"

namespace kelvantori::test {

// Folders with the entries a scan gives (sizes of 4 GiB and more included, which no test can
// write to disk) and stat results: what the list model reads.
class FakeFileSystem : public MemoryFileSystem {
  public:
    // The entries Scan(folder) gives, in this order; a folder never set cannot be read.
    void SetFolder(const std::string& folder, std::vector<DirEntry> entries) {
        folders_[folder] = std::move(entries);
    }
    void SetStat(const std::string& path, FileStat stat) { stats_[path] = stat; }
    // How often each folder was scanned.
    int ScanCount(const std::string& folder) const { return Find(scans_, folder).value_or(0); }

    std::optional<FileStat> Stat(std::string_view path) override { return Find(stats_, path); }
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override {
        ++scans_[std::string(folder)];
        return Find(folders_, folder);
    }

  private:
    template <typename Value>
    static std::optional<Value> Find(const std::map<std::string, Value, std::less<>>& map,
                                     std::string_view key) {
        const auto it = map.find(key);
        return it == map.end() ? std::nullopt : std::optional<Value>(it->second);
    }

    std::map<std::string, std::vector<DirEntry>, std::less<>> folders_;
    std::map<std::string, FileStat, std::less<>> stats_;
    std::map<std::string, int, std::less<>> scans_;
};

// Entries as a scan gives them.
inline DirEntry FakeFolder(std::string name, std::int64_t modified, std::string shortName = {}) {
    DirEntry entry;
    entry.shortName = shortName.empty() ? name : std::move(shortName);
    entry.name = std::move(name);
    entry.isDirectory = true;
    entry.modified = modified;
    return entry;
}
inline DirEntry FakeFile(std::string name, std::uint64_t size, std::int64_t modified,
                         std::string shortName = {}) {
    DirEntry entry = FakeFolder(std::move(name), modified, std::move(shortName));
    entry.isDirectory = false;
    entry.size = size;
    return entry;
}

// Seconds since 1970 of a UTC moment.
inline std::int64_t Utc(int year, unsigned month, unsigned day, int hour = 0, int minute = 0,
                        int second = 0) {
    using namespace std::chrono;
    const sys_days date =
        year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    return duration_cast<seconds>(date.time_since_epoch()).count() + hour * 3600 + minute * 60 +
           second;
}

// "O0001.NC" ... : count files with distinct names in name order, sizes and times rising.
inline std::vector<DirEntry> NumberedFiles(int count, int first = 1) {
    std::vector<DirEntry> entries;
    for (int i = first; i < first + count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "O%04d.NC", i);
        entries.push_back(
            FakeFile(name, static_cast<std::uint64_t>(i) * 10, Utc(2024, 1, 1) + i * 60));
    }
    return entries;
}

class FileListTest : public ::testing::Test {
  protected:
    FileListTest() : zone_("TZ", "JST-9"), model_(fs_, settings_) {
        settings_.DirPath = "C:\\NC";
        settings_.Mask = "*.NC";
        settings_.AllFiles = "Y";
        settings_.FileSort = "N";
        settings_.SortMuki = "D";
        settings_.ListColumn = 2;
    }

    void Refresh(bool keepSelection = false) {
        model_.RefreshFileList(false, keepSelection, false);
    }
    void Resort(bool keepSelection = false) { model_.RefreshFileList(false, keepSelection, true); }

    // The names of the files store in list order.
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& e : model_.Files())
            names.push_back(e.name);
        return names;
    }
    std::vector<int> MarkedLines() const {
        std::vector<int> lines;
        for (int i = 0; i < model_.LineCount(); ++i) {
            if (model_.IsMarked(i))
                lines.push_back(i);
        }
        return lines;
    }
    std::vector<int> UsedSlots() const {
        std::vector<int> used;
        for (const int slot : model_.Marks()) {
            if (slot != -1)
                used.push_back(slot);
        }
        return used;
    }

    ScopedEnv zone_;
    FakeFileSystem fs_;
    Settings settings_;
    FileListModel model_;
};

}  // namespace kelvantori::test
