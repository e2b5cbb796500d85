// `minihost import`, `render MODEL` and `info MODEL` end to end: the glTF
// example made in the tree and a model without a camera, rendered with
// outlines and framed; keyed cameras and lights; existing files kept; the
// outline hints.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>
#include <nlohmann/json.hpp>

#include "minihost/cli/import_command.h"
#include "minihost/cli/info_command.h"
#include "minihost/cli/outline_hints.h"
#include "minihost/cli/render_command.h"
#include "minihost/scene/scene_loader.h"

namespace {

namespace fs = std::filesystem;

const std::string kToys = std::string(QR_SOURCE_DIR) + "/examples/models/toys.gltf";

struct Drawn {
    int dark = 0;                                                // outline pixels
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;  // of everything not background
    int width = 0, height = 0;
};

Drawn drawn(const std::string &png) {
    Drawn d;
    int n = 0;
    unsigned char *px = stbi_load(png.c_str(), &d.width, &d.height, &n, 4);
    if (!px) return d;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const unsigned char *p = px + 4 * (y * d.width + x);
            if (p[3] == 0) continue;
            d.left = std::min(d.left, x), d.right = std::max(d.right, x);
            d.top = std::min(d.top, y), d.bottom = std::max(d.bottom, y);
            d.dark += p[0] < 40 && p[1] < 40 && p[2] < 40;
        }
    stbi_image_free(px);
    return d;
}

TEST(ImportCommand, TheGltfExampleImportsAndRendersOutlinedKeepingExistingFiles) {
    const fs::path dir = fs::temp_directory_path() / ("qr_import_command_" + std::to_string(getpid()));
    fs::create_directories(dir);
    minihost::cli::ImportArgs args;
    args.asset = kToys;
    args.output = (dir / "toys.json").string();
    args.edition = "line";
    std::ostringstream err;
    ASSERT_EQ(minihost::cli::runImport(args, err), 0) << err.str();
    const auto scene = nlohmann::json::parse(std::ifstream(args.output));
    EXPECT_EQ(scene["modules"], nlohmann::json::array({"QM_Quillrim_P"}));
    EXPECT_EQ(scene["pixel_filters"], nlohmann::json::array({"QM_Quillrim_P:Tracer"}));
    EXPECT_EQ(scene["camera"]["name"], "Shot Camera");
    // The animated top makes each node an object of its own.
    ASSERT_EQ(scene["objects"].size(), 3u);
    EXPECT_EQ(scene["objects"][0]["surfaces"]["Floor Tile"]["shaders"],
              nlohmann::json::array({"QM_Quillrim_P:Shader"}));
    EXPECT_NEAR(scene["objects"][2]["surfaces"]["Painted Red"]["color"][0].get<double>(), 0.8, 1e-4);
    EXPECT_EQ(scene["render"]["last_frame"], 25);  // one second at 24 frames per second

    // Where the top stands over the frames follows the file's keys (0.3,
    // 0.6, 0.9 up at 0, 0.5 and 1 s) and its quarter turn about +Y.
    {
        const auto loaded = minihost::loadScene(args.output);
        const minihost::SceneItem *top = loaded->itemNamed("Top");
        ASSERT_NE(top, nullptr);
        const double heights[] = {0.3, 0.6, 0.9};
        for (int k = 0; k < 3; ++k) {
            const auto at = loaded->worldTransform(top->id, loaded->frameTime(1 + 12 * k));
            EXPECT_NEAR(at.offset.x, 1.5, 1e-4);
            EXPECT_NEAR(at.offset.y, heights[k], 1e-4) << "frame " << 1 + 12 * k;
            EXPECT_NEAR(at.offset.z, 0, 1e-4);
        }
        const auto end = loaded->worldTransform(top->id, loaded->frameTime(25));
        EXPECT_NEAR(end.linear.column(2).x, -1,
                    1e-4);  // its +Z turned to -X: the glTF quarter turn, Z turned round
    }

    // The scene written is never replaced unasked, nor is the model.
    const auto size = fs::file_size(args.output);
    EXPECT_EQ(minihost::cli::runImport(args, err), 1);
    EXPECT_NE(err.str().find("exists (--overwrite replaces it)"), std::string::npos) << err.str();
    EXPECT_EQ(fs::file_size(args.output), size);
    minihost::cli::ImportArgs over = args;
    over.overwrite = true;
    over.camera = "Nope";
    EXPECT_EQ(minihost::cli::runImport(over, err), 1);
    EXPECT_NE(err.str().find("toys.gltf: no camera named \"Nope\" (its cameras: Shot Camera)"),
              std::string::npos);
    over.camera.clear();
    over.output = kToys;
    EXPECT_EQ(minihost::cli::runImport(over, err), 1);

    minihost::cli::RenderArgs render;
    render.scene = args.output;
    render.output = (dir / "toys.png").string();
    render.frames = "25";  // the last, with the top risen and turned
    render.quiet = true;
    ASSERT_EQ(minihost::cli::runRender(render, err), 0) << err.str();
    const Drawn fromScene = drawn(render.output);
    EXPECT_GT(fromScene.dark, 300);  // the lines

    // The model rendered as it is draws the same frame as its imported scene.
    render.scene = kToys;
    render.edition = "line";
    render.output = (dir / "direct.png").string();
    ASSERT_EQ(minihost::cli::runRender(render, err), 0) << err.str();
    EXPECT_EQ(drawn(render.output).dark, fromScene.dark);

    std::ostringstream out;
    EXPECT_EQ(minihost::cli::runInfo({kToys}, out, err), 0);
    EXPECT_NE(out.str().find("surface \"Floor Tile\": 12 faces, 24 points"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("camera \"Shot Camera\": at [4, 3, -5]"), std::string::npos) << out.str();
    fs::remove_all(dir);
}

// A glTF file whose camera rides on a keyed parent and turns with keys of its
// own, and whose spot light is keyed: the scene written holds their keys, and
// where they stand over the frames follows the file's keys (Z turned round).
TEST(ImportCommand, KeyedCamerasAndLightsComeInKeyedOverFrames) {
    const fs::path dir = fs::temp_directory_path() / ("qr_import_keyed_views_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "rig.gltf")
        << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0, 2, 3]}],
        "extensionsUsed": ["KHR_lights_punctual"],
        "extensions": {"KHR_lights_punctual": {"lights": [{"name": "Lamp", "type": "spot", "color": [1, 0.5, 0.25],
            "spot": {"innerConeAngle": 0.3, "outerConeAngle": 0.5}}]}},
        "nodes": [{"name": "Rig", "children": [1]},
                  {"name": "Cam", "camera": 0, "translation": [0, 1, 5]},
                  {"name": "Lamp", "translation": [0, 3, 0], "rotation": [-0.70710678, 0, 0, 0.70710678],
                   "extensions": {"KHR_lights_punctual": {"light": 0}}},
                  {"name": "Tri", "mesh": 0}],
        "cameras": [{"name": "Cam", "type": "perspective",
                     "perspective": {"yfov": 0.6, "aspectRatio": 1.5, "znear": 0.1}}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
        "animations": [{"samplers": [{"input": 1, "output": 2}, {"input": 1, "output": 3}, {"input": 1, "output": 4}],
            "channels": [{"sampler": 0, "target": {"node": 0, "path": "translation"}},
                         {"sampler": 1, "target": {"node": 1, "path": "rotation"}},
                         {"sampler": 2, "target": {"node": 2, "path": "translation"}}]}],
        "accessors": [
            {"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
            {"bufferView": 0, "byteOffset": 36, "componentType": 5126, "count": 2, "type": "SCALAR", "min": [0], "max": [1]},
            {"bufferView": 0, "byteOffset": 44, "componentType": 5126, "count": 2, "type": "VEC3"},
            {"bufferView": 0, "byteOffset": 68, "componentType": 5126, "count": 2, "type": "VEC4"},
            {"bufferView": 0, "byteOffset": 100, "componentType": 5126, "count": 2, "type": "VEC3"}],
        "bufferViews": [{"buffer": 0, "byteLength": 124}],
        "buffers": [{"byteLength": 124, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAAAABAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAIA/AAAAAPMENT8AAAAA8wQ1PwAAAAAAAEBAAAAAAAAAAAAAAEBAAACAwA=="}]})";
    minihost::cli::ImportArgs args;
    args.asset = (dir / "rig.gltf").string();
    args.output = (dir / "rig.json").string();
    std::ostringstream err;
    ASSERT_EQ(minihost::cli::runImport(args, err), 0) << err.str();
    const auto written = nlohmann::json::parse(std::ifstream(args.output));
    EXPECT_EQ(written["render"]["last_frame"], 25);  // the mesh is still; the shot is the camera's second
    EXPECT_EQ(written["camera"]["keys"].size(), 25u);
    EXPECT_EQ(written["lights"][0]["keys"].size(), 25u);
    EXPECT_EQ(written["objects"].size(), 1u);

    const auto loaded = minihost::loadScene(args.output);
    const minihost::SceneItem *cam = loaded->itemNamed("Cam"), *lamp = loaded->itemNamed("Lamp");
    ASSERT_NE(cam, nullptr);
    ASSERT_NE(lamp, nullptr);
    for (const int frame : {1, 7, 13, 25}) {
        const double t = (frame - 1) / 24.0;
        const auto c = loaded->worldTransform(cam->id, loaded->frameTime(frame));
        EXPECT_NEAR(c.offset.x, 2 * t, 1e-4) << "frame " << frame;  // the rig's keys, 0 to 2 along +X
        EXPECT_NEAR(c.offset.y, 1, 1e-4);
        EXPECT_NEAR(c.offset.z, -5, 1e-4);
        const auto l = loaded->worldTransform(lamp->id, loaded->frameTime(frame));
        EXPECT_NEAR(l.offset.y, 3, 1e-4);
        EXPECT_NEAR(l.offset.z, 4 * t, 1e-4) << "frame " << frame;  // 0 to -4 along the file's Z
        EXPECT_NEAR(l.linear.column(2).y, -1, 1e-4);                // it shines down throughout
    }
    // The camera looks along the file's -Z (+Z here) at first, and after its
    // quarter turn about +Y along -X, upright throughout.
    const auto first = loaded->worldTransform(cam->id, loaded->frameTime(1));
    const auto end = loaded->worldTransform(cam->id, loaded->frameTime(25));
    EXPECT_NEAR(first.linear.column(2).z, 1, 1e-4);
    EXPECT_NEAR(end.linear.column(2).x, -1, 1e-4);
    EXPECT_NEAR(end.linear.column(1).y, 1, 1e-4);
    fs::remove_all(dir);
}

TEST(ImportCommand, AModelWithoutCameraIsFramedWhole) {
    const fs::path dir = fs::temp_directory_path() / ("qr_import_framing_" + std::to_string(getpid()));
    fs::create_directories(dir);
    // A tall, thin wedge far from the origin, in an ASCII STL file.
    std::ofstream(dir / "wedge.stl") << "solid wedge\n"
                                        " facet normal 0 0 1\n  outer loop\n"
                                        "   vertex 100 50 20\n   vertex 101 50 20\n   vertex 100 58 20\n"
                                        "  endloop\n endfacet\n"
                                        " facet normal 1 0 0\n  outer loop\n"
                                        "   vertex 100 50 20\n   vertex 100 58 20\n   vertex 100 50 19\n"
                                        "  endloop\n endfacet\n"
                                        "endsolid wedge\n";
    minihost::cli::RenderArgs render;
    render.scene = (dir / "wedge.stl").string();
    render.edition = "line";
    render.output = (dir / "wedge.png").string();
    render.quiet = true;
    std::ostringstream err;
    ASSERT_EQ(minihost::cli::runRender(render, err), 0) << err.str();
    const Drawn d = drawn(render.output);
    ASSERT_GE(d.right, 0) << "nothing drawn";
    // In view, and not lost in a corner: clear of every border, a good share of the frame.
    EXPECT_GT(d.left, 0);
    EXPECT_GT(d.top, 0);
    EXPECT_LT(d.right, d.width - 1);
    EXPECT_LT(d.bottom, d.height - 1);
    EXPECT_GT(d.bottom - d.top, d.height / 3);
    fs::remove_all(dir);
}

TEST(ImportCommand, OutlineHintsNameWhatIsMissing) {
    const auto hints = [](const std::string &uses) {
        const auto scene = minihost::loadSceneText(
            R"({"camera": {}, "objects": [{"name": "B", "primitive": {"type": "box", "surface": "Paint"},
                "surfaces": {"Paint": {"shaders": )" +
                uses,
            "hints.json");
        return minihost::cli::outlineHints(*scene);
    };
    auto h = hints(R"(["QM_Quillrim_S:Shader"]}}}]})");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_NE(
        h[0].find("add \"QM_Quillrim_S:TraceStep1\" to \"pixel_filters\" and \"QM_Quillrim_S:TraceStep2\" to "
                  "\"image_filters\""),
        std::string::npos)
        << h[0];
    h = hints(R"([]}}}], "pixel_filters": ["QM_Quillrim_P:Tracer"]})");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_NE(h[0].find("no surface has \"QM_Quillrim_P:Shader\""), std::string::npos) << h[0];
    EXPECT_TRUE(hints(R"(["QM_Quillrim_P:Shader"]}}}], "pixel_filters": ["QM_Quillrim_P:Tracer"]})").empty());
}

}  // namespace
