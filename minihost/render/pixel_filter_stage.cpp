#include "minihost/render/pixel_filter_stage.h"

#include <cmath>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/core/service_guard.h"
#include "minihost/render/lights.h"
#include "minihost/render/surface_shading.h"
#include "minihost/servers/active_handler.h"
#include "minihost/services/monitor_service.h"

namespace minihost {

namespace {

// The pixel being filtered; the access record's functions take no context.
struct CurrentPixel {
    FrameBuffer *buffer = nullptr;
    int x = 0, y = 0;
};
thread_local CurrentPixel current;

// Channels 32..35 are red, green, blue, alpha; a read or write of `num`
// channels starting at `type` stops at alpha.
std::vector<float> *channelPlane(FrameBuffer &b, int channel) {
    return channel >= 0 && channel < 4 ? b.plane(BUFFER_RED + channel) : nullptr;
}

void getVal(int type, int num, float *out) {
    if (!current.buffer || !out || num <= 0) return;
    FrameBuffer &b = *current.buffer;
    const size_t i = b.index(current.x, current.y);
    if (type == BUFFER_DEPTH) {
        out[0] = b.depth[i];
        for (int k = 1; k < num; ++k) out[k] = 0.0f;
        return;
    }
    for (int k = 0; k < num; ++k) {
        std::vector<float> *plane = type >= BUFFER_RED ? channelPlane(b, type - BUFFER_RED + k) : nullptr;
        out[k] = plane ? (*plane)[i] : 0.0f;
    }
}

float sane(float v) { return std::isfinite(v) ? v : 0.0f; }

void setVal(int type, int num, const float *in) {
    if (!current.buffer || !in || num <= 0) return;
    FrameBuffer &b = *current.buffer;
    const size_t i = b.index(current.x, current.y);
    if (type == BUFFER_DEPTH) {
        b.depth[i] = std::isnan(in[0]) ? kNoHitDepth : in[0];
        return;
    }
    for (int k = 0; k < num; ++k)
        if (std::vector<float> *plane = type >= BUFFER_RED ? channelPlane(b, type - BUFFER_RED + k) : nullptr)
            (*plane)[i] = sane(in[k]);
}

void setRGBA(const float rgba[4]) { setVal(BUFFER_RGBA, 4, rgba); }

}  // namespace

bool runPixelFilters(const FrameState &frame, const std::vector<LiveUse> &filters, FrameBuffer &buffer,
                     const std::function<void(unsigned, unsigned)> &progress, FrameBuffer *alone) {
    const auto rows = static_cast<unsigned>(buffer.height) * static_cast<unsigned>(filters.size());
    unsigned done = 0;
    for (const LiveUse &live : filters) {
        const PixelFilterHandler *h = live.handler ? &live.handler->pixel : nullptr;
        if (!h || !h->evaluate || !live.instance) continue;
        for (int y = 0; y < buffer.height; ++y) {
            if (abortRequested()) return false;
            for (int x = 0; x < buffer.width; ++x) {
                ShadingScope scope(&frame, -1, x, y);
                current = CurrentPixel{&buffer, x, y};
                const PixelAccess pa{static_cast<double>(x),
                                     static_cast<double>(y),
                                     guardedService<"PixelAccess.getVal", getVal>,
                                     guardedService<"PixelAccess.setRGBA", setRGBA>,
                                     guardedService<"PixelAccess.setVal", setVal>,
                                     guardedService<"PixelAccess.illuminate", hostIlluminate>,
                                     guardedService<"PixelAccess.rayTrace", hostRayTrace, kMissedRay>,
                                     guardedService<"PixelAccess.rayCast", hostRayCast, kMissedRay>,
                                     guardedService<"PixelAccess.rayShade", hostRayShade, kMissedRay>};
                h->evaluate(live.instance, &pa);
                if (alone) {
                    current = CurrentPixel{alone, x, y};
                    h->evaluate(live.instance, &pa);
                }
            }
            if (progress) progress(++done, rows);
        }
    }
    current = CurrentPixel{};
    return true;
}

}  // namespace minihost
