#include "tracer_s/trace_step2_process.h"

#include <new>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/store_grid.h"
#include "store/stroke_store.h"
#include "store/stroke_store_view.h"
#include "tracer_s/brush_stamp.h"
#include "tracer_s/composite.h"
#include "tracer_s/stroke_sweep.h"

namespace qr::tracer_s {

namespace {

void reportDrawBufferFailure() {
    const InfoMessages *messages = services().infoMessages;
    if (messages && messages->error) messages->error(edition().messageSource, kDrawBufferMessage);
}

// The draw buffer (4 bytes per cell) followed by the stamps' scratch doubles.
size_t drawBytes(const StrokeStoreView &store) { return 4 * store.cellCount(); }
size_t scratchOffset(const StrokeStoreView &store) {
    return (drawBytes(store) + alignof(double) - 1) / alignof(double) * alignof(double);
}
size_t workBytes(const StrokeStoreView &store) {
    return scratchOffset(store) + sizeof(double) * stampScratchDoubles(store.gridWidth);
}

}  // namespace

void processFrame(const FilterAccess *fa) {
    if (!fa) return;
    const auto *settings = static_cast<const TraceStep1Instance *>(readTracerPointer());
    StrokeStoreHeader *header = findStrokeStore();
    if (!settings || !header || header->failed != 0) {
        copyImageThrough(fa);
        return;
    }
    const StrokeStoreView store = viewOf(*header);
    // A header this module did not make (no buffers, or a grid no store can
    // have) is not read at all.
    if (!store.valid() || store.cellCount() > kMaxStoreCells) {
        copyImageThrough(fa);
        return;
    }
    void *work = ::operator new(workBytes(store), std::nothrow);
    if (!work) {
        reportDrawBufferFailure();
        header->failed = 1;
        copyImageThrough(fa);
        return;
    }
    auto *draw = static_cast<uint8_t *>(work);
    auto *scratch = reinterpret_cast<double *>(draw + scratchOffset(store));
    clearDrawBuffer(draw, store.cellCount());
    paintStrokes(store, *settings, draw, scratch);
    compositeStrokes(fa, draw, store.gridWidth, store.gridHeight, store.oversampling,
                     settings->only_line != 0);
    ::operator delete(work);
}

}  // namespace qr::tracer_s
