#include "minihost/cli/module_errors.h"

#include <algorithm>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"

namespace minihost::cli {

ModuleErrorWatch::ModuleErrorWatch()
        : first_(recordedMessages().size()), firstRefusal_(renderMemoryRefusals().size()) {}

bool ModuleErrorWatch::report(std::ostream &err) const {
    const auto messages = recordedMessages();
    bool any = false;
    for (std::size_t i = first_; i < messages.size(); ++i) {
        if (messages[i].kind != "error") continue;
        err << "minihost: error from " << messages[i].line1 << ": " << messages[i].line2
            << " (the frames were written without its work)\n";
        any = true;
    }
    // A module may take a refused block quietly (the line edition draws no
    // lines then); the host knows it refused, and says so.
    const auto refusals = renderMemoryRefusals();
    for (std::size_t i = firstRefusal_; i < refusals.size(); ++i) {
        err << "minihost: render memory refused block " << refusals[i] << '\n';
        any = true;
    }
    return any;
}

MessageCursor::MessageCursor()
        : next_(recordedMessages().size()), nextRefusal_(renderMemoryRefusals().size()) {}

std::vector<RecordedMessage> MessageCursor::take() {
    const auto messages = recordedMessages();
    std::vector<RecordedMessage> taken(
        messages.begin() + static_cast<std::ptrdiff_t>(std::min(next_, messages.size())), messages.end());
    next_ = messages.size();
    const auto refusals = renderMemoryRefusals();
    for (std::size_t i = nextRefusal_; i < refusals.size(); ++i)
        taken.push_back({"error", "minihost: render memory refused block " + refusals[i], ""});
    nextRefusal_ = refusals.size();
    return taken;
}

bool holdsError(const std::vector<RecordedMessage> &messages) {
    for (const RecordedMessage &m : messages)
        if (m.kind == "error") return true;
    return false;
}

}  // namespace minihost::cli
