// The gradient inputs at one spot of a bundled scene (the floor at the foot
// of the steps of examples/crevices_line_edition.json), the ray cast the
// occlusion inputs make against a bare Embree intersection of the same rays,
// and whole 1280 x 720 frames of that scene with its occlusion-driven line
// colour and without it, on 1 and 2 threads.
//   build/bench/texture_inputs_bench --benchmark_filter='Input/[0-9]+_'
//   build/bench/texture_inputs_bench --benchmark_filter='Input/29/'
//   build/bench/texture_inputs_bench --benchmark_filter='RayCast|Embree'
//   build/bench/texture_inputs_bench --benchmark_filter=Frame
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <embree3/rtcore.h>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/service_registry.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/lights.h"
#include "minihost/render/render_session.h"
#include "minihost/render/surface_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/progress_bar.h"
#include "minihost/services/scene_services.h"
#include "module_base/module_state.h"
#include "texlib/gradient_inputs.h"
#include "texlib/item_snapshot.h"
#include "texlib/texture_support_tables.h"

namespace {

using namespace minihost;

std::string example() {
    return (std::filesystem::path(QR_SOURCE_DIR) / "examples" / "crevices_line_edition.json").string();
}

// The scene's geometry and services, a spot on the floor in the crevice in
// front of the lowest step, and a time record as the texture context makes.
struct Spot {
    std::unique_ptr<Scene> scene;
    FrameState frame;
    TexturedSpot spot{};
    qr::InputTimeRecord record{};
    Spot() {
        installCoreServices();
        scene = loadScene(example());
        installSceneServices(*scene);
        std::string error;
        frame.prepare(*scene, nullptr, 1, 0.0, error);
        qr::moduleState().global = globalLookup();
        qr::acquireSupportServices();
        qr::services().itemInfo = qr::supportServices().itemInfo;
        record = {0.0, 1, qr::createItemSnapshot()};
        qr::refreshItemSnapshot(record.snapshot, 0.0, 1);
        const double at[3] = {-1.6, 0.0, 0.3}, up[3] = {0, 1, 0}, ray[3] = {3.6, -4.2, 5.5};
        std::copy(at, at + 3, spot.wPos);
        std::copy(up, up + 3, spot.wNorm);
        std::copy(ray, ray + 3, spot.ray);
        spot.rayLength = 7.8;
        spot.cosine = 0.55;
        spot.objID = scene->objects[0]->id;
        spot.illuminate = hostIlluminate;
        spot.rayCast = hostRayCast;
    }
    ~Spot() {
        qr::destroyItemSnapshot(record.snapshot);
        removeSceneServices();
    }
};

// Items chosen where the input asks for one: the sun, or the steps.
uint32_t itemFor(const Scene &scene, int input) {
    if (input == 4 || input == 21 || input == 22) return scene.lights[0]->id;
    if ((input >= 6 && input <= 9) || (input >= 12 && input <= 14) || (input >= 18 && input <= 20))
        return scene.objects[1]->id;
    return 0;
}

Spot &sharedSpot() {
    static Spot spot;  // made once, whatever the number of threads that run the benchmark
    return spot;
}

// One input's evaluation at the spot; with Threads(2), from two threads at
// once (each thread's CPU time per evaluation).
void BM_Input(benchmark::State &state) {
    Spot &s = sharedSpot();
    const int input = static_cast<int>(state.range(0));
    TxtrInputParam param{};
    param.itemID = itemFor(*s.scene, input);
    ShadingScope scope(&s.frame, 0, 0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(qr::evaluateGradientInput(&param, input, s.spot, &s.record));
}

// The 192 directions of "Ambient Occlusion (Medium)" at the spot, drawn as
// the module draws them.
std::vector<std::array<double, 3>> occlusionRays() {
    std::vector<std::array<double, 3>> dirs;
    uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 1566083941u + 1u) * 2.3283064365386963e-10; };
    for (int e = 0; e < 8; ++e)
        for (int j = 0; j < 24; ++j) {
            const double in = std::acos(1.0 - e / 8.0), out = std::acos(1.0 - (e + 1) / 8.0);
            const double theta = out - next() * (out - in), phi = (next() + j) * 6.283185307179586 / 24;
            // normal (0, 1, 0): u = (0, 0, -1), v = (-1, 0, 0)
            dirs.push_back(
                {-std::sin(theta) * std::sin(phi), std::cos(theta), -std::sin(theta) * std::cos(phi)});
        }
    return dirs;
}

void BM_RayCastService(benchmark::State &state) {
    Spot &s = sharedSpot();
    const auto dirs = occlusionRays();
    ShadingScope scope(&s.frame, 0, 0, 0);
    for (auto _ : state)
        for (const auto &d : dirs) benchmark::DoNotOptimize(s.spot.rayCast(s.spot.wPos, d.data()));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(dirs.size()));
}

// The same rays against an Embree scene of the same triangles, with the
// same robust build, called directly.
void BM_BareEmbree(benchmark::State &state) {
    Spot &s = sharedSpot();
    const auto dirs = occlusionRays();
    RTCDevice device = rtcNewDevice(nullptr);
    RTCScene scene = rtcNewScene(device);
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    for (size_t o = 0; o < s.scene->objects.size(); ++o) {
        const auto &tris = s.frame.geometry.triangles(static_cast<int>(o));
        const Mesh &mesh = *s.scene->objects[o]->mesh;
        RTCGeometry g = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto *v = static_cast<float *>(rtcSetNewGeometryBuffer(
            g, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), tris.size() * 3));
        auto *idx = static_cast<unsigned *>(rtcSetNewGeometryBuffer(
            g, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), tris.size()));
        for (size_t t = 0; t < tris.size(); ++t)
            for (int k = 0; k < 3; ++k) {
                const Vec3 p =
                    s.frame.geometry.worldPoint(static_cast<int>(o), mesh.polyVerts[tris[t].corner[k]]);
                v[9 * t + 3 * k] = static_cast<float>(p.x);
                v[9 * t + 3 * k + 1] = static_cast<float>(p.y);
                v[9 * t + 3 * k + 2] = static_cast<float>(p.z);
                idx[3 * t + k] = static_cast<unsigned>(3 * t + k);
            }
        rtcCommitGeometry(g);
        rtcAttachGeometry(scene, g);
        rtcReleaseGeometry(g);
    }
    rtcCommitScene(scene);
    const float tnear = static_cast<float>(rayEpsilon(load(s.spot.wPos)));
    for (auto _ : state)
        for (const auto &d : dirs) {
            RTCIntersectContext ctx;
            rtcInitIntersectContext(&ctx);
            RTCRayHit rh{};
            rh.ray.org_x = static_cast<float>(s.spot.wPos[0]);
            rh.ray.org_y = static_cast<float>(s.spot.wPos[1]);
            rh.ray.org_z = static_cast<float>(s.spot.wPos[2]);
            rh.ray.dir_x = static_cast<float>(d[0]);
            rh.ray.dir_y = static_cast<float>(d[1]);
            rh.ray.dir_z = static_cast<float>(d[2]);
            rh.ray.tnear = tnear;
            rh.ray.tfar = INFINITY;
            rh.ray.mask = 0xFFFFFFFFu;
            rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
            rtcIntersect1(scene, &ctx, &rh);
            benchmark::DoNotOptimize(rh.ray.tfar);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(dirs.size()));
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
}

// The scene at 1280 x 720 with its line colour on "Ambient Occlusion
// (Medium)" (range 1) or constant (range 0), on range(0)... threads.
void BM_Frame(benchmark::State &state) {
    setProgressQuiet(true);
    setMessagesQuiet(true);
    installCoreServices();
    std::unique_ptr<Scene> scene = loadScene(example());
    scene->width = 1280;
    scene->height = 720;
    if (state.range(1) == 0)
        for (SceneSurface *surface : scene->allSurfaces())
            for (ServerUse &use : surface->shaders) use.settings["lcol"] = {1.0, 0.45, 0.0};
    installSceneServices(*scene);
    auto servers = std::make_unique<ServerSet>();
    servers->build(*scene);
    RenderOptions options;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        StageTimes t;
        std::string error;
        if (renderFrames(
                *scene, *servers, options, [](int, const FrameBuffer &, std::string &) { return true; }, t,
                error) != RenderResult::Done)
            state.SkipWithError(error.c_str());
    }
    servers.reset();
    discardRenderMemory();
    removeSceneServices();
}

BENCHMARK(BM_Input)->DenseRange(1, 36)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Input)->Arg(29)->Threads(1)->Threads(2)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_RayCastService)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareEmbree)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->ArgNames({"threads", "textured"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
