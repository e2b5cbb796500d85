#include "minihost/studio/staging_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace minihost::studio {

StagingFolder::StagingFolder() {
    const char *tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp && std::strlen(tmp) < 160 ? tmp : "/tmp";
    std::vector<char> name(base.begin(), base.end());
    const std::string pattern = "/minihost-studio-XXXXXX";
    name.insert(name.end(), pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data()))
        throw std::runtime_error("cannot make a private folder in " + base + ": " + std::strerror(errno));
    folder_ = name.data();
}

StagingFolder::~StagingFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

bool StagingFolder::put(const std::string &name, const std::string &bytes) const {
    remove(name);
    const int fd = open(path(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    return close(fd) == 0 && ok;
}

bool StagingFolder::take(const std::string &name, std::size_t limit, std::string &bytes) const {
    const int fd = open(path(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    bytes.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || bytes.size() + static_cast<size_t>(n) > limit) {
            ok = n == 0;
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

void StagingFolder::remove(const std::string &name) const { unlink(path(name).c_str()); }

}  // namespace minihost::studio
