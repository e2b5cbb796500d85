#include "minihost/render/tile_shading.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "minihost/render/id_mattes.h"
#include "minihost/render/surface_shading.h"
#include "minihost/services/monitor_service.h"

namespace minihost {

void shadePixel(const FrameState &frame, int x, int y, FrameBuffer &out) {
    const Vec3 dir = rayThrough(frame.camera, x + 0.5, y + 0.5);
    const TraceResult r = traceAndShade(frame, frame.camera.position, dir, 0, x, y);
    const size_t i = out.index(x, y);
    out.red[i] = static_cast<float>(r.color.x);
    out.green[i] = static_cast<float>(r.color.y);
    out.blue[i] = static_cast<float>(r.color.z);
    out.alpha[i] = r.hit ? 1.0f : 0.0f;
    out.depth[i] = r.hit ? static_cast<float>(r.distance) : kNoHitDepth;
    if (!out.layers.normal[0].empty() && r.hit) {
        out.layers.normal[0][i] = static_cast<float>(r.normal.x);
        out.layers.normal[1][i] = static_cast<float>(r.normal.y);
        out.layers.normal[2][i] = static_cast<float>(r.normal.z);
    }
    if (!out.layers.objectIds.empty() && r.hit) {
        out.layers.objectIds[i] = mattesId(frame.scene->objects[static_cast<size_t>(r.object)]->name);
        out.layers.surfaceIds[i] = mattesId(r.surface->name);
    }
}

bool shadeFrame(const FrameState &frame, FrameBuffer &out, int threads,
                const std::function<void(unsigned, unsigned)> &progress) {
    const int w = frame.scene->width, h = frame.scene->height;
    out.resize(w, h);
    const int tilesX = (w + kTileSize - 1) / kTileSize, tilesY = (h + kTileSize - 1) / kTileSize;
    const auto total = static_cast<unsigned>(tilesX * tilesY);
    std::atomic<unsigned> nextTile{0}, done{0};
    std::atomic<bool> aborted{false};
    std::mutex progressMutex;

    auto worker = [&] {
        for (;;) {
            if (abortRequested()) {
                aborted = true;
                return;
            }
            const unsigned t = nextTile++;
            if (t >= total) return;
            const int tx = static_cast<int>(t) % tilesX, ty = static_cast<int>(t) / tilesX;
            for (int y = ty * kTileSize; y < std::min(h, (ty + 1) * kTileSize); ++y)
                for (int x = tx * kTileSize; x < std::min(w, (tx + 1) * kTileSize); ++x)
                    shadePixel(frame, x, y, out);
            const unsigned d = ++done;
            if (progress) {
                std::lock_guard<std::mutex> lock(progressMutex);
                progress(d, total);
            }
        }
    };
    const int n = std::clamp(threads, 1, 256);
    std::vector<std::thread> pool;
    for (int i = 1; i < n; ++i) pool.emplace_back(worker);
    worker();
    for (auto &t : pool) t.join();
    return !aborted && done == total;
}

}  // namespace minihost
