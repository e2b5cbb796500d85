// TraceStep1's oversampled pass: one camera ray per store cell, shaded by the
// host so that the edge shader records the cell, then the isolated-sample
// marking over the depths.
#pragma once

#include <cstdint>

#include "host/access.h"
#include "host/item_services.h"
#include "host/messages_files.h"
#include "store/stroke_store.h"
#include "store/stroke_store_view.h"
#include "texlib/vector.h"
#include "tracer_s/trace_step1_instance.h"

namespace qr::tracer_s {

// What the pass asks of the host. A missing scene, item or camera service
// leaves every cell without a ray; without a monitor the pass cannot be
// aborted.
struct PassHost {
    const SceneInfo *scene = nullptr;
    const ItemInfo *items = nullptr;
    const CameraInfo *camera = nullptr;
    const MonitorFuncs *monitor = nullptr;
    RayShadeFunc *rayShade = nullptr;
    double time = 0;              // the module's current frame time
    const char *title = nullptr;  // the monitor's title
};

// The per-cell numbers: four 32-bit values and the fractions in [0, 1) made
// from them. They depend on column and row only, so every frame and every run
// casts the same rays.
struct CellHash {
    uint32_t r[4];
    double u[4];
};
CellHash cellHash(int col, int row);

// What the pass worked out from the host's last camera answers: the unit
// axes of the raw axes it was given and the tangents of half the angles. The
// host is still asked for every cell; when it answers with the same bits as
// before, the same numbers are taken from here instead of computed again.
struct CameraMemo {
    bool axesKnown = false;
    double raw[3][3] = {};  // right, up, forward as the host gave them
    Vector unit[3];
    bool anglesKnown = false;
    double hfov = 0, vfov = 0;
    double tanHalfH = 0, tanHalfV = 0;
};

// The ray of cell (col, row) of a gridWidth x gridHeight grid with jitter J
// (in cells); false when the host gives no usable camera (no services, or a
// field of view of pi or more, or one that is not a number). `memo`, when
// given, keeps the work on the camera's answers from one cell to the next.
bool makeCellRay(const PassHost &host, int col, int row, int gridWidth, int gridHeight, double jitter,
                 double origin[3], double direction[3], CameraMemo *memo = nullptr);

// The pass over the whole grid: sets the pass-running flag, shades one ray per
// cell and stores its distance in the depth buffer; then, unless the monitor's
// user aborted (failure flag set, flags left as they were), marks isolated
// cells and sets pass-done. Returns false when aborted.
bool runOversampledPass(StrokeStoreHeader &header, const TraceStep1Instance &settings, const PassHost &host);

// Sets the isolated mark on every cell with fewer than two neighbours whose
// depth agrees with its own (both missed, or within 1 %).
void markIsolatedSamples(const StrokeStoreView &store);

}  // namespace qr::tracer_s
