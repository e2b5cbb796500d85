#include "minihost/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace minihost {

namespace {

bool writeAll(int fd, const std::string &data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t permissionsFor(const std::string &target) {
    struct stat info;
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    return 0644;
}

const char *kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

bool writeInPlace(const std::string &target, const std::string &bytes, std::string &error) {
    const int fd = openDeviceForWriting(target);
    if (fd < 0) {
        error = target + ": cannot write to the device: " + std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, bytes);
    const int writeErrno = errno;
    ::close(fd);
    if (written) return true;
    error = target + ": write failed: " + std::strerror(writeErrno);
    return false;
}

}  // namespace

OutputTarget outputTargetKind(const std::string &target, std::string &why) {
    struct stat info;
    if (::stat(target.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return OutputTarget::Replace;
    if (S_ISCHR(info.st_mode)) return OutputTarget::InPlace;
    why = kindOf(info.st_mode);
    return OutputTarget::Refused;
}

int openDeviceForWriting(const std::string &target) {
    // Opened without blocking, then checked: what was a device when looked at
    // may have been swapped for a FIFO since.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

int createTemporaryBeside(const std::string &target, std::string &temporary) {
    const std::filesystem::path dir = std::filesystem::path(target).parent_path();
    temporary = ((dir.empty() ? std::filesystem::path(".") : dir) / ".qr-XXXXXX").string();
    return ::mkstemp(temporary.data());
}

bool writeFileAtomically(const std::string &target, const std::string &bytes, std::string &error) {
    std::string kind;
    switch (outputTargetKind(target, kind)) {
    case OutputTarget::Refused:
        error = target + ": " + kind + ", not a regular file; refusing to replace it";
        return false;
    case OutputTarget::InPlace: return writeInPlace(target, bytes, error);
    case OutputTarget::Replace: break;
    }
    std::string temporary;
    const int fd = createTemporaryBeside(target, temporary);
    if (fd < 0) {
        error = target + ": cannot create a file beside it: " + std::strerror(errno);
        return false;
    }
    std::string why;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        why = std::string("write failed: ") + std::strerror(errno);
    else if (::fchmod(fd, permissionsFor(target)) != 0)
        why = std::string("cannot set permissions: ") + std::strerror(errno);
    if (::close(fd) != 0 && why.empty()) why = std::string("close failed: ") + std::strerror(errno);
    if (why.empty() && ::rename(temporary.c_str(), target.c_str()) != 0)
        why = std::string("cannot replace: ") + std::strerror(errno);
    if (why.empty()) return true;
    ::unlink(temporary.c_str());
    error = target + ": " + why;
    return false;
}

}  // namespace minihost
