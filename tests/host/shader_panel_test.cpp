// The edge shader's panel through the loaded modules and minihost's headless
// "LWXPanel" and "File Request": the panel as text, the override's enable
// map, "Find unused ID", "Get global settings", and presets saved by one
// edition and loaded by the other, cancelled, damaged or foreign.
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "minihost/core/loader.h"
#include "minihost/panels/file_request_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/states/readable_state.h"
#include "tests/host/edge_shader_fixture.h"

namespace shadertest {
namespace {

namespace fs = std::filesystem;
using minihost::FileRequestAnswer;

// The panel of the scene's shader on "Paint", built by the interface server.
XPanelID panelOf(EdgeShaderScene &s) {
    const minihost::LiveUse &use = s.shaderUse();
    InterfaceRecord rec{use.instance, nullptr, nullptr, nullptr};
    EXPECT_EQ(use.handler->module->activate(CLASS_SHADER_INTERFACE, use.use->server, INTERFACE_VERSION, &rec),
              AFUNC_OK);
    return static_cast<XPanelID>(rec.panel);
}

double number(XPanelID panel, const char *name) {
    const auto v = minihost::xpanelValue(panel, name);
    if (!v) return -1;
    if (const auto *i = std::get_if<int32_t>(&*v)) return *i;
    return std::get<double>(*v);
}

// Per process: test processes run side by side.
std::string temp(const std::string &name) {
    return (fs::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string();
}

// Another plug-in's preset: the same block format with its own names, and a
// "mat_id" of another type.
std::string foreignPreset() {
    minihost::MemorySaveState ss(IO_MODE_BINARY);
    const SaveState *st = ss.state();
    const int32_t version = 256, count = 2;
    const uint32_t type = HOST_FOURCC('P', 'F', 'L', 'T');
    const float value = 42;
    const BlockIdent lib{HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"};
    const BlockIdent param{HOST_FOURCC('P', 'D', 'P', 'R'), "PluginDataParam"};
    st->writeI4(st->writeData, &version, 1);
    st->beginBlock(st->writeData, &lib, 0);
    st->writeI4(st->writeData, &count, 1);
    for (const char *name : {"mat_id", "size"}) {
        st->beginBlock(st->writeData, &param, 0);
        st->writeStr(st->writeData, name);
        st->writeU4(st->writeData, &type, 1);
        st->writeFP(st->writeData, &value, 1);
        st->endBlock(st->writeData);
    }
    st->endBlock(st->writeData);
    return ss.bytes();
}

TEST(ShaderPanel, StrokePanelAsTheUserSeesIt) {
    EdgeShaderScene s(Ed::Stroke, R"({"lcol": [0.5, 0.25, 1], "boost": 0.3})");
    XPanelID panel = panelOf(s);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(minihost::xpanelText(panel),
              "XPanel \"QM's Quill-Rim (Grade-S) version 0.18a Options\"\n"
              "Tab \"Basic\"\n"
              "  Group\n"
              "    [0x8001] Line color : (0.5, 0.25, 1)\n"
              "    [0x8002] Line width boost : 30 %\n"
              "  Group\n"
              "    [0x8003] Material ID : 0\n"
              "    [0x8007] Find unused ID [button]\n"
              "Tab \"Advanced\"\n"
              "  Group\n"
              "    [0x8004] Override line settings off\n"
              "    [0x8005] normal error factor [0-1] : 0.1  (disabled)\n"
              "    [0x8006] dist error factor [0-n] : 0.02  (disabled)\n"
              "    [0x8008] Get global settings [button]  (disabled)\n"
              "  Group\n"
              "    [0x8009] Preset [Load | Save]\n");
    // The user data is the instance; the colour is set through the host's
    // own parameter, then the module is told.
    EXPECT_EQ(minihost::xpanelRecordOf(panel)->userData, s.shader());
    std::string why;
    EXPECT_TRUE(minihost::xpanelSetFromText(panel, "lcol", "0.1 0.2 0.3", why)) << why;
    EXPECT_NE(minihost::xpanelText(panel).find("Line color : (0.1, 0.2, 0.3)"), std::string::npos);
}

TEST(ShaderPanel, OverrideEnablesThreeControlsAndKeepsTheirValues) {
    EdgeShaderScene s(Ed::Line);
    XPanelID panel = panelOf(s);
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(minihost::xpanelText(panel).find("[0x8002] Line opacity : 100 %"), std::string::npos);
    ASSERT_TRUE(minihost::xpanelSet(panel, "override_f", int32_t{1}));
    for (uint32_t cid : {0x8005u, 0x8006u, 0x8008u}) EXPECT_TRUE(minihost::xpanelEnabled(panel, cid));
    ASSERT_TRUE(minihost::xpanelSet(panel, "norm_err", 0.3));
    ASSERT_TRUE(minihost::xpanelSet(panel, "override_f", int32_t{0}));
    for (uint32_t cid : {0x8005u, 0x8006u, 0x8008u}) EXPECT_FALSE(minihost::xpanelEnabled(panel, cid));
    EXPECT_FALSE(minihost::xpanelPress(panel, 0x8008));
    EXPECT_EQ(savedDouble(savedParam(parsed(s.save(s.shader(), IO_MODE_TEXT)), "norm_err")), 0.3);
}

TEST(ShaderPanel, FindUnusedIdAndGlobalSettingsFromEachEditionsTracer) {
    for (Ed ed : {Ed::Stroke, Ed::Line}) {
        EdgeShaderScene s(ed, R"({"mat_id": 9, "override_f": 1, "norm_err": 0.7, "dist_err": 0.7})");
        XPanelID panel = panelOf(s);
        ASSERT_NE(panel, nullptr);
        const int refreshes = minihost::xpanelRecordOf(panel)->refreshes;
        EXPECT_TRUE(minihost::xpanelPress(panel, 0x8007));
        EXPECT_EQ(number(panel, "mat_id"), 1);  // alone in the module
        // The scene's tracer is the current one, with its defaults.
        EXPECT_TRUE(minihost::xpanelPress(panel, 0x8008));
        EXPECT_EQ(number(panel, "norm_err"), ed == Ed::Stroke ? 0.1 : 0.15);
        EXPECT_EQ(number(panel, "dist_err"), 0.02);
        EXPECT_EQ(number(panel, "override_f"), 1);
        EXPECT_EQ(minihost::xpanelRecordOf(panel)->refreshes, refreshes + 2);
    }
}

TEST(ShaderPanel, PresetSavedByTheStrokeEditionLoadsIntoTheLineEdition) {
    minihost::clearFileRequests();
    const std::string file = temp("qr_panel_preset");
    fs::remove(file + ".qvx");
    std::string saved;
    {
        EdgeShaderScene s(Ed::Stroke, R"({"lcol": [0.2, 0.4, 0.6], "boost": 0.5, "mat_id": 7,
                                          "override_f": 1, "norm_err": 0.3, "dist_err": 0.05})");
        XPanelID panel = panelOf(s);
        minihost::scriptFileRequest(FileRequestAnswer::choose(file));
        EXPECT_TRUE(minihost::xpanelPopCmd(panel, 0x8009, 1));
        saved = s.save(s.shader(), IO_MODE_BINARY);
        // The next request offers the folder of this one: a bare name is found there.
        minihost::scriptFileRequest(FileRequestAnswer::choose(fs::path(file).filename().string() + ".qvx"));
        EXPECT_TRUE(minihost::xpanelPopCmd(panel, 0x8009, 0));
        EXPECT_EQ(minihost::recordedFileRequests().back().folder, fs::path(file).parent_path().string());
        EXPECT_EQ(s.save(s.shader(), IO_MODE_BINARY), saved);
    }
    const auto requests = minihost::recordedFileRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].title, "Save Quillrim_S preset");
    EXPECT_EQ(requests[0].pattern, ">*.qvx");
    std::ifstream in(file + ".qvx", std::ios::binary);  // the requester added the extension
    const std::string preset((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(preset, saved);  // exactly the instance's saved state

    // As text, with the values named; the text loads back to the same data.
    std::string text;
    ASSERT_NO_THROW(text = minihost::readableStateText(preset));
    EXPECT_NE(text.find("# mat_id (PINT) = 7"), std::string::npos) << text;
    EXPECT_NE(text.find("# lcol (PVPR) = colour (0.2, 0.4, 0.6)"), std::string::npos) << text;

    EdgeShaderScene s(Ed::Line);
    XPanelID panel = panelOf(s);
    minihost::scriptFileRequest(FileRequestAnswer::choose(file + ".QVY"));  // any case of the extension
    fs::rename(file + ".qvx", file + ".QVY");
    EXPECT_TRUE(minihost::xpanelPopCmd(panel, 0x8009, 0));
    EXPECT_EQ(number(panel, "mat_id"), 7);
    EXPECT_EQ(number(panel, "norm_err"), 0.3);
    EXPECT_NE(minihost::xpanelText(panel).find("Line color : (0.2, 0.4, 0.6)"), std::string::npos);
    EXPECT_NE(minihost::xpanelText(panel).find("Line opacity : 100 %"),
              std::string::npos);  // "boost" is not "lpow"
    s.load(s.shader(), IO_MODE_TEXT, text);
    EXPECT_EQ(number(panel, "mat_id"), 7);
    fs::remove(file + ".QVY");
}

TEST(ShaderPanel, CancelledDamagedAndForeignPresetsChangeNothing) {
    EdgeShaderScene s(Ed::Stroke, R"({"mat_id": 5, "norm_err": 0.4})");
    XPanelID panel = panelOf(s);
    const std::string before = s.save(s.shader(), IO_MODE_BINARY);
    const int refreshes = minihost::xpanelRecordOf(panel)->refreshes;
    minihost::clearFileRequests();
    EXPECT_TRUE(minihost::xpanelPopCmd(panel, 0x8009, 0));  // nothing scripted: cancelled
    EXPECT_EQ(minihost::xpanelRecordOf(panel)->refreshes, refreshes);

    // A truncated preset, another plug-in's, and a file that is no preset.
    const std::string damaged = temp("qr_damaged") + ".qvx";
    for (const std::string &content : {before.substr(0, before.size() / 2), foreignPreset(),
                                       std::string("\x89PNG\r\n\x1a\n not a preset at all")}) {
        std::ofstream(damaged, std::ios::binary) << content;
        minihost::scriptFileRequest(FileRequestAnswer::choose(damaged));
        EXPECT_TRUE(minihost::xpanelPopCmd(panel, 0x8009, 0));
        EXPECT_EQ(number(panel, "mat_id"), 5);
        EXPECT_EQ(number(panel, "norm_err"), 0.4);
    }
    EXPECT_EQ(s.save(s.shader(), IO_MODE_BINARY), before);
    fs::remove(damaged);
}

}  // namespace
}  // namespace shadertest
