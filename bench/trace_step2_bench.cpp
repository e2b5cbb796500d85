// TraceStep2's process at 1920 x 1080 with b = 1, 2 and 3 on a scene-like
// store, against the plain form of the stroke sweep; the store's creation
// against a fresh allocation and fill of the same bytes, and its clear
// against a fill of the same byte patterns. Single-threaded, as the
// modules are.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/stroke_store.h"
#include "store/stroke_store_view.h"
#include "tests/unit/plain_stroke_reference.h"
#include "tests/unit/stroke_store_builder.h"
#include "tracer_s/composite.h"
#include "tracer_s/edge_strength.h"
#include "tracer_s/trace_step2_process.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A host image whose lines are its own rows: no copies on either side.
struct BenchImage {
    std::vector<float> channels[4];
    FilterAccess fa{};
    static BenchImage *current;

    BenchImage() {
        for (int c = 0; c < 4; ++c) channels[c].assign(size_t(kWidth) * kHeight, 0.25f + 0.1f * c);
        fa.width = kWidth;
        fa.height = kHeight;
        fa.getLine = [](int type, int y) -> const float * {
            if (type < BUFFER_RED || type > BUFFER_ALPHA || y < 0 || y >= kHeight) return nullptr;
            return current->channels[type - BUFFER_RED].data() + size_t(y) * kWidth;
        };
        fa.setRGB = [](int x, int y, const float rgb[3]) {
            for (int c = 0; c < 3; ++c) current->channels[c][size_t(y) * kWidth + x] = rgb[c];
        };
        fa.setAlpha = [](int x, int y, float a) { current->channels[3][size_t(y) * kWidth + x] = a; };
        current = this;
    }
};
BenchImage *BenchImage::current = nullptr;

// One store in render memory per factor, filled like a rendered scene.
struct Scene {
    storetest::SceneShaders shaders;
    qr::tracer_s::TraceStep1Instance settings;
    std::unique_ptr<storetest::StoreBuilder> cells;
    double edgePercent = 0;
};

void useHost() {
    qr::setEdition(&qr::kStrokeEdition);
    qr::services().renderMemory = minihost::renderMemoryRecord();
    qr::services().sceneInfo = minihost::basicSceneInfoRecord();
    qr::services().infoMessages = minihost::infoMessagesRecord();
    minihost::setMessagesQuiet(true);
    minihost::setBasicFrameSize(kWidth, kHeight);
}

double edgePercent(storetest::StoreBuilder &store, const qr::tracer_s::TraceStep1Instance &s) {
    const auto v = store.view();
    size_t edges = 0;
    for (int y = 0; y < v.gridHeight; ++y)
        for (int x = 0; x < v.gridWidth; ++x) {
            qr::tracer_s::ReferenceSample ref;
            if (!qr::tracer_s::findReferenceSample(v, x, y, ref)) continue;
            edges += qr::tracer_s::edgeStrength(v, x, y, qr::tracer_s::tolerancesFor(s, ref.shader)) >= 0.0;
        }
    return 100.0 * double(edges) / double(v.cellCount());
}

// Makes the render-memory store of factor b (discarding any other) and fills
// it from the scene's cells.
// The factor whose scene the render-memory store holds; 0 when none.
int liveFactor = 0;

Scene &sceneFor(int b) {
    static std::map<int, std::unique_ptr<Scene>> scenes;
    int &live = liveFactor;
    auto &slot = scenes[b];
    if (!slot) {
        slot = std::make_unique<Scene>();
        slot->cells = std::make_unique<storetest::StoreBuilder>(b * kWidth, b * kHeight, b);
        storetest::fillSceneLike(*slot->cells, slot->shaders, 5u, 400);
        slot->edgePercent = edgePercent(*slot->cells, slot->settings);
    }
    if (live != b) {
        useHost();
        minihost::discardRenderMemory();
        qr::clearStrokeStore(b);
        qr::StrokeStoreHeader *h = qr::findStrokeStore();
        slot->cells->copyInto(*h);
        qr::writeTracerPointer(&slot->settings);
        live = b;
    }
    return *slot;
}

void BM_TraceStep2Process(benchmark::State &state) {
    const int b = int(state.range(0));
    Scene &scene = sceneFor(b);
    BenchImage image;
    for (auto _ : state) {
        qr::tracer_s::processFrame(&image.fa);
        benchmark::ClobberMemory();
    }
    state.counters["edge_cells_%"] = scene.edgePercent;
}

// The same frame with the plain sweep: a fresh draw buffer, every cell's
// reference search, every stamp target's 16 points, then the same composite.
void BM_PlainTraceStep2(benchmark::State &state) {
    const int b = int(state.range(0));
    Scene &scene = sceneFor(b);
    BenchImage image;
    for (auto _ : state) {
        const std::vector<uint8_t> draw = plainref::plainDrawBuffer(scene.cells->view(), scene.settings);
        qr::tracer_s::compositeStrokes(&image.fa, draw.data(), b * kWidth, b * kHeight, b, false);
        benchmark::ClobberMemory();
    }
    state.counters["edge_cells_%"] = scene.edgePercent;
}

// Bytes per cell of the six buffers.
constexpr size_t kCellBytes[6] = {1, 4, 12, 3, 4, sizeof(void *)};

// The six buffers of a store of factor b, as plain heap blocks.
struct PlainBuffers {
    void *block[6] = {};
    size_t cells = 0;
    explicit PlainBuffers(int b) : cells(size_t(b) * kWidth * size_t(b) * kHeight) {
        for (int k = 0; k < 6; ++k) block[k] = ::operator new(kCellBytes[k] * cells);
    }
    ~PlainBuffers() {
        for (void *p : block) ::operator delete(p);
    }
    // The clear's byte patterns: zeros everywhere but -1.0 in the depths.
    void fill() {
        for (int k = 0; k < 6; ++k)
            if (k != 1) std::memset(block[k], 0, kCellBytes[k] * cells);
        std::fill_n(static_cast<float *>(block[1]), cells, -1.0f);
    }
};

void storeBytes(benchmark::State &state, int b) {
    size_t perCell = 0;
    for (size_t c : kCellBytes) perCell += c;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(perCell) * int64_t(b) * kWidth * b *
                            kHeight);
}

// The first frame's new-time: the store is created in render memory and cleared.
void BM_StoreFirstCreation(benchmark::State &state) {
    const int b = int(state.range(0));
    sceneFor(b);
    for (auto _ : state) {
        state.PauseTiming();
        minihost::discardRenderMemory();
        state.ResumeTiming();
        qr::clearStrokeStore(b);
        benchmark::ClobberMemory();
    }
    liveFactor = 0;  // the store no longer holds the scene
    storeBytes(state, b);
}

// Baseline: a fresh allocation of the same six blocks and a fill of them.
void BM_FreshAllocAndFill(benchmark::State &state) {
    const int b = int(state.range(0));
    for (auto _ : state) {
        std::optional<PlainBuffers> buffers;
        buffers.emplace(b);
        buffers->fill();
        benchmark::ClobberMemory();
        state.PauseTiming();  // the release is not part of it
        buffers.reset();
        state.ResumeTiming();
    }
    storeBytes(state, b);
}

// Every later frame's new-time: the clear of the existing store.
void BM_StoreClear(benchmark::State &state) {
    const int b = int(state.range(0));
    sceneFor(b);
    for (auto _ : state) {
        qr::clearStrokeStore(b);
        benchmark::ClobberMemory();
    }
    liveFactor = 0;  // the store no longer holds the scene
    storeBytes(state, b);
}

// Baseline: a fill of the same byte patterns into blocks already in use.
void BM_FillSamePatterns(benchmark::State &state) {
    const int b = int(state.range(0));
    PlainBuffers buffers(b);
    buffers.fill();
    for (auto _ : state) {
        buffers.fill();
        benchmark::ClobberMemory();
    }
    storeBytes(state, b);
}

BENCHMARK(BM_TraceStep2Process)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTraceStep2)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreFirstCreation)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FreshAllocAndFill)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StoreClear)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillSamePatterns)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
