// The edge shader's load and save: the version 256, then the parameter block
// of the edition's table. Scene files and preset files use the same form.
#include "shader/edge_shader_callbacks.h"
#include "shader/edge_shader_params.h"

namespace qr {

const char *loadEdgeShader(Instance instance, const LoadState *ls) {
    auto *inst = asShader(instance);
    if (!inst || !ls) return nullptr;
    EdgeShaderTable table(*inst);
    readVersionedParamBlock(ls, table.entries);
    return nullptr;
}

const char *saveEdgeShader(Instance instance, const SaveState *ss) {
    auto *inst = asShader(instance);
    if (!inst || !ss) return nullptr;
    EdgeShaderTable table(*inst);
    writeVersionedParamBlock(ss, table.entries);
    return nullptr;
}

}  // namespace qr
