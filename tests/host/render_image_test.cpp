// Properties of rendered images: a world point lands on the pixel the
// tracer's own ray for that pixel predicts, the image does not depend on the
// thread count, and a saved scene renders to the same image.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "host/item_services.h"
#include "minihost/core/service_registry.h"
#include "minihost/servers/scene_saver.h"
#include "render_test_scene.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(RenderImage, KnownWorldPointLandsOnItsPixel) {
    const std::string cameraJson = R"("camera": {"position": [1, 2, -6], "target": [0, 0.5, 0], "hfov": 50})";
    const int px = 40, py = 13, w = 64, h = 48;
    // The point 5 units along the tracer's ray through the pixel's centre,
    // built from the services as a module builds it.
    double point[3] = {0, 0, 0};
    {
        auto scene = minihost::loadSceneText(
            "{\"render\": {\"width\": 64, \"height\": 48}, " + cameraJson + "}", "p.json");
        minihost::installSceneServices(*scene);
        auto *si = static_cast<SceneInfo *>(minihost::registry().lookup(SERVICE_SCENE_INFO));
        auto *ii = static_cast<ItemInfo *>(minihost::registry().lookup(SERVICE_ITEM_INFO));
        auto *ci = static_cast<CameraInfo *>(minihost::registry().lookup(SERVICE_CAMERA_INFO));
        ASSERT_TRUE(si && ii && ci);
        const ItemID cam = si->renderCamera(0);
        double r[3], u[3], f[3], o[3], hf = 0, vf = 0;
        ii->param(cam, ITEM_PARAM_RIGHT, 0, r);
        ii->param(cam, ITEM_PARAM_UP, 0, u);
        ii->param(cam, ITEM_PARAM_FORWARD, 0, f);
        ii->param(cam, ITEM_PARAM_W_POSITION, 0, o);
        ci->fovAngles(cam, 0, &hf, &vf);
        EXPECT_NEAR(std::tan(vf / 2), std::tan(hf / 2) * h / w, 1e-12);
        const double sx = 2 * ((px + 0.5) / w - 0.5), sy = 2 * (0.5 - (py + 0.5) / h);
        double d[3], len = 0;
        for (int k = 0; k < 3; ++k) {
            d[k] = f[k] + sx * std::tan(hf / 2) * r[k] + sy * std::tan(vf / 2) * u[k];
            len += d[k] * d[k];
        }
        for (int k = 0; k < 3; ++k) point[k] = o[k] + 5 * d[k] / std::sqrt(len);
        minihost::removeSceneServices();
    }
    const nlohmann::json pos = {point[0], point[1], point[2]};
    const auto run =
        rendertest::render(R"({"render": {"width": 64, "height": 48}, )" + cameraJson +
                           R"(, "objects": [{"name": "Dot", "primitive": {"type": "sphere", "radius": 0.03},
                                        "position": )" +
                           pos.dump() + "}]}");
    ASSERT_EQ(run.result, minihost::RenderResult::Done) << run.error;
    const auto &img = run.frames[0];
    EXPECT_EQ(img.alpha[img.index(px, py)], 1.0f);
    EXPECT_NEAR(img.depth[img.index(px, py)], 5 - 0.03, 0.01);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (std::abs(x - px) > 1 || std::abs(y - py) > 1) {
                ASSERT_EQ(img.alpha[img.index(x, y)], 0.0f) << x << "," << y;
            }
}

std::string exampleAt(int width, int height) {
    auto doc = nlohmann::json::parse(readFile(std::string(QR_SOURCE_DIR) + "/examples/primitives.json"));
    doc["render"]["width"] = width;
    doc["render"]["height"] = height;
    return doc.dump();
}

TEST(RenderImage, SameImageOnOneAndTwoThreads) {
    const std::string scene = exampleAt(150, 100);
    const auto one = rendertest::render(scene, 1, std::string(QR_SOURCE_DIR) + "/examples/primitives.json");
    const auto two = rendertest::render(scene, 2, std::string(QR_SOURCE_DIR) + "/examples/primitives.json");
    ASSERT_EQ(one.result, minihost::RenderResult::Done) << one.error;
    ASSERT_EQ(two.result, minihost::RenderResult::Done) << two.error;
    EXPECT_TRUE(rendertest::sameImage(one.frames[0], two.frames[0]));
    int hit = 0;
    for (float a : one.frames[0].alpha) hit += a > 0;
    EXPECT_GT(hit, 150 * 100 / 3);  // the floor and the primitives fill most of it
}

TEST(RenderImage, SavedSceneRendersTheSameImage) {
    const fs::path dir = fs::temp_directory_path() / "qr_render_save_test";
    fs::create_directories(dir / "sub");
    const std::string scene = R"({
      "render": {"width": 20, "height": 14},
      "modules": [")" + rendertest::recorderPath() +
                              R"("],
      "camera": {"position": [0, 0.5, -5], "target": [0, 0, 0], "hfov": 45},
      "lights": [{"name": "Sun", "type": "distant", "rotation": [20, 30, 0]}],
      "objects": [{"name": "Ball", "primitive": {"type": "sphere", "radius": 1.3},
        "surfaces": {"Ball": {"color": [0.2, 0.6, 0.3],
          "shaders": [{"server": "Recorder:Shader", "settings": {"tag": 2, "replace": 0.5, "gain": 0.25}}]}}}],
      "image_filters": [{"server": "Recorder:Image", "settings": {"invert": 1}}]
    })";
    const std::string savedPath = (dir / "sub" / "saved.json").string();
    std::string saveError;
    const auto first = rendertest::render(
        scene, 1, (dir / "orig.json").string(), [&](minihost::Scene &s, minihost::ServerSet &servers) {
            ASSERT_TRUE(minihost::saveScene(s, servers, savedPath, saveError)) << saveError;
        });
    ASSERT_EQ(first.result, minihost::RenderResult::Done) << first.error;
    const std::string savedText = readFile(savedPath);
    const auto saved = nlohmann::json::parse(savedText);
    const auto &shader = saved["objects"][0]["surfaces"]["Ball"]["shaders"][0];
    EXPECT_FALSE(shader.contains("settings"));
    ASSERT_TRUE(shader["data"].is_array());
    EXPECT_EQ(shader["data"][0], "I4 256");
    EXPECT_NE(shader["data"].dump().find("PluginDataLib"), std::string::npos);

    const auto second = rendertest::render(savedText, 1, savedPath);
    ASSERT_EQ(second.result, minihost::RenderResult::Done) << second.error;
    EXPECT_TRUE(rendertest::sameImage(first.frames[0], second.frames[0]));
    // the settings matter: without them the image differs
    const auto plain =
        rendertest::render(nlohmann::json::parse(scene).dump(), 1, (dir / "orig.json").string());
    auto doc = nlohmann::json::parse(scene);
    doc["objects"][0]["surfaces"]["Ball"]["shaders"][0].erase("settings");
    const auto without = rendertest::render(doc.dump(), 1, (dir / "orig.json").string());
    ASSERT_EQ(without.result, minihost::RenderResult::Done) << without.error;
    EXPECT_FALSE(rendertest::sameImage(first.frames[0], without.frames[0]));
    EXPECT_TRUE(rendertest::sameImage(first.frames[0], plain.frames[0]));
    fs::remove_all(dir);
}

}  // namespace
