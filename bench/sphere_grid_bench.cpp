// Frames of many objects: a square grid of N spheres at 960 x 540, every
// sphere with its own surface, and every surface with the edition's edge
// shader (one shader instance per object). Each edition is measured against
// the same grid without modules in the same run, so that what grows faster
// than the scene shows as a ratio that grows with N:
//   BM_SphereGrid/EDITION/N   EDITION 0 = no modules, 1 = line edition,
//                             2 = stroke edition at b = 2
//   BM_NewTime/N              one round of new-time of the line edition's N
//                             shaders (what a host does before each frame)
//   BM_GridLoad/N             reading the grid's scene (no modules)
//   BM_GridGeometry/N         the geometry stage alone: the ray tracer's
//                             scene of the grid at the frame's time, built
//                             from nothing as for a frame of a new render
// Each frame reports its stages as counters (new-time, geometry, shading,
// pixel filters, image filters). N = 4096 takes a few seconds a frame on a
// 2-core machine: filter by N to keep a run short, e.g.
//   build/bench/sphere_grid_bench --benchmark_filter='SphereGrid/./(4|64)$'
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/render_session.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/progress_bar.h"
#include "minihost/services/scene_services.h"

namespace {

using namespace minihost;
using nlohmann::ordered_json;

constexpr double kRadius = 1.0, kSpacing = 2.5;

// The grid's scene as a scene file would give it. Edition 0 has no modules.
std::string sphereGridScene(int count, int edition) {
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const double centre = 0.5 * (side - 1) * kSpacing;
    const double height = 0.95 * side * kSpacing;
    ordered_json scene;
    scene["render"] = {{"width", 960}, {"height", 540}, {"first_frame", 1}, {"last_frame", 1}, {"fps", 24}};
    scene["camera"] = {{"position", {centre, height, centre - 0.45 * height}},
                       {"target", {centre, 0.0, centre}},
                       {"hfov", 60}};
    scene["lights"] = ordered_json::array(
        {{{"name", "Sun"}, {"type", "distant"}, {"rotation", {-45, 30, 0}}, {"intensity", 1.0}}});
    const char *shader = edition == 1 ? "QM_Quillrim_P:Shader" : "QM_Quillrim_S:Shader";
    const char *second = edition == 1 ? "lpow" : "boost";
    ordered_json objects = ordered_json::array();
    for (int i = 0; i < count; ++i) {
        ordered_json surface = {{"color", {0.3 + 0.5 * (i % 3) / 2.0, 0.6, 0.8}}, {"specular", 0.3}};
        if (edition != 0)
            surface["shaders"] = ordered_json::array({{{"server", shader},
                                                       {"settings",
                                                        {{"lcol", {0.1, 0.05, 0.0}},
                                                         {second, edition == 1 ? 1.0 : 0.0},
                                                         {"mat_id", 1 + i % 7}}}}});
        objects.push_back({{"name", "Ball" + std::to_string(i)},
                           {"primitive", {{"type", "sphere"}, {"radius", kRadius}, {"surface", "Skin"}}},
                           {"position", {(i % side) * kSpacing, kRadius, (i / side) * kSpacing}},
                           {"surfaces", {{"Skin", surface}}}});
    }
    scene["objects"] = objects;
    if (edition == 1) {
        scene["modules"] = {"QM_Quillrim_P"};
        scene["pixel_filters"] = {"QM_Quillrim_P:Tracer"};
    } else if (edition == 2) {
        scene["modules"] = {"QM_Quillrim_S"};
        // The module reads aa_sample as b - 1.
        scene["pixel_filters"] =
            ordered_json::array({{{"server", "QM_Quillrim_S:TraceStep1"}, {"settings", {{"aa_sample", 1}}}}});
        scene["image_filters"] = {"QM_Quillrim_S:TraceStep2"};
    }
    return scene.dump();
}

// The modules are found by name beside the bundled examples' folder, as for
// the other frame benchmarks.
std::string scenePath() {
    return (std::filesystem::path(QR_SOURCE_DIR) / "examples" / "sphere_grid.json").string();
}

struct GridSession {
    std::unique_ptr<Scene> scene;
    std::unique_ptr<ServerSet> servers;

    GridSession(int count, int edition) {
        setProgressQuiet(true);
        setMessagesQuiet(true);
        installCoreServices();
        scene = loadSceneText(sphereGridScene(count, edition), scenePath());
        installSceneServices(*scene);
        servers = std::make_unique<ServerSet>();
        servers->build(*scene);
    }
    ~GridSession() {
        servers.reset();
        discardRenderMemory();
        removeSceneServices();
    }
    GridSession(const GridSession &) = delete;
    GridSession &operator=(const GridSession &) = delete;
};

void BM_SphereGrid(benchmark::State &state) {
    const int edition = static_cast<int>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    GridSession grid(count, edition);
    RenderOptions options;
    options.firstFrame = options.lastFrame = grid.scene->firstFrame;
    options.threads = defaultThreadCount();
    StageTimes sum;
    int64_t frames = 0;
    for (auto _ : state) {
        std::string error;
        const RenderResult r = renderFrames(*grid.scene, *grid.servers, options, nullptr, sum, error);
        if (r != RenderResult::Done) state.SkipWithError(error.c_str());
        ++frames;
    }
    const double n = frames > 0 ? 1000.0 / double(frames) : 0.0;
    state.counters["new_time_ms"] = n * sum.newTime;
    state.counters["geometry_ms"] = n * sum.geometry;
    state.counters["shading_ms"] = n * sum.shading;
    state.counters["pixel_filters_ms"] = n * sum.pixelFilters;
    state.counters["image_filters_ms"] = n * sum.imageFilters;
}

void BM_NewTime(benchmark::State &state) {
    GridSession grid(static_cast<int>(state.range(0)), 1);
    grid.servers->initAll(0);
    int frame = grid.scene->firstFrame;
    for (auto _ : state) {
        grid.servers->newTimeAll(frame, grid.scene->frameTime(frame));
        ++frame;
    }
    grid.servers->cleanupAll();
}

void BM_GridLoad(benchmark::State &state) {
    setMessagesQuiet(true);
    const std::string text = sphereGridScene(static_cast<int>(state.range(0)), 0);
    for (auto _ : state) benchmark::DoNotOptimize(loadSceneText(text, scenePath()));
}

void BM_GridGeometry(benchmark::State &state) {
    GridSession grid(static_cast<int>(state.range(0)), 0);
    const int frame = grid.scene->firstFrame;
    for (auto _ : state) {
        FrameState geometry;
        std::string error;
        if (!geometry.prepare(*grid.scene, nullptr, frame, grid.scene->frameTime(frame), error))
            state.SkipWithError(error.c_str());
    }
}

BENCHMARK(BM_SphereGrid)
    ->ArgsProduct({{0, 1, 2}, {4, 64, 1024, 4096}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_NewTime)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GridLoad)->Arg(64)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridGeometry)->Arg(64)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
