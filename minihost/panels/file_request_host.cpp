#include "minihost/panels/file_request_host.h"

#include <cstring>
#include <deque>
#include <mutex>

#include "minihost/core/service_guard.h"
#include "minihost/core/service_registry.h"

namespace minihost {

namespace {

struct State {
    std::mutex mutex;
    std::deque<FileRequestAnswer> script;
    std::vector<RecordedFileRequest> requests;
};

State &state() {
    static State s;
    return s;
}

// A buffer the module passed, read no further than its size.
std::string bounded(const char *buffer, int size) {
    if (!buffer || size <= 0) return std::string();
    return std::string(buffer, strnlen(buffer, static_cast<std::size_t>(size)));
}

bool fits(const std::string &text, int size) { return text.size() < static_cast<std::size_t>(size); }

void put(char *buffer, const std::string &text) { std::memcpy(buffer, text.c_str(), text.size() + 1); }

int request(const char *title, char *name, char *folder, char *fullName, int bufLen) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    RecordedFileRequest rec;
    rec.title = title ? title : "";
    rec.pattern = bounded(name, bufLen);
    rec.folder = bounded(folder, bufLen);
    rec.bufferSize = bufLen;
    FileRequestAnswer answer = FileRequestAnswer::cancel();
    if (!s.script.empty()) {
        answer = std::move(s.script.front());
        s.script.pop_front();
    }
    if (answer.chooses() && name && folder && fullName) {
        std::string full = answer.path();
        if (full.find('/') == std::string::npos && !rec.folder.empty())
            full = rec.folder + (rec.folder.back() == '/' ? "" : "/") + full;
        const std::size_t slash = full.rfind('/');
        const std::string base = slash == std::string::npos ? full : full.substr(slash + 1);
        const std::string dir = slash == std::string::npos ? std::string() : full.substr(0, slash);
        if (fits(full, bufLen) && fits(base, bufLen) && fits(dir, bufLen)) {
            put(name, base);
            put(folder, dir);
            put(fullName, full);
            rec.chosen = true;
            rec.name = base;
            rec.chosenFolder = dir;
            rec.fullPath = full;
        } else {
            rec.error =
                "\"" + full + "\" does not fit the module's " + std::to_string(bufLen) + "-byte buffers";
        }
    }
    s.requests.push_back(rec);
    return rec.chosen ? 1 : 0;
}

}  // namespace

FileRequestAnswer FileRequestAnswer::choose(std::string path) {
    return FileRequestAnswer(true, std::move(path));
}
FileRequestAnswer FileRequestAnswer::cancel() { return FileRequestAnswer(false, std::string()); }

FileRequestFunc *fileRequestFunc() { return guardedService<"FileRequestFunc", request>; }

void installFileRequestService() {
    registry().provide(SERVICE_FILE_REQUEST, reinterpret_cast<void *>(fileRequestFunc()));
}

void scriptFileRequest(FileRequestAnswer answer) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.script.push_back(std::move(answer));
}

int scriptedFileRequestsLeft() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.script.size());
}

std::vector<RecordedFileRequest> recordedFileRequests() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.requests;
}

void clearFileRequests() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.script.clear();
    s.requests.clear();
}

}  // namespace minihost
