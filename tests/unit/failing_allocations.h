// An allocation interposer for the unit tests: while armed, every
// non-throwing `operator new` of at least `bytes` returns null, as the heap
// does when memory is short. The code under test keeps its own allocation.
#pragma once

#include <cstddef>

namespace alloctest {

class FailingAllocations {
public:
    explicit FailingAllocations(std::size_t bytes);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations &) = delete;
    FailingAllocations &operator=(const FailingAllocations &) = delete;
    // Allocations refused so far.
    std::size_t refused() const;
};

}  // namespace alloctest
