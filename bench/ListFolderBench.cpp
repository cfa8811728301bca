// Listing a large data folder: a folder of NC files (100,000 unless told otherwise) is read,
// filtered, sorted by name and turned into list lines, side by side with
//   find DIR -maxdepth 1 -printf '%f %s %T@\n' | sort
// in the same run. Prints both times (the median of several rounds), their ratio (target <= 1.0)
// and the heap the finished list holds per file (target <= 300 bytes).
//
// Usage: ListFolderBench [file-count] [parent-folder]
// (the folder is made in the parent folder and removed again)
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchFolders.h"
#include "core/Settings.h"
#include "files/FileListModel.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"

namespace {

using kelvantori::bench::BenchFolder;
using kelvantori::bench::HeapInUse;
using kelvantori::bench::MakeNcFolder;
using kelvantori::bench::Median;
using kelvantori::bench::Seconds;
using Clock = std::chrono::steady_clock;
constexpr int kRounds = 7;

}  // namespace

int main(int argc, char** argv) {
    using namespace kelvantori;
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string parent = argc > 2 ? argv[2] : std::string();
    const BenchFolder scratch(parent);
    const std::string& folder = scratch.Path();
    std::printf("folder %s: %d files (%d NC)\n", folder.c_str(), count, count - count / 100);
    MakeNcFolder(folder, count);

    HostConfig config;
    config.drives['D'] = folder;
    auto files = CreateSystemFileSystem(DriveMap::Build(config, folder, {}));
    Settings settings;
    settings.DirPath = "D:";
    settings.Mask = "*.NC";
    settings.AllFiles = "N";
    settings.FileSort = "N";
    settings.SortMuki = "D";
    settings.ListColumn = 2;  // the fullest lines: name, size and time

    const std::string findCommand =
        "find '" + folder + "' -maxdepth 1 -printf '%f %s %T@\\n' | sort > /dev/null";
    std::vector<double> findTimes;
    std::vector<double> listTimes;
    std::vector<double> scanTimes;  // the folder scan alone, for the share of the listing it takes
    std::size_t bytesPerFile = 0;
    std::size_t lines = 0;
    std::string sample;
    // The first round of each only warms the caches.
    for (int round = 0; round <= kRounds; ++round) {
        auto start = Clock::now();
        if (std::system(findCommand.c_str()) != 0) {
            std::fprintf(stderr, "find | sort failed\n");
            return 1;
        }
        const double findTime = Seconds(Clock::now() - start);

        start = Clock::now();
        const auto scanned = files->Scan(settings.DirPath);
        const double scanTime = Seconds(Clock::now() - start);
        if (!scanned) {
            std::fprintf(stderr, "the folder cannot be read\n");
            return 1;
        }

        const std::size_t before = HeapInUse();
        start = Clock::now();
        {
            FileListModel model(*files, settings);
            model.RefreshFileList(false, false, false);
            const double listTime = Seconds(Clock::now() - start);
            const std::size_t after = HeapInUse();
            lines = model.Lines().size();
            bytesPerFile = (after - before) / std::max<std::size_t>(model.Files().size(), 1);
            sample = model.Lines().size() > 1 ? model.Lines()[1] : "";
            if (round > 0) {
                findTimes.push_back(findTime);
                scanTimes.push_back(scanTime);
                listTimes.push_back(listTime);
            }
        }
    }

    const double find = Median(findTimes);
    const double list = Median(listTimes);
    std::printf("sample line: \"%s\"\n", sample.c_str());
    std::printf("lines: %zu\n", lines);
    std::printf("find | sort: %.1f ms (median of %d)\n", find * 1000, kRounds);
    std::printf("listing:     %.1f ms (median of %d)\n", list * 1000, kRounds);
    std::printf("  of which the scan alone: %.1f ms\n", Median(scanTimes) * 1000);
    std::printf("ratio listing / find|sort: %.2f (target <= 1.0)\n", list / find);
    std::printf("heap per file: %zu bytes (target <= 300)\n", bytesPerFile);

    return 0;
}
