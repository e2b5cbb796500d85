// A module's error fails the run: the messages the modules send as errors
// ("Info Messages 2") during a command, and the render-memory blocks the host
// could not give them, are repeated in its summary, and the
// command exits with its own status, so that a render farm sees the failure
// although the frames were written.
#pragma once

#include <cstddef>
#include <ostream>

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

}  // namespace minihost::cli
