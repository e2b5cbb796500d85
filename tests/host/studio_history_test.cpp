// The studio's undo and redo, reset to default and keyed values: every change
// goes back exactly, the utility's shaders included, and a keyed colour keeps
// its keys when the user asks for a key at the frame.
#include "studio_fixture.h"

namespace {

using namespace studio_test;
using minihost::studio::StudioError;

constexpr uint32_t kLineColor = 0x8001;
constexpr uint32_t kMaterialId = 0x8003;
constexpr uint32_t kFindUnusedId = 0x8007;
constexpr uint32_t kOverride = 0x8004;

const json *control(const json &panel, uint32_t id) {
    for (const json &c : panel["controls"])
        if (c["id"] == id) return &c;
    return nullptr;
}

int shadersOn(const json &scene, const std::string &object) {
    int n = 0;
    for (const json &o : scene["objects"])
        if (o["name"] == object)
            for (const json &s : o["surfaces"]) n += static_cast<int>(s["shaders"].size());
    return n;
}

TEST_F(Served, EveryChangeIsUndoneAndRedoneExactly) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const json before = studio->openPanel(1);
    EXPECT_EQ(studio->sceneJson()["history"]["undo"], 0);  // opening a panel is no change
    studio->setValue(1, kMaterialId, 17);
    studio->setValue(1, kLineColor, json::array({0.1, 0.7, 0.2}));
    studio->press(1, kFindUnusedId);
    studio->setValue(1, kOverride, true);
    EXPECT_EQ(studio->sceneJson()["history"]["undo"], 4);
    EXPECT_EQ(studio->sceneJson()["history"]["nextUndo"], "Override line settings on Floor/Floor");
    const json after = studio->openPanel(1);
    for (int i = 0; i < 4; ++i) studio->undo();
    EXPECT_EQ(studio->openPanel(1)["controls"], before["controls"]);
    EXPECT_THROW(studio->undo(), StudioError);
    for (int i = 0; i < 4; ++i) studio->redo();
    EXPECT_EQ(studio->openPanel(1)["controls"], after["controls"]);
    EXPECT_THROW(studio->redo(), StudioError);
    // A new change after an undo drops what could be redone.
    studio->undo();
    studio->setValue(1, kMaterialId, 3);
    EXPECT_EQ(studio->sceneJson()["history"]["redo"], 0);
}

TEST_F(Served, TheUtilitysShadersComeAndGoWithUndo) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const json scene = studio->sceneJson();
    const int before = shadersOn(scene, "Ball");
    studio->setValue(1, kMaterialId, 5);
    // "All", "Apply": every surface gets a second shader.
    studio->runUtility("QM_Quillrim_P:ShaderUtil", json::array({0, 0, nullptr, ""}));
    EXPECT_EQ(shadersOn(studio->sceneJson(), "Ball"), before + 1);
    const json added = studio->sceneJson();
    studio->undo();
    EXPECT_EQ(shadersOn(studio->sceneJson(), "Ball"), before);
    EXPECT_EQ(studio->sceneJson()["objects"], scene["objects"]);  // the same ids, in the same order
    EXPECT_EQ(value(1, kMaterialId), 5);
    studio->redo();
    EXPECT_EQ(studio->sceneJson()["objects"], added["objects"]);
    studio->undo();
    studio->undo();
    EXPECT_EQ(value(1, kMaterialId), 2);
}

TEST_F(Served, ControlsKnowTheirDefaultsAndKeyedValuesKeepTheirKeys) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0,
          {{"lcol",
            {{"keys", json::array({json::array({1, json::array({0, 0, 0})}),
                                   json::array({48, json::array({1, 0.2, 0})})})}}}});
    json panel = studio->openPanel(1);
    ASSERT_NE(control(panel, kMaterialId), nullptr);
    const json fresh = control(panel, kMaterialId)->at("default");
    EXPECT_NE(fresh, control(panel, kMaterialId)->at("value"));  // the scene set 2
    studio->setValue(1, kMaterialId, fresh);
    EXPECT_EQ(value(1, kMaterialId), fresh);
    panel = studio->openPanel(1);
    EXPECT_TRUE(control(panel, kLineColor)->at("animated").get<bool>());
    // A key at the frame on show: still animated.
    panel = studio->setValue(1, kLineColor, json::array({0, 1, 0}), true);
    EXPECT_TRUE(control(panel, kLineColor)->at("animated").get<bool>());
    EXPECT_EQ(control(panel, kLineColor)->at("value"), json::array({0, 1, 0}));
    // A key on a value that is not keyed is refused; replacing the keys works.
    EXPECT_THROW(studio->setValue(1, kMaterialId, 4, true), StudioError);
    panel = studio->setValue(1, kLineColor, json::array({0, 0, 1}));
    EXPECT_FALSE(control(panel, kLineColor)->at("animated").get<bool>());
    // Undone, the keys are back.
    studio->undo();
    panel = studio->openPanel(1);
    EXPECT_TRUE(control(panel, kLineColor)->at("animated").get<bool>());
}

TEST_F(Served, ATexturedColourIsMarked) {
    const json layer = {{"type", "gradient"},
                        {"input", "Ambient Occlusion (Medium)"},
                        {"keys", json::array({json::array({0.1, json::array({1.0, 0.45, 0.0})}),
                                              json::array({0.45, json::array({0.0, 0.0, 0.0})})})}};
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0,
          {{"lcol",
            {{"value", json::array({1.0, 0.45, 0.0})}, {"texture", {{"layers", json::array({layer})}}}}}});
    const json textured = studio->openPanel(1);
    EXPECT_TRUE(control(textured, kLineColor)->at("textured").get<bool>());
    EXPECT_FALSE(control(textured, kLineColor)->at("animated").get<bool>());
    const json plain = studio->openPanel(2);
    EXPECT_FALSE(control(plain, kLineColor)->at("textured").get<bool>());
}

}  // namespace
