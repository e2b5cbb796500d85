#include "minihost/core/render_memory_blocks.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <string_view>

namespace minihost {
namespace {

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
    // Blocks still held at exit are freed like a discard.
    ~Store() {
        for (auto &entry : blocks) std::free(entry.second.data);
    }
};

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
        if (s.createFails) return nullptr;
        if (!s.failingName.empty() && s.failingName == name) return nullptr;
        if (s.blocks.count(name)) return nullptr;
        // calloc: zero-filled, aligned for any fundamental type, and null
        // rather than an exception when memory is short. A zero size still
        // gets a distinct block so that find tells it apart from "absent".
        void *data = std::calloc(size ? size : 1, 1);
        if (!data) return nullptr;
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
