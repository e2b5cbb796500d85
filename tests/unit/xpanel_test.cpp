// minihost's headless "LWXPanel": a panel described as a module describes it,
// then read, written, enabled, pressed and printed as a user would see it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/xpanel_host.h"

namespace {

using namespace minihost;

// The module side: an instance with one field per data type, and callbacks
// that record what the panel asked.
struct Settings {
    double size = 2.5;
    int32_t mode = 1;
    int32_t enabled = 0;
    double share = 0.25;
    double turn = 0.0;
    int presses = 0;
    int lastEntry = -1;
    std::vector<uint32_t> sets;
};

enum : uint32_t {
    kSize = 0x8001,
    kMode,
    kSwitch,
    kShare,
    kTurn,
    kButton,
    kPopup,
    kColour,
    kPage1,
    kPage2,
    kTabs,
    kInner
};

void *getValue(void *inst, uint32_t vid) {
    auto &s = *static_cast<Settings *>(inst);
    switch (vid) {
    case kSize: return &s.size;
    case kMode: return &s.mode;
    case kSwitch: return &s.enabled;
    case kShare: return &s.share;
    case kTurn: return &s.turn;
    case kColour: return reinterpret_cast<void *>(0x1234);  // a variant parameter handle
    default: return nullptr;
    }
}

int setValue(void *inst, uint32_t vid, void *value) {
    auto &s = *static_cast<Settings *>(inst);
    s.sets.push_back(vid);
    switch (vid) {
    case kSize: std::memcpy(&s.size, value, 8); return 1;
    case kMode: std::memcpy(&s.mode, value, 4); return 1;
    case kSwitch: std::memcpy(&s.enabled, value, 4); return 1;
    case kShare: std::memcpy(&s.share, value, 8); return 1;
    case kTurn: std::memcpy(&s.turn, value, 8); return 1;
    case kColour: return 1;
    default: return 0;
    }
}

void pressed(XPanelID panel, int cid) {
    auto *s = static_cast<Settings *>(xpanelRecord()->getData(panel, 0));
    s->presses += cid == int(kButton) ? 1 : 100;
    xpanelRecord()->viewRefresh(panel);  // a module refreshing from inside its button
}

void popped(XPanelID panel, int, int entry) {
    static_cast<Settings *>(xpanelRecord()->getData(panel, 0))->lastEntry = entry;
}

XPanelID buildPanel(Settings &s) {
    XPanelFuncs *xp = xpanelRecord();
    const XPanelControl controls[] = {{kSize, "Size : ", "float"},
                                      {kMode, "Mode : ", "iPopChoice"},
                                      {kSwitch, "Advanced", "iBoolean"},
                                      {kShare, "Share : ", "percent"},
                                      {kTurn, "Turn : ", "angle"},
                                      {kButton, "Do it", "vButton"},
                                      {kPopup, "Preset", "vPopCmd"},
                                      {kColour, "Colour : ", "color-env"},
                                      {0, nullptr, nullptr}};
    XPanelID panel = xp->create(XPANEL_VIEW, controls);
    if (!panel) return nullptr;
    // Hints are built in temporaries: the service must copy what it keeps.
    std::vector<std::string> texts = {"Test Options", "Low",  "Mid",   "High",
                                      "Load",         "Save", "First", "Second"};
    const char *modes[] = {texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), nullptr};
    const char *presets[] = {texts[4].c_str(), texts[5].c_str(), nullptr};
    const uint32_t inner[] = {kShare, kTurn, 0}, page1[] = {kSize, kMode, kSwitch, 0},
                   page2[] = {kInner, kButton, kPopup, 0}, pages[] = {kPage1, kPage2, 0};
    const int modeMap[] = {0, 1, 1}, switchMap[] = {0, 1};
    XPanelHint h[12] = {};
    h[0] = {XPH_LABEL, 0, texts[0].c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr};
    h[1] = {XPH_STRLIST, kMode, nullptr, modes, nullptr, 0, nullptr, 0, nullptr, nullptr};
    h[2] = {XPH_STRLIST, kPopup, nullptr, presets, nullptr, 0, nullptr, 0, nullptr, nullptr};
    h[3] = {XPH_GROUP, kInner, nullptr, nullptr, inner, 0, nullptr, 0, nullptr, nullptr};
    h[4] = {XPH_GROUP, kPage1, nullptr, nullptr, page1, 0, nullptr, 0, nullptr, nullptr};
    h[5] = {XPH_LABEL, kPage1, texts[6].c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr};
    h[6] = {XPH_GROUP, kPage2, nullptr, nullptr, page2, 0, nullptr, 0, nullptr, nullptr};
    h[7] = {XPH_LABEL, kPage2, texts[7].c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr};
    h[8] = {XPH_TABS, kTabs, nullptr, nullptr, pages, 0, nullptr, 0, nullptr, nullptr};
    h[9] = {XPH_ENABLE_MAP, kSwitch, nullptr, nullptr, nullptr, kMode, modeMap, 3, nullptr, nullptr};
    h[10] = {XPH_ENABLE_MAP, kButton, nullptr, nullptr, nullptr, kSwitch, switchMap, 2, nullptr, nullptr};
    XPanelHint actions[3] = {};
    actions[0] = {XPH_BUTNOTIFY, kButton, nullptr, nullptr, nullptr, 0, nullptr, 0, pressed, nullptr};
    actions[1] = {XPH_POPCMDFUNC, kPopup, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, popped};
    xp->hint(panel, 0, h);
    xp->hint(panel, 0, actions);
    for (auto &t : texts) t.assign(t.size(), '#');
    const XPanelData data[] = {{kSize, "size", "float"},       {kMode, "mode", "integer"},
                               {kSwitch, "switch", "integer"}, {kShare, "share", "percent"},
                               {kTurn, "turn", "angle"},       {kColour, "colour", "color-env"},
                               {0, nullptr, nullptr}};
    xp->describe(panel, data, getValue, setValue);
    xp->viewInst(panel, &s);
    xp->setData(panel, 0, &s);
    return panel;
}

class XPanelService : public ::testing::Test {
protected:
    void SetUp() override { clearXPanels(); }
    void TearDown() override {
        setXPanelCreateFails(false);
        clearXPanels();
        registry().restoreAll();
    }
};

TEST_F(XPanelService, RecordsTheDescriptionAndReadsAndWritesByName) {
    Settings s;
    XPanelID panel = buildPanel(s);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(lastXPanel(), panel);
    const auto rec = xpanelRecordOf(panel);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->title, "Test Options");
    EXPECT_EQ(rec->controls.size(), 8u);
    EXPECT_EQ(rec->userData, &s);
    ASSERT_EQ(rec->tabs.size(), 1u);
    EXPECT_EQ(rec->tabs[0].pages, (std::vector<uint32_t>{kPage1, kPage2}));

    EXPECT_EQ(std::get<double>(*xpanelValue(panel, "size")), 2.5);
    EXPECT_EQ(std::get<int32_t>(*xpanelValue(panel, "mode")), 1);
    EXPECT_EQ(std::get<VParmID>(*xpanelValue(panel, "colour")), reinterpret_cast<VParmID>(0x1234));
    EXPECT_FALSE(xpanelValue(panel, "nothing"));

    // Numbers are converted to the data type before the module sees them.
    EXPECT_TRUE(xpanelSet(panel, "mode", 2.0));
    EXPECT_EQ(s.mode, 2);
    EXPECT_TRUE(xpanelSet(panel, "size", int32_t(4)));
    EXPECT_EQ(s.size, 4.0);
    EXPECT_FALSE(xpanelSet(panel, "mode", 1e20));
    EXPECT_FALSE(xpanelSet(panel, "nothing", 1.0));

    // Text as a user types it.
    std::string why;
    EXPECT_TRUE(xpanelSetFromText(panel, "mode", "Low", why));
    EXPECT_EQ(s.mode, 0);
    EXPECT_TRUE(xpanelSetFromText(panel, "switch", "on", why));
    EXPECT_EQ(s.enabled, 1);
    EXPECT_TRUE(xpanelSetFromText(panel, "share", "40%", why));
    EXPECT_DOUBLE_EQ(s.share, 0.4);
    EXPECT_TRUE(xpanelSetFromText(panel, "share", "0.75", why));
    EXPECT_EQ(s.share, 0.75);
    EXPECT_TRUE(xpanelSetFromText(panel, "turn", "90deg", why));
    EXPECT_DOUBLE_EQ(s.turn, 1.5707963267948966);
    EXPECT_FALSE(xpanelSetFromText(panel, "size", "big", why));
    EXPECT_NE(why.find("not a number"), std::string::npos);
    EXPECT_FALSE(xpanelSetFromText(panel, "mode", "1.5", why));
    EXPECT_FALSE(xpanelSetFromText(panel, "colour", "red", why));
    EXPECT_FALSE(xpanelSetFromText(panel, "siz", "1", why));
    EXPECT_NE(why.find("known: size, mode"), std::string::npos);
}

TEST_F(XPanelService, EnableMapsButtonsAndPopups) {
    Settings s;
    XPanelID panel = buildPanel(s);
    s.mode = 0;
    EXPECT_FALSE(xpanelEnabled(panel, kSwitch));
    EXPECT_FALSE(xpanelEnabled(panel, kButton));  // its controller is itself disabled
    s.mode = 2;
    s.enabled = 0;
    EXPECT_TRUE(xpanelEnabled(panel, kSwitch));
    EXPECT_FALSE(xpanelEnabled(panel, kButton));
    EXPECT_FALSE(xpanelPress(panel, kButton));
    EXPECT_EQ(s.presses, 0);
    s.enabled = 7;  // any non-zero boolean is on
    EXPECT_TRUE(xpanelEnabled(panel, kButton));
    s.mode = 9;  // beyond the map: its last entry
    EXPECT_TRUE(xpanelEnabled(panel, kSwitch));
    s.mode = -3;
    EXPECT_FALSE(xpanelEnabled(panel, kSwitch));
    s.mode = 1;
    EXPECT_TRUE(xpanelEnabled(panel, kSize));  // no map

    EXPECT_TRUE(xpanelPress(panel, kButton));
    EXPECT_EQ(s.presses, 1);
    EXPECT_EQ(xpanelRecordOf(panel)->refreshes, 1);
    EXPECT_FALSE(xpanelPress(panel, kSize));  // no button there
    EXPECT_TRUE(xpanelPopCmd(panel, kPopup, 1));
    EXPECT_EQ(s.lastEntry, 1);
    EXPECT_FALSE(xpanelPopCmd(panel, kPopup, 2));
    EXPECT_FALSE(xpanelPopCmd(panel, kPopup, -1));
    EXPECT_EQ(s.lastEntry, 1);
}

TEST_F(XPanelService, PrintsTabsGroupsValuesAndDisabledControls) {
    // The colour is printed as a panel without the variant-parameter service
    // shows it, whatever an earlier test of this process installed.
    registry().withhold(SERVICE_VPARM_FUNCS);
    Settings s;
    s.mode = 0;
    XPanelID panel = buildPanel(s);
    EXPECT_EQ(xpanelText(panel),
              "XPanel \"Test Options\"\n"
              "Tab \"First\"\n"
              "  [0x8001] Size : 2.5\n"
              "  [0x8002] Mode : Low\n"
              "  [0x8003] Advanced off  (disabled)\n"
              "Tab \"Second\"\n"
              "  Group\n"
              "    [0x8004] Share : 25 %\n"
              "    [0x8005] Turn : 0 deg\n"
              "  [0x8006] Do it [button]  (disabled)\n"
              "  [0x8007] Preset [Load | Save]\n"
              "Not on a tab\n"
              "  [0x8008] Colour : (animated parameter)\n");
}

TEST_F(XPanelService, StaleForeignAndFailedPanelsAreSafe) {
    Settings s;
    XPanelID panel = buildPanel(s);
    XPanelFuncs *xp = xpanelRecord();
    xp->destroy(panel);
    EXPECT_TRUE(xpanelRecordOf(panel)->destroyed);
    EXPECT_FALSE(xpanelValue(panel, "size"));
    EXPECT_FALSE(xpanelSet(panel, "size", 1.0));
    EXPECT_FALSE(xpanelPress(panel, kButton));
    EXPECT_EQ(xpanelText(panel), "");
    xp->destroy(panel);  // twice: nothing happens
    xp->hint(panel, 0, nullptr);

    int notAPanel = 0;
    auto foreign = reinterpret_cast<XPanelID>(&notAPanel);
    xp->viewInst(foreign, &s);
    xp->setData(foreign, 0, &s);
    EXPECT_EQ(xp->getData(foreign, 0), nullptr);
    EXPECT_FALSE(xpanelRecordOf(foreign));
    EXPECT_FALSE(xpanelEnabled(foreign, kSize));

    setXPanelCreateFails(true);
    const XPanelControl none[] = {{0, nullptr, nullptr}};
    EXPECT_EQ(xp->create(XPANEL_VIEW, none), nullptr);
    setXPanelCreateFails(false);
    // A panel without data or instance reads nothing and prints "(no value)".
    const XPanelControl one[] = {{kSize, "Size : ", "float"}, {0, nullptr, nullptr}};
    XPanelID bare = xp->create(XPANEL_VIEW, one);
    ASSERT_NE(bare, nullptr);
    EXPECT_FALSE(xpanelValue(bare, "size"));
    EXPECT_EQ(xpanelText(bare), "XPanel \"\"\nNot on a tab\n  [0x8001] Size : (no value)\n");
    EXPECT_EQ(xpanels().size(), 2u);
}

}  // namespace
