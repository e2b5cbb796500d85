// Who may touch the scene and its modules, and when. Renders and reads share
// the scene; a change (any call that may alter an instance, the scene or the
// module-wide state) has it alone. A change first asks a running render to
// stop, through the same abort flag that the progress monitors report to the
// modules, so it never waits for a whole frame.
#pragma once

#include <atomic>
#include <mutex>
#include <shared_mutex>

namespace minihost::studio {

class SceneLock {
public:
    // Stops a running render and waits until the scene is free.
    std::unique_lock<std::shared_mutex> change();
    // Alongside renders and other reads.
    std::shared_lock<std::shared_mutex> read() { return std::shared_lock<std::shared_mutex>(mutex_); }

    // For the renderer: a change is waiting, so it should let go.
    bool changeWaiting() const { return waiting_.load() > 0; }
    std::shared_mutex &mutex() { return mutex_; }

private:
    std::shared_mutex mutex_;
    std::atomic<int> waiting_{0};
};

}  // namespace minihost::studio
