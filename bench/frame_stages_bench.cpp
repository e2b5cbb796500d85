// Whole frames of a bundled scene (examples/pawn*.json) at 1920 x 1080, end
// to end from new-time to the PNG file: without modules, with the line
// edition, and with the stroke edition at oversampling 1, 2 and 3; and the
// stroke edition at 3840 x 2160 with b = 3 for its peak memory. Each run
// reports the time of every stage (shading, the pixel filters -- the stroke
// pass or the line tracer --, the image filters -- TraceStep2 --, output),
// the process's peak resident memory and, for the stroke edition, what the
// store, TraceStep2's draw buffer and the host's frame buffer hold.
// StrokeEditionLines/2 is StrokeEdition/2 with the lines layer made too
// (render --layers lines): its time over StrokeEdition/2's, in the same run,
// is the layer's cost.
// Run one benchmark per process for a peak that belongs to it alone, e.g.
//   build/bench/frame_stages_bench --benchmark_filter='Stroke/2$'
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/render/png_output.h"
#include "minihost/render/render_session.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/progress_bar.h"
#include "minihost/services/scene_services.h"

namespace {

using namespace minihost;

std::string example(const char *name) {
    return (std::filesystem::path(QR_SOURCE_DIR) / "examples" / name).string();
}

// VmHWM of /proc/self/status, in MiB.
double peakMemoryMiB() {
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atof(line + 6);
    std::fclose(f);
    return kib / 1024.0;
}

// What a frame needs to hold at its largest, in MiB: the store (32 bytes a
// cell with 8-byte addresses), the draw buffer (4 a cell) and the host's
// frame buffer (five float planes).
double neededMiB(int width, int height, int b) {
    const double pixels = double(width) * double(height);
    const double cells = b > 0 ? pixels * b * b : 0.0;
    const double store = cells * (1 + 4 + 12 + 3 + 4 + sizeof(void *));
    return (store + 4.0 * cells + 5.0 * 4.0 * pixels) / (1024.0 * 1024.0);
}

void renderFrame(benchmark::State &state, const char *scenePath, int b, int width = 1920, int height = 1080,
                 LayerChoice layers = {}) {
    setProgressQuiet(true);
    setMessagesQuiet(true);
    installCoreServices();
    std::unique_ptr<Scene> scene = loadScene(example(scenePath));
    scene->width = width;
    scene->height = height;
    if (b > 0)
        for (auto &use : scene->pixelFilters) use.settings["aa_sample"] = b - 1;
    installSceneServices(*scene);
    auto servers = std::make_unique<ServerSet>();
    servers->build(*scene);
    RenderOptions options;
    options.firstFrame = options.lastFrame = scene->firstFrame;
    options.threads = defaultThreadCount();
    options.layers = layers;
    StageTimes sum;
    int64_t frames = 0;
    const std::string out =
        (std::filesystem::temp_directory_path() / ("frame_stages_bench_" + std::to_string(getpid()) + ".png"))
            .string();
    for (auto _ : state) {
        StageTimes t;
        std::string error;
        const RenderResult r = renderFrames(
            *scene, *servers, options,
            [&](int, const FrameBuffer &image, std::string &e) { return writePng(image, out, e); }, t, error);
        if (r != RenderResult::Done) state.SkipWithError(error.c_str());
        sum.shading += t.shading;
        sum.pixelFilters += t.pixelFilters;
        sum.imageFilters += t.imageFilters;
        sum.output += t.output;
        ++frames;
    }
    const double n = frames > 0 ? double(frames) : 1.0;
    state.counters["shading_ms"] = 1000 * sum.shading / n;
    state.counters["pixel_filters_ms"] = 1000 * sum.pixelFilters / n;
    state.counters["image_filters_ms"] = 1000 * sum.imageFilters / n;
    state.counters["output_ms"] = 1000 * sum.output / n;
    state.counters["peak_MiB"] = peakMemoryMiB();
    if (b > 0) state.counters["needed_MiB"] = neededMiB(width, height, b);
    std::remove(out.c_str());
    servers.reset();
    discardRenderMemory();
    removeSceneServices();
}

void BM_NoModules(benchmark::State &state) { renderFrame(state, "pawn.json", 0); }
void BM_LineEdition(benchmark::State &state) { renderFrame(state, "pawn_line_edition.json", 0); }
void BM_StrokeEdition(benchmark::State &state) {
    renderFrame(state, "pawn_stroke_edition.json", static_cast<int>(state.range(0)));
}
void BM_StrokeEditionLines(benchmark::State &state) {
    LayerChoice lines;
    lines.lines = true;
    renderFrame(state, "pawn_stroke_edition.json", static_cast<int>(state.range(0)), 1920, 1080, lines);
}
void BM_StrokeEdition4K(benchmark::State &state) {
    renderFrame(state, "pawn_stroke_edition.json", 3, 3840, 2160);
}

BENCHMARK(BM_NoModules)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LineEdition)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_StrokeEdition)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_StrokeEditionLines)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_StrokeEdition4K)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
