// A critical section: a non-recursive lock created at module load and deleted
// at unload. Usable with std::lock_guard. No code path holds two at once.
#pragma once

#include <mutex>

namespace qr {

class CriticalSection {
public:
    constexpr CriticalSection() noexcept = default;
    CriticalSection(const CriticalSection &) = delete;
    CriticalSection &operator=(const CriticalSection &) = delete;

    void lock() { mutex_.lock(); }
    void unlock() noexcept { mutex_.unlock(); }
    bool try_lock() noexcept { return mutex_.try_lock(); }

private:
    std::mutex mutex_;
};

using CriticalSectionGuard = std::lock_guard<CriticalSection>;

}  // namespace qr
