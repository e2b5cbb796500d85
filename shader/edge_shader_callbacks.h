// The edge shader's callbacks, grouped by job; shader/edge_shader_server.cpp
// puts them into the server's callback set.
#pragma once

#include "host/access.h"
#include "host/handler.h"

namespace qr {

// Instance operations (edge_shader_instance.cpp, edge_shader_persistence.cpp).
Instance createEdgeShader(void *priv, void *surface, const char **err) noexcept;
void destroyEdgeShader(Instance inst) noexcept;
const char *copyEdgeShader(Instance to, Instance from) noexcept;
const char *loadEdgeShader(Instance inst, const LoadState *ls) noexcept;
const char *saveEdgeShader(Instance inst, const SaveState *ss) noexcept;
const char *describeEdgeShader(Instance inst) noexcept;

// Render operations (edge_shader_render.cpp).
const char *initEdgeShader(Instance inst, int renderMode) noexcept;
void cleanupEdgeShader(Instance inst) noexcept;
const char *newTimeEdgeShader(Instance inst, int frame, double time) noexcept;
unsigned int edgeShaderFlags(Instance inst) noexcept;

// Sample recording (sample_recording_stroke.cpp, sample_recording_line.cpp).
void evaluateEdgeShaderStroke(Instance inst, ShaderAccess *sa) noexcept;
void evaluateEdgeShaderLine(Instance inst, ShaderAccess *sa) noexcept;

}  // namespace qr
