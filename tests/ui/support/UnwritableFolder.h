// A folder of a test that nothing can be written into: without write permission, and, for root
// (whom permissions do not stop), immutable as well where the file system allows it. Writable
// again when the test ends, so its temporary folder can be removed.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace kelvantori::test {

class UnwritableFolder {
  public:
    explicit UnwritableFolder(std::string hostPath) : path_(std::move(hostPath)) {
        ::chmod(path_.c_str(), 0555);
        if (::geteuid() == 0)
            immutable_ = SetImmutable(true);
    }
    ~UnwritableFolder() {
        if (immutable_)
            SetImmutable(false);
        ::chmod(path_.c_str(), 0755);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    // Whether a file really cannot be made in it here.
    bool Effective() const {
        const std::string probe = path_ + "/.probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return true;
        ::close(fd);
        std::remove(probe.c_str());
        return false;
    }

  private:
    bool SetImmutable(bool on) const {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    std::string path_;
    bool immutable_ = false;
};

}  // namespace kelvantori::test
