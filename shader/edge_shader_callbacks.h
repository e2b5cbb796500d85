// The edge shader's callbacks, grouped by job; shader/edge_shader_server.cpp
// puts them into the server's callback set.
#pragma once

#include "host/access.h"
#include "host/handler.h"

namespace qr {

// Instance operations (edge_shader_instance.cpp, edge_shader_persistence.cpp).
Instance createEdgeShader(void *priv, void *surface, const char **err);
void destroyEdgeShader(Instance inst);
const char *copyEdgeShader(Instance to, Instance from);
const char *loadEdgeShader(Instance inst, const LoadState *ls);
const char *saveEdgeShader(Instance inst, const SaveState *ss);
const char *describeEdgeShader(Instance inst);

// Render operations (edge_shader_render.cpp).
const char *initEdgeShader(Instance inst, int renderMode);
void cleanupEdgeShader(Instance inst);
const char *newTimeEdgeShader(Instance inst, int frame, double time);
unsigned int edgeShaderFlags(Instance inst);

// Sample recording (sample_recording_stroke.cpp, sample_recording_line.cpp).
void evaluateEdgeShaderStroke(Instance inst, ShaderAccess *sa);
void evaluateEdgeShaderLine(Instance inst, ShaderAccess *sa);

}  // namespace qr
