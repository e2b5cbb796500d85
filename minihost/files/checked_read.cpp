#include "minihost/files/checked_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace minihost {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::string megabytes(std::size_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

// The file opened and checked: a regular file within the limit. Its size in
// `size`.
bool openChecked(const std::string &path, std::size_t limit, Descriptor &file, std::size_t &size,
                 std::string &error) {
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer.
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(file.fd, &info) != 0) {
        error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? "a folder, not a regular file" : "not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > limit) {
        error = "larger than the limit of " + megabytes(limit);
        return false;
    }
    size = static_cast<std::size_t>(info.st_size);
    return true;
}

}  // namespace

bool checkRegularFile(const std::string &path, std::size_t limit, std::string &error) {
    Descriptor file{-1};
    std::size_t size = 0;
    return openChecked(path, limit, file, size, error);
}

bool readRegularFile(const std::string &path, std::size_t limit, std::string &out, std::string &error) {
    Descriptor file{-1};
    std::size_t size = 0;
    if (!openChecked(path, limit, file, size, error)) return false;
    out.clear();
    out.resize(size);
    std::size_t done = 0;
    // The file may grow while it is read; what lies past the limit is refused.
    char extra;
    while (true) {
        char *at = done < out.size() ? out.data() + done : &extra;
        const std::size_t want = done < out.size() ? out.size() - done : 1;
        const ssize_t n = ::read(file.fd, at, want);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) {
            error = std::string("cannot read: ") + std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        if (at == &extra) {
            if (out.size() >= limit) {
                error = "larger than the limit of " + megabytes(limit);
                return false;
            }
            out.push_back(extra);
        }
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return true;
}

}  // namespace minihost
