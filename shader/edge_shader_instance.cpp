// Create, destroy, copy and describe of the edge shader.
#include <cstdio>
#include <memory>
#include <new>

#include "host/variant_params.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "module_base/pending_preset.h"
#include "shader/edge_shader_callbacks.h"
#include "shader/edge_shader_instance.h"
#include "shader/shader_instance_list.h"
#include "texlib/item_snapshot.h"
#include "texlib/shader_texture_support.h"

namespace qr {

namespace {

void setDefault(Vparam *vp, double value) {
    const VParmFuncs *vpf = vparamService();
    if (!vp || !vpf || !vpf->setVal || !vp->hostParam()) return;
    const double v[3] = {value, value, value};
    vpf->setVal(vp->hostParam(), v);
}

// While the shader utility applies a preset, every new instance loads it.
void loadAppliedPreset(EdgeShaderInstance *inst) {
    const char *preset = pendingPreset().presetToApply();
    if (!preset) return;
    const FileIOFuncs *fileIO = services().fileIO;
    if (!fileIO || !fileIO->openLoad) return;
    // The state is closed on every path, also when the load is cut short.
    auto close = [fileIO](LoadState *ls) {
        if (fileIO->closeLoad) fileIO->closeLoad(ls);
    };
    std::unique_ptr<LoadState, decltype(close)> ls(fileIO->openLoad(preset, 0), close);
    if (ls) loadEdgeShader(inst, ls.get());
}

void freeInstance(EdgeShaderInstance *inst) {
    delete inst->lineColor;
    delete inst->second;
    delete inst;
}

// Frees a half-made instance if its creation is cut short.
using InstanceOwner = std::unique_ptr<EdgeShaderInstance, decltype(&freeInstance)>;

}  // namespace

Instance createEdgeShader(void *, void *surface, const char **) {
    const Edition &ed = edition();
    InstanceOwner inst(new (std::nothrow) EdgeShaderInstance{}, freeInstance);
    if (!inst) return nullptr;
    inst->surface = static_cast<SurfaceID>(surface);
    inst->lineColor = new (std::nothrow) Vparam;
    inst->second = new (std::nothrow) Vparam;
    if (!inst->lineColor || !inst->second) return nullptr;
    ChanGroupID group = createShaderEnvelopeGroup(ed.shaderServer, inst->surface);
    inst->lineColor->construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, group, ed.shaderServer,
                               inst->surface);
    inst->second->construct(ed.secondVparamName, VPTYPE_PERCENT, VPTEX_PERCENT, group, ed.shaderServer,
                            inst->surface);
    setDefault(inst->lineColor, 0.0);
    setDefault(inst->second, ed.secondDefault);
    inst->line = {0, ed.shaderNormErr, ed.shaderDistErr, 0};
    loadAppliedPreset(inst.get());
    addShaderInstance(inst.get());
    endFrameRound();  // the scene changed: the next new-time reads it afresh
    return inst.release();
}

void destroyEdgeShader(Instance instance) {
    auto *inst = asShader(instance);
    if (!inst) return;
    removeShaderInstance(inst);
    endFrameRound();
    freeInstance(inst);
}

const char *copyEdgeShader(Instance toInstance, Instance fromInstance) {
    auto *to = asShader(toInstance);
    const auto *from = asShader(fromInstance);
    if (!to || !from || to == from) return nullptr;
    if (const VParmFuncs *vpf = vparamService(); vpf && vpf->copy) {
        if (to->lineColor && from->lineColor && to->lineColor->hostParam() && from->lineColor->hostParam())
            vpf->copy(to->lineColor->hostParam(), from->lineColor->hostParam());
        if (to->second && from->second && to->second->hostParam() && from->second->hostParam())
            vpf->copy(to->second->hostParam(), from->second->hostParam());
    }
    // Everything else is copied; the target keeps its surface and its own
    // variant parameters.
    to->line = from->line;
    std::snprintf(to->description, sizeof to->description, "%s", from->description);
    return nullptr;
}

const char *describeEdgeShader(Instance instance) {
    auto *inst = asShader(instance);
    if (!inst) return edition().title;
    std::snprintf(inst->description, sizeof inst->description, "%s", edition().title);
    return inst->description;
}

}  // namespace qr
