// A file list over an in-memory folder, for the tests of the list model: the settings, the fake
// file system and a fixed time zone (Japan, no daylight saving) so the time texts are known.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Settings.h"
#include "files/FileListModel.h"
#include "support/FakeFileSystem.h"
#include "support/ScopedEnv.h"

namespace kelvantori::test {

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
