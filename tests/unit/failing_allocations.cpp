#include "tests/unit/failing_allocations.h"

#include <atomic>
#include <new>

namespace {
std::atomic<std::size_t> failFrom{0};  // 0: off
std::atomic<std::size_t> refusedCount{0};
}  // namespace

// Replaces the library's non-throwing form; the memory still comes from the
// throwing form, so it is freed by the usual operator delete.
void *operator new(std::size_t bytes, const std::nothrow_t &) noexcept {
    const std::size_t from = failFrom.load();
    if (from != 0 && bytes >= from) {
        ++refusedCount;
        return nullptr;
    }
    try {
        return ::operator new(bytes);
    } catch (...) {
        return nullptr;
    }
}

namespace alloctest {

FailingAllocations::FailingAllocations(std::size_t bytes) {
    refusedCount = 0;
    failFrom = bytes;
}
FailingAllocations::~FailingAllocations() { failFrom = 0; }
std::size_t FailingAllocations::refused() const { return refusedCount.load(); }

}  // namespace alloctest
