// `minihost preview`: the image, which servers take part, that the preview
// sphere is none of the scene's objects, and the faults (an unknown surface,
// a bad scene, an unwritable output) that leave an existing output alone.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <stb/stb_image.h>

#include "host/access.h"
#include "host/item_services.h"
#include "minihost/cli/preview_command.h"
#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/service_registry.h"
#include "minihost/render/preview_render.h"
#include "minihost/render/preview_scene.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/core_services.h"
#include "minihost/services/progress_bar.h"
#include "minihost/services/scene_services.h"
#include "render_test_scene.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder of its own for each test.
struct TempDir {
    fs::path path;
    explicit TempDir(const std::string &name) {
        path = fs::path(QR_BINARY_DIR) / "preview_test" / name;
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string file(const std::string &name, const std::string &text = {}) const {
        const fs::path p = path / name;
        if (!text.empty()) std::ofstream(p) << text;
        return p.string();
    }
};

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Two objects with recorder shaders (tags 1 and 4) and recorder filters.
std::string recorderScene() {
    return R"({"render": {"width": 32, "height": 24},
      "modules": [")" +
           rendertest::recorderPath() + R"("],
      "camera": {"position": [0, 0, -5]},
      "objects": [
        {"name": "Ball", "primitive": {"type": "sphere", "surface": "Probe"},
         "surfaces": {"Probe": {"color": [0.9, 0.2, 0.1],
                                "shaders": [{"server": "Recorder:Shader", "settings": {"tag": 1}}]}}},
        {"name": "Cube", "primitive": {"type": "box", "surface": "Else"}, "position": [2, 0, 0],
         "surfaces": {"Else": {"shaders": [{"server": "Recorder:Shader", "settings": {"tag": 4}}]}}}],
      "pixel_filters": [{"server": "Recorder:Pixel", "settings": {"tag": 2}}],
      "image_filters": [{"server": "Recorder:Image", "settings": {"tag": 3}}]})";
}

struct Png {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    const unsigned char *at(int x, int y) const { return &rgba[4 * (static_cast<size_t>(y) * width + x)]; }
};

Png readPng(const std::string &path) {
    Png png;
    int channels = 0;
    unsigned char *data = stbi_load(path.c_str(), &png.width, &png.height, &channels, 4);
    if (data) png.rgba.assign(data, data + 4 * static_cast<size_t>(png.width) * png.height);
    stbi_image_free(data);
    return png;
}

int runQuiet(minihost::cli::PreviewArgs args, std::string &messages) {
    args.quiet = true;
    minihost::setMessagesQuiet(true);
    std::ostringstream err;
    const int code = minihost::cli::runPreview(args, err);
    messages = err.str();
    return code;
}

TEST(PreviewCommand, RendersTheSurfaceAloneWithItsShadersAndNoFilters) {
    TempDir dir("renders");
    // Keeps the recorder loaded across the command, so its log outlives it.
    void *recorder = dlopen(rendertest::recorderPath().c_str(), RTLD_NOW);
    ASSERT_NE(recorder, nullptr) << dlerror();
    auto logText = reinterpret_cast<const char *(*)()>(dlsym(recorder, "recorder_log_text"));
    auto logClear = reinterpret_cast<void (*)()>(dlsym(recorder, "recorder_log_clear"));
    ASSERT_TRUE(logText && logClear);
    logClear();

    minihost::cli::PreviewArgs args;
    args.scene = dir.file("scene.json", recorderScene());
    args.surface = "Probe";
    args.output = dir.file("preview.png");
    args.size = 40;
    args.threads = 2;
    std::string messages;
    ASSERT_EQ(runQuiet(args, messages), 0) << messages;
    const auto log = rendertest::lines(logText());
    logClear();
    dlclose(recorder);

    const Png png = readPng(args.output);
    ASSERT_EQ(png.width, 40);
    ASSERT_EQ(png.height, 40);
    // An opaque neutral background, the red surface in the middle.
    for (const auto *p : {png.at(0, 0), png.at(39, 39)}) {
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
        EXPECT_EQ(p[3], 255);
    }
    EXPECT_GT(png.at(20, 20)[0], 2 * png.at(20, 20)[1]);

    // The surface's shader gets init, new-time, samples and cleanup in that
    // order; the other surface's shader and the filters get none of them.
    const int init = rendertest::firstLine(log, "init shader tag=1 ");
    const int newTime = rendertest::firstLine(log, "newtime shader tag=1 frame=1 ");
    const int shade = rendertest::firstLine(log, "shade tag=1 ");
    const int cleanup = rendertest::firstLine(log, "cleanup shader tag=1");
    ASSERT_GE(init, 0);
    EXPECT_LT(init, newTime);
    EXPECT_LT(newTime, shade);
    EXPECT_LT(rendertest::lastLine(log, "shade tag=1 "), cleanup);
    EXPECT_GT(rendertest::countLines(log, "shade tag=1 "), 300);
    for (const char *absent : {"shade tag=4", "init shader tag=4", "newtime shader tag=4", "init pixel",
                               "pixel tag", "newtime pixel", "image tag"})
        EXPECT_EQ(rendertest::firstLine(log, absent), -1) << absent;
}

// A shader of the test itself, pushed into the surface's list: what every
// sample's record said about the object and the surface.
struct Probe {
    std::set<ItemID> objects;
    std::set<SurfaceID> surfaces;
    int samples = 0;
};
Probe probe;

void probeEvaluate(Instance, ShaderAccess *sa) {
    probe.objects.insert(sa->objID);
    probe.surfaces.insert(sa->surface);
    ++probe.samples;
}

TEST(PreviewCommand, TheSphereIsNoSceneObjectAndTheSurfaceIsTheNamedOne) {
    using namespace minihost;
    setProgressQuiet(true);
    installCoreServices();
    auto scene = loadSceneText(R"({"camera": {"position": [0, 0, -5]}, "objects": [
        {"name": "A", "primitive": {"type": "sphere", "surface": "Skin"}},
        {"name": "B", "primitive": {"type": "box", "surface": "Skin"}},
        {"name": "C", "primitive": {"type": "box", "surface": "Metal"}, "bones": [{"name": "Bone"}]}],
        "lights": [{"name": "L"}]})",
                               "probe.json");
    installSceneServices(*scene);
    ServerSet servers;
    servers.build(*scene);
    SceneSurface *surface = findPreviewSurface(*scene, "B/Skin");
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(findPreviewSurface(*scene, "Skin"), scene->objects[0]->surfaces[0].get());
    EXPECT_EQ(findPreviewSurface(*scene, "Metal"), scene->objects[2]->surfaces[0].get());
    EXPECT_EQ(findPreviewSurface(*scene, "A/Metal"), nullptr);

    ActiveHandler probeHandler;
    probeHandler.shader.evaluate = probeEvaluate;
    ServerUse use;
    use.server = "probe";
    const std::vector<LiveUse> shaders{{&use, &probeHandler, &probe}};
    probe = Probe{};

    PreviewOptions options;
    options.size = 24;
    FrameBuffer image;
    PreviewInfo info;
    std::string error;
    ASSERT_EQ(renderPreview(*scene, *surface, shaders, options, image, info, error), RenderResult::Done)
        << error;
    EXPECT_EQ(image.width, 24);
    EXPECT_GT(probe.samples, 50);
    EXPECT_EQ(probe.surfaces, std::set<SurfaceID>{surfaceHandle(surface)});
    ASSERT_EQ(probe.objects, std::set<ItemID>{info.sphereID});

    // The shaders' own test: walk every item of every type through the
    // item service.
    auto *items = static_cast<ItemInfo *>(registry().lookup(SERVICE_ITEM_INFO));
    ASSERT_TRUE(items && items->first && items->next);
    int walked = 0;
    for (int type : {ITEM_TYPE_OBJECT, ITEM_TYPE_LIGHT, ITEM_TYPE_CAMERA, ITEM_TYPE_BONE})
        for (ItemID id = items->first(type, ITEM_NULL); id != ITEM_NULL; id = items->next(id), ++walked)
            EXPECT_NE(id, info.sphereID);
    EXPECT_GE(walked, 3 + 1 + 1);
    for (ItemID id = items->first(ITEM_TYPE_BONE, scene->objects[2]->id); id != ITEM_NULL;
         id = items->next(id))
        EXPECT_NE(id, info.sphereID);
    EXPECT_EQ(scene->item(info.sphereID), nullptr);
    EXPECT_EQ(objectFromID(info.sphereID), nullptr);
    removeSceneServices();
}

TEST(PreviewCommand, FaultsNameTheFileAndLeaveTheOutputAlone) {
    TempDir dir("faults");
    const std::string scene = dir.file("scene.json", recorderScene());
    const std::string output = dir.file("keep.png", "an earlier image");
    minihost::cli::PreviewArgs args;
    args.scene = scene;
    args.output = output;
    std::string messages;

    args.surface = "Nope";
    EXPECT_EQ(runQuiet(args, messages), 1);
    EXPECT_NE(messages.find(scene), std::string::npos) << messages;
    EXPECT_NE(messages.find("\"Nope\""), std::string::npos) << messages;
    EXPECT_NE(messages.find("known: \"Probe\", \"Else\""), std::string::npos) << messages;

    args.surface = "Probe";
    args.scene = dir.file("broken.json", "{\"objects\": [");
    EXPECT_EQ(runQuiet(args, messages), 1);
    EXPECT_NE(messages.find("broken.json"), std::string::npos) << messages;

    args.scene = dir.file("unknown_server.json", R"({"camera": {}, "objects": [{"name": "O",
        "primitive": {"type": "box", "surface": "Probe"},
        "surfaces": {"Probe": {"shaders": ["No:Such"]}}}]})");
    EXPECT_EQ(runQuiet(args, messages), 1);
    EXPECT_NE(messages.find("unknown_server.json"), std::string::npos) << messages;

    args.scene = (dir.path / "missing.json").string();
    EXPECT_EQ(runQuiet(args, messages), 1);
    EXPECT_NE(messages.find("missing.json"), std::string::npos) << messages;

    args.scene = scene;
    for (int size : {0, -3, minihost::cli::kMaxPreviewSize + 1}) {
        args.size = size;
        EXPECT_EQ(runQuiet(args, messages), 1) << size;
        EXPECT_NE(messages.find("--size"), std::string::npos) << messages;
    }
    args.size = 16;

    // An output that cannot be written: a missing folder, and a folder.
    args.output = (dir.path / "no_folder" / "x.png").string();
    EXPECT_EQ(runQuiet(args, messages), 1);
    EXPECT_NE(messages.find("no_folder"), std::string::npos) << messages;
    fs::create_directories(dir.path / "a_folder.png");
    args.output = (dir.path / "a_folder.png").string();
    EXPECT_EQ(runQuiet(args, messages), 1);
    EXPECT_NE(messages.find("a_folder.png"), std::string::npos) << messages;
    EXPECT_TRUE(fs::is_directory(dir.path / "a_folder.png"));

    EXPECT_EQ(readFile(output), "an earlier image");
    for (const auto &entry : fs::directory_iterator(dir.path))  // no temporary files left behind
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

// The line edition's edge shader paints the line colour (black by default)
// over the grazing parts of a surface that is not a scene object: the rim of
// the preview sphere darkens, its centre does not.
TEST(PreviewCommand, EdgeShaderDarkensTheRimOfThePreviewSphere) {
    TempDir dir("rim");
    auto sceneWith = [](const std::string &shaders) {
        return R"({"modules": [")" + std::string(QR_MODULE_P) + R"("], "camera": {},
          "objects": [{"name": "O", "primitive": {"type": "box", "surface": "Paint"}, "position": [0, 0, 5],
          "surfaces": {"Paint": {"color": [0.9, 0.9, 0.9], "luminous": 0.6, "shaders": )" +
               shaders + "}}}]}";
    };
    minihost::cli::PreviewArgs args;
    args.surface = "Paint";
    args.size = 64;
    args.threads = 1;
    std::string messages;
    args.scene = dir.file("plain.json", sceneWith("[]"));
    args.output = dir.file("plain.png");
    ASSERT_EQ(runQuiet(args, messages), 0) << messages;
    args.scene = dir.file("edge.json", sceneWith(R"(["QM_Quillrim_P:Shader"])"));
    args.output = dir.file("edge.png");
    ASSERT_EQ(runQuiet(args, messages), 0) << messages;

    const Png plain = readPng(dir.path / "plain.png"), edge = readPng(dir.path / "edge.png");
    ASSERT_EQ(plain.width, 64);
    ASSERT_EQ(edge.width, 64);
    // Only grazing parts darken: a ring of pixels along the outline.
    int darkened = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (edge.at(x, y)[0] < 40 && plain.at(x, y)[0] > 120) ++darkened;
    EXPECT_GT(darkened, 40) << "the rim of the preview sphere is not painted";
    EXPECT_EQ(std::memcmp(edge.at(32, 32), plain.at(32, 32), 4), 0) << "the centre changed";
}

}  // namespace
