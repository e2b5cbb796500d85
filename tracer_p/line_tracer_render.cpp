// The line tracer's render operations: new-time clears the store, evaluate
// classifies one pixel from it and blends the line in.
#include "module_base/current_tracer.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/line_store.h"
#include "store/line_store_view.h"
#include "tracer_p/line_compositing.h"
#include "tracer_p/line_edge_classify.h"
#include "tracer_p/line_pixel_position.h"
#include "tracer_p/line_tracer.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace qr {
namespace {

// The host reports a depth beyond this where it saw no surface.
constexpr double kHostNoSurfaceDepth = 1e14;

void evaluatePixel(const LineTracer &tracer, const PixelAccess &pa) {
    const LineStoreHeader *header = findLineStore();
    if (!header) return;
    const LineStoreView store = viewOf(*header);
    const auto px = pixelFromScreen(pa.sx, pa.sy, store.gridWidth, store.gridHeight);
    if (!px) return;
    const size_t centre = store.index(px->x, px->y);

    // Where the host saw nothing, the pixel is background for this pixel and
    // for every later one that looks at it.
    float hostDepth = 0.0f;
    pa.getVal(BUFFER_DEPTH, 1, &hostDepth);
    if (hostDepth > kHostNoSurfaceDepth) {
        store.depth[centre] = -1.0f;
        store.shader[centre] = nullptr;
    }

    const LinePixelClass cls =
        classifyLinePixel(store, px->x, px->y, LineTolerances{tracer.norm_err, tracer.dist_err});
    if (cls.early && !tracer.line_only) return;
    float rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    pa.getVal(BUFFER_RGBA, 4, rgba);
    float out[4];
    compositeLinePixel(rgba, cls, tracer.line_only != 0, out);
    pa.setRGBA(out);
}

}  // namespace

const char *initLineTracer(Instance inst, int) {
    if (inst) currentTracer().makeCurrent(inst);
    return nullptr;
}

void cleanupLineTracer(Instance) {}

const char *newTimeLineTracer(Instance, int, double time) {
    setFrameTime(time);
    clearLineStore();
    return nullptr;
}

void evaluateLineTracer(Instance inst, const PixelAccess *pa) {
    if (!inst || !pa || !pa->getVal || !pa->setRGBA) return;
    evaluatePixel(*static_cast<const LineTracer *>(inst), *pa);
}

unsigned int lineTracerFlags(Instance) { return kLineEdition.tracerFlags; }

}  // namespace qr
