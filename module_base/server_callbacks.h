// The shapes of the callback sets a server installs at activation.
//
// The subsystem that owns a server defines its set (each callback already
// passed through guarded(), module_base/callback_guard.h); the module's
// activation copies the set into the host's records.
#pragma once

#include "host/access.h"
#include "host/handler.h"

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

}  // namespace qr
