// End to end through the command line's functions: the line edition's
// example preset applied to every surface of a scene, the scene saved and
// rendered, and the preset's blue lines found in the image.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "minihost/cli/render_command.h"
#include "minihost/cli/shader_util_command.h"
#include "minihost/cli/show_data_command.h"

namespace {

namespace fs = std::filesystem;

TEST(ShaderUtilCommand, AppliedPresetDrawsItsLineColour) {
    const fs::path dir = fs::temp_directory_path() / ("qr_shader_util_command_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string scene = (dir / "scene.json").string(), saved = (dir / "blue.json").string();
    std::ofstream(scene) << R"({"render": {"width": 64, "height": 48, "background": [1, 1, 1]},
        "modules": [")" << QR_MODULE_P
                         << R"("], "camera": {"position": [0, 0, -6]},
        "lights": [{"type": "distant", "rotation": [20, 30, 0]}],
        "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "Paint"}},
                    {"name": "Crate", "position": [1.5, 0, 1], "primitive": {"type": "box"}}],
        "pixel_filters": ["QM_Quillrim_P:Tracer"]})";

    minihost::cli::ShaderUtilArgs args;
    args.module = QR_MODULE_P;
    args.scene = scene;
    args.output = scene;
    args.preset = std::string(QR_SOURCE_DIR) + "/examples/thin_blue_technical.qvy";
    std::ostringstream err;
    EXPECT_EQ(minihost::cli::runShaderUtil(args, err), 1);  // never over the input unasked
    // Nor over any other input of the scene, even with --overwrite.
    const std::string mesh = (dir / "tri.obj").string(), meshScene = (dir / "mesh.json").string();
    std::ofstream(mesh) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    std::ofstream(meshScene) << R"({"camera": {"position": [0, 0, -6]}, "objects": [{"name": "T", "mesh": ")"
                             << mesh << R"("}]})";
    minihost::cli::ShaderUtilArgs overMesh = args;
    overMesh.scene = meshScene;
    overMesh.output = mesh;
    overMesh.overwrite = true;
    EXPECT_EQ(minihost::cli::runShaderUtil(overMesh, err), 1);
    EXPECT_EQ(fs::file_size(mesh), 32u);
    args.output = saved;
    ASSERT_EQ(minihost::cli::runShaderUtil(args, err), 0) << err.str();
    EXPECT_NE(err.str().find("2 shaders added, 0 removed, 0 not done"), std::string::npos) << err.str();

    std::ostringstream data;
    EXPECT_EQ(minihost::cli::runShowData({saved}, data, err), 0);
    EXPECT_NE(data.str().find("Crate/Crate/0: QM_Quillrim_P:Shader"), std::string::npos) << data.str();

    minihost::cli::RenderArgs render;
    render.scene = saved;
    render.output = (dir / "blue.png").string();
    render.quiet = true;
    ASSERT_EQ(minihost::cli::runRender(render, err), 0) << err.str();
    int w = 0, h = 0, n = 0;
    unsigned char *px = stbi_load(render.output.c_str(), &w, &h, &n, 3);
    ASSERT_NE(px, nullptr);
    int blue = 0;  // line pixels: clearly blue, as the preset's colour
    for (int i = 0; i < w * h; ++i)
        blue += px[3 * i + 2] > 120 && px[3 * i + 2] > px[3 * i] + 60 && px[3 * i + 2] > px[3 * i + 1] + 30;
    stbi_image_free(px);
    EXPECT_GT(blue, 40);
    fs::remove_all(dir);
}

}  // namespace
