#include "store/line_store.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/line_store_view.h"
#include "store/store_grid.h"
#include "store/store_lock.h"

namespace qr {

namespace {

// The header this module last finished creating: a look-up that finds this
// very block needs no lock (see the stroke store; the same reasoning holds).
constinit std::atomic<LineStoreHeader *> gFinishedHeader{nullptr};

constexpr std::size_t kBufferCount = 5;
// Bytes per cell of Buff1 .. Buff5.
constexpr std::size_t kCellBytes[kBufferCount] = {sizeof(void *), sizeof(float), 3 * sizeof(float), 3,
                                                  sizeof(float)};

bool complete(const LineStoreHeader &h) { return h.buff1 && h.buff2 && h.buff3 && h.buff4 && h.buff5; }

LineStoreHeader *createStore(RenderMemory &memory) {
    SceneInfo *scene = services().sceneInfo;
    if (!scene || !scene->frameWidth || !scene->frameHeight) return nullptr;
    StoreGrid grid;
    if (storeGridFor(1, scene->frameWidth(), scene->frameHeight(), grid) != GridCheck::Ok) {
        return nullptr;
    }
    gFinishedHeader.store(nullptr, std::memory_order_seq_cst);
    auto *h =
        static_cast<LineStoreHeader *>(memory.create(edition().storeHeaderName, sizeof(LineStoreHeader)));
    if (!h) return nullptr;
    h->gridWidth = grid.width;
    h->gridHeight = grid.height;
    void *blocks[kBufferCount] = {};
    for (std::size_t i = 0; i < kBufferCount; ++i) {
        blocks[i] = memory.create(edition().storeBufferNames[i], kCellBytes[i] * grid.cells);
    }
    h->buff1 = static_cast<void **>(blocks[0]);
    h->buff2 = static_cast<float *>(blocks[1]);
    h->buff3 = static_cast<float *>(blocks[2]);
    h->buff4 = static_cast<uint8_t *>(blocks[3]);
    h->buff5 = static_cast<float *>(blocks[4]);
    gFinishedHeader.store(h, std::memory_order_release);
    return h;
}

RenderMemory *lineRenderMemory() {
    RenderMemory *memory = services().renderMemory;
    const Edition &ed = edition();
    if (!memory || !memory->find || !memory->create || ed.kind != EditionKind::Line ||
        ed.storeBufferNames.size() != kBufferCount) {
        return nullptr;
    }
    return memory;
}

LineStoreHeader *completeOrNull(LineStoreHeader *h) { return h && complete(*h) ? h : nullptr; }

// The header when the host's block is the one this module finished (or
// there is none); otherwise the caller looks again under the lock.
LineStoreHeader *findWithoutLock(RenderMemory &memory, bool &settled) {
    auto *h = static_cast<LineStoreHeader *>(memory.find(edition().storeHeaderName));
    settled = !h || h == gFinishedHeader.load(std::memory_order_acquire);
    return h;
}

}  // namespace

LineStoreHeader *findLineStore() {
    RenderMemory *memory = lineRenderMemory();
    if (!memory) return nullptr;
    bool settled = false;
    LineStoreHeader *found = findWithoutLock(*memory, settled);
    if (settled) return completeOrNull(found);
    CriticalSectionGuard guard(storeLock());
    return completeOrNull(static_cast<LineStoreHeader *>(memory->find(edition().storeHeaderName)));
}

LineStoreHeader *findOrCreateLineStore() {
    RenderMemory *memory = lineRenderMemory();
    if (!memory) return nullptr;
    bool settled = false;
    if (LineStoreHeader *found = findWithoutLock(*memory, settled); found && settled)
        return completeOrNull(found);
    CriticalSectionGuard guard(storeLock());
    auto *h = static_cast<LineStoreHeader *>(memory->find(edition().storeHeaderName));
    if (!h) h = createStore(*memory);
    return completeOrNull(h);
}

void clearLineStore() {
    LineStoreHeader *h = findOrCreateLineStore();
    if (!h) return;
    CriticalSectionGuard guard(storeLock());
    const LineStoreView v = viewOf(*h);
    const std::size_t n = v.cellCount();
    // Zero bytes are null and 0.0f alike: plain memory fills for those.
    std::memset(static_cast<void *>(v.shader), 0, n * sizeof(void *));
    std::fill_n(v.depth, n, -1.0f);
    std::memset(v.normal, 0, 3 * n * sizeof(float));
    std::memset(v.color, 0, 3 * n);
    std::fill_n(v.density, n, 1.0f);
}

}  // namespace qr
