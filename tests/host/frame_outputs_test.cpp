// `minihost render` for frame sequences: frame lists and patterns, OpenEXR
// read back and compared with the PNG, the pixel hash in every place it is
// written, the run report, --skip-existing, modules found by name, and a
// range stopped by Ctrl-C.
#include <gtest/gtest.h>
#include <png.h>
#include <stb_image.h>
#include <unistd.h>
#include <xxhash.h>

#include <OpenEXR/ImfFloatAttribute.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfIntAttribute.h>
#include <OpenEXR/ImfMatrixAttribute.h>
#include <OpenEXR/ImfStringAttribute.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "minihost/cli/frame_list.h"
#include "minihost/cli/info_command.h"
#include "minihost/cli/render_command.h"
#include "minihost/files/module_search.h"
#include "minihost/render/frame_names.h"
#include "minihost/services/monitor_service.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

TEST(FrameNames, ListsStepsAndPatterns) {
    std::vector<int> frames;
    std::string error;
    ASSERT_TRUE(minihost::cli::parseFrameList("1-40x10", frames, error));
    EXPECT_EQ(frames, (std::vector<int>{1, 11, 21, 31}));
    ASSERT_TRUE(minihost::cli::parseFrameList("9-12,1,5,10", frames, error));
    EXPECT_EQ(frames, (std::vector<int>{1, 5, 9, 10, 11, 12}));
    for (const char *bad : {"", "1,", "5x2", "1-4x0", "4-1", "1-2-3", "a", "0-2000000"})
        EXPECT_FALSE(minihost::cli::parseFrameList(bad, frames, error)) << bad;
    EXPECT_EQ(minihost::frameFileName("a/shot.####.exr", 7, false), "a/shot.0007.exr");
    EXPECT_EQ(minihost::frameFileName("shot.%04d.png", 12345, true), "shot.12345.png");
    EXPECT_EQ(minihost::frameFileName("shot_%d.png", -3, true), "shot_-3.png");
    EXPECT_EQ(minihost::frameFileName("out.png", 7, true), "out.0007.png");
}

class FrameOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_frame_outputs_" + std::to_string(::getpid()));
        fs::create_directories(dir / "mods");
        // The stroke edition under a name found only through --module-path.
        fs::create_symlink(QR_MODULE_S, dir / "mods" / "QM_Elsewhere.so");
        std::ifstream in(std::string(QR_TEST_DATA_DIR) + "/scenes/edges_stroke_edition.json");
        Json scene = Json::parse(in);
        scene["render"]["last_frame"] = 4;
        scene["objects"][1]["keys"] = Json::parse(R"([{"frame": 1, "rotation": [0, 0, 0]},
                                                      {"frame": 4, "rotation": [90, 0, 0]}])");
        scene["modules"] = {"QM_Quillrim_S"};  // found beside minihost
        std::ofstream(dir / "scene.json") << scene.dump();
        scene["modules"] = {"QM_Elsewhere"};
        std::ofstream(dir / "elsewhere.json") << scene.dump();
    }
    void TearDown() override {
        minihost::setModuleSearchPath({});
        minihost::clearAbort();  // a Ctrl-C stops one command, not the tests after it
        fs::remove_all(dir);
    }

    int render(const std::string &output, const std::string &frames, std::string *log = nullptr,
               std::function<void(minihost::cli::RenderArgs &)> more = {}) {
        minihost::cli::RenderArgs args;
        args.scene = (dir / "scene.json").string();
        args.output = (dir / output).string();
        args.frames = frames;
        args.report = (dir / "run.json").string();
        args.quiet = true;
        if (more) more(args);
        std::ostringstream err;
        const int status = minihost::cli::runRender(args, err);
        if (log) *log = err.str();
        return status;
    }
    Json report() const { return Json::parse(std::ifstream(dir / "run.json")); }

    fs::path dir;
};

std::string pngText(const fs::path &file, const std::string &key) {
    std::FILE *f = std::fopen(file.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_textp texts = nullptr;
    const int n = png_get_text(png, info, &texts, nullptr);
    std::string value;
    for (int i = 0; i < n; ++i)
        if (key == texts[i].key) value = texts[i].text;
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return value;
}

// The named channels of an OpenEXR file as 32-bit floats.
std::vector<std::vector<float>> readExrChannels(const fs::path &file, const std::vector<std::string> &names) {
    Imf::InputFile exr(file.c_str());
    const Imath::Box2i window = exr.header().dataWindow();
    const int w = window.max.x - window.min.x + 1, h = window.max.y - window.min.y + 1;
    std::vector<std::vector<float>> planes(names.size());
    Imf::FrameBuffer buffer;
    for (std::size_t c = 0; c < names.size(); ++c) {
        planes[c].resize(static_cast<std::size_t>(w) * h);
        buffer.insert(names[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(planes[c].data()),
                                           sizeof(float), sizeof(float) * w));
    }
    exr.setFrameBuffer(buffer);
    exr.readPixels(window.min.y, window.max.y);
    return planes;
}

TEST_F(FrameOutputs, ExrMatchesPngAndEveryPlaceHoldsOnePixelHash) {
    ASSERT_EQ(render("f.####.png", "2"), 0);
    ASSERT_EQ(render("f.%04d.exr", "2", nullptr,
                     [](auto &a) {
                         a.exrFloat = true;
                         a.exrStraight = true;
                     }),
              0);
    const std::string hash = report()["frames"][0]["pixel_hash"];
    EXPECT_EQ(pngText(dir / "f.0002.png", "pixelHash"), hash);
    int w = 0, h = 0, n = 0;
    std::unique_ptr<unsigned char, void (*)(void *)> png(
        stbi_load((dir / "f.0002.png").c_str(), &w, &h, &n, 4), stbi_image_free);
    ASSERT_TRUE(png);

    Imf::InputFile exr((dir / "f.0002.exr").c_str());
    const Imf::Header &header = exr.header();
    EXPECT_EQ(header.compression(), Imf::ZIP_COMPRESSION);
    EXPECT_EQ(header.typedAttribute<Imf::IntAttribute>("frame").value(), 2);
    EXPECT_EQ(header.typedAttribute<Imf::StringAttribute>("scene").value(), "scene.json");
    EXPECT_EQ(header.typedAttribute<Imf::StringAttribute>("camera").value(), "Camera");
    EXPECT_EQ(header.typedAttribute<Imf::StringAttribute>("pixelHash").value(), hash);
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    const std::vector<std::string> names = {"R", "G", "B", "A", "Z"};
    const std::vector<std::vector<float>> planes = readExrChannels(dir / "f.0002.exr", names);
    ASSERT_EQ(planes[0].size(), pixels);
    // The PNG is the EXR's colour clamped and rounded to 8 bits; Z is +inf
    // where nothing was hit (alpha 0 there, unless a stroke covers it).
    int misses = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 4; ++c)
            ASSERT_NEAR(std::clamp(planes[c][i], 0.0f, 1.0f) * 255.0f, png.get()[4 * i + c], 0.51) << i;
        if (planes[3][i] == 0.0f) {
            ASSERT_TRUE(std::isinf(planes[4][i])) << i;
        }
        misses += std::isinf(planes[4][i]);
    }
    EXPECT_GT(misses, 0);
    // The hash is XXH3-128 of the 32-bit file's channels.
    XXH3_state_t *state = XXH3_createState();
    XXH3_128bits_reset(state);
    for (const auto &plane : planes) XXH3_128bits_update(state, plane.data(), plane.size() * sizeof(float));
    XXH128_canonical_t digest;
    XXH128_canonicalFromHash(&digest, XXH3_128bits_digest(state));
    XXH3_freeState(state);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest.digest[i]);
    EXPECT_EQ(hash, std::string("xxh3-128:") + hex);

    // Premultiplied by default: colour times alpha, the alpha and depth as
    // they were, and the header's hash still that of the straight colour.
    ASSERT_EQ(render("p.####.exr", "2", nullptr, [](auto &a) { a.exrFloat = true; }), 0);
    const std::vector<std::vector<float>> premultiplied = readExrChannels(dir / "p.0002.exr", names);
    int partial = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) ASSERT_EQ(premultiplied[c][i], planes[c][i] * planes[3][i]) << i;
        ASSERT_EQ(premultiplied[3][i], planes[3][i]) << i;
        partial += planes[3][i] > 0 && planes[3][i] < 1 && planes[0][i] != premultiplied[0][i];
    }
    EXPECT_GT(partial, 0);  // the strokes' soft edges
    EXPECT_EQ(Imf::InputFile((dir / "p.0002.exr").c_str())
                  .header()
                  .typedAttribute<Imf::StringAttribute>("pixelHash")
                  .value(),
              hash);

    // Half floats by default: the same pixels to within a half's precision.
    ASSERT_EQ(render("half.####.exr", "2"), 0);
    EXPECT_LT(fs::file_size(dir / "half.0002.exr"), fs::file_size(dir / "f.0002.exr"));
}

TEST_F(FrameOutputs, ExrHeaderCameraProjectsTheSceneOntoItsPixels) {
    ASSERT_EQ(render("cam.####.exr", "2"), 0);
    Imf::InputFile exr((dir / "cam.0002.exr").c_str());
    const Imf::Header &header = exr.header();
    const Imath::M44f toCamera = header.typedAttribute<Imf::M44fAttribute>("worldToCamera").value();
    const Imath::M44f toNdc = header.typedAttribute<Imf::M44fAttribute>("worldToNDC").value();
    EXPECT_NEAR(header.typedAttribute<Imf::FloatAttribute>("fovHorizontal").value(), 42.0f, 1e-4f);
    EXPECT_GT(header.typedAttribute<Imf::FloatAttribute>("fovVertical").value(), 0.0f);
    const Imath::V3f eye(1.1f, 2.2f, -5.2f), ball(-0.35f, 0.45f, -0.55f);
    Imath::V3f atEye;
    toCamera.multVecMatrix(eye, atEye);
    EXPECT_LT(atEye.length(), 1e-5f);
    Imath::V3f inCamera;
    toCamera.multVecMatrix(ball, inCamera);
    EXPECT_NEAR(inCamera.length(), (ball - eye).length(), 1e-5f);
    EXPECT_GT(inCamera.z, 0.0f);  // in front, looking down +z

    // The ball's centre lands on a pixel whose depth is the ball's near side.
    Imath::V3f ndc;
    toNdc.multVecMatrix(ball, ndc);
    const int w = 80, h = 60;
    const int px = static_cast<int>(ndc.x * w), py = static_cast<int>(ndc.y * h);
    ASSERT_TRUE(px >= 0 && px < w && py >= 0 && py < h) << ndc;
    const std::vector<std::vector<float>> z = readExrChannels(dir / "cam.0002.exr", {"Z"});
    EXPECT_NEAR(z[0][static_cast<std::size_t>(py) * w + px], (ball - eye).length() - 0.45f, 0.02f);
    // A point on the view axis lands on the frame's centre.
    Imath::V3f centre;
    toNdc.multVecMatrix(eye + Imath::V3f(toCamera[0][2], toCamera[1][2], toCamera[2][2]), centre);
    EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
}

TEST_F(FrameOutputs, ReportAndSkipExistingAndModulesByName) {
    std::string log;
    ASSERT_EQ(render("s.####.png", "1-4", &log), 0) << log;
    Json run = report();
    EXPECT_EQ(run["state"], "finished");
    EXPECT_EQ(run["exit_status"], 0);
    EXPECT_EQ(run["totals"]["done"], 4);
    for (const Json &frame : run["frames"]) {
        EXPECT_EQ(frame["status"], "done");
        EXPECT_GT(frame["peak_memory_bytes"].get<std::size_t>(), 0u);
        EXPECT_TRUE(frame["stages"].contains("pixel_filters"));
    }
    // A frame cut short and a missing one render again; the others stay.
    fs::resize_file(dir / "s.0002.png", fs::file_size(dir / "s.0002.png") - 1);
    fs::remove(dir / "s.0004.png");
    ASSERT_EQ(render("s.####.png", "1-4", &log, [](auto &a) { a.skipExisting = true; }), 0) << log;
    run = report();
    const std::vector<std::string> expected = {"skipped", "done", "skipped", "done"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(run["frames"][i]["status"], expected[i]) << i;

    // A name found nowhere says where it was looked for; --module-path finds it.
    const auto elsewhere = [&](auto &a) { a.scene = (dir / "elsewhere.json").string(); };
    EXPECT_EQ(render("e.png", "1", &log, elsewhere), 1);
    // The scene's own folder is not among them unless asked for.
    EXPECT_NE(log.find("no module \"QM_Elsewhere\" (looked for QM_Elsewhere.so in "), std::string::npos)
        << log;
    EXPECT_EQ(log.find("QM_Elsewhere.so in " + dir.string()), std::string::npos) << log;
    EXPECT_NE(log.find("--allow-scene-modules the scene's"), std::string::npos) << log;
    EXPECT_EQ(render("e.png", "1", &log,
                     [&](auto &a) {
                         elsewhere(a);
                         a.modulePaths = {(dir / "mods").string()};
                     }),
              0)
        << log;
    // The report may not replace an input.
    EXPECT_EQ(render("e.png", "1", &log, [&](auto &a) { a.report = a.scene; }), 1);
    std::ostringstream out, err;
    minihost::setModuleSearchPath({(dir / "mods").string()});
    EXPECT_EQ(minihost::cli::runModuleListing(out, err), 0);
    EXPECT_NE(out.str().find("QM_Elsewhere"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("QM_Quillrim_P"), std::string::npos) << out.str();
}

TEST_F(FrameOutputs, CtrlCFinishesTheFileBeingWrittenAndTheReportSaysWhichAreDone) {
    std::thread interrupt([&] {
        for (int i = 0; i < 6000 && !fs::exists(dir / "c.0001.png"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::raise(SIGINT);
    });
    std::string log;
    const int status = render("c.####.png", "1-300", &log, [](auto &a) { a.threads = 1; });
    interrupt.join();
    ASSERT_EQ(status, 130) << log;
    const Json run = report();
    EXPECT_EQ(run["state"], "aborted");
    EXPECT_EQ(run["exit_status"], 130);
    int done = 0;
    for (const Json &frame : run["frames"]) {
        const bool written = fs::exists(frame["file"].get<std::string>());
        EXPECT_EQ(written, frame["status"] == "done") << frame.dump();
        done += written;
    }
    EXPECT_GE(done, 1);
    EXPECT_LT(done, 300);
    for (const auto &entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().filename().string().rfind(".qr-", 0), 0u)
            << "temporary left: " << entry.path();
}

}  // namespace
