#include "minihost/render/frame_layers.h"

#include <sstream>

#include "minihost/render/frame_buffer.h"

namespace minihost {

namespace {

bool hitDepth(float depth) { return depth < 1e14f; }

// The depth of the nearest hit around (x, y): rings of growing radius, each
// searched whole, stopping once no nearer pixel can lie further out.
float nearestHitDepth(const std::vector<float> &depth, int width, int height, int x, int y, int reach) {
    long best = -1;
    float found = kNoHitDepth;
    for (int r = 1; r <= reach; ++r) {
        if (best >= 0 && static_cast<long>(r) * r > best) break;
        for (int dy = -r; dy <= r; ++dy) {
            const int step = (dy == -r || dy == r) ? 1 : 2 * r;
            for (int dx = -r; dx <= r; dx += step) {
                const int sx = x + dx, sy = y + dy;
                if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
                const float d =
                    depth[static_cast<size_t>(sy) * static_cast<size_t>(width) + static_cast<size_t>(sx)];
                if (!hitDepth(d)) continue;
                const long distance = static_cast<long>(dx) * dx + static_cast<long>(dy) * dy;
                if (best < 0 || distance < best || (distance == best && d < found)) {
                    best = distance;
                    found = d;
                }
            }
        }
    }
    return found;
}

}  // namespace

bool parseLayerChoice(const std::string &list, LayerChoice &choice, std::string &error) {
    choice = {};
    std::istringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        bool *flag = name == "lines"  ? &choice.lines
                     : name == "base" ? &choice.base
                     : name == "N"    ? &choice.normal
                     : name == "id"   ? &choice.ids
                                      : nullptr;
        if (!flag) {
            error = "unknown layer \"" + name + "\" (known: lines, base, N, id)";
            return false;
        }
        if (*flag) {
            error = "layer \"" + name + "\" named twice";
            return false;
        }
        *flag = true;
    }
    if (!choice.any() || (!list.empty() && list.back() == ',')) {
        error = "no layer named in \"" + list + "\" (known: lines, base, N, id)";
        return false;
    }
    return true;
}

std::vector<std::string> layerNames(const LayerChoice &choice) {
    std::vector<std::string> names;
    if (choice.base) names.emplace_back("base");
    if (choice.lines) names.emplace_back("lines");
    if (choice.normal) names.emplace_back("N");
    if (choice.ids) names.emplace_back("id");
    return names;
}

std::vector<float> linesDepthOf(const std::vector<float> &depth, const std::vector<float> &coverage,
                                int width, int height, int reach) {
    std::vector<float> out(depth.size(), kNoHitDepth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            if (!(coverage[i] > 0)) continue;
            out[i] = hitDepth(depth[i]) ? depth[i] : nearestHitDepth(depth, width, height, x, y, reach);
        }
    return out;
}

}  // namespace minihost
