// The process's memory budget, asked of the system each time: the least of
// what the machine reports available ("MemAvailable"), what the memory
// control group the process runs in still allows (its limit less its usage,
// for the group and each group above it; cgroup v2 memory.max and
// memory.current, v1 memory.limit_in_bytes and memory.usage_in_bytes), the
// address space left under RLIMIT_AS, and a limit the user sets
// (--memory-limit) less the process's resident memory; less a margin for
// everything else (an eighth, and at least 64 MB). A job runner's limits
// are seen, not only the machine's.
#pragma once

#include <cstddef>
#include <string>

namespace minihost {

std::size_t availableMemoryBytes();

// The budget and what bounds it, for messages: "the 1536 MB budget (the
// memory cgroup's limit less its usage)".
std::string memoryBudgetText();

// A limit on the process's resident memory set by hand; 0 for none.
void setMemoryLimit(std::size_t bytes);

// "512M", "2G", "1.5GiB", "1000000" (bytes) as bytes; false when it is no
// size. K, M, G, T are powers of 1024, with or without "iB"/"B".
bool parseMemorySize(const std::string &text, std::size_t &bytes);

// For tests: while non-zero, the answer of availableMemoryBytes().
void setAvailableMemoryForTests(std::size_t bytes);

// For tests: the file that lists the process's groups and the folder the
// hierarchies are mounted in (v1 ones in its "memory" folder); "" for the
// system's own.
void setCgroupFilesForTests(const std::string &list, const std::string &root);

}  // namespace minihost
