// Allocation interposers for the unit tests: while one is armed, allocations
// of at least a given size fail, as they do when memory is short.
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

// While armed, every throwing `operator new` of at least `bytes`, on any
// thread, throws std::bad_alloc: the code under test meets memory running
// out where it allocates as usual.
class ThrowingAllocations {
public:
    explicit ThrowingAllocations(std::size_t bytes);
    ~ThrowingAllocations();
    ThrowingAllocations(const ThrowingAllocations &) = delete;
    ThrowingAllocations &operator=(const ThrowingAllocations &) = delete;
};

}  // namespace alloctest
