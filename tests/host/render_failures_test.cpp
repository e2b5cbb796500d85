// Failures of memory during `minihost render`, in both editions: each
// render-memory block refused in turn, a hostile oversampling factor, a frame
// too large for the machine. The frame is still written without the module's
// work, beside its own name as a failure, the run ends with the module-error
// status, and the reasons are repeated at the end; a re-run that skips
// existing frames renders it again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "minihost/cli/module_errors.h"
#include "minihost/cli/render_command.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/system_memory.h"

namespace {

namespace fs = std::filesystem;

std::string sceneText(bool stroke, const std::string &render, const std::string &tracerSettings = "{}") {
    const std::string ed = stroke ? "QM_Quillrim_S" : "QM_Quillrim_P";
    const std::string filters = stroke ? R"("pixel_filters": [{"server": "QM_Quillrim_S:TraceStep1",
                                             "settings": )" +
                                             tracerSettings + R"(}],
                                          "image_filters": ["QM_Quillrim_S:TraceStep2"])"
                                       : R"("pixel_filters": ["QM_Quillrim_P:Tracer"])";
    return R"({"render": )" + render + R"(, "camera": {"position": [0, 0, -4]},
      "modules": [")" +
           (stroke ? QR_MODULE_S : QR_MODULE_P) +
           R"("], "objects": [{"name": "Box", "primitive": {"type": "box", "surface": "Clay"},
        "rotation": [30, 20, 0], "surfaces": {"Clay": {"shaders": [")" +
           ed + R"(:Shader"]}}}], )" + filters + "}";
}

class RenderFailures : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_render_failures_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        minihost::setRenderMemoryCreateFailsFor("");
        minihost::setAvailableMemoryForTests(0);
        fs::remove_all(dir);
    }

    int run(const std::string &text, const std::string &out, std::string &messages,
            bool skipExisting = false) {
        std::ofstream(dir / "scene.json") << text;
        minihost::cli::RenderArgs args;
        args.scene = (dir / "scene.json").string();
        args.output = (dir / out).string();
        args.report = (dir / "run.json").string();
        args.skipExisting = skipExisting;
        args.quiet = true;
        std::ostringstream err;
        const int status = minihost::cli::runRender(args, err);
        messages = err.str();
        return status;
    }

    static std::string bytes(const fs::path &file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static size_t count(const std::string &text, const std::string &what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    fs::path dir;
};

TEST_F(RenderFailures, EachRenderMemoryBlockRefusedInTurnPassesTheFrameThrough) {
    const std::string render = R"({"width": 24, "height": 18})";
    for (const bool stroke : {true, false}) {
        const std::string prefix = stroke ? "QM's Quillrim_S " : "QM's Quillrim_P ";
        std::vector<std::string> blocks = {prefix + "STINFO"};
        for (int i = 1; i <= (stroke ? 6 : 5); ++i)
            blocks.push_back(prefix + "STINFO:Buff" + std::to_string(i));
        if (stroke) blocks.push_back(prefix + "PixelData");

        std::string messages;
        ASSERT_EQ(run(sceneText(stroke, render), "whole.png", messages), 0) << messages;
        std::string passedThrough;
        for (const std::string &block : blocks) {
            minihost::setRenderMemoryCreateFailsFor(block);
            EXPECT_EQ(run(sceneText(stroke, render), "failed.png", messages),
                      minihost::cli::kModuleErrorStatus)
                << block;
            EXPECT_EQ(count(messages, "refused block \"" + block + "\""), 1u) << messages;
            const bool buffer = stroke && block.find("Buff") != std::string::npos;
            EXPECT_EQ(count(messages, "error from QM_Quillrim_S: Not enough memory for temporary buffer."),
                      buffer ? 1u : 0u)
                << messages;
            // Every failure leaves the same frame: the render without lines,
            // never under the frame's own name.
            EXPECT_FALSE(fs::exists(dir / "failed.png")) << block;
            const std::string image = bytes(dir / "failed.failed.png");
            if (passedThrough.empty()) passedThrough = image;
            EXPECT_EQ(image, passedThrough) << block;
            EXPECT_NE(image, bytes(dir / "whole.png")) << block;
        }
        minihost::setRenderMemoryCreateFailsFor("");
    }
}

TEST_F(RenderFailures, HostileOversamplingAndHugeFramesAreRefusedByMemory) {
    // aa_sample 100: a grid of 101 x 101 cells per pixel, whose buffers the
    // (here small) machine cannot give.
    minihost::setAvailableMemoryForTests(16u << 20);
    std::string messages;
    EXPECT_EQ(
        run(sceneText(true, R"({"width": 16, "height": 16})", R"({"aa_sample": 100})"), "aa.png", messages),
        minihost::cli::kModuleErrorStatus);
    EXPECT_EQ(count(messages, "Not enough memory for temporary buffer."), 1u) << messages;
    EXPECT_TRUE(fs::exists(dir / "aa.failed.png"));
    EXPECT_FALSE(fs::exists(dir / "aa.png"));

    EXPECT_EQ(run(sceneText(true, R"({"width": 4096, "height": 4096})"), "big.png", messages),
              minihost::cli::kModuleErrorStatus);
    EXPECT_NE(bytes(dir / "run.json").find(R"("status": "failed")"), std::string::npos);
    EXPECT_NE(messages.find("a frame of 4096 x 4096 pixels needs 384 MB, more than the 16 MB"),
              std::string::npos)
        << messages;
    EXPECT_FALSE(fs::exists(dir / "big.png"));
}

TEST_F(RenderFailures, AFrameWhoseModuleFailedIsRenderedAgainBySkipExisting) {
    const std::string scene = sceneText(true, R"({"width": 24, "height": 18})");
    std::string messages;
    minihost::setRenderMemoryCreateFailsFor("QM's Quillrim_S STINFO:Buff1");
    ASSERT_EQ(run(scene, "f.png", messages), minihost::cli::kModuleErrorStatus) << messages;
    EXPECT_NE(messages.find("wrote " + (dir / "f.failed.png").string()), std::string::npos) << messages;
    EXPECT_NE(bytes(dir / "run.json").find(R"("failed_file": ")" + (dir / "f.failed.png").string()),
              std::string::npos)
        << bytes(dir / "run.json");
    minihost::setRenderMemoryCreateFailsFor("");
    ASSERT_EQ(run(scene, "f.png", messages, true), 0) << messages;
    EXPECT_EQ(messages.find("exist already"), std::string::npos) << messages;
    EXPECT_TRUE(fs::exists(dir / "f.png"));
    EXPECT_NE(bytes(dir / "run.json").find(R"("status": "done")"), std::string::npos);
    ASSERT_EQ(run(scene, "f.png", messages, true), 0) << messages;
    EXPECT_NE(messages.find("1 of 1 frames exist already"), std::string::npos) << messages;
}

}  // namespace
