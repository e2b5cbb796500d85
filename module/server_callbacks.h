// The callbacks each server installs at activation, one accessor per server.
//
// Activation (module/activate_*.cpp) copies these sets into the host's records;
// the subsystem that owns a server defines its accessor. Until it exists, a
// placeholder in module/placeholders/ stands in: delete the placeholder file
// when the real definition is added.
#pragma once

#include "host/access.h"
#include "host/handler.h"
#include "host/module_descriptor.h"
#include "host/xpanel.h"

namespace qr {

struct InstanceCallbacks {
    Instance (*create)(void *priv, void *context, const char **err);
    void (*destroy)(Instance inst);
    const char *(*copy)(Instance to, Instance from);
    const char *(*load)(Instance inst, const LoadState *ls);
    const char *(*save)(Instance inst, const SaveState *ss);
    const char *(*describe)(Instance inst);
};

struct RenderCallbacks {
    const char *(*init)(Instance inst, int renderMode);
    void (*cleanup)(Instance inst);
    const char *(*newTime)(Instance inst, int frame, double time);
};

struct ShaderCallbacks {
    InstanceCallbacks instance;
    RenderCallbacks render;
    void (*evaluate)(Instance inst, ShaderAccess *sa);
    unsigned int (*flags)(Instance inst);
};

struct PixelFilterCallbacks {
    InstanceCallbacks instance;
    RenderCallbacks render;
    void (*evaluate)(Instance inst, const PixelAccess *pa);
    unsigned int (*flags)(Instance inst);
};

struct ImageFilterCallbacks {
    InstanceCallbacks instance;
    void (*process)(Instance inst, const FilterAccess *fa);
    unsigned int (*flags)(Instance inst);
};

// Edge shader, both editions (shader/).
const ShaderCallbacks &shaderCallbacks();
// The shader's panel for an instance, or null (shader/). Uses the panel service
// that the interface activation stored just before.
XPanelID buildShaderPanel(Instance inst);

// Stroke edition (tracer_s/).
const PixelFilterCallbacks &traceStep1Callbacks();
XPanelID buildTraceStep1Panel(Instance inst);
const ImageFilterCallbacks &traceStep2Callbacks();

// Line edition (tracer_p/). The dialog runs inside the interface activation,
// with the lookup that activation received.
const PixelFilterCallbacks &lineTracerCallbacks();
void runLineTracerDialog(GlobalFunc *global, Instance inst);

// Shader utility, both editions (shaderutil/). Runs after the activation has
// acquired the services; `generic` is the host's command record (may be null).
void runShaderUtility(GlobalFunc *global, LayoutGeneric *generic);

}  // namespace qr
