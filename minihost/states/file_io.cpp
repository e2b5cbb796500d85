#include "minihost/states/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "minihost/core/service_guard.h"
#include "minihost/files/atomic_file.h"
#include "minihost/files/checked_read.h"
#include "minihost/states/records.h"

namespace minihost {
namespace {

// A save in progress: its record and the temporary file beside its target.
// The temporary is closed and removed on every path but the one that puts it
// in the target's place (which sets fd to -1). A character device is written
// in place: `temporary` is then empty and nothing is removed.
struct PendingSave {
    std::unique_ptr<SaveStateRecord> record;
    std::string target, temporary;
    int fd = -1;

    PendingSave() = default;
    PendingSave(PendingSave &&other) noexcept
            : record(std::move(other.record)),
              target(std::move(other.target)),
              temporary(std::move(other.temporary)),
              fd(std::exchange(other.fd, -1)) {}
    PendingSave &operator=(PendingSave &&other) noexcept {
        if (this != &other) {
            discard();
            record = std::move(other.record);
            target = std::move(other.target);
            temporary = std::move(other.temporary);
            fd = std::exchange(other.fd, -1);
        }
        return *this;
    }
    ~PendingSave() { discard(); }

    void discard() {
        if (fd < 0) return;
        ::close(fd);
        if (!temporary.empty()) ::unlink(temporary.c_str());
        fd = -1;
    }
};

// States a module never closed are released at exit; their temporary files
// are removed, their targets left alone.
struct OpenFiles {
    std::mutex mutex;
    std::map<const LoadState *, std::unique_ptr<LoadStateRecord>> loads;
    std::map<const LoadState *, std::string> loadNames;
    std::vector<std::string> unread;
    std::map<const SaveState *, PendingSave> saves;
    std::string lastError;
};

OpenFiles &files() {
    static OpenFiles instance;
    return instance;
}

void noteError(const std::string &what) {
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.lastError = what;
}

bool knownMode(int mode) { return mode == IO_MODE_BINARY || mode == IO_MODE_TEXT; }

LoadState *openLoad(const char *name, int mode) {
    if (!name || !knownMode(mode)) {
        noteError(std::string(name ? name : "(null)") + ": unknown file mode " + std::to_string(mode));
        return nullptr;
    }
    std::string content, why;
    if (!readRegularFile(name, kMaxStateFileBytes, content, why)) {
        noteError(std::string(name) + ": cannot open: " + why);
        return nullptr;
    }
    auto record = std::make_unique<LoadStateRecord>(mode, makeStateReader(mode, std::move(content)));
    LoadState *state = &record->state;
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.loads.emplace(state, std::move(record));
    f.loadNames[state] = name;
    return state;
}

void closeLoad(LoadState *ls) {
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    const auto it = f.loads.find(ls);
    if (it == f.loads.end()) return;  // unknown or already closed
    const LoadStateRecord &record = *it->second;
    std::string &name = f.loadNames[ls];
    if (record.finds > 0 && record.blocksFound == 0 &&
        std::find(f.unread.begin(), f.unread.end(), name) == f.unread.end())
        f.unread.push_back(name);
    f.loadNames.erase(ls);
    f.loads.erase(it);
}

// What an open that failed on an exception answers, and leaves for
// lastFileIOError.
template <typename State>
State *openFailed(const char *name, int) {
    noteError(std::string(name ? name : "(null)") + ": out of memory");
    return nullptr;
}

// The permissions the saved file gets: those of the file it replaces, else
// the usual ones for a new file.
mode_t permissionsFor(const std::string &target) {
    struct stat info;
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    return 0644;
}

SaveState *openSave(const char *name, int mode) {
    if (!name || !knownMode(mode)) {
        noteError(std::string(name ? name : "(null)") + ": unknown file mode " + std::to_string(mode));
        return nullptr;
    }
    PendingSave pending;
    pending.target = name;
    std::string kind;
    switch (outputTargetKind(pending.target, kind)) {
    case OutputTarget::Refused:
        noteError(pending.target + ": " + kind + ", not a regular file; refusing to replace it");
        return nullptr;
    case OutputTarget::InPlace: pending.fd = openDeviceForWriting(pending.target); break;
    case OutputTarget::Replace: pending.fd = createTemporaryBeside(pending.target, pending.temporary); break;
    }
    if (pending.fd < 0) {
        noteError(pending.target + ": cannot create: " + std::strerror(errno));
        return nullptr;
    }
    pending.record = std::make_unique<SaveStateRecord>(mode, makeStateWriter(mode));
    SaveState *state = &pending.record->state;
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.saves.emplace(state, std::move(pending));
    return state;
}

bool writeAll(int fd, const std::string &data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the stream to the temporary file and puts it in the target's place;
// on any failure the temporary goes and the target stays as it was.
void finishSave(PendingSave &pending) {
    std::string why;
    const std::string data = pending.record->writer->bytes();
    const bool inPlace = pending.temporary.empty();
    if (pending.record->writer->failed())
        why = "data was lost while saving";
    else if (inPlace) {
        if (!writeAll(pending.fd, data)) why = std::string("write failed: ") + std::strerror(errno);
    } else if (!writeAll(pending.fd, data) || ::fsync(pending.fd) != 0)
        why = std::string("write failed: ") + std::strerror(errno);
    else if (::fchmod(pending.fd, permissionsFor(pending.target)) != 0)
        why = std::string("cannot set permissions: ") + std::strerror(errno);
    if (::close(pending.fd) != 0 && why.empty()) why = std::string("close failed: ") + std::strerror(errno);
    pending.fd = -1;
    if (inPlace) {
        if (!why.empty()) noteError(pending.target + ": " + why);
        return;
    }
    if (why.empty() && ::rename(pending.temporary.c_str(), pending.target.c_str()) != 0)
        why = std::string("cannot replace: ") + std::strerror(errno);
    if (!why.empty()) {
        ::unlink(pending.temporary.c_str());
        noteError(pending.target + ": " + why);
    }
}

void closeSave(SaveState *ss) {
    PendingSave pending;
    {
        OpenFiles &f = files();
        std::lock_guard<std::mutex> lock(f.mutex);
        auto it = f.saves.find(ss);
        if (it == f.saves.end()) return;  // unknown or already closed
        pending = std::move(it->second);
        f.saves.erase(it);
    }
    finishSave(pending);
}

FileIOFuncs record = {guardedService<"FileIOFuncs.openLoad", openLoad, openFailed<LoadState>>,
                      guardedService<"FileIOFuncs.closeLoad", closeLoad>,
                      guardedService<"FileIOFuncs.openSave", openSave, openFailed<SaveState>>,
                      guardedService<"FileIOFuncs.closeSave", closeSave>};

}  // namespace

FileIOFuncs *fileIORecord() { return &record; }

std::string lastFileIOError() {
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.lastError;
}

void clearFileIOError() {
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.lastError.clear();
}

std::vector<std::string> unreadFileIOLoads() {
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.unread;
}

void clearUnreadFileIOLoads() {
    OpenFiles &f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.unread.clear();
}

}  // namespace minihost
