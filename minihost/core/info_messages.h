// "Info Messages 2": messages to the user, printed to stderr as
// "error: line1: line2" and recorded so tests can read them back.
#pragma once

#include <string>
#include <vector>

#include "host/messages_files.h"

namespace minihost {

struct RecordedMessage {
    std::string kind;  // "info", "error" or "warning"
    std::string line1, line2;
};

InfoMessages *infoMessagesRecord();
std::vector<RecordedMessage> recordedMessages();
void clearRecordedMessages();
// Tests: record without printing.
void setMessagesQuiet(bool quiet);

}  // namespace minihost
