#include <mutex>
#include <string>
#include <vector>

#include "recorder.h"

namespace recorder {

namespace {
std::mutex logMutex;
std::string logText;
}  // namespace

void log(const std::string &line) {
    std::lock_guard<std::mutex> lock(logMutex);
    logText += line;
    logText += '\n';
}

}  // namespace recorder

// Exported for the tests, found with dlsym.
extern "C" __attribute__((visibility("default"))) const char *recorder_log_text(void) {
    static std::string copy;
    std::lock_guard<std::mutex> lock(recorder::logMutex);
    copy = recorder::logText;
    return copy.c_str();
}

extern "C" __attribute__((visibility("default"))) void recorder_log_clear(void) {
    std::lock_guard<std::mutex> lock(recorder::logMutex);
    recorder::logText.clear();
}
