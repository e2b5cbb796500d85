// minihost's headless "LWPanelServices": what a module builds is recorded,
// opens are answered from the script, and bad handles and values are refused
// without touching memory that is not the service's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "minihost/core/service_registry.h"
#include "minihost/panels/panel_services_host.h"

namespace {

using namespace minihost;

class PanelServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearRecordedPanels();
        setPanelCreateFails(false);
    }
    void TearDown() override { clearRecordedPanels(); }

    PanelServices *ps = panelServicesRecord();

    static void setInt(PanelControl *c, int attr, int v) {
        PanelValue pv{VALUE_INTEGER, v, 0.0, nullptr, 0};
        c->set(c, attr, &pv);
    }
    static void setFloat(PanelControl *c, int attr, double v) {
        PanelValue pv{VALUE_FLOAT, 0, v, nullptr, 0};
        c->set(c, attr, &pv);
    }
    static double getFloat(PanelControl *c) {
        PanelValue pv{VALUE_FLOAT, 0, -99.0, nullptr, 0};
        c->get(c, CTL_VALUE, &pv);
        return pv.fltv;
    }
    static int getInt(PanelControl *c) {
        PanelValue pv{VALUE_INTEGER, -99, 0.0, nullptr, 0};
        c->get(c, CTL_VALUE, &pv);
        return pv.intv;
    }
};

TEST_F(PanelServicesTest, RecordsControlsAttributesAndOpens) {
    ps->globalFun = globalLookup();
    PanelID p = ps->create("Title");
    ASSERT_NE(p, nullptr);
    ControlDesc fd{CTL_KIND_FLOAT, 0, 0, nullptr, 0};
    ControlDesc bd{CTL_KIND_BOOL, 0, 0, nullptr, 0};
    PanelControl *f = ps->addControl(p, "FloatControl", &fd, "value : ");
    PanelControl *b = ps->addControl(p, "BoolControl", &bd, "switch");
    ASSERT_TRUE(f && b);
    setInt(f, CTL_X, 26);
    setInt(f, CTL_Y, 0);
    setFloat(f, CTL_VALUE, 0.15);
    setInt(b, CTL_X, 8);
    setInt(b, CTL_Y, 48);
    setInt(b, CTL_VALUE, 1);
    EXPECT_EQ(getFloat(f), 0.15);
    EXPECT_EQ(getInt(b), 1);
    PanelValue px{VALUE_INTEGER, 0, 0.0, nullptr, 0};
    f->get(f, CTL_X, &px);
    EXPECT_EQ(px.intv, 26);

    scriptNextOpen(PanelAnswer::confirm().set("value : ", 1.5).set(1, 0));
    EXPECT_EQ(ps->open(p, 7), 1);
    EXPECT_EQ(getFloat(f), 1.5);
    EXPECT_EQ(getInt(b), 0);
    // Nothing scripted: the open is cancelled and the values stay.
    EXPECT_EQ(ps->open(p, 7), 0);
    EXPECT_EQ(getFloat(f), 1.5);
    ps->destroy(p);

    auto panels = recordedPanels();
    ASSERT_EQ(panels.size(), 1u);
    const RecordedPanel &r = panels[0];
    EXPECT_EQ(r.title, "Title");
    EXPECT_TRUE(r.destroyed);
    EXPECT_EQ(r.globalFun, globalLookup());
    ASSERT_EQ(r.controls.size(), 2u);
    EXPECT_EQ(r.controls[0].kind, "FloatControl");
    EXPECT_EQ(r.controls[0].label, "value : ");
    EXPECT_EQ(r.controls[0].x, 26);
    EXPECT_EQ(r.controls[1].y, 48);
    ASSERT_EQ(r.controls[0].sets.size(), 3u);
    EXPECT_EQ(r.controls[0].sets[2].attribute, CTL_VALUE);
    EXPECT_EQ(r.controls[0].sets[2].valueType, VALUE_FLOAT);
    ASSERT_EQ(r.opens.size(), 2u);
    EXPECT_EQ(r.opens[0].flags, 7);
    EXPECT_TRUE(r.opens[0].confirmed);
    EXPECT_FALSE(r.opens[1].confirmed);
    EXPECT_TRUE(r.scriptErrors.empty());

    EXPECT_EQ(panelText(r),
              "panel \"Title\" (destroyed)\n"
              "  [0] FloatControl \"value : \" at (26, 0) value 1.5\n"
              "  [1] BoolControl \"switch\" at (8, 48) value 0\n"
              "  opened with flags 7: confirmed\n"
              "  opened with flags 7: cancelled\n");
}

TEST_F(PanelServicesTest, CancelLeavesScriptedValuesUnapplied) {
    PanelID p = ps->create("T");
    ControlDesc fd{CTL_KIND_FLOAT, 0, 0, nullptr, 0};
    PanelControl *f = ps->addControl(p, "FloatControl", &fd, "a");
    setFloat(f, CTL_VALUE, 0.25);
    scriptNextOpen(PanelAnswer::cancel().set("a", 3.0));
    scriptNextOpen(PanelAnswer::confirm().set("a", 4));  // an int into a float control
    EXPECT_EQ(scriptedAnswersLeft(), 2);
    EXPECT_EQ(ps->open(p, 7), 0);
    EXPECT_EQ(getFloat(f), 0.25);
    EXPECT_EQ(ps->open(p, 7), 1);
    EXPECT_EQ(getFloat(f), 4.0);
    EXPECT_EQ(scriptedAnswersLeft(), 0);
}

TEST_F(PanelServicesTest, ScriptMistakesAreRecordedNotGuessed) {
    PanelID p = ps->create("T");
    ControlDesc fd{CTL_KIND_FLOAT, 0, 0, nullptr, 0};
    PanelControl *f = ps->addControl(p, "FloatControl", &fd, "a");
    setFloat(f, CTL_VALUE, 0.5);
    scriptNextOpen(
        PanelAnswer::confirm().set("missing", 1.0).set(5, 1.0).set(-1, 1.0).set("a", std::string("text")));
    EXPECT_EQ(ps->open(p, 7), 1);
    EXPECT_EQ(getFloat(f), 0.5);
    auto r = recordedPanels().at(0);
    ASSERT_EQ(r.scriptErrors.size(), 4u);
    EXPECT_EQ(r.scriptErrors[0], "script names no control \"missing\"");
    EXPECT_EQ(r.scriptErrors[1], "script names no control 5");
    EXPECT_EQ(r.scriptErrors[3], "control \"a\" (FloatControl) cannot take the scripted value");
}

TEST_F(PanelServicesTest, ChoiceAreaAndFileControls) {
    PanelID p = ps->create("Util");
    const char *items[] = {"All objects", "Selected objects", nullptr};
    ControlDesc cd{CTL_KIND_CHOICE, 0, 0, items, 1};
    ControlDesc ad{CTL_KIND_AREA, 200, 40, nullptr, 0};
    ControlDesc fd{CTL_KIND_FILE, 40, 0, nullptr, 0};
    PanelControl *choice = ps->addControl(p, "ChoiceControl", &cd, "apply to");
    PanelControl *area = ps->addControl(p, "AreaControl", &ad, "");
    PanelControl *file = ps->addControl(p, "FileControl", &fd, "preset");
    ASSERT_TRUE(choice && area && file);

    char init[] = "start.qvy";
    PanelValue sv{VALUE_STRING, 0, 0.0, init, int(sizeof init)};
    file->set(file, CTL_VALUE, &sv);
    scriptNextOpen(PanelAnswer::confirm()
                       .set("apply to", 1)
                       .set("preset", std::string("/a/rather/long/path/preset.qvy")));
    EXPECT_EQ(ps->open(p, 7), 1);
    EXPECT_EQ(getInt(choice), 1);

    // A string read is bounded by the module's buffer and always ended.
    char small[8];
    std::memset(small, 'x', sizeof small);
    PanelValue out{VALUE_STRING, 0, 0.0, small, int(sizeof small)};
    file->get(file, CTL_VALUE, &out);
    EXPECT_STREQ(small, "/a/rath");
    char big[64];
    PanelValue out2{VALUE_STRING, 0, 0.0, big, int(sizeof big)};
    file->get(file, CTL_VALUE, &out2);
    EXPECT_STREQ(big, "/a/rather/long/path/preset.qvy");
    // A string set is read no further than its bufLen, even unterminated.
    char raw[4] = {'a', 'b', 'c', 'd'};
    PanelValue rv{VALUE_STRING, 0, 0.0, raw, 4};
    file->set(file, CTL_VALUE, &rv);
    file->get(file, CTL_VALUE, &out2);
    EXPECT_STREQ(big, "abcd");

    // An area has a size and no value.
    PanelValue aw{VALUE_NONE, 0, 0.0, nullptr, 0};
    area->get(area, CTL_W, &aw);
    EXPECT_EQ(aw.type, VALUE_INTEGER);
    EXPECT_EQ(aw.intv, 200);

    auto r = recordedPanels().at(0);
    EXPECT_EQ(r.controls[0].items.size(), 2u);
    EXPECT_EQ(r.controls[0].items[1], "Selected objects");
    EXPECT_EQ(r.controls[2].descWidth, 40);
    EXPECT_EQ(panelText(r),
              "panel \"Util\"\n"
              "  [0] ChoiceControl \"apply to\" at (0, 0) vertical items \"All objects\" "
              "\"Selected objects\" value 1\n"
              "  [1] AreaControl \"\" at (0, 0) size 200 x 40\n"
              "  [2] FileControl \"preset\" at (0, 0) width 40 value \"abcd\"\n"
              "  opened with flags 7: confirmed\n");
}

TEST_F(PanelServicesTest, RefusesBadKindsDescriptorsAndHandles) {
    PanelID p = ps->create(nullptr);
    ASSERT_NE(p, nullptr);
    ControlDesc fd{CTL_KIND_FLOAT, 0, 0, nullptr, 0};
    ControlDesc bd{CTL_KIND_BOOL, 0, 0, nullptr, 0};
    EXPECT_EQ(ps->addControl(p, "SliderControl", &fd, "x"), nullptr);
    EXPECT_EQ(ps->addControl(p, nullptr, &fd, "x"), nullptr);
    EXPECT_EQ(ps->addControl(p, "FloatControl", nullptr, "x"), nullptr);
    EXPECT_EQ(ps->addControl(p, "FloatControl", &bd, "x"), nullptr);  // kind code of a bool
    PanelControl *f = ps->addControl(p, "FloatControl", &fd, nullptr);
    ASSERT_NE(f, nullptr);

    // Handles this service never gave out.
    int foreign = 0;
    PanelID bogus = reinterpret_cast<PanelID>(&foreign);
    EXPECT_EQ(ps->addControl(bogus, "FloatControl", &fd, "x"), nullptr);
    EXPECT_EQ(ps->open(bogus, 7), 0);
    ps->destroy(bogus);
    PanelControl fake{f->get, f->set, nullptr};
    setFloat(&fake, CTL_VALUE, 9.0);
    EXPECT_EQ(getFloat(&fake), -99.0);  // untouched
    f->get(f, CTL_VALUE, nullptr);

    // A destroyed panel takes no more controls and no opens.
    scriptNextOpen(PanelAnswer::confirm());
    ps->destroy(p);
    ps->destroy(p);
    EXPECT_EQ(ps->addControl(p, "FloatControl", &fd, "x"), nullptr);
    EXPECT_EQ(ps->open(p, 7), 0);
    EXPECT_EQ(scriptedAnswersLeft(), 1);  // the answer waits for a live panel

    setPanelCreateFails(true);
    EXPECT_EQ(ps->create("T"), nullptr);
    auto r = recordedPanels();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].title, "");
    EXPECT_EQ(r[0].controls.size(), 1u);
}

TEST_F(PanelServicesTest, NumbersConvertSafelyBetweenKinds) {
    PanelID p = ps->create("T");
    ControlDesc bd{CTL_KIND_BOOL, 0, 0, nullptr, 0};
    PanelControl *b = ps->addControl(p, "BoolControl", &bd, "b");
    setFloat(b, CTL_VALUE, 1e300);  // saturates rather than overflowing
    EXPECT_EQ(getInt(b), 2147483647);
    setFloat(b, CTL_VALUE, std::nan(""));
    EXPECT_EQ(getInt(b), 0);
    setInt(b, CTL_VALUE, 1);
    EXPECT_EQ(getFloat(b), 1.0);
    char buf[16];
    PanelValue sv{VALUE_STRING, 0, 0.0, buf, int(sizeof buf)};
    b->get(b, CTL_VALUE, &sv);
    EXPECT_STREQ(buf, "1");
}

TEST_F(PanelServicesTest, InstalledUnderItsServiceName) {
    installPanelServices();
    EXPECT_EQ(registry().lookup(SERVICE_PANEL_SERVICES), panelServicesRecord());
    registry().remove(SERVICE_PANEL_SERVICES);
}

}  // namespace
