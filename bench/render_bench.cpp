// Shading throughput of minihost on an example scene of real meshes
// (examples/pawn.json): primary-ray shading on every core, ray-shade through
// the pixel access on one thread, and bare ray casts as the baseline.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/pixel_filter_stage.h"
#include "minihost/render/render_session.h"
#include "minihost/render/tile_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/active_handler.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"

namespace {

using namespace minihost;

// The example beside this source tree.
std::string examplePath() {
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / "pawn.json").string();
}

struct Fixture {
    std::unique_ptr<Scene> scene;
    FrameState frame;
    explicit Fixture(int width, int height) {
        installCoreServices();
        scene = loadScene(examplePath());
        scene->width = width;
        scene->height = height;
        installSceneServices(*scene);
        std::string error;
        frame.prepare(*scene, scene->firstFrame, scene->frameTime(scene->firstFrame), error);
    }
    ~Fixture() { removeSceneServices(); }
};

void setPixels(benchmark::State &state, int w, int h) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w) * h);
    state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * w * h / 1e6,
                                                    benchmark::Counter::kIsRate);
}

void BM_PrimaryShadingAllCores(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Fixture f(w, h);
    FrameBuffer out;
    for (auto _ : state) {
        shadeFrame(f.frame, out, defaultThreadCount());
        benchmark::DoNotOptimize(out.red.data());
    }
    setPixels(state, w, h);
}

void BM_PrimaryShadingOneThread(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Fixture f(w, h);
    FrameBuffer out;
    for (auto _ : state) {
        shadeFrame(f.frame, out, 1);
        benchmark::DoNotOptimize(out.red.data());
    }
    setPixels(state, w, h);
}

// A pixel filter that shades the camera ray through its pixel's centre
// with the host's ray-shade, as a tracer's pass does.
const FrameState *benchFrame = nullptr;
void rayShadeEvaluate(Instance, const PixelAccess *pa) {
    const Vec3 d = rayThrough(benchFrame->camera, pa->sx + 0.5, pa->sy + 0.5);
    double origin[3], dir[3];
    store(benchFrame->camera.position, origin);
    store(d, dir);
    ShaderAccess out;
    benchmark::DoNotOptimize(pa->rayShade(origin, dir, &out));
}

void BM_RayShadeThroughPixelAccess(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Fixture f(w, h);
    benchFrame = &f.frame;
    FrameBuffer buffer;
    buffer.resize(w, h);
    static ActiveHandler handler;
    handler.pixel.evaluate = rayShadeEvaluate;
    std::vector<ServerUse> filters(1);
    filters[0].handler = &handler;
    filters[0].instance = &handler;  // any non-null instance
    for (auto _ : state) runPixelFilters(f.frame, filters, buffer);
    setPixels(state, w, h);
}

void BM_RayCastBaseline(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Fixture f(w, h);
    for (auto _ : state)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                RayHit hit;
                benchmark::DoNotOptimize(f.frame.geometry.intersect(
                    f.frame.camera.position, rayThrough(f.frame.camera, x + 0.5, y + 0.5), 0, 1e30, hit));
            }
    setPixels(state, w, h);
}

#define SIZES ->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_RayCastBaseline) SIZES;
BENCHMARK(BM_PrimaryShadingOneThread) SIZES;
BENCHMARK(BM_PrimaryShadingAllCores) SIZES;
BENCHMARK(BM_RayShadeThroughPixelAccess) SIZES;

}  // namespace

BENCHMARK_MAIN();
