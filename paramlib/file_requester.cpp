#include "paramlib/file_requester.h"

#include <cstring>

#include "host/messages_files.h"
#include "module_base/module_state.h"

namespace qr {

namespace {

constinit ModuleObjectSlot<FileRequester> slot;

constexpr std::size_t kMaxLength = kRequesterBufferSize - 1;  // the NUL needs the last byte

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(const char *text, std::size_t length, const std::string &tail) {
    if (length < tail.size()) return false;
    const char *start = text + (length - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (lowerAscii(start[i]) != lowerAscii(tail[i])) return false;
    return true;
}

// The length of a buffer the host filled, or kRequesterBufferSize when the
// host left it without its NUL (the answer is then unusable).
std::size_t filledLength(const char *buffer) { return strnlen(buffer, kRequesterBufferSize); }

// A name typed with a trailing "." loses it, so that completing it with the
// suffix does not give two dots.
void dropTrailingDot(char *buffer, std::size_t &length) {
    if (length > 0 && buffer[length - 1] == '.') buffer[--length] = '\0';
}

}  // namespace

ModuleObjectSlot<FileRequester> &presetRequesterSlot() noexcept { return slot; }

bool FileRequester::request(const char *title, const char *extension, bool forSaving) {
    fileName_.clear();
    fullPath_.clear();

    // The pattern: "<" opens, ">" saves, then "*.ext"; the suffix ".ext".
    std::string pattern = forSaving ? ">" : "<";
    std::string suffix;
    if (extension) {
        pattern += '*';
        if (extension[0] != '.') suffix = ".";
        suffix += extension;
        pattern += suffix;
    }
    if (pattern.size() > kMaxLength) return false;

    GlobalFunc *global = hostLookup();
    auto *requester = global ? reinterpret_cast<FileRequestFunc *>(global(SERVICE_FILE_REQUEST, 0)) : nullptr;
    if (!requester) return false;

    char name[kRequesterBufferSize] = {};
    char path[kRequesterBufferSize] = {};
    std::memcpy(name, pattern.data(), pattern.size());
    const int chosen = requester(title ? title : "", name, folder_, path, kRequesterBufferSize);
    // A folder the host left without its NUL would be read past its end next
    // time; it is forgotten instead.
    if (filledLength(folder_) == kRequesterBufferSize) folder_[0] = '\0';
    if (chosen == 0) return false;

    std::size_t nameLength = filledLength(name);
    std::size_t pathLength = filledLength(path);
    if (nameLength > kMaxLength || pathLength > kMaxLength) return false;
    dropTrailingDot(name, nameLength);
    dropTrailingDot(path, pathLength);

    // The extension test is made on the name, without regard to case; both
    // the name and the path get the suffix. Whatever would not fit the
    // host's buffers with it is refused rather than cut.
    const bool complete = extension && !endsWithIgnoringCase(name, nameLength, suffix);
    const std::size_t added = complete ? suffix.size() : 0;
    if (nameLength + added > kMaxLength || pathLength + added > kMaxLength) return false;

    fileName_.assign(name, nameLength);
    fullPath_.assign(path, pathLength);
    if (complete) {
        fileName_ += suffix;
        fullPath_ += suffix;
    }
    return true;
}

}  // namespace qr
