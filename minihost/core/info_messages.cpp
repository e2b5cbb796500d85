#include "minihost/core/info_messages.h"

#include <cstdio>
#include <mutex>

#include "minihost/core/service_guard.h"

namespace minihost {
namespace {

struct Journal {
    std::mutex mutex;
    std::vector<RecordedMessage> messages;
    bool quiet = false;
};

Journal &journal() {
    static Journal instance;
    return instance;
}

void post(const char *kind, const char *line1, const char *line2) {
    RecordedMessage message{kind, line1 ? line1 : "", line2 ? line2 : ""};
    Journal &j = journal();
    std::lock_guard<std::mutex> lock(j.mutex);
    if (!j.quiet) {
        if (line2)
            std::fprintf(stderr, "%s: %s: %s\n", kind, message.line1.c_str(), line2);
        else
            std::fprintf(stderr, "%s: %s\n", kind, message.line1.c_str());
    }
    j.messages.push_back(std::move(message));
}

void postInfo(const char *line1, const char *line2) { post("info", line1, line2); }
void postError(const char *line1, const char *line2) { post("error", line1, line2); }
void postWarning(const char *line1, const char *line2) { post("warning", line1, line2); }

// A message that cannot be recorded is dropped; the module goes on.
InfoMessages record = {guardedService<"InfoMessages.info", postInfo>,
                       guardedService<"InfoMessages.error", postError>,
                       guardedService<"InfoMessages.warning", postWarning>};

}  // namespace

InfoMessages *infoMessagesRecord() { return &record; }

std::vector<RecordedMessage> recordedMessages() {
    Journal &j = journal();
    std::lock_guard<std::mutex> lock(j.mutex);
    return j.messages;
}

void clearRecordedMessages() {
    Journal &j = journal();
    std::lock_guard<std::mutex> lock(j.mutex);
    j.messages.clear();
}

void setMessagesQuiet(bool quiet) {
    Journal &j = journal();
    std::lock_guard<std::mutex> lock(j.mutex);
    j.quiet = quiet;
}

}  // namespace minihost
