#include "minihost/files/atomic_file.h"

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

}  // namespace

int createTemporaryBeside(const std::string &target, std::string &temporary) {
    const std::filesystem::path dir = std::filesystem::path(target).parent_path();
    temporary = ((dir.empty() ? std::filesystem::path(".") : dir) / ".qr-XXXXXX").string();
    return ::mkstemp(temporary.data());
}

bool writeFileAtomically(const std::string &target, const std::string &bytes, std::string &error) {
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
