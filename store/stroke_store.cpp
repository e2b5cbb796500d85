#include "store/stroke_store.h"

#include <algorithm>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/store_grid.h"
#include "store/store_lock.h"
#include "store/stroke_store_view.h"

namespace qr {

namespace {

constexpr std::size_t kBufferCount = 6;
// Bytes per cell of Buff1 .. Buff6.
constexpr std::size_t kCellBytes[kBufferCount] = {1, sizeof(float), 3 * sizeof(float),
                                                  3, sizeof(float), sizeof(void *)};

bool isStrokeEdition(const Edition &ed) {
    return ed.kind == EditionKind::Stroke && ed.storeBufferNames.size() == kBufferCount;
}

void reportBufferFailure() {
    InfoMessages *messages = services().infoMessages;
    const char *source = edition().messageSource;
    if (messages && messages->error && source) messages->error(source, kTemporaryBufferMessage);
}

// Creates Buff1 .. Buff6 in order; false when any of them could not be had.
bool createBuffers(RenderMemory &memory, StrokeStoreHeader &h, const StoreGrid &grid) {
    void *blocks[kBufferCount] = {};
    bool complete = true;
    for (std::size_t i = 0; i < kBufferCount; ++i) {
        blocks[i] = memory.create(edition().storeBufferNames[i], kCellBytes[i] * grid.cells);
        complete = complete && blocks[i] != nullptr;
    }
    h.buff1 = static_cast<uint8_t *>(blocks[0]);
    h.buff2 = static_cast<float *>(blocks[1]);
    h.buff3 = static_cast<float *>(blocks[2]);
    h.buff4 = static_cast<uint8_t *>(blocks[3]);
    h.buff5 = static_cast<float *>(blocks[4]);
    h.buff6 = static_cast<void **>(blocks[5]);
    return complete;
}

StrokeStoreHeader *createStore(RenderMemory &memory, int oversampling) {
    SceneInfo *scene = services().sceneInfo;
    if (!scene || !scene->frameWidth || !scene->frameHeight) return nullptr;
    StoreGrid grid;
    const GridCheck check = storeGridFor(oversampling, scene->frameWidth(), scene->frameHeight(), grid);
    if (check == GridCheck::Empty) return nullptr;

    auto *h =
        static_cast<StrokeStoreHeader *>(memory.create(edition().storeHeaderName, sizeof(StrokeStoreHeader)));
    if (!h) return nullptr;
    h->failed = 0;
    h->oversampling = oversampling;
    // A grid too large to address is a buffer that cannot be had: the header
    // keeps an empty grid and no buffers.
    h->gridWidth = grid.width;
    h->gridHeight = grid.height;
    if (check == GridCheck::TooLarge || !createBuffers(memory, *h, grid)) {
        reportBufferFailure();
        h->failed = 1;
    }
    return h;
}

RenderMemory *renderMemory() {
    RenderMemory *memory = services().renderMemory;
    return memory && memory->find && memory->create ? memory : nullptr;
}

}  // namespace

StrokeStoreHeader *findStrokeStore() {
    RenderMemory *memory = renderMemory();
    if (!memory || !isStrokeEdition(edition())) return nullptr;
    CriticalSectionGuard guard(storeLock());
    return static_cast<StrokeStoreHeader *>(memory->find(edition().storeHeaderName));
}

StrokeStoreHeader *findOrCreateStrokeStore(int oversampling) {
    RenderMemory *memory = renderMemory();
    if (!memory || !isStrokeEdition(edition())) return nullptr;
    CriticalSectionGuard guard(storeLock());
    auto *h = static_cast<StrokeStoreHeader *>(memory->find(edition().storeHeaderName));
    return h ? h : createStore(*memory, oversampling);
}

void clearStrokeStore(int oversampling) {
    StrokeStoreHeader *h = findOrCreateStrokeStore(oversampling);
    if (!h || h->failed) return;
    CriticalSectionGuard guard(storeLock());
    h->passDone = 0;
    h->passRunning = 0;
    const StrokeStoreView v = viewOf(*h);
    const std::size_t n = v.cellCount();
    std::fill_n(v.marks, n, uint8_t{0});
    std::fill_n(v.depth, n, -1.0f);
    std::fill_n(v.normal, 3 * n, 0.0f);
    std::fill_n(v.lineColor, 3 * n, uint8_t{0});
    std::fill_n(v.boost, n, 0.0f);
    std::fill_n(v.shader, n, nullptr);
}

void writeTracerPointer(void *instance) {
    RenderMemory *memory = renderMemory();
    const char *name = edition().pixelDataName;
    if (!memory || !name) return;
    auto *slot = static_cast<void **>(memory->find(name));
    if (!slot) slot = static_cast<void **>(memory->create(name, sizeof(void *)));
    if (slot) *slot = instance;
}

void *readTracerPointer() {
    RenderMemory *memory = renderMemory();
    const char *name = edition().pixelDataName;
    if (!memory || !name) return nullptr;
    auto *slot = static_cast<void **>(memory->find(name));
    return slot ? *slot : nullptr;
}

}  // namespace qr
