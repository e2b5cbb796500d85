#include "store/stroke_store.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/store_grid.h"
#include "store/store_lock.h"
#include "store/stroke_store_view.h"

namespace qr {

namespace {

// The header this module last finished creating. A look-up that finds this
// very block needs no lock: the lock keeps readers away from a header still
// being filled in, and this one was complete before it was published here.
// Creation withdraws it before asking the host for a new header, so a block
// made again at the same address is not taken for the finished one.
constinit std::atomic<StrokeStoreHeader *> gFinishedHeader{nullptr};

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

    gFinishedHeader.store(nullptr, std::memory_order_seq_cst);
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
    gFinishedHeader.store(h, std::memory_order_release);
    return h;
}

RenderMemory *renderMemory() {
    RenderMemory *memory = services().renderMemory;
    return memory && memory->find && memory->create ? memory : nullptr;
}

// The header when the host's block is the one this module finished; null
// when there is no block; otherwise the caller looks again under the lock.
StrokeStoreHeader *findWithoutLock(RenderMemory &memory, bool &settled) {
    auto *h = static_cast<StrokeStoreHeader *>(memory.find(edition().storeHeaderName));
    settled = !h || h == gFinishedHeader.load(std::memory_order_acquire);
    return h;
}

}  // namespace

StrokeStoreHeader *findStrokeStore() {
    RenderMemory *memory = renderMemory();
    if (!memory || !isStrokeEdition(edition())) return nullptr;
    bool settled = false;
    StrokeStoreHeader *h = findWithoutLock(*memory, settled);
    if (settled) return h;
    CriticalSectionGuard guard(storeLock());
    return static_cast<StrokeStoreHeader *>(memory->find(edition().storeHeaderName));
}

StrokeStoreHeader *findOrCreateStrokeStore(int oversampling) {
    RenderMemory *memory = renderMemory();
    if (!memory || !isStrokeEdition(edition())) return nullptr;
    bool settled = false;
    if (StrokeStoreHeader *h = findWithoutLock(*memory, settled); h && settled) return h;
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
    // Zero bytes are 0, 0.0f and null alike, so all but Buff2 are plain
    // memory fills.
    std::memset(v.marks, 0, n);
    std::fill_n(v.depth, n, -1.0f);
    std::memset(v.normal, 0, 3 * n * sizeof(float));
    std::memset(v.lineColor, 0, 3 * n);
    std::memset(v.boost, 0, n * sizeof(float));
    std::memset(static_cast<void *>(v.shader), 0, n * sizeof(void *));
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
