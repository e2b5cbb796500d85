// The edge shader's callback set, with the edition's evaluate.
#include "shader/edge_shader_server.h"

#include "module_base/callback_guard.h"
#include "module_base/edition.h"
#include "shader/edge_shader_callbacks.h"

namespace qr {

namespace {

void evaluate(Instance inst, ShaderAccess *sa) {
    if (edition().kind == EditionKind::Stroke)
        evaluateEdgeShaderStroke(inst, sa);
    else
        evaluateEdgeShaderLine(inst, sa);
}

constexpr ShaderCallbacks kCallbacks = {
    {guarded<createEdgeShader>, guarded<destroyEdgeShader>, guarded<copyEdgeShader>, guarded<loadEdgeShader>,
     guarded<saveEdgeShader>, guarded<describeEdgeShader>},
    {guarded<initEdgeShader>, guarded<cleanupEdgeShader>, guarded<newTimeEdgeShader>},
    guarded<evaluate>,
    guarded<edgeShaderFlags>,
};

}  // namespace

const ShaderCallbacks &shaderCallbacks() { return kCallbacks; }

}  // namespace qr
