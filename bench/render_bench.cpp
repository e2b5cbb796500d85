// Shading throughput of minihost on an example scene of real meshes
// (examples/pawn.json): primary-ray shading on one thread and on every core,
// ray-shade through the pixel access on one thread, and bare ray casts as the
// baseline; and the line edition's recording per shaded sample
// (examples/pawn_line_edition.json).
#include <benchmark/benchmark.h>

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
    return (std::filesystem::path(QR_SOURCE_DIR) / "examples" / name).string();
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
        frame.prepare(*scene, nullptr, scene->firstFrame, scene->frameTime(scene->firstFrame), error);
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
    const std::vector<LiveUse> filters{{nullptr, &handler, &handler}};  // any non-null instance
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

// The line edition's edge shader: while the frame is shaded its evaluate
// is called through here, which keeps a copy of the records it is given.
void (*lineShaderEvaluate)(Instance, ShaderAccess *) = nullptr;
struct Recorded {
    Instance instance;
    ShaderAccess record;
};
std::vector<Recorded> *recorded = nullptr;
constexpr size_t kRecordedSamples = 1 << 10;
void keptEvaluate(Instance inst, ShaderAccess *sa) {
    if (recorded->size() < kRecordedSamples) recorded->push_back({inst, *sa});
    lineShaderEvaluate(inst, sa);
}

// The line edition's recording per shaded sample: the edge shader's evaluate
// called again on the records of the first 1024 samples it was given when
// the pawn scene (examples/pawn_line_edition.json) was shaded at 1920 x 1080,
// one after another on one thread, as the host shades them.
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
    for (const auto &object : servers->live().shaders)
        for (const auto &surface : object)
            for (const LiveUse &use : surface) {
                auto *handler = const_cast<ActiveHandler *>(use.handler);
                if (handler && handler->shader.evaluate != keptEvaluate) {
                    lineShaderEvaluate = handler->shader.evaluate;
                    handler->shader.evaluate = keptEvaluate;
                }
            }
    FrameState frame;
    std::string error;
    frame.prepare(*scene, &servers->live(), scene->firstFrame, scene->frameTime(scene->firstFrame), error);
    std::vector<Recorded> samples;
    samples.reserve(kRecordedSamples);
    recorded = &samples;
    FrameBuffer out;
    shadeFrame(frame, out, 1);
    // The recording path leaves the record as it is, so it can be used again.
    for (auto _ : state) {
        for (Recorded &r : samples) {
            ShadingScope scope(&frame, r.record.bounces, r.record.sx, r.record.sy);
            lineShaderEvaluate(r.instance, &r.record);
        }
        benchmark::ClobberMemory();
    }
    state.counters["samples"] = static_cast<double>(samples.size());
    state.counters["ns_per_sample"] =
        benchmark::Counter(static_cast<double>(samples.size()) * 1e-9,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    recorded = nullptr;
    servers.reset();
    discardRenderMemory();
    removeSceneServices();
}
BENCHMARK(BM_LineRecordingPerSample)->Args({1920, 1080})->Unit(benchmark::kMillisecond);

#define SIZES ->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_RayCastBaseline) SIZES;
BENCHMARK(BM_PrimaryShadingOneThread) SIZES;
BENCHMARK(BM_PrimaryShadingAllCores) SIZES;
BENCHMARK(BM_RayShadeThroughPixelAccess) SIZES;

}  // namespace

BENCHMARK_MAIN();
