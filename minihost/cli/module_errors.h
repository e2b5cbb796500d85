// A module's error fails the run: the messages the modules send as errors
// ("Info Messages 2") during a command, and the render-memory blocks the host
// could not give them, are repeated in its summary, and the
// command exits with its own status, so that a render farm sees the failure
// although the frames were written.
#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "minihost/core/info_messages.h"

namespace minihost::cli {

// The exit status of a run whose frames were written while a module
// reported an error.
inline constexpr int kModuleErrorStatus = 3;

// Watches the messages from its construction on.
class ModuleErrorWatch {
public:
    ModuleErrorWatch();
    // Repeats every error sent since construction ("minihost: error from
    // QM_Quillrim_S: Not enough memory for temporary buffer.") and every
    // render-memory block refused since, and returns whether there was one.
    bool report(std::ostream &err) const;

private:
    std::size_t first_, firstRefusal_;
};

// The messages sent since the last take (or construction), for one frame's
// record: the modules' messages, and each render-memory refusal as an error
// from "minihost".
class MessageCursor {
public:
    MessageCursor();
    std::vector<RecordedMessage> take();

private:
    std::size_t next_, nextRefusal_;
};

// Whether `messages` hold an error.
bool holdsError(const std::vector<RecordedMessage> &messages);

}  // namespace minihost::cli
