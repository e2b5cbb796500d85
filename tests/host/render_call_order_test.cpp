// The order in which a render calls the servers, seen by the recorder
// plug-in: init, then per frame new-time, shading, pixel filters in raster
// order, image filters; cleanup at the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "render_test_scene.h"

namespace {

using rendertest::countLines;
using rendertest::firstLine;
using rendertest::lastLine;

std::string orderScene() {
    return R"({
      "render": {"width": 6, "height": 4, "first_frame": 1, "last_frame": 2},
      "modules": [")" +
           rendertest::recorderPath() + R"("],
      "camera": {"position": [0, 0, -5], "hfov": 40},
      "objects": [{"name": "Ball", "primitive": {"type": "sphere", "radius": 1.2},
        "surfaces": {"Ball": {"shaders": [{"server": "Recorder:Shader", "settings": {"tag": 1}}]}}}],
      "pixel_filters": [{"server": "Recorder:Pixel", "settings": {"tag": 2, "probe_x": 3, "probe_y": 2}}],
      "image_filters": [{"server": "Recorder:Image", "settings": {"tag": 3}}]
    })";
}

// The log lines of one frame: from its first new-time to its image filter.
std::vector<std::string> frameLines(const std::vector<std::string> &log, int frame) {
    std::vector<std::string> out;
    bool in = false;
    for (const auto &l : log) {
        if (l.rfind("newtime", 0) == 0)
            in = l.find("frame=" + std::to_string(frame) + " ") != std::string::npos;
        if (in) out.push_back(l);
        if (in && l.rfind("image", 0) == 0) in = false;
    }
    return out;
}

double field(const std::string &line, const std::string &name) {
    const size_t at = line.find(" " + name + "=");
    return at == std::string::npos ? -12345 : std::atof(line.c_str() + at + name.size() + 2);
}

TEST(RenderCallOrder, StagesRunInHostOrder) {
    const auto run = rendertest::render(orderScene());
    ASSERT_EQ(run.result, minihost::RenderResult::Done) << run.error;
    ASSERT_EQ(run.frames.size(), 2u);
    const auto &log = run.log;

    // instances exist before init, init comes once before the first frame
    EXPECT_LT(lastLine(log, "create"), firstLine(log, "init"));
    EXPECT_EQ(countLines(log, "init"), 2);  // the image filter has no render operations
    EXPECT_LT(lastLine(log, "init"), firstLine(log, "newtime"));
    EXPECT_GT(firstLine(log, "cleanup"), lastLine(log, "image"));
    EXPECT_GT(firstLine(log, "destroy"), lastLine(log, "cleanup"));
    EXPECT_EQ(countLines(log, "image"), 2);

    for (int frame = 1; frame <= 2; ++frame) {
        const auto lines = frameLines(log, frame);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(countLines(lines, "newtime"), 2) << "frame " << frame;
        const int firstShade = firstLine(lines, "shade"), firstPixel = firstLine(lines, "pixel");
        ASSERT_GE(firstShade, 0);
        ASSERT_GE(firstPixel, 0);
        EXPECT_LT(lastLine(lines, "newtime"), firstShade);
        EXPECT_LT(firstShade, firstPixel);
        // after the first pixel, only the probe's own ray-shade runs a shader
        for (size_t i = static_cast<size_t>(firstPixel); i < lines.size(); ++i)
            if (lines[i].rfind("shade", 0) == 0) {
                ASSERT_LT(i + 1, lines.size());
                EXPECT_EQ(lines[i + 1].rfind("probe", 0), 0u) << lines[i];
            }
        EXPECT_EQ(lastLine(lines, "image"), static_cast<int>(lines.size()) - 1);
        EXPECT_LT(lastLine(lines, "pixel"), lastLine(lines, "image"));
        EXPECT_NE(lines.front().find(
                      "time=" + std::string(frame == 1 ? "0.041666666666666664" : "0.083333333333333329")),
                  std::string::npos)
            << lines.front();
    }
}

TEST(RenderCallOrder, PixelFiltersSeeEveryPixelInRasterOrderAtExactPositions) {
    const auto run = rendertest::render(orderScene());
    ASSERT_EQ(run.result, minihost::RenderResult::Done) << run.error;
    const auto lines = frameLines(run.log, 1);
    std::vector<std::string> pixels;
    for (const auto &l : lines)
        if (l.rfind("pixel", 0) == 0) pixels.push_back(l);
    ASSERT_EQ(pixels.size(), 24u);
    for (int y = 0, i = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x, ++i)
            EXPECT_EQ(pixels[static_cast<size_t>(i)],
                      "pixel tag=2 sx=" + std::to_string(x) + " sy=" + std::to_string(y));
}

TEST(RenderCallOrder, CameraSamplesAndRayShadeAgreeWithTheDepthBuffer) {
    const auto run = rendertest::render(orderScene());
    ASSERT_EQ(run.result, minihost::RenderResult::Done) << run.error;
    const auto &image = run.frames[0];
    const auto lines = frameLines(run.log, 1);
    int samples = 0;
    for (const auto &l : lines) {
        if (l.rfind("shade", 0) != 0) continue;
        const int x = static_cast<int>(field(l, "x")), y = static_cast<int>(field(l, "y"));
        ASSERT_TRUE(x >= 0 && x < 6 && y >= 0 && y < 4) << l;
        EXPECT_EQ(field(l, "bounces"), 0) << l;
        EXPECT_NEAR(field(l, "length"), image.depth[image.index(x, y)], 1e-4) << l;
        EXPECT_GT(field(l, "cosine"), 0) << l;  // facing the camera
        ++samples;
    }
    int hits = 0;
    for (float a : image.alpha) hits += a > 0 ? 1 : 0;
    EXPECT_EQ(samples, hits + 1);  // every hit pixel once, plus the probe's ray-shade
    for (size_t i = 0; i < image.depth.size(); ++i)
        if (image.alpha[i] == 0) {
            EXPECT_GT(image.depth[i], 1e14);
        }

    // The probe made the tracer's ray through pixel (3, 2) from the services:
    // it hits at the host's depth, bounce count 0, and ray-cast agrees.
    const int probe = firstLine(lines, "probe");
    ASSERT_GE(probe, 0);
    const std::string &p = lines[static_cast<size_t>(probe)];
    EXPECT_GT(field(p, "shade"), 0) << p;
    EXPECT_NEAR(field(p, "shade"), field(p, "depth"), 1e-5) << p;
    EXPECT_NEAR(field(p, "cast"), field(p, "shade"), 1e-9) << p;
    EXPECT_EQ(field(p, "bounces"), 0) << p;
}

TEST(RenderCallOrder, MirrorRaysCountBouncesUpToTheLimit) {
    auto scene = [](int maxBounces) {
        return R"({
          "render": {"width": 24, "height": 16, "max_bounces": )" +
               std::to_string(maxBounces) + R"(},
          "modules": [")" +
               rendertest::recorderPath() + R"("],
          "camera": {"position": [0, 0, -6], "hfov": 50},
          "objects": [
            {"name": "Left", "primitive": {"type": "sphere", "surface": "L"}, "position": [-1.05, 0, 0],
             "surfaces": {"L": {"shaders": [{"server": "Recorder:Shader", "settings": {"tag": 1, "mirror": 1.0}}]}}},
            {"name": "Right", "primitive": {"type": "sphere", "surface": "R"}, "position": [1.05, 0, 0],
             "surfaces": {"R": {"shaders": [{"server": "Recorder:Shader", "settings": {"tag": 2, "mirror": 1.0}}]}}}]
        })";
    };
    const auto run = rendertest::render(scene(2));
    ASSERT_EQ(run.result, minihost::RenderResult::Done) << run.error;
    int byBounce[4] = {0, 0, 0, 0};
    for (const auto &l : run.log)
        if (l.rfind("shade", 0) == 0) {
            const int b = static_cast<int>(field(l, "bounces"));
            ASSERT_TRUE(b >= 0 && b <= 2) << l;
            ++byBounce[b];
        }
    EXPECT_GT(byBounce[0], 0);
    EXPECT_GT(byBounce[1], 0);  // each sphere sees the other in its mirror
    EXPECT_GT(byBounce[2], 0);
    EXPECT_LE(byBounce[1], byBounce[0]);

    const auto flat = rendertest::render(scene(0));
    ASSERT_EQ(flat.result, minihost::RenderResult::Done) << flat.error;
    for (const auto &l : flat.log)
        if (l.rfind("shade", 0) == 0) {
            EXPECT_EQ(field(l, "bounces"), 0) << l;
        }
}

}  // namespace
