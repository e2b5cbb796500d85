// The stroke edition's evaluate: during TraceStep1's oversampled pass each
// camera or first-bounce sample writes its normal, line colour, width boost
// and shader into the cell the pass is shading, and the sample turns black
// for the pass's ray. Outside the pass nothing changes, except on objects
// that are not in the scene (a material preview), which get a line-coloured
// rim at grazing angles.
#include "shader/edge_shader_callbacks.h"
#include "shader/sample_values.h"
#include "store/stroke_store.h"
#include "store/stroke_store_view.h"

namespace qr {

namespace {

constexpr double kRimCosine = 0.25;

void paintStrokeRim(const EdgeShaderInstance &inst, ShaderAccess &sa) {
    double color[3];
    queryLineColor(inst, sa, color);
    if (!(sa.cosine < kRimCosine)) return;
    sa.replacePercentage = 1.0;
    for (int k = 0; k < 3; ++k) sa.replaceColor[k] = color[k];
}

}  // namespace

void evaluateEdgeShaderStroke(Instance instance, ShaderAccess *sa) {
    const auto *inst = asShader(instance);
    if (!inst || !sa || !recordingServicesPresent()) return;
    if (!isSceneObject(sa->objID)) {
        paintStrokeRim(*inst, *sa);
        return;
    }
    const StrokeStoreHeader *header = findStrokeStore();
    if (!header || header->failed != 0 || header->passRunning == 0 || sa->bounces > 1) return;
    const StrokeStoreView store = viewOf(*header);
    const int col = header->currentColumn, row = header->currentRow;
    // A cell outside the store's grid (a frame larger than the store) is
    // not recorded, and the sample is left as it is.
    if (!store.inside(col, row)) return;

    const Vector n = unitSampleNormal(*sa);
    const SampleLineValues values = queryLineValues(*inst, *sa);
    const std::size_t i = store.index(col, row);
    storeNormal(store.normal + 3 * i, n);
    storeColorBytes(store.lineColor + 3 * i, values.color);
    store.boost[i] = static_cast<float>(values.second);
    store.shader[i] = const_cast<EdgeShaderInstance *>(inst);

    sa->diffuse = 0.0;
    sa->specular = 0.0;
    sa->mirror = 0.0;
    sa->replacePercentage = 1.0;
    sa->replaceColor[0] = sa->replaceColor[1] = sa->replaceColor[2] = 0.0;
}

}  // namespace qr
