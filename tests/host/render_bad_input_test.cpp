// Faulty scenes given to `minihost render`: each gives one clear message
// naming the file and the fault, a non-zero result, and leaves an existing
// output file as it was. Aborts stop the render without output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "minihost/cli/render_command.h"
#include "minihost/services/monitor_service.h"
#include "render_test_scene.h"

namespace {

namespace fs = std::filesystem;

class RenderBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_bad_input_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "bad.obj") << "v 0 0 0\nv x 0 0\n";
        output = (dir / "out.png").string();
        std::ofstream(output) << "keep";
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the command on `text` saved as scene.json; returns its messages.
    std::string run(const std::string &text, int expected = 1) {
        const std::string scene = (dir / "scene.json").string();
        std::ofstream(scene) << text;
        minihost::cli::RenderArgs args;
        args.scene = scene;
        args.output = output;
        args.quiet = true;
        std::ostringstream err;
        EXPECT_EQ(minihost::cli::runRender(args, err), expected) << err.str();
        std::ifstream in(output);
        std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (expected != 0) {
            EXPECT_EQ(kept, "keep") << "the output file was touched";
        }
        return err.str();
    }

    fs::path dir;
    std::string output;
};

const char *kCamera = R"("camera": {"position": [0, 0, -5]})";

TEST_F(RenderBadInput, EachFaultIsNamedWithItsFileAndPosition) {
    struct Case {
        std::string scene, expect;
    };
    const std::string mod = rendertest::recorderPath();
    const std::vector<Case> cases = {
        {"{\n  \"render\": {\"width\": 4,\n    \"height\" 3}\n}\n", "scene.json:3:14: syntax error"},
        {"{\"render\": {\"width\": 4}, ", "scene.json:1:26: syntax error"},  // truncated
        {std::string("{") + kCamera + R"(, "objects": [{"name": "A", "mesh": "missing.obj"}]})",
         "missing.obj\": no such mesh file"},
        {std::string("{") + kCamera + R"(, "lights": [{"type": "spot", "projection_image": "nope.png"}]})",
         "nope.png\": no such image file"},
        {std::string("{") + kCamera + R"(, "modules": ["nomodule.so"]})", "nomodule.so"},
        {std::string("{") + kCamera + R"(, "modules": [")" + mod +
             R"("], "image_filters": ["Recorder:Nothing"]})",
         "unknown server \"Recorder:Nothing\" (ImageFilterHandler servers: Recorder:Image)"},
        {std::string("{") + kCamera + R"(, "image_filters": ["Some:Filter"]})",
         "unknown server \"Some:Filter\" (the scene loads no modules)"},
        {std::string("{") + kCamera + R"(, "modules": [")" + mod + R"("],
          "pixel_filters": [{"server": "Recorder:Pixel", "settings": {"probe": 1}}]})",
         "scene.json:2:71: unknown setting \"probe\" for Recorder:Pixel (known: tag, probe_x, probe_y, "
         "paint, gain)"},
        {std::string("{") + kCamera + R"(, "modules": [")" + mod + R"("],
          "pixel_filters": [{"server": "Recorder:Pixel", "settings": {"paint": "yes"}}]})",
         "setting \"paint\" of Recorder:Pixel is an integer (PINT), not \"yes\""},
        {std::string("{") + kCamera + R"(, "render": {"width": 0}})",
         "\"width\" must lie between 1 and 16384"},
        {std::string("{") + kCamera + R"(, "render": {"width": 16000, "height": 16000}})", "is too large"},
        {std::string("{") + kCamera + R"(, "render": {"width": 4.5}})", "\"width\" must be an integer"},
        {R"({"render": {"width": 4}})", "the scene has no camera"},
        {std::string("{") + kCamera + R"(, "objects": [{"name": "A", "primitive": {"type": "cone"}}]})",
         "unknown primitive \"cone\""},
        {std::string("{") + kCamera +
             R"(, "objects": [{"name": "A", "primitive": {"type": "box"}, "parent": "A"}]})",
         "\"A\" is its own ancestor"},
        {std::string("{") + kCamera + R"(, "objects": [{"name": "A", "primitive": {"type": "box"},
          "surfaces": {"Red": {}}}]})",
         "object \"A\" has no surface \"Red\" (its surfaces: A)"},
        {R"({"camera": {"position": [0, 0, -1e19]}})",
         "scene.json:1:13: numbers must lie between -1000000.0 and 1000000.0"},
        {std::string("{") + kCamera +
             R"(, "objects": [{"name": "A", "primitive": {"type": "box"}, "scale": 1e6},
          {"name": "B", "primitive": {"type": "box"}, "parent": "A", "position": [100, 0, 0]}]})",
         "scene.json: frame 1: object \"B\" lies too far from the origin for the renderer's precision"},
        {R"({"camera": {"position": [0, 0, 1000], "parent": "A"},
          "objects": [{"name": "A", "primitive": {"type": "box"}, "scale": 1e6}]})",
         "frame 1: the camera lies too far from the origin"},
        {std::string("{") + kCamera + R"(, "render": {"width": null}})", "\"width\" must be an integer"},
        {"{\"a\": " + std::string(20000, '[') + std::string(20000, ']') + "}",
         "scene.json:1:262: nested deeper than 256 levels"},
        {std::string("{") + kCamera + R"(, "objects": [{"name": "A", "mesh": "bad.obj"}]})",
         "bad.obj\": line 2: \"x\" is not a finite number"},
    };
    for (const auto &c : cases) {
        const std::string message = run(c.scene);
        EXPECT_NE(message.find(c.expect), std::string::npos) << "got: " << message << "\nscene: " << c.scene;
        EXPECT_NE(message.find("scene.json"), std::string::npos) << message;
    }
}

TEST_F(RenderBadInput, MissingSceneAndBadArguments) {
    minihost::cli::RenderArgs args;
    args.scene = (dir / "none.json").string();
    args.output = output;
    args.quiet = true;
    std::ostringstream err;
    EXPECT_EQ(minihost::cli::runRender(args, err), 1);
    EXPECT_NE(err.str().find("none.json: cannot open the scene file"), std::string::npos) << err.str();

    int a = 0, b = 0;
    EXPECT_TRUE(minihost::cli::parseFrameRange("3-7", a, b));
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 7);
    EXPECT_TRUE(minihost::cli::parseFrameRange("-2--1", a, b));
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, -1);
    for (const char *bad : {"", "7-3", "a-b", "1-", "1-2-3", "99999999999"})
        EXPECT_FALSE(minihost::cli::parseFrameRange(bad, a, b)) << bad;
}

TEST_F(RenderBadInput, GoodSceneWritesPerFrameFiles) {
    const std::string scene = std::string("{") + kCamera +
                              R"(, "render": {"width": 8, "height": 6, "first_frame": 2, "last_frame": 3},
        "objects": [{"name": "A", "primitive": {"type": "box"}}]})";
    const std::string message = run(scene, 0);
    EXPECT_TRUE(fs::exists(dir / "out.0002.png")) << message;
    EXPECT_TRUE(fs::exists(dir / "out.0003.png")) << message;
    EXPECT_NE(message.find("time: load"), std::string::npos) << message;
    EXPECT_NE(message.find("shading"), std::string::npos) << message;
}

TEST_F(RenderBadInput, OutputsNeverReplaceInputsOrEachOtherAndAlwaysFit) {
    const std::string scene = (dir / "scene.json").string(), good = std::string("{") + kCamera +
                                                                    R"(, "render": {"width": 8, "height": 6},
        "objects": [{"name": "A", "primitive": {"type": "box"}}]})";
    auto render = [&](const std::string &text, const std::string &out, const std::string &saved) {
        std::ofstream(scene) << text;
        minihost::cli::RenderArgs args;
        args.scene = scene;
        args.output = out;
        args.saveScene = saved;
        args.quiet = true;
        std::ostringstream err;
        const int status = minihost::cli::runRender(args, err);
        return std::make_pair(status, err.str());
    };
    auto [status, message] = render(good, scene, "");
    EXPECT_EQ(status, 1);
    EXPECT_NE(message.find("the output names an input of the scene"), std::string::npos) << message;
    std::tie(status, message) = render(good, output, output);
    EXPECT_EQ(status, 1);
    EXPECT_NE(message.find("is also the file of --save-scene"), std::string::npos) << message;
    // A render that fails leaves no saved scene behind.
    const std::string saved = (dir / "saved.json").string(),
                      far = std::string("{") + kCamera +
                            R"(, "objects": [{"name": "A", "primitive": {"type": "box"}, "scale": 1e6},
        {"name": "B", "primitive": {"type": "box"}, "parent": "A", "position": [100, 0, 0]}]})";
    EXPECT_EQ(render(far, output, saved).first, 1);
    EXPECT_FALSE(fs::exists(saved));
    std::ifstream in(output);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "keep");
    // The longest name a folder takes works, and no temporary stays behind.
    const std::string longest = (dir / (std::string(251, 'a') + ".png")).string();
    std::tie(status, message) = render(good, longest, saved);
    EXPECT_EQ(status, 0) << message;
    EXPECT_TRUE(fs::exists(longest) && fs::exists(saved));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);
}

TEST(RenderAbort, AbortRequestStopsBeforeAnyFrameIsDelivered) {
    using namespace minihost;
    setProgressQuiet(true);
    installCoreServices();
    auto scene = loadSceneText(std::string("{") + kCamera +
                                   R"(, "render": {"width": 64, "height": 64, "last_frame": 3},
        "objects": [{"name": "A", "primitive": {"type": "sphere"}}]})",
                               "abort.json");
    installSceneServices(*scene);
    ServerSet servers;
    servers.build(*scene);
    requestAbort();
    RenderOptions options;
    options.lastFrame = 3;
    StageTimes times;
    std::string error;
    int delivered = 0;
    const auto result = renderFrames(
        *scene, servers, options, [&](int, const FrameBuffer &, std::string &) { return ++delivered > 0; },
        times, error);
    clearAbort();
    removeSceneServices();
    EXPECT_EQ(result, RenderResult::Aborted);
    EXPECT_EQ(delivered, 0);
}

TEST(RenderAbort, ScriptedMonitorReportsAbortAtItsStep) {
    using namespace minihost;
    setProgressQuiet(true);
    clearMonitorEvents();
    setMonitorAbortAtStep(2);
    MonitorFuncs *mon = monitorRecord();
    MonitorID id = mon->create();
    mon->setup(id, "Title", 0, nullptr);
    mon->init(id, 3, "Working.");
    EXPECT_EQ(mon->step(id, 1, nullptr), 0);
    EXPECT_NE(mon->step(id, 1, nullptr), 0);
    mon->done(id);
    mon->destroy(id);
    setMonitorAbortAtStep(0);
    EXPECT_EQ(monitorEvents(), (std::vector<std::string>{"create", "setup Title", "init 3 Working.", "step 1",
                                                         "step 1", "done", "destroy"}));
    // Ctrl-C makes every step report an abort until it is cleared
    id = mon->create();
    requestAbort();
    EXPECT_NE(mon->step(id, 1, nullptr), 0);
    clearAbort();
    EXPECT_EQ(mon->step(id, 1, nullptr), 0);
    mon->destroy(id);
}

}  // namespace
