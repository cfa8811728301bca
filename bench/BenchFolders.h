// What the listing benchmarks share: a folder of many NC files made like a shop's data folder,
// and the heap in use (medians and seconds from BenchFigures.h).
#pragma once

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchFigures.h"

namespace kelvantori::bench {

// A folder for one run in a parent folder (the system's temporary folder unless given), removed
// with everything in it at the end.
class BenchFolder {
  public:
    explicit BenchFolder(std::string parent = {}) {
        if (parent.empty())
            parent = std::filesystem::temp_directory_path().string();
        path_ = parent + "/kelvantori-bench-XXXXXX";
        if (::mkdtemp(path_.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

inline std::size_t HeapInUse() {
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// NC files in a random order of creation, so the folder does not hand them out sorted, with
// sizes and times spread like a shop's data folder; one file in a hundred is not an NC file and
// must be filtered out.
inline void MakeNcFolder(const std::string& folder, int count) {
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

}  // namespace kelvantori::bench
