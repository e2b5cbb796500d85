// The stroke edition's oversampled pass over the pawn scene at 1920 x 1080
// with b = 2 (8.3 million cells), as the loaded module runs it inside
// TraceStep1's first evaluate, against two plain loops over the very rays the
// pass makes (worked out once, beforehand, with the pass's own ray set-up):
//   - Embree's intersection of each ray, nothing else;
//   - minihost's ray-shade of each ray with the scene's shaders, the edge
//     shader recording every cell as in the pass.
// All on one thread, as the pass runs. Per-cell figures are `ns_per_cell`.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/lights.h"
#include "minihost/render/surface_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/progress_bar.h"
#include "minihost/services/scene_services.h"
#include "store/stroke_store.h"
#include "tracer_s/oversampled_pass.h"

namespace {

using namespace minihost;

constexpr int kWidth = 1920, kHeight = 1080, kFactor = 2;

struct PassFixture {
    std::unique_ptr<Scene> scene;
    std::unique_ptr<ServerSet> servers;
    FrameState frame;
    const LiveUse *traceStep1 = nullptr;
    qr::StrokeStoreHeader *header = nullptr;
    int gridWidth = kFactor * kWidth, gridHeight = kFactor * kHeight;
    double origin[3] = {0, 0, 0};
    std::vector<double> directions;  // three per cell, raster order
    std::vector<bool> made;          // cells whose ray could be made

    PassFixture() {
        setProgressQuiet(true);
        setMessagesQuiet(true);
        installCoreServices();
        const auto path = std::filesystem::path(QR_SOURCE_DIR) / "examples" / "pawn_stroke_edition.json";
        scene = loadScene(path.string());
        scene->width = kWidth;
        scene->height = kHeight;
        for (auto &use : scene->pixelFilters) use.settings["aa_sample"] = kFactor - 1;
        installSceneServices(*scene);
        servers = std::make_unique<ServerSet>();
        servers->build(*scene);
        servers->initAll(0);
        traceStep1 = &servers->live().pixelFilters.front();
        const double time = scene->frameTime(scene->firstFrame);
        std::string error;
        frame.prepare(*scene, &servers->live(), scene->firstFrame, time, error);
        newFrame();
        header = static_cast<qr::StrokeStoreHeader *>(renderMemoryRecord()->find("QM's Quillrim_S STINFO"));

        // The pass's own rays: its ray set-up asked of the same services.
        qr::tracer_s::PassHost host;
        host.scene = sceneInfoRecord();
        host.items = itemInfoRecord();
        host.camera = cameraInfoRecord();
        host.time = time;
        directions.resize(size_t(3) * size_t(gridWidth) * size_t(gridHeight));
        made.resize(size_t(gridWidth) * size_t(gridHeight));
        qr::tracer_s::CameraMemo memo;
        for (int row = 0; row < gridHeight; ++row)
            for (int col = 0; col < gridWidth; ++col) {
                const size_t i = size_t(row) * size_t(gridWidth) + size_t(col);
                made[i] = qr::tracer_s::makeCellRay(host, col, row, gridWidth, gridHeight, 0.0, origin,
                                                    &directions[3 * i], &memo);
            }
    }
    ~PassFixture() {
        servers.reset();
        discardRenderMemory();
        removeSceneServices();
    }
    // New-time on every instance: the store is cleared for a new pass.
    void newFrame() { servers->newTimeAll(scene->firstFrame, scene->frameTime(scene->firstFrame)); }
};

PassFixture &fixture() {
    static PassFixture f;
    return f;
}

void perCell(benchmark::State &state) {
    const double cells = double(kFactor * kWidth) * double(kFactor * kHeight);
    state.counters["ns_per_cell"] = benchmark::Counter(
        cells, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// TraceStep1's first evaluate of the frame: the whole pass and the marking.
void BM_OversampledPass(benchmark::State &state) {
    PassFixture &f = fixture();
    const PixelFilterHandler &h = f.traceStep1->handler->pixel;
    const PixelAccess pa{0,           0,           nullptr, nullptr, nullptr, hostIlluminate, hostRayTrace,
                         hostRayCast, hostRayShade};
    for (auto _ : state) {
        state.PauseTiming();
        f.newFrame();
        state.ResumeTiming();
        ShadingScope scope(&f.frame, -1, 0, 0);
        h.evaluate(f.traceStep1->instance, &pa);
    }
    if (!f.header || f.header->passDone != 1) state.SkipWithError("the pass did not run");
    perCell(state);
}

// Embree's intersection of each of the pass's rays.
void BM_EmbreeSameRays(benchmark::State &state) {
    PassFixture &f = fixture();
    const Vec3 origin = load(f.origin);
    for (auto _ : state) {
        for (size_t i = 0; i < f.made.size(); ++i) {
            if (!f.made[i]) continue;
            RayHit hit;
            benchmark::DoNotOptimize(f.frame.geometry.intersect(
                origin, load(&f.directions[3 * i]), 0.0, std::numeric_limits<double>::infinity(), hit));
        }
    }
    perCell(state);
}

// minihost's ray-shade of each of the pass's rays, with the edge shader
// recording into the cell of the ray as during the pass.
void BM_RayShadeSameRays(benchmark::State &state) {
    PassFixture &f = fixture();
    if (!f.header) {
        state.SkipWithError("no store");
        return;
    }
    ShaderAccess out;
    for (auto _ : state) {
        state.PauseTiming();
        f.newFrame();
        f.header->passRunning = 1;
        state.ResumeTiming();
        ShadingScope scope(&f.frame, -1, 0, 0);
        for (int row = 0; row < f.gridHeight; ++row)
            for (int col = 0; col < f.gridWidth; ++col) {
                const size_t i = size_t(row) * size_t(f.gridWidth) + size_t(col);
                if (!f.made[i]) continue;
                f.header->currentColumn = col;
                f.header->currentRow = row;
                benchmark::DoNotOptimize(hostRayShade(f.origin, &f.directions[3 * i], &out));
            }
        f.header->passRunning = 0;
    }
    perCell(state);
}

#define ONE_PASS ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)
BENCHMARK(BM_OversampledPass) ONE_PASS;
BENCHMARK(BM_EmbreeSameRays) ONE_PASS;
BENCHMARK(BM_RayShadeSameRays) ONE_PASS;

}  // namespace

BENCHMARK_MAIN();
