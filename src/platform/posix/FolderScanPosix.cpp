// The folder scan of the POSIX file system.
#include "platform/posix/FolderScanPosix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace kelvantori::posix {

namespace {

// Runs examine over [0, count) in slices, one thread per processor (at most four) when there
// is enough work to pay for the threads.
template <typename Examine>
void ExamineInParallel(std::size_t count, const Examine& examine) {
    constexpr std::size_t kEntriesPerThread = 2048;
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads =
        std::min<std::size_t>({processors, 4, std::max<std::size_t>(1, count / kEntriesPerThread)});
    if (threads <= 1) {
        examine(0, count);
        return;
    }
    std::vector<std::thread> helpers;
    const std::size_t slice = count / threads;
    for (std::size_t t = 1; t < threads; ++t) {
        const std::size_t end = t + 1 == threads ? count : (t + 1) * slice;
        helpers.emplace_back([&examine, begin = t * slice, end] { examine(begin, end); });
    }
    examine(0, slice);
    for (auto& helper : helpers)
        helper.join();
}

}  // namespace

// One open folder: readdir for the names, then one fstatat per entry relative to the
// folder, so no path is built per entry and the only allocation per entry is its name. The
// stat calls cost far more than reading the names; a large folder spreads them over the
// processors.
std::optional<std::vector<DirEntry>> ScanHostFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<DirEntry> entries;
    std::vector<unsigned char> kinds;  // d_type, for entries that cannot be examined
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        entries.emplace_back().name = name;
        kinds.push_back(entry->d_type);
    }
    if (failed) {
        ::closedir(dir);
        return std::nullopt;
    }
    std::vector<unsigned char> gone(entries.size(), 0);
    const auto examine = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            DirEntry& out = entries[i];
            out.shortName = FatShortName(out.name);
            struct stat st {};
            if (::fstatat(fd, out.name.c_str(), &st, 0) == 0) {
                out.isDirectory = S_ISDIR(st.st_mode);
                out.size = out.isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
                out.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
            } else if (const int error = errno; error == ENOENT || error == ELOOP) {
                if (::fstatat(fd, out.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    out.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);  // dangling
                } else {
                    gone[i] = 1;  // removed while the folder was read
                }
            } else {
                // Present but not to be examined (no permission): listed by name and kind.
                out.isDirectory = kinds[i] == DT_DIR;
            }
        }
    };
    ExamineInParallel(entries.size(), examine);
    ::closedir(dir);
    if (std::find(gone.begin(), gone.end(), 1) != gone.end()) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!gone[i])
                entries[kept++] = std::move(entries[i]);
        }
        entries.resize(kept);
    }
    return entries;
}

}  // namespace kelvantori::posix
