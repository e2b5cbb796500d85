// Golden images: the test scenes in tests/data/scenes/ (a silhouette, a box
// crease, a depth step between two objects of one surface and a boundary
// between two material identifiers) rendered without modules, with the
// stroke edition and with the line edition, compared with the images in
// tests/data/golden/. scripts/regenerate-goldens.sh renders those images.
//
// Tolerance: a channel may differ by at most 2 (of 255) on at least 99.5 %
// of the pixels, and by at most 64 anywhere. On a mismatch the rendered
// image is kept in <build>/golden-actual/ for inspection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <stb/stb_image.h>
#include <nlohmann/json.hpp>

#include "minihost/render/png_output.h"
#include "render_test_scene.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSmallDifference = 2;     // per channel, of 255
constexpr double kOffPercent = 0.5;     // of the pixels may differ by more
constexpr int kLargestDifference = 64;  // per channel, anywhere

const fs::path kScenes = fs::path(QR_TEST_DATA_DIR) / "scenes";
const fs::path kGoldens = fs::path(QR_TEST_DATA_DIR) / "golden";
const fs::path kActual = fs::path(QR_BINARY_DIR) / "golden-actual";

// The scene text with its modules taken from this build: the scenes name
// them as ../../../build/<module>.so, the default build folder.
std::string sceneForThisBuild(const std::string &name) {
    std::ifstream in(kScenes / (name + ".json"));
    std::ostringstream text;
    text << in.rdbuf();
    nlohmann::json doc = nlohmann::json::parse(text.str());
    if (doc.contains("modules"))
        for (auto &m : doc["modules"])
            m = (fs::path(QR_BINARY_DIR) / fs::path(m.get<std::string>()).filename()).string();
    return doc.dump();
}

// Rendered on one thread and on three (the edge shader then records from
// several render threads at once): the same image either way.
minihost::FrameBuffer renderScene(const std::string &name) {
    const auto run = rendertest::render(sceneForThisBuild(name), 1, (kScenes / (name + ".json")).string());
    const auto threaded =
        rendertest::render(sceneForThisBuild(name), 3, (kScenes / (name + ".json")).string());
    if (run.result != minihost::RenderResult::Done || run.frames.size() != 1 || threaded.frames.size() != 1) {
        ADD_FAILURE() << name << ": the render failed: " << run.error << threaded.error;
        return {};
    }
    EXPECT_TRUE(rendertest::sameImage(run.frames.front(), threaded.frames.front())) << name;
    return run.frames.front();
}

struct Rgba {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;  // 4 bytes a pixel
};

bool readPng(const fs::path &path, Rgba &out) {
    int channels = 0;
    unsigned char *data = stbi_load(path.c_str(), &out.width, &out.height, &channels, 4);
    if (!data) return false;
    out.pixels.assign(data, data + static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4);
    stbi_image_free(data);
    return true;
}

class GoldenImage : public testing::TestWithParam<const char *> {};

TEST_P(GoldenImage, MatchesTheGoldenWithinTolerance) {
    const std::string name = GetParam();
    const fs::path golden = kGoldens / (name + ".png");
    Rgba expected;
    ASSERT_TRUE(readPng(golden, expected))
        << golden << " is missing or unreadable: run "
        << "scripts/regenerate-goldens.sh " << QR_BINARY_DIR
        << " to render the golden images, then look at them before committing";

    const minihost::FrameBuffer frame = renderScene(name);
    ASSERT_GT(frame.width, 0);
    // Written through the same PNG output as `minihost render`, so both
    // sides went through the same 8-bit rounding.
    fs::create_directories(kActual);
    const fs::path actualPath = kActual / (name + ".png");
    std::string error;
    ASSERT_TRUE(minihost::writePng(frame, actualPath.string(), error)) << error;
    Rgba actual;
    ASSERT_TRUE(readPng(actualPath, actual));

    ASSERT_EQ(actual.width, expected.width) << name << ": rendered image kept at " << actualPath;
    ASSERT_EQ(actual.height, expected.height) << name << ": rendered image kept at " << actualPath;
    size_t offPixels = 0;
    int largest = 0;
    for (size_t p = 0; p < actual.pixels.size() / 4; ++p) {
        int worst = 0;
        for (size_t c = 0; c < 4; ++c)
            worst =
                std::max(worst, std::abs(int(actual.pixels[4 * p + c]) - int(expected.pixels[4 * p + c])));
        if (worst > kSmallDifference) ++offPixels;
        largest = std::max(largest, worst);
    }
    const double total = static_cast<double>(actual.pixels.size() / 4);
    const bool ok = offPixels <= static_cast<size_t>(std::floor(total * kOffPercent / 100.0)) &&
                    largest <= kLargestDifference;
    EXPECT_TRUE(ok) << name << ": " << offPixels << " of " << total << " pixels differ by more than "
                    << kSmallDifference << ", the largest difference is " << largest
                    << " (allowed: " << kOffPercent << " % and " << kLargestDifference
                    << "). Rendered image kept at " << actualPath << "; golden " << golden
                    << ". If the change is intended, run scripts/regenerate-goldens.sh.";
    if (ok) fs::remove(actualPath);
}

INSTANTIATE_TEST_SUITE_P(EdgeScenes, GoldenImage,
                         testing::Values("edges_plain", "edges_stroke_edition", "edges_line_edition"));

// Pixels where the depth plane steps from a hit to no hit, on the hit side:
// a hit pixel with a four-neighbour that hit nothing.
std::vector<std::pair<int, int>> silhouettePixels(const minihost::FrameBuffer &f) {
    std::vector<std::pair<int, int>> out;
    auto hit = [&](int x, int y) { return f.depth[f.index(x, y)] < 1e14f; };
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            if (!hit(x, y)) continue;
            const bool edge = (x > 0 && !hit(x - 1, y)) || (x + 1 < f.width && !hit(x + 1, y)) ||
                              (y > 0 && !hit(x, y - 1)) || (y + 1 < f.height && !hit(x, y + 1));
            if (edge) out.emplace_back(x, y);
        }
    return out;
}

// The line colour is black by default; the test scenes' surfaces and
// background are light (every channel above 0.35 where no line is drawn).
bool darkNear(const minihost::FrameBuffer &f, int x, int y) {
    constexpr float kDark = 0.25f;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int u = x + dx, v = y + dy;
            if (u < 0 || v < 0 || u >= f.width || v >= f.height) continue;
            const size_t i = f.index(u, v);
            if (std::max({f.red[i], f.green[i], f.blue[i]}) < kDark) return true;
        }
    return false;
}

// Needs the finished edge shader: while it records nothing, the line
// tracer draws no lines and this check fails.
TEST(GoldenImageGeometry, LineEditionOutlinesEverySilhouettePixel) {
    const minihost::FrameBuffer plain = renderScene("edges_plain");
    const minihost::FrameBuffer lined = renderScene("edges_line_edition");
    ASSERT_GT(plain.width, 0);
    ASSERT_GT(lined.width, 0);
    ASSERT_EQ(plain.depth, lined.depth) << "the modules changed the geometry";

    const auto silhouette = silhouettePixels(lined);
    ASSERT_GT(silhouette.size(), 50u) << "the test scene shows too little silhouette";
    // Without modules nothing is dark there, so darkness below means lines.
    for (const auto &[x, y] : silhouette)
        ASSERT_FALSE(darkNear(plain, x, y)) << "plain render dark at " << x << "," << y;

    std::vector<std::pair<int, int>> missing;
    for (const auto &[x, y] : silhouette)
        if (!darkNear(lined, x, y)) missing.emplace_back(x, y);
    std::ostringstream where;
    for (size_t i = 0; i < std::min<size_t>(missing.size(), 8); ++i)
        where << " (" << missing[i].first << "," << missing[i].second << ")";
    EXPECT_TRUE(missing.empty()) << "line edition: " << missing.size() << " of " << silhouette.size()
                                 << " silhouette pixels have no line pixel within 1 pixel, e.g."
                                 << where.str();
}

}  // namespace
