#include "minihost/textures/texture_evaluation.h"

#include <algorithm>
#include <cmath>

namespace minihost::textures {

namespace {

constexpr double kPi = 3.141592653589793;

double intensity(const double c[3]) { return (c[0] + c[1] + c[2]) / 3.0; }

double ownInput(OwnInput input, const TexturedSpot &spot, const double below[3], int channels) {
    switch (input) {
    case OwnInput::PreviousLayer: return channels == 3 ? intensity(below) : below[0];
    case OwnInput::X: return spot.wPos[0];
    case OwnInput::Y: return spot.wPos[1];
    case OwnInput::Z: return spot.wPos[2];
    default: return 0.0;
    }
}

void gradientAt(const std::vector<GradientKey> &keys, double x, double out[3]) {
    if (!(x > keys.front().position)) {  // also NaN
        std::copy_n(keys.front().value, 3, out);
        return;
    }
    if (x >= keys.back().position) {
        std::copy_n(keys.back().value, 3, out);
        return;
    }
    auto after = std::upper_bound(keys.begin(), keys.end(), x,
                                  [](double p, const GradientKey &k) { return p < k.position; });
    const GradientKey &b = *after, &a = *(after - 1);
    const double f = (x - a.position) / (b.position - a.position);
    for (int k = 0; k < 3; ++k) out[k] = a.value[k] + (b.value[k] - a.value[k]) * f;
}

// (u, v) of an object-space position for an image layer; false when the
// layer's size leaves no mapping.
bool imageCoordinates(const LayerData &d, const double pos[3], double &u, double &v) {
    double rel[3];
    for (int k = 0; k < 3; ++k) rel[k] = pos[k] - d.center[k];
    const int a = d.axis, s = (a + 2) % 3, t = (a + 1) % 3;  // the axis and the two across it
    if (d.projection == kPlanar) {
        // Along z the image lies in x (across) and y (up); along x in z and
        // y; along y in x and z.
        const int across = a == 0 ? 2 : 0, up = a == 1 ? 2 : 1;
        if (d.size[across] == 0 || d.size[up] == 0) return false;
        u = rel[across] / d.size[across] + 0.5;
        v = 0.5 - rel[up] / d.size[up];
        return true;
    }
    const double around = std::atan2(rel[s], rel[t]);
    u = 0.5 + around / (2 * kPi);
    if (d.projection == kCylindrical) {
        if (d.size[a] == 0) return false;
        v = 0.5 - rel[a] / d.size[a];
        return true;
    }
    const double r = std::sqrt(rel[0] * rel[0] + rel[1] * rel[1] + rel[2] * rel[2]);
    v = r > 0 ? 0.5 - std::asin(std::clamp(rel[a] / r, -1.0, 1.0)) / kPi : 0.5;
    return true;
}

bool layerValue(const Texture &t, const Layer &layer, TexturedSpot &spot, const ImageList *images,
                const double below[3], double out[3]) {
    const LayerData &d = layer.data;
    switch (d.type) {
    case kConstantLayer: std::copy_n(layer.valueNow, 3, out); return true;
    case kGradientLayer: {
        if (d.keys.empty()) return false;
        double x;
        if (layer.inputNumber > 0 && t.context && t.context->funcs.evaluate) {
            TxtrInputParam param = layer.param;  // each call its own copy
            x = t.context->funcs.evaluate(&param, layer.inputNumber, &spot, layer.timeRecord);
        } else if (layer.own != OwnInput::None) {
            x = ownInput(layer.own, spot, below, t.channelCount);
        } else {
            return false;
        }
        gradientAt(d.keys, x, out);
        return true;
    }
    default: {
        double u = 0, v = 0;
        if (!images || !layer.image || !imageCoordinates(d, spot.oPos, u, v)) return false;
        sampleImage(*images, layer.image, u, v, out);
        if (t.channelCount == 1) out[0] = intensity(out);
        return true;
    }
    }
}

double blend(int mode, double below, double layer) {
    switch (mode) {
    case TXBLEND_ADD: return below + layer;
    case TXBLEND_SUBTRACT: return below - layer;
    case TXBLEND_MULTIPLY: return below * layer;
    default: return layer;
    }
}

}  // namespace

void sampleImage(const ImageList &images, ImageID image, double u, double v, double rgb[3]) {
    rgb[0] = rgb[1] = rgb[2] = 0.0;
    int w = 0, h = 0;
    if (images.size) images.size(image, &w, &h);
    if (w <= 0 || h <= 0 || !images.rgb || !std::isfinite(u) || !std::isfinite(v)) return;
    const double fx = (u - std::floor(u)) * w - 0.5, fy = (v - std::floor(v)) * h - 0.5;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const double tx = fx - x0, ty = fy - y0;
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            float c[3] = {0, 0, 0};
            images.rgb(image, ((x0 + dx) % w + w) % w, ((y0 + dy) % h + h) % h, c);
            const double weight = (dx ? tx : 1 - tx) * (dy ? ty : 1 - ty);
            for (int k = 0; k < 3; ++k) rgb[k] += weight * c[k];
        }
}

void evaluateTexture(const Texture &t, TexturedSpot &spot, const ImageList *images, double values[3]) {
    const int n = t.channelCount;
    for (const auto &layer : t.layers) {
        double v[3] = {0, 0, 0};
        if (!layerValue(t, *layer, spot, images, values, v)) continue;
        const double opacity =
            std::clamp(std::isfinite(layer->opacityNow) ? layer->opacityNow : 0.0, 0.0, 1.0);
        for (int k = 0; k < n; ++k)
            values[k] = values[k] * (1 - opacity) + blend(layer->data.blend, values[k], v[k]) * opacity;
    }
}

}  // namespace minihost::textures
