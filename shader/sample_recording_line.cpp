// The line edition's evaluate: every camera sample writes its shader, depth,
// normal, line colour and density into the store cell of its pixel; the
// surface itself renders unchanged. Objects that are not in the scene (a
// material preview) get the line colour laid over their grazing parts with
// the line's density as opacity.
#include "module_base/module_state.h"
#include "shader/edge_shader_callbacks.h"
#include "shader/sample_values.h"
#include "store/line_store.h"
#include "store/line_store_view.h"

namespace qr {

namespace {

constexpr double kRimCosine = 0.25;

void blendLineRim(const EdgeShaderInstance &inst, ShaderAccess &sa) {
    const SampleLineValues v = queryLineValues(inst, sa);
    if (!(sa.cosine < kRimCosine)) return;
    const double a = v.second;
    const double p0 = sa.replacePercentage;
    const double d = 1.0 - (1.0 - p0) * (1.0 - a);
    if (d == 0.0) return;
    for (int k = 0; k < 3; ++k)
        sa.replaceColor[k] = (a * v.color[k] + (1.0 - a) * p0 * sa.replaceColor[k]) / d;
    sa.replacePercentage = d;
}

}  // namespace

void evaluateEdgeShaderLine(Instance instance, ShaderAccess *sa) {
    const auto *inst = asShader(instance);
    if (!inst || !sa || !recordingServicesPresent()) return;
    if (!isSceneObject(sa->objID)) {
        blendLineRim(*inst, *sa);
        return;
    }
    const LineStoreHeader *header = findLineStore();
    if (!header || sa->bounces != 0) return;
    const LineStoreView store = viewOf(*header);
    // A pixel outside the store's grid (a frame larger than the store) is
    // not recorded.
    if (!store.inside(sa->sx, sa->sy)) return;

    const Vector n = unitSampleNormal(*sa);
    const SampleLineValues values = queryLineValues(*inst, *sa);
    const std::size_t i = store.index(sa->sx, sa->sy);
    store.shader[i] = const_cast<EdgeShaderInstance *>(inst);
    const SceneInfo *scene = services().sceneInfo;
    const ItemID camera = scene && scene->renderCamera ? scene->renderCamera(frameTime()) : ITEM_NULL;
    store.depth[i] = static_cast<float>(cameraDepth(camera, sa->wPos));
    storeNormal(store.normal + 3 * i, n);
    storeColorBytes(store.color + 3 * i, values.color);
    store.density[i] = static_cast<float>(values.second);
}

}  // namespace qr
