// --skip-existing keeps only frames that decode whole: a PNG with a zeroed
// middle or one flipped byte, an OpenEXR file with a flipped byte in its
// compressed data, and a frame of another size are rendered again; whole
// frames in every format are kept.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "minihost/cli/render_command.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class DamagedFrames : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_damaged_frames_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::ifstream in(std::string(QR_TEST_DATA_DIR) + "/scenes/edges_stroke_edition.json");
        scene = Json::parse(in);
        scene["modules"] = {QR_MODULE_S};
        std::ofstream(dir / "scene.json") << scene.dump();
    }
    void TearDown() override { fs::remove_all(dir); }

    // The statuses of the frames of a run with --skip-existing.
    std::vector<std::string> run(const std::string &output, const std::string &frames, bool exrFloat = false,
                                 bool exrStraight = false) {
        minihost::cli::RenderArgs args;
        args.scene = (dir / "scene.json").string();
        args.output = (dir / output).string();
        args.frames = frames;
        args.report = (dir / "run.json").string();
        args.skipExisting = true;
        args.exrFloat = exrFloat;
        args.exrStraight = exrStraight;
        args.quiet = true;
        std::ostringstream err;
        EXPECT_EQ(minihost::cli::runRender(args, err), 0) << err.str();
        std::vector<std::string> statuses;
        const Json report = Json::parse(std::ifstream(dir / "run.json"));
        for (const Json &frame : report["frames"]) statuses.push_back(frame["status"]);
        return statuses;
    }
    void damage(const fs::path &file, const std::function<void(std::string &)> &how) {
        std::string bytes;
        {
            std::ifstream in(file, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        how(bytes);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }

    fs::path dir;
    Json scene;
};

using Statuses = std::vector<std::string>;

TEST_F(DamagedFrames, ZeroedOrFlippedFramesRenderAgainAndWholeOnesAreKept) {
    const auto flipAt = [](double where) {
        return [where](std::string &b) { b[static_cast<std::size_t>(where * b.size())] ^= 0x10; };
    };
    ASSERT_EQ(run("p.####.png", "1-3"), Statuses({"done", "done", "done"}));
    damage(dir / "p.0001.png",
           [](std::string &b) { std::fill(b.begin() + b.size() / 3, b.begin() + 2 * b.size() / 3, '\0'); });
    damage(dir / "p.0002.png", flipAt(0.5));
    EXPECT_EQ(run("p.####.png", "1-3"), Statuses({"done", "done", "skipped"}));

    // Half and 32-bit colour, premultiplied and straight (whose pixel hash is checked too).
    for (const auto &[exrFloat, straight, name] :
         {std::tuple{false, false, "h"}, std::tuple{true, false, "f"}, std::tuple{true, true, "s"}}) {
        const std::string out = std::string(name) + ".####.exr";
        ASSERT_EQ(run(out, "1-2", exrFloat, straight), Statuses({"done", "done"}));
        damage(dir / (std::string(name) + ".0001.exr"), flipAt(0.7));
        EXPECT_EQ(run(out, "1-2", exrFloat, straight), Statuses({"done", "skipped"})) << out;
        EXPECT_EQ(run(out, "1-2", exrFloat, straight), Statuses({"skipped", "skipped"})) << out;
    }

    // A whole frame of another size is not this scene's frame.
    scene["render"]["width"] = scene["render"]["width"].get<int>() + 2;
    std::ofstream(dir / "scene.json") << scene.dump();
    EXPECT_EQ(run("p.####.png", "3"), Statuses({"done"}));
}

}  // namespace
