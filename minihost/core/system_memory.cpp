#include "minihost/core/system_memory.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>

namespace minihost {

namespace {

std::atomic<std::size_t> overrideBytes{0};

// "MemAvailable" counts reclaimable cache too; without it, free memory.
std::size_t systemAvailable() {
    if (std::FILE *f = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kb = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1;
        std::fclose(f);
        if (found) return static_cast<std::size_t>(kb) * 1024;
    }
    struct sysinfo info;
    if (::sysinfo(&info) == 0) return static_cast<std::size_t>(info.freeram) * info.mem_unit;
    return 0;
}

// Room left under RLIMIT_AS, or SIZE_MAX without a limit.
std::size_t addressSpaceLeft() {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    unsigned long long pages = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%llu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    const unsigned long long used = pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    return used >= limit.rlim_cur ? 0 : static_cast<std::size_t>(limit.rlim_cur - used);
}

}  // namespace

std::size_t availableMemoryBytes() {
    if (const std::size_t forced = overrideBytes.load()) return forced;
    const std::size_t available = systemAvailable();
    // Keep an eighth of it, and at least 64 MB, for the rest of the process
    // and the machine.
    const std::size_t reserve = std::max<std::size_t>(available / 8, std::size_t{64} << 20);
    return std::min(available > reserve ? available - reserve : 0, addressSpaceLeft());
}

void setAvailableMemoryForTests(std::size_t bytes) { overrideBytes.store(bytes); }

}  // namespace minihost
