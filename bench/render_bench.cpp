// Shading throughput of minihost on an example scene of real meshes
// (examples/pawn.json): primary-ray shading on one thread and on every core,
// ray-shade through the pixel access on one thread, and bare ray casts as the
// baseline; and the line edition's recording per shaded sample
// (examples/pawn_line_edition.json, shaded with and without its shaders).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/pixel_filter_stage.h"
#include "minihost/render/render_session.h"
#include "minihost/render/tile_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/active_handler.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"

namespace {

using namespace minihost;

// An example beside this source tree.
std::string examplePath(const char *name = "pawn.json") {
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / name).string();
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

// The line edition's edge shader, counted: its evaluate is called through
// here so that the time can be shared out per sample.
void (*lineShaderEvaluate)(Instance, ShaderAccess *) = nullptr;
int64_t lineShaderCalls = 0;
void countedEvaluate(Instance inst, ShaderAccess *sa) {
    ++lineShaderCalls;
    lineShaderEvaluate(inst, sa);
}

// One-thread shading of the line-edition scene, once with the edge shader on
// its surfaces (recording every camera sample into the store) and once with
// the shaders taken off; the difference per evaluate call is the recording's
// cost per sample.
void BM_LineRecordingPerSample(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    setMessagesQuiet(true);
    installCoreServices();
    std::unique_ptr<Scene> scene = loadScene(examplePath("pawn_line_edition.json"));
    scene->width = w;
    scene->height = h;
    installSceneServices(*scene);
    auto servers = std::make_unique<ServerSet>();
    servers->build(*scene);
    servers->initAll(0);
    servers->newTimeAll(scene->firstFrame, scene->frameTime(scene->firstFrame));
    std::vector<SceneSurface *> surfaces = scene->allSurfaces();
    for (SceneSurface *surf : surfaces)
        for (ServerUse &use : surf->shaders) {
            auto *handler = const_cast<ActiveHandler *>(use.handler);
            if (handler && handler->shader.evaluate != countedEvaluate) {
                lineShaderEvaluate = handler->shader.evaluate;
                handler->shader.evaluate = countedEvaluate;
            }
        }
    FrameState frame;
    std::string error;
    frame.prepare(*scene, scene->firstFrame, scene->frameTime(scene->firstFrame), error);
    FrameBuffer out;
    std::vector<std::vector<ServerUse>> taken(surfaces.size());
    double with = 0, without = 0;
    int64_t calls = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        lineShaderCalls = 0;
        auto t0 = Clock::now();
        shadeFrame(frame, out, 1);
        with += std::chrono::duration<double>(Clock::now() - t0).count();
        calls += lineShaderCalls;
        for (size_t i = 0; i < surfaces.size(); ++i) taken[i].swap(surfaces[i]->shaders);
        t0 = Clock::now();
        shadeFrame(frame, out, 1);
        without += std::chrono::duration<double>(Clock::now() - t0).count();
        for (size_t i = 0; i < surfaces.size(); ++i) taken[i].swap(surfaces[i]->shaders);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["with_ms"] = 1000 * with / n;
    state.counters["without_ms"] = 1000 * without / n;
    state.counters["samples"] = static_cast<double>(calls) / n;
    state.counters["ns_per_sample"] = calls > 0 ? 1e9 * (with - without) / static_cast<double>(calls) : 0.0;
    servers.reset();
    discardRenderMemory();
    removeSceneServices();
}
BENCHMARK(BM_LineRecordingPerSample)
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

#define SIZES ->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_RayCastBaseline) SIZES;
BENCHMARK(BM_PrimaryShadingOneThread) SIZES;
BENCHMARK(BM_PrimaryShadingAllCores) SIZES;
BENCHMARK(BM_RayShadeThroughPixelAccess) SIZES;

}  // namespace

BENCHMARK_MAIN();
