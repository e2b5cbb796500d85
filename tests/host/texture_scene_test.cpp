// Textured line settings in whole scenes of both editions: a saved scene
// renders to the same image, the shader evaluates its textures from every
// render thread, and a texture given by key names what is wrong with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <stb/stb_image_write.h>
#include <unistd.h>

#include "minihost/servers/scene_saver.h"
#include "render_test_scene.h"

namespace {

namespace fs = std::filesystem;

// A ball over a floor, both with the edge shader; `lcol` and `second` are
// the shader's line colour and second setting, `tracer` the filters.
std::string scene(bool stroke, const std::string &lcol, const std::string &second) {
    const std::string m = stroke ? "QM_Quillrim_S" : "QM_Quillrim_P";
    const std::string shader = R"([{"server": ")" + m + R"(:Shader", "settings": {"lcol": )" + lcol +
                               R"(, ")" + (stroke ? "boost" : "lpow") + R"(": )" + second + "}}]";
    const std::string filters =
        stroke
            ? R"("pixel_filters": ["QM_Quillrim_S:TraceStep1"], "image_filters": ["QM_Quillrim_S:TraceStep2"])"
            : R"("pixel_filters": [{"server": "QM_Quillrim_P:Tracer", "settings": {"line_only": 1}}])";
    return R"({"render": {"width": 48, "height": 36}, "modules": [")" +
           std::string(stroke ? QR_MODULE_S : QR_MODULE_P) +
           R"("], "camera": {"position": [0, 1.5, -4], "target": [0, 0.5, 0], "hfov": 50},
      "lights": [{"name": "Sun", "type": "distant", "rotation": [30, 40, 0]}],
      "objects": [{"name": "Floor", "primitive": {"type": "plane", "width": 8, "depth": 8},
                   "surfaces": {"Floor": {"shaders": )" +
           shader + R"(}}},
                  {"name": "Ball", "primitive": {"type": "sphere", "radius": 0.8}, "position": [0, 0.8, 0],
                   "surfaces": {"Ball": {"shaders": )" +
           shader + "}}}], " + filters + "}";
}

const char *kTextured = R"({"value": [0, 0, 1], "texture": {"layers": [
    {"type": "gradient", "input": "Distance to Camera", "keys": [[3, [1, 0, 0]], [6, [0, 1, 0]]]},
    {"type": "image", "image": "stripes.png", "size": 0.5, "blend": "multiply",
     "opacity": {"keys": [[1, 0.8], [10, 0.2]]}}]}})";

class TextureScene : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qr_texture_scene_" + std::to_string(getpid()));
        fs::create_directories(dir_ / "saved");
        const unsigned char stripes[4 * 3] = {255, 255, 255, 40, 40, 40, 255, 255, 255, 40, 40, 40};
        stbi_write_png((dir_ / "stripes.png").c_str(), 2, 2, 3, stripes, 6);
    }
    void TearDown() override { fs::remove_all(dir_); }
    rendertest::Run run(const std::string &json, int threads = 1) {
        return rendertest::render(json, threads, (dir_ / "scene.json").string());
    }
    fs::path dir_;
};

TEST_P(TextureScene, SavedSceneWithATexturedLineColourRendersTheSameBytes) {
    const std::string savedPath = (dir_ / "saved" / "saved.json").string();
    std::string error;
    const auto first =
        rendertest::render(scene(GetParam(), kTextured, "0.8"), 1, (dir_ / "scene.json").string(),
                           [&](minihost::Scene &s, minihost::ServerSet &servers) {
                               ASSERT_TRUE(minihost::saveScene(s, servers, savedPath, error)) << error;
                           });
    ASSERT_EQ(first.result, minihost::RenderResult::Done) << first.error;
    std::ifstream in(savedPath);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find("ImageRef"), std::string::npos);
    const auto again = rendertest::render(saved, 1, savedPath);
    ASSERT_EQ(again.result, minihost::RenderResult::Done) << again.error;
    EXPECT_TRUE(rendertest::sameImage(first.frames[0], again.frames[0]));
    const auto plain = run(scene(GetParam(), "[0, 0, 1]", "0.8"));
    EXPECT_FALSE(rendertest::sameImage(first.frames[0], plain.frames[0]));  // the texture shows
}

TEST_P(TextureScene, OcclusionFromEveryRenderThread) {
    const std::string ao =
        R"j({"texture": {"layers": [{"type": "gradient", "input": "Ambient Occlusion (Preview)",
                               "keys": [[0, [1, 0.5, 0]], [0.5, [0, 0, 0]]]}]}})j";
    const auto r = run(scene(GetParam(), ao, "0.8"), 4);
    ASSERT_EQ(r.result, minihost::RenderResult::Done) << r.error;
    std::set<float> reds;
    for (float v : r.frames[0].red) reds.insert(v);
    EXPECT_GT(reds.size(), 3u);  // lines of several shades between orange and black
}

TEST_P(TextureScene, TexturesByKeyNameTheirFaults) {
    auto failure = [&](const std::string &layer) {
        return run(scene(GetParam(), R"({"texture": {"layers": [)" + layer + "]}}", "0.8")).error;
    };
    EXPECT_NE(failure(R"({"type": "gradient", "input": "Wetness", "keys": [[0, [0, 0, 0]]]})")
                  .find("unknown gradient input \"Wetness\" (known: Bump, Slope"),
              std::string::npos);
    EXPECT_NE(
        failure(
            R"({"type": "gradient", "input": "Light Incidence", "item": "Ball", "keys": [[0, [0, 0, 0]]]})")
            .find("\"Ball\" is not a light"),
        std::string::npos);
    EXPECT_NE(failure(R"({"type": "gradient", "input": "Bump", "item": "Sun", "keys": [[0, [0, 0, 0]]]})")
                  .find("takes none"),
              std::string::npos);
    EXPECT_NE(failure(R"({"type": "image", "image": "missing.png"})").find("no such image file"),
              std::string::npos);
    // Values beyond their documented ranges, and a name that a NUL would cut short.
    EXPECT_NE(failure(R"({"type": "constant", "value": [0, 0, 0], "opacity": 1e308})").find("outside 0 to 1"),
              std::string::npos);
    EXPECT_NE(failure(R"({"type": "constant", "value": [0, 0, 0], "opacity": {"keys": [[1, 0.5], [9, -2]]}})")
                  .find("outside 0 to 1"),
              std::string::npos);
    EXPECT_NE(failure(R"({"type": "image", "image": "missing.png\u0000x.png"})").find("holds a NUL"),
              std::string::npos);
    EXPECT_NE(failure(R"({"type": "image", "image": "stripes.png", "center": [0, 1e308, 0]})")
                  .find("beyond +-1,000,000"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, TextureScene, ::testing::Values(true, false));

}  // namespace
