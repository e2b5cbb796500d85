// How soon `minihost serve` shows a change: a line colour set through the
// shader's panel, as the page sets it, until the preview of the changed frame
// is published; the full-size image of the same change is the baseline.
// Each bundled example with outlines, at the studio's default preview size.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>

#include "minihost/cli/scene_session.h"
#include "minihost/services/core_services.h"
#include "minihost/studio/studio.h"

namespace {

using namespace minihost;
using Clock = std::chrono::steady_clock;

std::string examplePath(const std::string &name) {
    return (std::filesystem::path(QR_SOURCE_DIR) / "examples" / name).string();
}

struct Fixture {
    cli::SceneSession session;
    std::unique_ptr<studio::Studio> studio;
    int use = 0;
    uint32_t colour = 0;
    uint64_t version = 0;

    explicit Fixture(const std::string &scene) {
        installCoreServices();
        std::ostringstream err;
        if (!session.load(examplePath(scene), err) || !session.start(err))
            throw std::runtime_error(err.str());
        studio::StudioOptions options;
        options.root = std::filesystem::path(examplePath(scene)).parent_path().string();
        studio = std::make_unique<studio::Studio>(session.scene(), session.servers(), options);
        // The first surface with a shader, and its colour control.
        const nlohmann::json listed = studio->sceneJson();
        for (const auto &object : listed["objects"])
            for (const auto &surface : object["surfaces"])
                if (!use && !surface["shaders"].empty()) use = surface["shaders"][0]["id"];
        const nlohmann::json panel = studio->openPanel(use);
        for (const auto &c : panel["controls"])
            if (c["class"] == "color-env") colour = c["id"];
        studio->start();
        version = waitFor(true, 0);
    }
    ~Fixture() { studio->stop(); }

    // The version of the first image newer than `since` of that kind.
    uint64_t waitFor(bool full, uint64_t since) {
        for (;;) {
            auto image = studio->renderer().newerThan(since, std::chrono::seconds(60));
            if (!image) throw std::runtime_error("no image");
            since = image->version;
            if (image->full == full) return since;
        }
    }
};

void measure(benchmark::State &state, const std::string &scene, bool full) {
    Fixture f(scene);
    int step = 0;
    for (auto _ : state) {
        const double g = (++step % 2) * 0.5;
        const auto start = Clock::now();
        f.studio->setValue(f.use, f.colour, {0.1, g, 0.9});
        f.version = f.waitFor(full, f.version);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!full) f.version = f.waitFor(true, f.version);  // let the full image go by
    }
}

void BM_PreviewAfterChange(benchmark::State &state, const char *scene) { measure(state, scene, false); }
void BM_FullSizeAfterChange(benchmark::State &state, const char *scene) { measure(state, scene, true); }

}  // namespace

#define STUDIO_BENCH(scene)                                          \
    BENCHMARK_CAPTURE(BM_PreviewAfterChange, scene, #scene ".json")  \
        ->UseManualTime()                                            \
        ->Iterations(5)                                              \
        ->Unit(benchmark::kMillisecond);                             \
    BENCHMARK_CAPTURE(BM_FullSizeAfterChange, scene, #scene ".json") \
        ->UseManualTime()                                            \
        ->Iterations(5)                                              \
        ->Unit(benchmark::kMillisecond)

STUDIO_BENCH(pawn_stroke_edition);
STUDIO_BENCH(pawn_line_edition);
STUDIO_BENCH(primitives_stroke_edition);
STUDIO_BENCH(primitives_line_edition);
STUDIO_BENCH(pawn_lines_only);
STUDIO_BENCH(primitives_strokes_only);
STUDIO_BENCH(crevices_stroke_edition);
STUDIO_BENCH(crevices_line_edition);
STUDIO_BENCH(distance_fade_stroke_edition);
STUDIO_BENCH(distance_fade_line_edition);

BENCHMARK_MAIN();
