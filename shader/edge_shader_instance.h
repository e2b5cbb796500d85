// The edge shader's instance: one per surface that carries the shader.
//
// The instance starts with its line settings (override_f, norm_err, dist_err,
// mat_id), which the tracers read through the address the shader records in
// the sample store; the rest follows. An address stays valid from create to
// destroy.
#pragma once

#include <cstdint>

#include "host/host_types.h"
#include "paramlib/vparam.h"
#include "shader/edge_line_settings.h"

namespace qr {

inline constexpr int kShaderDescriptionSize = 128;

struct EdgeShaderInstance {
    EdgeLineSettings line;  // read by the tracers: keep it first
    Vparam *lineColor;      // "line_color", a colour
    Vparam *second;         // "line_boost" (stroke) or "line_density" (line), a percentage
    char description[kShaderDescriptionSize];
    SurfaceID surface;  // the surface this instance shades
    // The frame snapshot's round this instance last refreshed in (0: none);
    // not copied: it is the instance's own history.
    uint64_t snapshotRound;
};

static_assert(offsetof(EdgeShaderInstance, line) == 0,
              "the tracers read the line settings at the instance address");

inline EdgeShaderInstance *asShader(void *inst) { return static_cast<EdgeShaderInstance *>(inst); }

}  // namespace qr
