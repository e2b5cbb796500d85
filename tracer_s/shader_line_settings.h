// The edge shader's line settings as the stroke tracer reads them, through the
// instance address that the shader records in each cell
// (StrokeStoreView::shader). Both tracers read the same record, whose layout
// the edge shader's instance starts with.
#pragma once

#include "shader/edge_line_settings.h"

namespace qr::tracer_s {

using ShaderLineSettings = qr::EdgeLineSettings;

inline const ShaderLineSettings &lineSettingsOf(const void *shader) {
    return *qr::edgeLineSettingsOf(shader);
}

}  // namespace qr::tracer_s
