// The line tracer's callbacks, installed by its handler activation.
#pragma once

#include "host/access.h"
#include "host/handler.h"

namespace qr {

// Instance operations.
Instance createLineTracer(void *priv, void *context, const char **err);
void destroyLineTracer(Instance inst);
const char *copyLineTracer(Instance to, Instance from);
const char *loadLineTracer(Instance inst, const LoadState *ls);
const char *saveLineTracer(Instance inst, const SaveState *ss);
const char *describeLineTracer(Instance inst);

// Render operations.
const char *initLineTracer(Instance inst, int renderMode);
void cleanupLineTracer(Instance inst);
const char *newTimeLineTracer(Instance inst, int frame, double time);
void evaluateLineTracer(Instance inst, const PixelAccess *pa);
unsigned int lineTracerFlags(Instance inst);

}  // namespace qr
