#include "minihost/core/process_memory.h"

#include <fstream>
#include <string>

namespace minihost {

bool resetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    return clear && (clear << "5").flush().good();
}

std::size_t peakMemoryBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) != 0) continue;
        try {
            return static_cast<std::size_t>(std::stoull(line.substr(6))) * 1024;  // given in kB
        } catch (const std::exception &) {
            return 0;
        }
    }
    return 0;
}

}  // namespace minihost
