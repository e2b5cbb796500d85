#include "store/line_store.h"

#include <algorithm>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/line_store_view.h"
#include "store/store_grid.h"
#include "store/store_lock.h"

namespace qr {

namespace {

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

}  // namespace

LineStoreHeader *findLineStore() {
    RenderMemory *memory = lineRenderMemory();
    if (!memory) return nullptr;
    CriticalSectionGuard guard(storeLock());
    return completeOrNull(static_cast<LineStoreHeader *>(memory->find(edition().storeHeaderName)));
}

LineStoreHeader *findOrCreateLineStore() {
    RenderMemory *memory = lineRenderMemory();
    if (!memory) return nullptr;
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
    std::fill_n(v.shader, n, nullptr);
    std::fill_n(v.depth, n, -1.0f);
    std::fill_n(v.normal, 3 * n, 0.0f);
    std::fill_n(v.color, 3 * n, uint8_t{0});
    std::fill_n(v.density, n, 1.0f);
}

}  // namespace qr
