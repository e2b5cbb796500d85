// The edge shader's callback set, with the edition's evaluate.
#include "module/edition.h"
#include "module/server_callbacks.h"
#include "shader/edge_shader_callbacks.h"

namespace qr {

namespace {

void evaluate(Instance inst, ShaderAccess *sa) {
    if (edition().kind == EditionKind::Stroke)
        evaluateEdgeShaderStroke(inst, sa);
    else
        evaluateEdgeShaderLine(inst, sa);
}

unsigned int flags(Instance inst) { return edgeShaderFlags(inst); }

constexpr ShaderCallbacks kCallbacks = {
    {createEdgeShader, destroyEdgeShader, copyEdgeShader, loadEdgeShader, saveEdgeShader, describeEdgeShader},
    {initEdgeShader, cleanupEdgeShader, newTimeEdgeShader},
    evaluate,
    flags,
};

}  // namespace

const ShaderCallbacks &shaderCallbacks() { return kCallbacks; }

}  // namespace qr
