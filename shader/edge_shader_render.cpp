// The edge shader's render operations: images prepared at init, textures
// released at cleanup, and at each frame the frame time, the frame item
// snapshot and the textures' per-frame preparation.
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "shader/edge_shader_callbacks.h"
#include "shader/edge_shader_instance.h"
#include "texlib/item_snapshot.h"
#include "texlib/shader_texture_support.h"

namespace qr {

const char *initEdgeShader(Instance instance, int) {
    auto *inst = asShader(instance);
    if (!inst) return nullptr;
    endFrameRound();  // a render begins: the host may have changed its scene
    prepareLightImages();
    prepareSurfaceImages(inst->surface);
    return nullptr;
}

void cleanupEdgeShader(Instance instance) {
    auto *inst = asShader(instance);
    if (!inst) return;
    endFrameRound();  // a render ends: the host may change its scene now
    if (inst->lineColor) inst->lineColor->cleanup();
    if (inst->second) inst->second->cleanup();
}

const char *newTimeEdgeShader(Instance instance, int frame, double time) {
    auto *inst = asShader(instance);
    if (!inst) return nullptr;
    setFrameTime(time);
    // The first instance of a frame rebuilds the snapshot; the others of the
    // same run of new-time calls keep what it read (refreshFrameSnapshotOnce
    // gives the rule that makes this exact).
    inst->snapshotRound = refreshFrameSnapshotOnce(time, frame, inst->snapshotRound);
    if (inst->lineColor) inst->lineColor->newTime(time, frame);
    if (inst->second) inst->second->newTime(time, frame);
    return nullptr;
}

unsigned int edgeShaderFlags(Instance) { return edition().shaderFlags; }

}  // namespace qr
