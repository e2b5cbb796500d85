#include "minihost/studio/confined_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace minihost::studio {

namespace fs = std::filesystem;

namespace {

constexpr size_t kLongestName = 1024;
constexpr size_t kLongestPart = 255;

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool hasExtension(const std::string &name, const std::string &extension) {
    if (extension.empty()) return true;
    const std::string suffix = "." + lower(extension);
    return name.size() > suffix.size() && lower(name.substr(name.size() - suffix.size())) == suffix;
}

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

// A folder below `dirfd`, every part refused if it is a symbolic link.
int openFolderBeneath(int dirfd, const std::string &relative) {
    if (relative.empty()) return fcntl(dirfd, F_DUPFD_CLOEXEC, 0);
#ifdef SYS_openat2
    open_how how{};
    // RESOLVE_NO_SYMLINKS refuses a link at every part, the last included,
    // with ELOOP.
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long opened = syscall(SYS_openat2, dirfd, relative.c_str(), &how, sizeof how);
    if (opened >= 0 || errno != ENOSYS) return static_cast<int>(opened);
#endif
    // An older kernel: one part at a time, each opened without following a
    // link. The name was checked to hold no "..", so each step goes down.
    int fd = fcntl(dirfd, F_DUPFD_CLOEXEC, 0);
    size_t start = 0;
    while (fd >= 0 && start < relative.size()) {
        const size_t slash = relative.find('/', start);
        const std::string part = relative.substr(start, slash == std::string::npos ? slash : slash - start);
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int saved = errno;
        struct stat st {};
        if (next < 0 && saved == ENOTDIR && fstatat(fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            saved = ELOOP;
        close(fd);
        errno = saved;
        fd = next;
        start = slash == std::string::npos ? relative.size() : slash + 1;
    }
    return fd;
}

FileRefusal refusalOf(int error) {
    switch (error) {
    case ELOOP:
    case EXDEV:
    case EMLINK: return FileRefusal::Outside;
    case ENOENT: return FileRefusal::Missing;
    case ENOTDIR: return FileRefusal::NotAFile;
    case EEXIST: return FileRefusal::Exists;
    default: return FileRefusal::Failed;
    }
}

std::string temporaryName() {
    unsigned char random[6];
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        for (unsigned char &r : random) r = static_cast<unsigned char>(std::rand());
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".qr-";
    for (unsigned char r : random) name += digits[r % 36];
    return name;
}

bool writeAll(int fd, const std::string &bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

ConfinedFolder::ConfinedFolder(const fs::path &root) {
    std::error_code ec;
    root_ = fs::canonical(root, ec);
    if (!ec) fd_ = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (ec || fd_ < 0) throw std::runtime_error("the files folder \"" + root.string() + "\" is not a folder");
}

ConfinedFolder::~ConfinedFolder() {
    if (fd_ >= 0) close(fd_);
}

ConfinedFolder::ConfinedFolder(ConfinedFolder &&other) noexcept
        : root_(std::move(other.root_)), fd_(other.fd_) {
    other.fd_ = -1;
}

FileRefusal ConfinedFolder::name(const std::string &request, const std::string &extension,
                                 std::string &relative, std::string &error) const {
    const std::string quoted = "\"" + request.substr(0, 80) + (request.size() > 80 ? "…" : "") + "\"";
    if (request.empty()) {
        error = "no file name given";
        return FileRefusal::BadName;
    }
    if (request.size() > kLongestName) {
        error = "a file name is at most " + std::to_string(kLongestName) + " bytes";
        return FileRefusal::BadName;
    }
    for (unsigned char c : request)
        if (c < 0x20 || c == 0x7f) {
            error = "a file name is one line of printable characters";
            return FileRefusal::BadName;
        }
    if (request.front() == '/') {
        error = quoted + ": give a path inside " + root_.string() + ", relative to it";
        return FileRefusal::Outside;
    }
    relative.clear();
    std::string leaf;
    size_t start = 0;
    while (start <= request.size()) {
        const size_t slash = std::min(request.find('/', start), request.size());
        const std::string part = request.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            error = quoted + " is outside " + root_.string();
            return FileRefusal::Outside;
        }
        if (part.size() > kLongestPart) {
            error = "a part of a file name is at most " + std::to_string(kLongestPart) + " bytes";
            return FileRefusal::BadName;
        }
        relative += (relative.empty() ? "" : "/") + part;
        leaf = part;
    }
    if (leaf.empty() || request.back() == '/') {
        error = quoted + " names a folder, not a file";
        return FileRefusal::BadName;
    }
    if (!hasExtension(leaf, extension)) {
        error = quoted + " is not a ." + extension + " file";
        return FileRefusal::BadName;
    }
    return FileRefusal::None;
}

int ConfinedFolder::openFolderOf(const std::string &relative, std::string &leaf, FileRefusal &refusal,
                                 std::string &error) const {
    const size_t slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : relative.substr(0, slash);
    leaf = slash == std::string::npos ? relative : relative.substr(slash + 1);
    const int fd = openFolderBeneath(fd_, folder);
    if (fd >= 0) return fd;
    refusal = refusalOf(errno);
    if (refusal == FileRefusal::Outside)
        error = "\"" + relative + "\" leads outside " + root_.string() + " (through a symbolic link)";
    else if (refusal == FileRefusal::Missing || refusal == FileRefusal::NotAFile)
        error = "there is no folder \"" + folder + "\" under " + root_.string();
    else
        error = "cannot open the folder \"" + folder + "\": " + std::strerror(errno);
    if (refusal == FileRefusal::Missing || refusal == FileRefusal::NotAFile) refusal = FileRefusal::NoFolder;
    return -1;
}

FileRefusal ConfinedFolder::probe(const std::string &relative, std::string &error) const {
    std::string leaf;
    FileRefusal refusal = FileRefusal::None;
    Fd dir(openFolderOf(relative, leaf, refusal, error));
    if (dir.fd < 0) return refusal;
    struct stat st {};
    if (fstatat(dir.fd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = "no file " + relative;
        return FileRefusal::Missing;
    }
    if (S_ISLNK(st.st_mode)) {
        error = "\"" + relative + "\" is a symbolic link";
        return FileRefusal::Outside;
    }
    if (!S_ISREG(st.st_mode)) {
        error = relative + " is not a file";
        return FileRefusal::NotAFile;
    }
    return FileRefusal::None;
}

FileRefusal ConfinedFolder::read(const std::string &relative, std::size_t limit, std::string &bytes,
                                 std::string &error) const {
    std::string leaf;
    FileRefusal refusal = FileRefusal::None;
    Fd dir(openFolderOf(relative, leaf, refusal, error));
    if (dir.fd < 0) return refusal;
    // Non-blocking, so a pipe put in the file's place cannot hold the read.
    Fd file(openat(dir.fd, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.fd < 0) {
        refusal = refusalOf(errno);
        error = refusal == FileRefusal::Outside ? "\"" + relative + "\" is a symbolic link"
                                                : "cannot read " + relative + ": " + std::strerror(errno);
        return refusal;
    }
    if (fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = relative + " is not a file";
        return FileRefusal::NotAFile;
    }
    if (static_cast<std::size_t>(st.st_size) > limit) {
        error = relative + " is larger than " + std::to_string(limit >> 10) + " KiB";
        return FileRefusal::Failed;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read " + relative + ": " + std::strerror(errno);
            return FileRefusal::Failed;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > limit) {
            error = relative + " is larger than " + std::to_string(limit >> 10) + " KiB";
            return FileRefusal::Failed;
        }
    }
    return FileRefusal::None;
}

FileRefusal ConfinedFolder::write(const std::string &relative, const std::string &bytes, bool replace,
                                  std::string &error) const {
    std::string leaf;
    FileRefusal refusal = FileRefusal::None;
    Fd dir(openFolderOf(relative, leaf, refusal, error));
    if (dir.fd < 0) return refusal;
    mode_t mode = 0644;
    struct stat st {};
    if (fstatat(dir.fd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = relative + (S_ISLNK(st.st_mode) ? " is a symbolic link" : " is not a file");
            return FileRefusal::NotAFile;
        }
        if (!replace) {
            error = relative + " exists";
            return FileRefusal::Exists;
        }
        mode = st.st_mode & 07777;
    }
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporaryName();
        fd = openat(dir.fd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = "cannot write " + relative + ": " + std::strerror(errno);
        return FileRefusal::Failed;
    }
    bool ok = writeAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int saved = errno;
    ok = close(fd) == 0 && ok;
    if (ok) {
        ok = renameat2(dir.fd, temporary.c_str(), dir.fd, leaf.c_str(), replace ? 0 : RENAME_NOREPLACE) == 0;
        saved = errno;
    }
    if (ok) return FileRefusal::None;
    unlinkat(dir.fd, temporary.c_str(), 0);
    if (saved == EEXIST) {
        error = relative + " exists";
        return FileRefusal::Exists;
    }
    error = "cannot write " + relative + ": " + std::strerror(saved);
    return FileRefusal::Failed;
}

std::string ConfinedFolder::shown(const fs::path &path) const {
    if (path.is_relative()) return path.generic_string();
    const fs::path relative = path.lexically_relative(root_);
    if (!relative.empty() && *relative.begin() != "..") return relative.generic_string();
    return path.string();
}

namespace {

void listBelow(int dirfd, const std::string &prefix, int depth, const std::string &extension, size_t limit,
               std::vector<std::string> &out) {
    DIR *dir = fdopendir(dirfd);
    if (!dir) {
        close(dirfd);
        return;
    }
    while (out.size() < limit) {
        const dirent *e = readdir(dir);
        if (!e) break;
        const std::string name = e->d_name;
        if (name == "." || name == ".." || name.rfind(".qr-", 0) == 0) continue;
        if (std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; }))
            continue;
        struct stat st {};
        if (fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(st.st_mode) && hasExtension(name, extension)) out.push_back(prefix + name);
        if (S_ISDIR(st.st_mode) && depth < 4) {
            const int sub =
                openat(::dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) listBelow(sub, prefix + name + "/", depth + 1, extension, limit, out);
        }
    }
    closedir(dir);
}

}  // namespace

std::vector<std::string> ConfinedFolder::list(const std::string &extension, size_t limit) const {
    std::vector<std::string> out;
    // A fresh open of the folder, so listings never share a read position.
    const int fd = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) listBelow(fd, "", 0, extension, limit, out);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace minihost::studio
