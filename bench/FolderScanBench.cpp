// Lists a folder of many files through the file system interface and, side by side, with
// `find | sort`, and prints the ratio. Usage: FolderScanBench [files] (default 100000).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FileSystem.h"
#include "platform/HostConfig.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string folder = (fs::temp_directory_path() / "kelvantori-scan-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
        return 1;
    for (int i = 0; i < count; ++i) {
        std::ofstream(folder + "/O" + std::to_string(10000 + i) + ".NC") << "%\r\nO1\r\n%\r\n";
    }

    kelvantori::HostConfig config;
    config.drives['D'] = folder;
    const auto files =
        kelvantori::CreateSystemFileSystem(kelvantori::DriveMap::Build(config, "", {}));
    const std::string command = "find '" + folder + "' | sort > /dev/null";

    // Warm the caches once, then take the best of three of each.
    files->Scan("D:");
    if (std::system(command.c_str()) != 0)
        return 1;
    double scan = 1e9;
    double find = 1e9;
    std::size_t listed = 0;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        const auto entries = files->Scan("D:");
        scan = std::min(scan, SecondsSince(start));
        listed = entries ? entries->size() : 0;
        start = Clock::now();
        if (std::system(command.c_str()) != 0)
            return 1;
        find = std::min(find, SecondsSince(start));
    }
    std::printf("files %zu  Scan %.3f s  find|sort %.3f s  ratio %.2f\n", listed, scan, find,
                scan / find);
    fs::remove_all(folder);
    return listed == static_cast<std::size_t>(count) ? 0 : 1;
}
