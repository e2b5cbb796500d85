#include "minihost/core/system_memory.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>

namespace minihost {

namespace {

std::atomic<std::size_t> overrideBytes{0};
std::atomic<std::size_t> userLimit{0};

// Where the process's groups and the hierarchies are read; tests point them
// at a tree of their own.
struct CgroupFiles {
    std::mutex mutex;
    std::string list = "/proc/self/cgroup", root = "/sys/fs/cgroup";
};
CgroupFiles &cgroupFiles() {
    static CgroupFiles files;
    return files;
}

constexpr std::size_t kNone = SIZE_MAX;

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

// The pages of /proc/self/statm's field `index` (0 size, 1 resident), in bytes.
std::size_t statmBytes(int index) {
    unsigned long long pages[2] = {0, 0};
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%llu %llu", &pages[0], &pages[1]) != 2) pages[0] = pages[1] = 0;
        std::fclose(f);
    }
    return static_cast<std::size_t>(pages[index] * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)));
}

// Room left under RLIMIT_AS, or kNone without a limit.
std::size_t addressSpaceLeft() {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kNone;
    const std::size_t used = statmBytes(0);
    return used >= limit.rlim_cur ? 0 : static_cast<std::size_t>(limit.rlim_cur - used);
}

// A number alone in a file; false for "max", a missing file or anything else.
bool readNumber(const std::string &path, unsigned long long &value) {
    std::ifstream in(path);
    std::string text;
    if (!(in >> text) || text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

// The room a group and every group above it leave: the least of limit less
// usage, or kNone when none has a limit.
std::size_t groupRoom(const std::string &mount, std::string group, const char *limitFile,
                      const char *usageFile) {
    std::size_t room = kNone;
    while (true) {
        const std::string folder = mount + group;
        unsigned long long limit = 0, usage = 0;
        // cgroup v1 says "no limit" with a number near 2^63.
        if (readNumber(folder + "/" + limitFile, limit) && limit < (1ull << 60) &&
            readNumber(folder + "/" + usageFile, usage))
            room = std::min<std::size_t>(room, usage >= limit ? 0 : static_cast<std::size_t>(limit - usage));
        if (group.empty() || group == "/") break;
        const std::size_t slash = group.rfind('/');
        group = slash == std::string::npos ? std::string() : group.substr(0, slash);
    }
    return room;
}

// The memory cgroup's room, from /proc/self/cgroup: "0::/path" (v2) or
// "N:...memory...:/path" (v1).
std::size_t cgroupRoom() {
    std::string list, root;
    {
        CgroupFiles &files = cgroupFiles();
        std::lock_guard<std::mutex> lock(files.mutex);
        list = files.list;
        root = files.root;
    }
    std::ifstream in(list);
    std::size_t room = kNone;
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string group = line.substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty())
            room = std::min(room, groupRoom(root, group, "memory.max", "memory.current"));
        else if (("," + controllers + ",").find(",memory,") != std::string::npos)
            room = std::min(
                room, groupRoom(root + "/memory", group, "memory.limit_in_bytes", "memory.usage_in_bytes"));
    }
    return room;
}

// The user's limit less what the process holds already.
std::size_t userRoom() {
    const std::size_t limit = userLimit.load();
    if (limit == 0) return kNone;
    const std::size_t resident = statmBytes(1);
    return resident >= limit ? 0 : limit - resident;
}

struct Budget {
    std::size_t bytes;
    const char *boundBy;
};

Budget budget() {
    if (const std::size_t forced = overrideBytes.load()) return {forced, "set by a test"};
    Budget least{systemAvailable(), "the memory this machine has available"};
    const Budget others[] = {{cgroupRoom(), "the memory cgroup's limit less its usage"},
                             {addressSpaceLeft(), "the address-space limit less the space in use"},
                             {userRoom(), "--memory-limit less the memory in use"}};
    for (const Budget &b : others)
        if (b.bytes < least.bytes) least = b;
    // Keep an eighth of it, and at least 64 MB, for the rest of the process
    // and the machine.
    const std::size_t reserve = std::max<std::size_t>(least.bytes / 8, std::size_t{64} << 20);
    least.bytes = least.bytes > reserve ? least.bytes - reserve : 0;
    return least;
}

}  // namespace

std::size_t availableMemoryBytes() { return budget().bytes; }

std::string memoryBudgetText() {
    const Budget b = budget();
    return "the " + std::to_string(b.bytes >> 20) + " MB budget (" + b.boundBy + ")";
}

void setMemoryLimit(std::size_t bytes) { userLimit.store(bytes); }

bool parseMemorySize(const std::string &text, std::size_t &bytes) {
    char *end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !(number > 0) || !std::isfinite(number)) return false;
    std::string unit(end);
    for (char &c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // "G", "GB" and "GiB" alike, in any case; "B" or nothing is bytes.
    if (unit.size() >= 2 && unit.compare(unit.size() - 2, 2, "IB") == 0)
        unit.resize(unit.size() - 2);
    else if (!unit.empty() && unit.back() == 'B')
        unit.pop_back();
    double scale = 1;
    if (!unit.empty()) {
        static const std::string kUnits = "KMGT";
        const std::size_t power = unit.size() == 1 ? kUnits.find(unit[0]) : std::string::npos;
        if (power == std::string::npos) return false;
        scale = std::pow(1024.0, static_cast<double>(power + 1));
    }
    const double value = number * scale;
    if (value >= 1.8e19) return false;
    bytes = static_cast<std::size_t>(value);
    return bytes > 0;
}

void setAvailableMemoryForTests(std::size_t bytes) { overrideBytes.store(bytes); }

void setCgroupFilesForTests(const std::string &list, const std::string &root) {
    CgroupFiles &files = cgroupFiles();
    std::lock_guard<std::mutex> lock(files.mutex);
    files.list = list.empty() ? "/proc/self/cgroup" : list;
    files.root = root.empty() ? "/sys/fs/cgroup" : root;
}

}  // namespace minihost
