#include "tracer_p/line_compositing.h"

#include <algorithm>

namespace qr {
namespace {

constexpr double kCoverage[3] = {subsampleCoverage(-1.0), subsampleCoverage(0.0), subsampleCoverage(1.0)};
static_assert(kCoverage[0] == 0.0 && kCoverage[1] == 0.75 && kCoverage[2] == 1.0);

// The coverage is a share of the pixel: a recorded density outside 0..1 (or
// not a number) must not push colours beyond the two being blended or alpha
// below zero.
double clampedCoverage(double c) {
    if (!(c > 0.0)) return 0.0;
    return c > 1.0 ? 1.0 : c;
}

}  // namespace

double edgeCoverage(LineEdge edge) { return kCoverage[static_cast<int>(edge) + 1]; }

void compositeLinePixel(const float rgba[4], const LinePixelClass &cls, bool lineOnly, float out[4]) {
    if (cls.edge == LineEdge::None) {
        for (int k = 0; k < 3; ++k) out[k] = lineOnly ? 1.0f : rgba[k];
        out[3] = rgba[3];
        return;
    }
    const double c = clampedCoverage(edgeCoverage(cls.edge) * cls.density);
    for (int k = 0; k < 3; ++k) {
        const double under = lineOnly ? 1.0 : static_cast<double>(rgba[k]);
        out[k] = static_cast<float>(under * (1.0 - c) + cls.color[k] * c);
    }
    out[3] = static_cast<float>(std::min(static_cast<double>(rgba[3]) + c, 1.0));
}

}  // namespace qr
