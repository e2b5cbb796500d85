// Writing a rendered 1920 x 1080 frame (examples/pawn.json) as an RGBA PNG
// file: minihost's writer at its default (fast) level and at level 6, against
// stb's writer of the same bytes, as minihost wrote its images before; and
// as an OpenEXR file (half and 32-bit floats, with depth), and the pixel hash
// every frame file carries, both against the default PNG writer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <stb/stb_image_write.h>
#include <unistd.h>

#include "minihost/render/exr_output.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/pixel_hash.h"
#include "minihost/render/png_output.h"
#include "minihost/render/render_session.h"
#include "minihost/render/tile_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"

namespace {

using namespace minihost;

struct Image {
    FrameBuffer buffer;
    RgbaImage rgba;
    std::string path =
        (std::filesystem::temp_directory_path() / ("png_output_bench_" + std::to_string(getpid()) + ".png"))
            .string();
    Image() {
        installCoreServices();
        const auto scenePath = std::filesystem::path(QR_SOURCE_DIR) / "examples" / "pawn.json";
        std::unique_ptr<Scene> scene = loadScene(scenePath.string());
        scene->width = 1920;
        scene->height = 1080;
        installSceneServices(*scene);
        FrameState frame;
        std::string error;
        frame.prepare(*scene, nullptr, scene->firstFrame, scene->frameTime(scene->firstFrame), error);
        shadeFrame(frame, buffer, defaultThreadCount());
        rgba = toRgba8(buffer);
        removeSceneServices();
    }
    ~Image() { std::remove(path.c_str()); }
};

Image &image() {
    static Image i;
    return i;
}

void fileSize(benchmark::State &state, const std::string &path) {
    std::error_code ec;
    state.counters["file_KiB"] = static_cast<double>(std::filesystem::file_size(path, ec)) / 1024.0;
}

void BM_PngWriter(benchmark::State &state) {
    Image &im = image();
    const int level = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::string error;
        if (!writePng(im.rgba, im.path, level, error)) state.SkipWithError(error.c_str());
    }
    fileSize(state, im.path);
}

void BM_StbWriter(benchmark::State &state) {
    Image &im = image();
    for (auto _ : state)
        if (!stbi_write_png(im.path.c_str(), im.rgba.width, im.rgba.height, 4, im.rgba.pixels.data(),
                            im.rgba.width * 4))
            state.SkipWithError("stb could not write");
    fileSize(state, im.path);
}

void BM_ExrWriter(benchmark::State &state) {
    Image &im = image();
    const std::string path = im.path + ".exr";
    const bool fullFloat = state.range(0) != 0;
    for (auto _ : state) {
        std::string error;
        if (!writeExr(toExrImage(im.buffer, {fullFloat, false}), {}, path, error))
            state.SkipWithError(error.c_str());
    }
    fileSize(state, path);
    std::remove(path.c_str());
}

void BM_PixelHash(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(framePixelHash(image().buffer));
}

BENCHMARK(BM_ExrWriter)->ArgName("float")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixelHash)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngWriter)->Arg(kDefaultPngCompression)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbWriter)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
