// Modules come from trusted folders only: a module planted beside a scene,
// under the name of a real one or named by path, is not loaded (not even its
// constructor runs) unless the user allows scene modules; the environment's
// folder list is searched after --module-path, and `minihost info` says
// where each module lies.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "minihost/cli/info_command.h"
#include "minihost/cli/render_command.h"
#include "minihost/files/module_search.h"

namespace {

namespace fs = std::filesystem;

class ModuleTrust : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_module_trust_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "mods");
        fs::create_directories(dir / "env");
        const fs::path planted = fs::path(QR_TEST_PLUGIN_DIR) / "fixture_planted.so";
        fs::copy_file(planted, dir / "QM_Quillrim_S.so");
        fs::copy_file(planted, dir / "mods" / "QM_Quillrim_S.so");
        fs::create_symlink(QR_MODULE_S, dir / "env" / "QM_FromEnvironment.so");
        ::setenv("QR_PLANTED_MARKER", (dir / "marker").c_str(), 1);
        const std::string rest =
            R"(, "render": {"width": 16, "height": 12}, "camera": {"position": [0, 0, -4]},
            "objects": [{"name": "Box", "primitive": {"type": "box"}}],
            "pixel_filters": ["QM_Quillrim_S:TraceStep1"]})";
        std::ofstream(dir / "by_name.json") << R"({"modules": ["QM_Quillrim_S"])" << rest;
        std::ofstream(dir / "by_path.json") << R"({"modules": ["mods/QM_Quillrim_S.so"])" << rest;
        std::ofstream(dir / "from_env.json")
            << R"({"modules": ["QM_FromEnvironment"])"
            << R"(, "render": {"width": 16, "height": 12}, "camera": {"position": [0, 0, -4]},
                   "objects": [{"name": "Box", "primitive": {"type": "box"}}],
                   "pixel_filters": ["QM_Quillrim_S:TraceStep1"]})";
    }
    void TearDown() override {
        ::unsetenv("QR_PLANTED_MARKER");
        ::unsetenv(minihost::kModulePathVariable);
        minihost::setModuleSearchPath({});
        minihost::setSceneModulesAllowed(false);
        fs::remove_all(dir);
    }

    int render(const std::string &scene, const std::function<void(minihost::cli::RenderArgs &)> &more = {}) {
        minihost::cli::RenderArgs args;
        args.scene = (dir / scene).string();
        args.output = (dir / "out.png").string();
        args.quiet = true;
        if (more) more(args);
        log.str("");
        return minihost::cli::runRender(args, log);
    }

    fs::path dir;
    std::ostringstream log;
};

TEST_F(ModuleTrust, PlantedModulesLoadOnlyWhenAllowedAndTheEnvironmentAddsFolders) {
    // By name: the build's module, never the one beside the scene.
    EXPECT_EQ(render("by_name.json"), 0) << log.str();
    EXPECT_FALSE(fs::exists(dir / "marker"));
    // By path into the scene's own folder: refused before anything loads.
    EXPECT_EQ(render("by_path.json"), 1);
    EXPECT_NE(log.str().find("module \"mods/QM_Quillrim_S.so\" lies outside the trusted module folders"),
              std::string::npos)
        << log.str();
    EXPECT_FALSE(fs::exists(dir / "marker"));
    // --module-path makes the folder trusted, as the user said.
    EXPECT_NE(render("by_path.json", [&](auto &a) { a.modulePaths = {(dir / "mods").string()}; }), 0);
    EXPECT_TRUE(fs::exists(dir / "marker"));
    fs::remove(dir / "marker");
    // Allowed: the scene's folder comes first.
    EXPECT_NE(render("by_name.json", [](auto &a) { a.allowSceneModules = true; }), 0);
    EXPECT_TRUE(fs::exists(dir / "marker"));
    fs::remove(dir / "marker");

    // The environment's folders, after --module-path.
    EXPECT_EQ(render("from_env.json"), 1);
    ::setenv(minihost::kModulePathVariable,
             (":" + (dir / "nowhere").string() + ":" + (dir / "env").string()).c_str(), 1);
    EXPECT_EQ(render("from_env.json"), 0) << log.str();
    std::ostringstream out, err;
    fs::create_directories(dir / "lib");
    minihost::setModuleSearchPath({(dir / "lib").string()});
    EXPECT_EQ(minihost::cli::runModuleListing(out, err), 1);  // "nowhere" does not exist
    const std::string listing = out.str();
    const auto at = [&](const std::string &text) { return listing.find(text); };
    EXPECT_LT(at((dir / "lib").string() + " (--module-path):\n  no modules"),
              at((dir / "env").string() + " (QUILLRIM_MODULE_PATH):"))
        << listing;
    EXPECT_LT(at("(QUILLRIM_MODULE_PATH):\n  QM_FromEnvironment"), at("(beside minihost):")) << listing;
    EXPECT_NE(err.str().find((dir / "nowhere").string() + " (QUILLRIM_MODULE_PATH): no such folder"),
              std::string::npos)
        << err.str();
}

}  // namespace
