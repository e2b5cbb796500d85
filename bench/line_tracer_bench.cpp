// The line tracer's whole per-pixel pass over a 1920 x 1080 frame, through
// the pixel access, on a store filled as a small scene would fill it: a
// ground plane and overlapping spheres of four materials over background.
//
// Figures: ns per pixel of the tracer pass, of a bare pass through the same
// pixel access (the host's own cost per call, the baseline), and of the store
// lookup the tracer makes per pixel; heap allocations per pixel are counted
// by replacing the global operator new.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "minihost/core/service_registry.h"
#include "minihost/services/core_services.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "shader/edge_line_settings.h"
#include "store/line_store.h"
#include "store/line_store_view.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

// The replacement pair allocates with malloc and frees with free; GCC cannot
// see that they belong together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void *operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kPixels = double(kWidth) * kHeight;

// The host's frame: colour and depth per pixel.
struct Frame {
    std::vector<float> rgba = std::vector<float>(size_t(4) * kWidth * kHeight, 0.5f);
    std::vector<float> depth = std::vector<float>(size_t(kWidth) * kHeight, 1e30f);
    int x = 0, y = 0;
};
Frame *gFrame = nullptr;

void getVal(int type, int num, float *out) {
    size_t i = size_t(gFrame->y) * kWidth + size_t(gFrame->x);
    if (type == 12 && num >= 1)
        out[0] = gFrame->depth[i];
    else if (type == 32 && num >= 4)
        std::memcpy(out, &gFrame->rgba[4 * i], 4 * sizeof(float));
}

void setRGBA(const float rgba[4]) {
    size_t i = size_t(gFrame->y) * kWidth + size_t(gFrame->x);
    std::memcpy(&gFrame->rgba[4 * i], rgba, 4 * sizeof(float));
}

struct Sphere {
    double cx, cy, r, z;
    int shader;
};

qr::EdgeLineSettings gShaders[4] = {
    {0, 0.15, 0.02, 1}, {0, 0.15, 0.02, 2}, {1, 0.3, 0.05, 3}, {0, 0.15, 0.02, 4}};

// Fills the store (and the host's depth) as the edge shader would record the
// scene's camera samples.
void fillScene(const qr::LineStoreView &s, Frame &f) {
    const Sphere spheres[] = {
        {600, 500, 300, 40, 0}, {900, 560, 260, 30, 1}, {1400, 420, 220, 55, 2}, {1250, 700, 160, 25, 3}};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            size_t i = s.index(x, y);
            double bestZ = 1e30, n[3] = {0, 0, -1};
            int shader = -1;
            if (y > 760) {  // ground plane, receding towards the horizon
                bestZ = 20.0 + 40000.0 / (y - 740);
                n[0] = 0, n[1] = 0.8, n[2] = -0.6;
                shader = 0;
            }
            for (const Sphere &sp : spheres) {
                double dx = (x - sp.cx) / sp.r, dy = (y - sp.cy) / sp.r, d2 = dx * dx + dy * dy;
                if (d2 >= 1.0) continue;
                double nz = std::sqrt(1.0 - d2), z = sp.z - nz * sp.r / 40.0;
                if (z < bestZ) {
                    bestZ = z;
                    n[0] = dx, n[1] = -dy, n[2] = -nz;
                    shader = sp.shader;
                }
            }
            if (shader < 0) continue;
            s.shader[i] = &gShaders[shader];
            s.depth[i] = float(bestZ);
            for (int k = 0; k < 3; ++k) s.normal[3 * i + size_t(k)] = float(n[k]);
            s.color[3 * i] = uint8_t(40 * shader);
            s.density[i] = shader == 3 ? 0.5f : 1.0f;
            f.depth[i] = float(bestZ);
        }
}

struct Setup {
    Frame frame;
    Instance tracer = nullptr;
    Setup() {
        minihost::installCoreServices();
        minihost::setBasicFrameSize(kWidth, kHeight);
        qr::setEdition(&qr::kLineEdition);
        qr::acquireServices(minihost::globalLookup());
        tracer = qr::createLineTracer(nullptr, nullptr, nullptr);
        qr::newTimeLineTracer(tracer, 0, 0.0);
        if (qr::LineStoreHeader *s = qr::findLineStore()) fillScene(qr::viewOf(*s), frame);
    }
};

Setup &setup() {
    static Setup s;
    return s;
}

template <class PerPixel>
void rasterPass(Frame &f, PerPixel perPixel) {
    gFrame = &f;
    PixelAccess pa{};
    pa.getVal = getVal;
    pa.setRGBA = setRGBA;
    for (f.y = 0; f.y < kHeight; ++f.y)
        for (f.x = 0; f.x < kWidth; ++f.x) {
            pa.sx = f.x;
            pa.sy = f.y;
            perPixel(pa);
        }
}

void report(benchmark::State &state, long allocations) {
    state.counters["per_pixel"] = benchmark::Counter(
        kPixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_pixel"] = double(allocations) / (kPixels * double(state.iterations()));
}

// The whole line pass: evaluate for every pixel in raster order.
void BM_LineTracerPass(benchmark::State &state) {
    Setup &s = setup();
    long before = gAllocations.load();
    for (auto _ : state) {
        rasterPass(s.frame, [&](const PixelAccess &pa) { qr::evaluateLineTracer(s.tracer, &pa); });
        benchmark::ClobberMemory();
    }
    report(state, gAllocations.load() - before);
}
BENCHMARK(BM_LineTracerPass)->Unit(benchmark::kMillisecond);

// Baseline: the pixel access alone, reading depth and colour and writing the
// colour back, as any pixel filter must.
void BM_PixelAccessBaseline(benchmark::State &state) {
    Setup &s = setup();
    long before = gAllocations.load();
    for (auto _ : state) {
        rasterPass(s.frame, [](const PixelAccess &pa) {
            float d, rgba[4];
            pa.getVal(12, 1, &d);
            pa.getVal(32, 4, rgba);
            pa.setRGBA(rgba);
        });
        benchmark::ClobberMemory();
    }
    report(state, gAllocations.load() - before);
}
BENCHMARK(BM_PixelAccessBaseline)->Unit(benchmark::kMillisecond);

// The store lookup the tracer makes for every pixel, alone.
void BM_StoreLookupPerPixel(benchmark::State &state) {
    setup();
    long before = gAllocations.load();
    for (auto _ : state) {
        for (int i = 0; i < kWidth * kHeight; ++i) benchmark::DoNotOptimize(qr::findLineStore());
    }
    report(state, gAllocations.load() - before);
}
BENCHMARK(BM_StoreLookupPerPixel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
