// File writing and reading for kelvantori-machine (POSIX).
#include "machine/MachineFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kelvantori::machine {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

MachineFailure WriteFileSafely(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return FailureFromErrno(MachineError::FileNotWritten, path);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    MachineFailure failure;
    if (!ok)
        failure = FailureFromErrno(MachineError::FileNotWritten, path);
    // mkstemp makes the file 0600; a stored program is an ordinary file for its owner's group too.
    ::fchmod(fd, 0644);
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = FailureFromErrno(MachineError::FileNotWritten, path);
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        failure = FailureFromErrno(MachineError::FileNotWritten, path);
    }
    if (!ok)
        ::unlink(temp.c_str());
    return failure;
}

std::optional<std::string> ReadWholeFile(const std::string& path, MachineFailure& failure) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failure = FailureFromErrno(MachineError::FileNotRead, path);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failure = FailureFromErrno(MachineError::FileNotRead, path);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

MachineFailure MakeFolder(const std::string& path) {
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            return FailureFromErrno(MachineError::FolderNotMade, path);
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return FailureFromErrno(MachineError::FolderNotMade, path);
    if (!S_ISDIR(st.st_mode))
        return MachineFailure{MachineError::FolderNotMade, path, ENOTDIR};
    return {};
}

bool FolderProgramStore::Store(const ReceivedProgram& program) {
    lastFailure_ =
        WriteFileSafely(folder_ + "/" + program.name + ".NC", JoinProgramLines(program.text));
    return !lastFailure_;
}

RawRecorder::~RawRecorder() {
    if (fd_ >= 0)
        ::close(fd_);
}

MachineFailure RawRecorder::Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return FailureFromErrno(MachineError::FileNotWritten, path);
    return {};
}

MachineFailure RawRecorder::Append(std::string_view bytes) {
    if (fd_ < 0 || WriteAll(fd_, bytes))
        return {};
    return FailureFromErrno(MachineError::FileNotWritten, path_);
}

}  // namespace kelvantori::machine
