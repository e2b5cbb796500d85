// What the machine can still give this process, asked of the system each
// time: the memory it reports available, less a reserve for everything
// else, and within the process's own address-space limit if it has one.
#pragma once

#include <cstddef>

namespace minihost {

std::size_t availableMemoryBytes();

// For tests: while non-zero, the answer of availableMemoryBytes().
void setAvailableMemoryForTests(std::size_t bytes);

}  // namespace minihost
