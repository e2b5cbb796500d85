#include "minihost/core/render_memory_blocks.h"

#include "minihost/core/system_memory.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <string_view>

namespace minihost {
namespace {

constexpr std::size_t kMaxRefusalsKept = 64;

struct Block {
    void *data = nullptr;
    std::size_t size = 0;
};

struct Store {
    std::mutex mutex;
    // Transparent comparison: a lookup by const char* allocates nothing.
    std::map<std::string, Block, std::less<>> blocks;
    bool createFails = false;
    std::string failingName;
    std::vector<std::string> refusals;
    // Blocks still held at exit are freed like a discard.
    ~Store() {
        for (auto &entry : blocks) std::free(entry.second.data);
    }
};

// Large blocks come as untouched pages that the system has not yet counted
// as used; touching them now makes the next creation's question see them.
// The clear that follows every creation touches them anyway.
void residentNow(void *data, std::size_t size) {
    const std::size_t page = 4096;
    if (size < 64 * page) return;
    auto *bytes = static_cast<volatile unsigned char *>(data);
    for (std::size_t i = 0; i < size; i += page) bytes[i] = 0;
}

Store &store() {
    static Store instance;
    return instance;
}

void *findBlock(const char *name) {
    if (!name) return nullptr;
    try {
        Store &s = store();
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.blocks.find(std::string_view(name));
        return it == s.blocks.end() ? nullptr : it->second.data;
    } catch (...) {
        return nullptr;
    }
}

void *createBlock(const char *name, std::size_t size) {
    if (!name) return nullptr;
    try {
        Store &s = store();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.blocks.count(name)) return nullptr;
        // The system is asked first: a block larger than the machine can
        // give is refused, not left to swap or to the out-of-memory killer.
        // calloc: zero-filled, aligned for any fundamental type, and null
        // rather than an exception when memory is short. A zero size still
        // gets a distinct block so that find tells it apart from "absent".
        const bool refused = s.createFails || (!s.failingName.empty() && s.failingName == name) ||
                             size > availableMemoryBytes();
        void *data = refused ? nullptr : std::calloc(size ? size : 1, 1);
        if (!data) {
            if (s.refusals.size() < kMaxRefusalsKept)
                s.refusals.push_back("\"" + std::string(name) + "\" (" + std::to_string(size) + " bytes)");
            return nullptr;
        }
        residentNow(data, size);
        try {
            s.blocks.emplace(name, Block{data, size});
        } catch (...) {
            std::free(data);
            return nullptr;
        }
        return data;
    } catch (...) {
        return nullptr;
    }
}

RenderMemory record = {&findBlock, &createBlock};

}  // namespace

RenderMemory *renderMemoryRecord() { return &record; }

void discardRenderMemory() {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto &entry : s.blocks) std::free(entry.second.data);
    s.blocks.clear();
}

void setRenderMemoryCreateFails(bool fail) {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.createFails = fail;
}

void setRenderMemoryCreateFailsFor(const std::string &name) {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failingName = name;
}

std::vector<std::string> renderMemoryRefusals() {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.refusals;
}

std::vector<std::string> renderMemoryNames() {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string> names;
    for (const auto &entry : s.blocks) names.push_back(entry.first);
    return names;
}

std::size_t renderMemoryBlockSize(const std::string &name) {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.blocks.find(name);
    return it == s.blocks.end() ? 0 : it->second.size;
}

}  // namespace minihost
