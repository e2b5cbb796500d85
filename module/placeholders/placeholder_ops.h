// Safe stand-in callbacks shared by the placeholder servers: an instance is a
// small zeroed block, persistence stores nothing, rendering does nothing.
// Delete this file with the last placeholder server.
#pragma once

#include "module/server_callbacks.h"

namespace qr::placeholder {

Instance create(void *priv, void *context, const char **err);
void destroy(Instance inst);
const char *copy(Instance to, Instance from);
const char *load(Instance inst, const LoadState *ls);
const char *save(Instance inst, const SaveState *ss);
const char *init(Instance inst, int renderMode);
void cleanup(Instance inst);
const char *newTime(Instance inst, int frame, double time);

inline constexpr RenderCallbacks kRender = {init, cleanup, newTime};

}  // namespace qr::placeholder
