#include "minihost/core/render_memory_blocks.h"

#include "minihost/core/service_guard.h"
#include "minihost/core/system_memory.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

namespace minihost {
namespace {

// Blocks of at least this size get pages of their own, made present once
// every block of the frame is admitted (populateRenderMemory), so that the
// first frame's clear does not fault on every page of a store of hundreds of
// MiB. (Large pages were tried: when the system has to compact memory for
// them, a first frame took seconds instead.)
constexpr std::size_t kMappedBlockBytes = std::size_t{1} << 20;

constexpr std::size_t kMaxRefusalsKept = 64;

struct Block {
    void *data = nullptr;
    std::size_t size = 0;
    bool mapped = false;
    bool populated = false;
};

void release(const Block &b) {
    if (b.mapped)
        munmap(b.data, b.size);
    else
        std::free(b.data);
}

// Zero-filled memory for a block: mmap for large blocks, calloc for the rest.
// Null when memory is short.
Block allocateBlock(std::size_t size) {
    if (size >= kMappedBlockBytes) {
        void *p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) return Block{p, size, true, false};
    }
    // calloc: zero-filled, aligned for any fundamental type, and null rather
    // than an exception when memory is short. A zero size still gets a
    // distinct block so that find tells it apart from "absent".
    void *data = std::calloc(size ? size : 1, 1);
    return Block{data, size, false, true};
}

struct Store {
    std::mutex mutex;
    // Transparent comparison: a lookup by const char* allocates nothing.
    std::map<std::string, Block, std::less<>> blocks;
    // Bumped by every change of the blocks; a thread's remembered answers
    // hold only while it stays the same.
    std::atomic<std::uint64_t> generation{1};
    bool createFails = false;
    std::string failingName;
    std::vector<std::string> refusals;
    // Mapped blocks admitted but not yet made present: the system does not
    // count them as used yet, so the budget does.
    std::size_t unpopulated = 0;
    // Blocks still held at exit are freed like a discard.
    ~Store() {
        for (auto &entry : blocks) release(entry.second);
    }
};

Store &store() {
    static Store instance;
    return instance;
}

// Each thread remembers its last answers: modules look their store up by
// name for every sample and every pixel, and the answer changes only when a
// block is created or the memory is discarded. A hit costs a comparison of
// the name, with no lock and no search.
struct RememberedFind {
    std::uint64_t generation = 0;
    const char *asked = nullptr;  // the caller's pointer, to try its entry first
    char name[64] = {};
    void *data = nullptr;
};
constexpr int kRemembered = 4;
thread_local RememberedFind tRemembered[kRemembered];
thread_local int tRememberedNext = 0;

void *findBlock(const char *name) {
    if (!name) return nullptr;
    Store &s = store();
    const std::uint64_t generation = s.generation.load(std::memory_order_acquire);
    // The caller's own string is usually the one it passed before: its entry
    // is compared first, then the others.
    for (const RememberedFind &r : tRemembered)
        if (r.asked == name && r.generation == generation && std::strcmp(r.name, name) == 0) return r.data;
    for (const RememberedFind &r : tRemembered)
        if (r.generation == generation && std::strcmp(r.name, name) == 0) return r.data;
    void *data = nullptr;
    std::uint64_t seen = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.blocks.find(std::string_view(name));
        data = it == s.blocks.end() ? nullptr : it->second.data;
        seen = s.generation.load(std::memory_order_relaxed);
    }
    const std::size_t length = std::strlen(name);
    if (length < sizeof(RememberedFind::name)) {
        RememberedFind &r = tRemembered[tRememberedNext];
        tRememberedNext = (tRememberedNext + 1) % kRemembered;
        std::memcpy(r.name, name, length + 1);
        r.asked = name;
        r.data = data;
        r.generation = seen;
    }
    return data;
}

void *createBlock(const char *name, std::size_t size) {
    if (!name) return nullptr;
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    // The entry is made before the memory, so that nothing can fail between
    // getting the memory and handing it over.
    const auto [entry, isNew] = s.blocks.try_emplace(name);
    if (!isNew) return nullptr;
    // The budget is asked first (core/system_memory.h): a block larger than
    // what the machine and the job's limits leave, less the blocks admitted
    // but not yet present, is refused, not left to swap or to the kernel's
    // out-of-memory killer. So the frame's blocks are admitted together,
    // before any of them is touched.
    const std::size_t budget = availableMemoryBytes();
    const bool refused = s.createFails || (!s.failingName.empty() && s.failingName == name) ||
                         size > (budget > s.unpopulated ? budget - s.unpopulated : 0);
    const Block block = refused ? Block{} : allocateBlock(size);
    if (!block.data) {
        s.blocks.erase(entry);
        if (s.refusals.size() < kMaxRefusalsKept)
            s.refusals.push_back("\"" + std::string(name) + "\" (" + std::to_string(size) + " bytes)");
        return nullptr;
    }
    entry->second = block;
    if (!block.populated) s.unpopulated += block.size;
    s.generation.fetch_add(1, std::memory_order_release);
    return block.data;
}

RenderMemory record = {guardedService<"RenderMemory.find", findBlock>,
                       guardedService<"RenderMemory.create", createBlock>};

}  // namespace

RenderMemory *renderMemoryRecord() { return &record; }

void discardRenderMemory() {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto &entry : s.blocks) release(entry.second);
    s.blocks.clear();
    s.unpopulated = 0;
    s.generation.fetch_add(1, std::memory_order_release);
}

void populateRenderMemory() {
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto &entry : s.blocks) {
        Block &b = entry.second;
        if (b.populated) continue;
        // Every page faulted in at once: far cheaper in the kernel than one
        // fault per page on first touch.
        madvise(b.data, b.size, MADV_POPULATE_WRITE);
        b.populated = true;
    }
    s.unpopulated = 0;
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
