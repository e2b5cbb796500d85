#include "tests/unit/failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> failFrom{0};  // 0: off
std::atomic<std::size_t> refusedCount{0};
std::atomic<std::size_t> throwFrom{0};  // 0: off
}  // namespace

// The throwing form, on malloc; the deletes that may free its memory are
// replaced with it, so that a sanitizer sees matching pairs.
void *operator new(std::size_t bytes) {
    const std::size_t from = throwFrom.load(std::memory_order_relaxed);
    if (from != 0 && bytes >= from) throw std::bad_alloc();
    if (void *p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }

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

ThrowingAllocations::ThrowingAllocations(std::size_t bytes) { throwFrom = bytes; }
ThrowingAllocations::~ThrowingAllocations() { throwFrom = 0; }

}  // namespace alloctest
