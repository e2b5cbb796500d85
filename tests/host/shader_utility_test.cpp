// The shader utility through the loaded line edition: its dialog, the
// commands it issues and minihost carrying them out on the scene, with
// presets, selections, cancel, removal and names too long for a command.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "minihost/core/loader.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/servers/server_settings.h"
#include "minihost/servers/surface_commands.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "tests/host/edge_shader_fixture.h"

namespace {

namespace fs = std::filesystem;
using minihost::PanelAnswer;

const std::string kShader = "QM_Quillrim_P:Shader";

// A mesh of one triangle per surface, with its material file.
void writeMesh(const fs::path &file, const std::vector<std::string> &surfaces) {
    std::ofstream mtl(file.string() + ".mtl"), obj(file);
    obj << "mtllib " << file.filename().string() << ".mtl\n";
    for (size_t i = 0; i < surfaces.size(); ++i) {
        mtl << "newmtl " << surfaces[i] << "\n";
        obj << "v " << i << " 0 0\nv " << i << " 1 0\nv " << i + 1 << " 0 0\nusemtl " << surfaces[i] << "\nf "
            << 3 * i + 1 << " " << 3 * i + 2 << " " << 3 * i + 3 << "\n";
    }
}

class UtilityScene {
public:
    // Objects as {name, mesh file, selected}; the light "Lamp" selected on request.
    UtilityScene(const std::string &objects, bool lampSelected = false) {
        minihost::installCoreServices();
        minihost::clearRecordedPanels();
        const std::string text = R"({"camera": {"position": [0, 0, -5]}, "modules": [")" +
                                 std::string(QR_MODULE_P) +
                                 R"("], "lights": [{"name": "Lamp", "selected": )" +
                                 (lampSelected ? "true" : "false") + R"(}], "objects": [)" + objects + "]}";
        scene_ = minihost::loadSceneText(text, (dir() / "utility.json").string());
        minihost::installSceneServices(*scene_);
        servers_ = std::make_unique<minihost::ServerSet>();
        servers_->build(*scene_);
        commands_ = std::make_unique<minihost::SurfaceCommands>(*scene_, *servers_);
    }
    ~UtilityScene() {
        commands_.reset();
        servers_.reset();
        minihost::discardRenderMemory();
        minihost::removeSceneServices();
    }

    // One folder per process: test processes run side by side.
    static fs::path dir() {
        static const struct Folder {
            fs::path path = fs::temp_directory_path() / ("qr_utility_test_" + std::to_string(getpid()));
            Folder() { fs::create_directories(path); }
            ~Folder() {
                std::error_code ec;
                fs::remove_all(path, ec);
            }
        } folder;
        static const fs::path d = [] {
            const fs::path p = folder.path;
            writeMesh(p / "three.obj", {"A", "B", "C"});
            writeMesh(p / "two.obj", {"D", "E"});
            writeMesh(p / "TWO.OBJ", {"D", "E"});
            writeMesh(p / "long.obj", {std::string(1100, 'S'), "F"});
            return p;
        }();
        return d;
    }

    // Runs the utility with the dialog answered so; returns the commands.
    std::vector<std::string> run(PanelAnswer answer) {
        minihost::scriptNextOpen(std::move(answer));
        minihost::LoadedModule &module = servers_->moduleFor(QR_MODULE_P);
        EXPECT_EQ(module.activate(CLASS_LAYOUT_GENERIC, "QM_Quillrim_P:ShaderUtil", GENERIC_VERSION,
                                  commands_->record()),
                  AFUNC_OK);
        std::vector<std::string> out;
        for (const auto &e : commands_->log()) out.push_back(e.command + (e.done ? "" : " (refused)"));
        return out;
    }

    minihost::Scene &scene() { return *scene_; }
    minihost::ServerSet &servers() { return *servers_; }
    minihost::SurfaceCommands &commands() { return *commands_; }
    int shaderCount() {
        int n = 0;
        for (const auto *s : scene_->allSurfaces()) n += static_cast<int>(s->shaders.size());
        return n;
    }
    // Whether the live uses are indexed like the scene's: an instance for
    // each shader of every surface, pointing at its own entry.
    bool liveFollowsScene() const {
        const minihost::LiveUses &live = servers_->live();
        if (live.shaders.size() != scene_->objects.size()) return false;
        for (size_t o = 0; o < scene_->objects.size(); ++o) {
            const auto &surfaces = scene_->objects[o]->surfaces;
            if (live.shaders[o].size() != surfaces.size()) return false;
            for (size_t s = 0; s < surfaces.size(); ++s) {
                if (live.shaders[o][s].size() != surfaces[s]->shaders.size()) return false;
                for (size_t k = 0; k < surfaces[s]->shaders.size(); ++k)
                    if (live.shaders[o][s][k].use != &surfaces[s]->shaders[k] ||
                        !live.shaders[o][s][k].instance)
                        return false;
            }
        }
        return true;
    }
    int64_t matId(const minihost::ServerUse &use) {
        return shadertest::savedInt(
            shadertest::savedParam(shadertest::parsed(servers_->savedData(use)), "mat_id"));
    }

private:
    std::unique_ptr<minihost::Scene> scene_;
    std::unique_ptr<minihost::ServerSet> servers_;
    std::unique_ptr<minihost::SurfaceCommands> commands_;
};

std::string object(const std::string &name, const std::string &mesh, bool selected = false) {
    return R"({"name": ")" + name + R"(", "mesh": ")" + mesh + R"(", "selected": )" +
           (selected ? "true" : "false") + "}";
}

PanelAnswer answer(int target, int action, const std::string &preset = "") {
    return PanelAnswer::confirm()
        .set("Target object : ", target)
        .set("Shader action : ", action)
        .set("Preset : ", preset);
}

TEST(ShaderUtility, AllAppliesTwoCommandsPerSurfaceInOrderThenRemoves) {
    UtilityScene s(object("Tri", "three.obj") + "," + object("Duo", "two.obj"));
    EXPECT_EQ(s.run(answer(0, 0)),
              (std::vector<std::string>{"Surf_SetSurf A Tri", "Surf_AddShader " + kShader,
                                        "Surf_SetSurf B Tri", "Surf_AddShader " + kShader,
                                        "Surf_SetSurf C Tri", "Surf_AddShader " + kShader,
                                        "Surf_SetSurf D Duo", "Surf_AddShader " + kShader,
                                        "Surf_SetSurf E Duo", "Surf_AddShader " + kShader}));
    EXPECT_EQ(s.shaderCount(), 5);
    EXPECT_TRUE(s.liveFollowsScene());
    const auto panels = minihost::recordedPanels();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_EQ(
        minihost::panelText(panels[0]),
        "panel \"QM's Quill-Rim (Grade-P) version 0.16a\" (destroyed)\n"
        "  [0] ChoiceControl \"Target object : \" at (23, 0) horizontal items \"All\" \"Selected\" value 0\n"
        "  [1] ChoiceControl \"Shader action : \" at (21, 24) horizontal items \"Apply\" \"Remove\" value 0\n"
        "  [2] AreaControl \"\" at (8, 52) size 280 x 1\n"
        "  [3] FileControl \"Preset : \" at (8, 60) width 40 value \"\"\n"
        "  opened with flags 7: confirmed\n");
    s.run(answer(0, 1));
    EXPECT_EQ(s.shaderCount(), 0);  // each removal destroyed its instance
    EXPECT_EQ(s.commands().removed(), 5);
    EXPECT_TRUE(s.liveFollowsScene());
    EXPECT_TRUE(s.servers().uses().empty());
}

TEST(ShaderUtility, LiveUsesFollowASurfaceWhoseListMoves) {
    UtilityScene s(object("Tri", "three.obj"));
    minihost::SceneSurface &b = *s.scene().allSurfaces()[1];
    for (int i = 0; i < 5; ++i) s.servers().addShader(b, kShader);  // the list grows and moves
    EXPECT_TRUE(s.liveFollowsScene());
    EXPECT_TRUE(s.servers().removeShader(b, kShader));
    EXPECT_TRUE(s.liveFollowsScene());
    EXPECT_EQ(s.servers().shadersOf(b).size(), 4u);
    EXPECT_EQ(s.servers().uses().size(), 4u);
    EXPECT_TRUE(s.servers().shadersOf(*s.scene().allSurfaces()[0]).empty());
    minihost::SceneSurface elsewhere;
    EXPECT_TRUE(s.servers().shadersOf(elsewhere).empty());
    EXPECT_ANY_THROW(s.servers().addShader(elsewhere, kShader));  // not a surface of the scene
}

TEST(ShaderUtility, SelectedMatchesFileNamesWithoutCaseAndIgnoresLights) {
    {
        UtilityScene s(object("Tri", "three.obj") + "," + object("Duo", "two.obj"), true);
        EXPECT_TRUE(s.run(answer(1, 0)).empty());  // only the light is selected
    }
    UtilityScene s(object("Tri", "three.obj") + "," + object("Big", "TWO.OBJ", true) + "," +
                   object("Duo", "two.obj"));
    const auto commands = s.run(answer(1, 0));
    ASSERT_EQ(commands.size(), 8u);  // Big and Duo, whose file differs only in case
    EXPECT_EQ(commands[0], "Surf_SetSurf D Big");
    EXPECT_EQ(commands[4], "Surf_SetSurf D Duo");
}

TEST(ShaderUtility, PresetGoesToEveryShaderAddedButNotToOnesAddedLater) {
    const std::string preset = (UtilityScene::dir() / "id7.qvy").string();
    {
        shadertest::EdgeShaderScene p(shadertest::Ed::Line, R"({"mat_id": 7})");
        std::ofstream(preset, std::ios::binary) << p.save(p.shader(), IO_MODE_BINARY);
    }
    UtilityScene s(object("Tri", "three.obj"));
    s.run(answer(0, 0, preset));
    for (auto *surf : s.scene().allSurfaces()) EXPECT_EQ(s.matId(surf->shaders.at(0)), 7);
    // By hand afterwards: the defaults.
    EXPECT_EQ(s.matId(s.servers().addShader(*s.scene().allSurfaces()[0], kShader)), 0);
}

TEST(ShaderUtility, CancelLongNamesAndRefusedCommandsChangeNothing) {
    UtilityScene s(object("Tri", "three.obj") + "," + object(std::string(1100, 'O'), "two.obj") + "," +
                   object("Long", "long.obj"));
    EXPECT_TRUE(s.run(PanelAnswer::cancel()).empty());
    EXPECT_TRUE(s.run(answer(0, 0, "ignored.qvy")).size() == 8u);  // A, B, C and Long's F
    EXPECT_EQ(s.commands().log()[6].command, "Surf_SetSurf F Long");
    EXPECT_EQ(s.shaderCount(), 4);

    minihost::SurfaceCommands fresh(s.scene(), s.servers());
    for (const char *bad : {"Surf_Frobnicate A Tri", "Surf_AddShader " /* no surface yet */, "Surf_SetSurf",
                            "Surf_SetSurf Z Tri", "Surf_RemShader QM_Quillrim_P:Shader"})
        EXPECT_EQ(fresh.evaluate(bad), 0) << bad;
    EXPECT_EQ(fresh.evaluate("Surf_SetSurf A Tri"), 1);
    EXPECT_EQ(fresh.evaluate("Surf_AddShader NoSuch:Shader"), 0);
    EXPECT_NE(fresh.log()[0].refusal.find("unknown command \"Surf_Frobnicate\""), std::string::npos);
    EXPECT_NE(fresh.log().back().refusal.find("NoSuch:Shader"), std::string::npos);
    EXPECT_EQ(s.shaderCount(), 4);
}

}  // namespace
