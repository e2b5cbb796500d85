// The edge shader's line settings as both tracers read them, through the
// instance address the shader records with each sample (the `shader` buffer
// of either store view). The shader instance begins with these four fields,
// in this order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qr {

struct EdgeLineSettings {
    int32_t override_f;  // non-zero: norm_err and dist_err replace the tracer's
    double norm_err;
    double dist_err;
    int32_t mat_id;  // material identifier compared between neighbours
};

static_assert(offsetof(EdgeLineSettings, norm_err) == 8 && offsetof(EdgeLineSettings, dist_err) == 16 &&
                  offsetof(EdgeLineSettings, mat_id) == 24,
              "the layout the shader instance starts with");

inline const EdgeLineSettings *edgeLineSettingsOf(const void *shader) {
    return static_cast<const EdgeLineSettings *>(shader);
}

}  // namespace qr
