#include "minihost/render/image_filter_stage.h"

#include <cmath>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/core/service_guard.h"
#include "minihost/servers/active_handler.h"

namespace minihost {

namespace {

// Lines are read from the frame being written: a line is valid only until
// the filter writes to its row, so no copy of the frame is needed.
struct CurrentImage {
    const FrameBuffer *source = nullptr;
    FrameBuffer *target = nullptr;
};
thread_local CurrentImage current;

const float *getLine(int type, int y) {
    if (!current.source || y < 0 || y >= current.source->height) return nullptr;
    const std::vector<float> *plane = current.source->plane(type);
    return plane ? plane->data() + current.source->index(0, y) : nullptr;
}

bool inside(int x, int y) {
    return current.target && x >= 0 && y >= 0 && x < current.target->width && y < current.target->height;
}

float sane(float v) { return std::isfinite(v) ? v : 0.0f; }

void setRGB(int x, int y, const float rgb[3]) {
    if (!inside(x, y) || !rgb) return;
    const size_t i = current.target->index(x, y);
    current.target->red[i] = sane(rgb[0]);
    current.target->green[i] = sane(rgb[1]);
    current.target->blue[i] = sane(rgb[2]);
}

void setAlpha(int x, int y, float alpha) {
    if (!inside(x, y)) return;
    current.target->alpha[current.target->index(x, y)] = sane(alpha);
}

}  // namespace

void runImageFilters(const std::vector<LiveUse> &filters, FrameBuffer &buffer, int frame, double start,
                     double end) {
    for (const LiveUse &live : filters) {
        const ImageFilterHandler *h = live.handler ? &live.handler->image : nullptr;
        if (!h || !h->process || !live.instance) continue;
        current = CurrentImage{&buffer, &buffer};
        const FilterAccess fa{buffer.width,
                              buffer.height,
                              frame,
                              start,
                              end,
                              guardedService<"FilterAccess.getLine", getLine>,
                              guardedService<"FilterAccess.setRGB", setRGB>,
                              guardedService<"FilterAccess.setAlpha", setAlpha>};
        h->process(live.instance, &fa);
        current = CurrentImage{};
    }
}

}  // namespace minihost
