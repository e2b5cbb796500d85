#include "minihost/studio/scene_lock.h"

#include "minihost/services/monitor_service.h"

namespace minihost::studio {

std::unique_lock<std::shared_mutex> SceneLock::change() {
    // The count goes up before the abort, so a renderer that clears the abort
    // afterwards still sees that someone waits and steps aside.
    ++waiting_;
    requestAbort();
    std::unique_lock<std::shared_mutex> lock(mutex_);
    --waiting_;
    return lock;
}

}  // namespace minihost::studio
