// Outputs that are not regular files: a FIFO or a folder is refused by every
// command that writes, a character device is written in place and never
// renamed over, and a mesh's material file counts among the scene's inputs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "minihost/cli/render_command.h"
#include "minihost/cli/shader_util_command.h"
#include "minihost/states/file_io.h"

namespace {

namespace fs = std::filesystem;

class OutputTargets : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_output_targets_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "folder.png");
        ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0644), 0);
        // A link to the null device: replacing the link shows what replacing
        // the device would have been, without touching the system's one.
        fs::create_symlink("/dev/null", dir / "null.png");
        std::ofstream(dir / "tri.obj") << "mtllib tri.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n";
        std::ofstream(dir / "tri.mtl") << "newmtl Red\nKd 1 0 0\n";
        std::ofstream(dir / "scene.json")
            << R"({"render": {"width": 32, "height": 24}, "camera": {"position": [0, 0, -4]},
                   "objects": [{"name": "T", "mesh": "tri.obj"}]})";
    }
    void TearDown() override { fs::remove_all(dir); }

    int render(const std::function<void(minihost::cli::RenderArgs &)> &more) {
        minihost::cli::RenderArgs args;
        args.scene = (dir / "scene.json").string();
        args.output = (dir / "out.png").string();
        args.quiet = true;
        more(args);
        log.str("");
        return minihost::cli::runRender(args, log);
    }
    bool untouched() const {
        return fs::is_fifo(dir / "fifo.png") && fs::is_directory(dir / "folder.png") &&
               fs::is_symlink(dir / "null.png") && fs::is_character_file("/dev/null") &&
               fs::file_size(dir / "tri.mtl") == 20u;
    }

    fs::path dir;
    std::ostringstream log;
};

TEST_F(OutputTargets, FifosFoldersAndMaterialFilesAreRefusedAndDevicesWrittenInPlace) {
    const std::string fifo = (dir / "fifo.png").string(), folder = (dir / "folder.png").string(),
                      mtl = (dir / "tri.mtl").string(), null = (dir / "null.png").string();
    for (const std::string &target : {fifo, folder, mtl}) {
        EXPECT_EQ(render([&](auto &a) { a.output = target; }), 1) << target;
        EXPECT_EQ(render([&](auto &a) { a.report = target; }), 1) << target;
        EXPECT_EQ(render([&](auto &a) { a.saveScene = target; }), 1) << target;
        ASSERT_TRUE(untouched()) << target;
    }
    EXPECT_NE(log.str().find("names an input of the scene"), std::string::npos) << log.str();
    EXPECT_EQ(render([&](auto &a) { a.output = fifo; }), 1);
    EXPECT_NE(log.str().find(fifo + ": the output is a FIFO, not a regular file"), std::string::npos)
        << log.str();
    // A frame pattern's files are checked one by one.
    fs::create_directories(dir / "f.0002.png");
    EXPECT_EQ(render([&](auto &a) {
                  a.output = (dir / "f.####.png").string();
                  a.frames = "1-2";
              }),
              1);
    EXPECT_FALSE(fs::exists(dir / "f.0001.png"));

    // The device takes the image, the report and the scene, and stays.
    EXPECT_EQ(render([&](auto &a) { a.output = null; }), 0) << log.str();
    EXPECT_EQ(render([&](auto &a) { a.report = null; }), 0) << log.str();
    EXPECT_EQ(render([&](auto &a) { a.saveScene = null; }), 0) << log.str();
    EXPECT_TRUE(untouched());

    minihost::cli::ShaderUtilArgs util;
    util.module = QR_MODULE_P;
    util.scene = (dir / "scene.json").string();
    for (const std::string &target : {fifo, folder, mtl}) {
        util.output = target;
        EXPECT_EQ(minihost::cli::runShaderUtil(util, log), 1) << target;
        ASSERT_TRUE(untouched()) << target;
    }

    // Presets and other saved data through "File IO".
    FileIOFuncs *io = minihost::fileIORecord();
    minihost::clearFileIOError();
    EXPECT_EQ(io->openSave(fifo.c_str(), IO_MODE_TEXT), nullptr);
    EXPECT_NE(minihost::lastFileIOError().find("a FIFO, not a regular file"), std::string::npos);
    EXPECT_EQ(io->openSave(folder.c_str(), IO_MODE_BINARY), nullptr);
    minihost::clearFileIOError();
    SaveState *save = io->openSave(null.c_str(), IO_MODE_TEXT);
    ASSERT_NE(save, nullptr);
    save->writeStr(save->writeData, "into the device");
    io->closeSave(save);
    EXPECT_EQ(minihost::lastFileIOError(), "");
    EXPECT_TRUE(untouched());
    for (const auto &entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().filename().string().rfind(".qr-", 0), 0u)
            << "temporary left: " << entry.path();
}

TEST_F(OutputTargets, ARunRefusedBeforeItsFirstFrameStillLeavesAReport) {
    const fs::path report = dir / "run.json";
    const auto failedWith = [&](const std::string &error) {
        const auto run = nlohmann::json::parse(std::ifstream(report));
        EXPECT_EQ(run["state"], "failed");
        EXPECT_EQ(run["exit_status"], 1);
        EXPECT_NE(run["error"].get<std::string>().find(error), std::string::npos) << run.dump();
        fs::remove(report);
    };
    EXPECT_EQ(render([&](auto &a) {
                  a.report = report.string();
                  a.output = (dir / "missing" / "out.png").string();
              }),
              1);
    failedWith("no such folder for the output");
    std::ofstream(dir / "bad.json") << R"({"render": {"width": -3}})";
    EXPECT_EQ(render([&](auto &a) {
                  a.report = report.string();
                  a.scene = (dir / "bad.json").string();
              }),
              1);
    failedWith("bad.json:1:");
    EXPECT_EQ(render([&](auto &a) {
                  a.report = report.string();
                  a.frames = "4-1";
              }),
              1);
    failedWith("4-1");
    // An earlier run's report is replaced; a file the scene reads is not,
    // not even when the run fails before the scene says what it reads.
    EXPECT_EQ(render([&](auto &a) { a.report = report.string(); }), 0) << log.str();
    EXPECT_EQ(render([&](auto &a) {
                  a.report = report.string();
                  a.frames = "x";
              }),
              1);
    failedWith("x");
    EXPECT_EQ(render([&](auto &a) {
                  a.report = (dir / "tri.obj").string();
                  a.frames = "x";
              }),
              1);
    EXPECT_EQ(render([&](auto &a) { a.report = (dir / "tri.mtl").string(); }), 1);
    EXPECT_EQ(render([&](auto &a) { a.report = a.scene; }), 1);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(fs::file_size(dir / "tri.obj"), 58u);
}

}  // namespace
