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

#include "core/Settings.h"
#include "files/FileListModel.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 7;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::size_t HeapInUse() {
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// NC files in a random order of creation, so the folder does not hand them out sorted, with
// sizes and times spread like a shop's data folder; one file in a hundred is not an NC file and
// must be filtered out.
void MakeFolder(const std::string& folder, int count) {
    std::vector<int> numbers(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        numbers[static_cast<std::size_t>(i)] = i + 1;
    std::mt19937 random(12345);
    std::shuffle(numbers.begin(), numbers.end(), random);
    std::uniform_int_distribution<off_t> size(0, 2'000'000);
    std::uniform_int_distribution<long> age(0, 10L * 365 * 86400);
    const long now = static_cast<long>(time(nullptr));
    for (const int n : numbers) {
        char name[32];
        std::snprintf(name, sizeof name, n % 100 == 0 ? "P%06d.TXT" : "O%06d.NC", n);
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::ftruncate(fd, size(random)) != 0) {
            std::perror(path.c_str());
            std::exit(1);
        }
        const timespec times[2] = {{now, 0}, {now - age(random), 0}};
        ::futimens(fd, times);
        ::close(fd);
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kelvantori;
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string parent = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    std::string folder = parent + "/kelvantori-bench-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::printf("folder %s: %d files (%d NC)\n", folder.c_str(), count, count - count / 100);
    MakeFolder(folder, count);

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

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
