// TraceStep1 and TraceStep2 through the host records: flags and descriptions,
// the twelve settings in both save representations, blocks with missing or
// foreign parameters, copies, the panel, init and new-time.
#include <gtest/gtest.h>

#include <cstring>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "tests/host/stroke_tracer_fixture.h"

namespace stroketest {
namespace {

using minihost::xpanelValue;

double number(XPanelID panel, const char *name) { return std::get<double>(*xpanelValue(panel, name)); }
int32_t integer(XPanelID panel, const char *name) { return std::get<int32_t>(*xpanelValue(panel, name)); }

const char *const kDoubleNames[] = {"brush_rotate", "brush_squash", "norm_err",  "dist_err", "dist_range",
                                    "aa_jitter",    "brush_min",    "brush_max", "mat_edge", "noise_size"};

using TraceStep1Host = StrokeTracerHost;

TEST_F(TraceStep1Host, FlagsAndDescriptions) {
    Instance a = createStep1(), b = createStep2();
    EXPECT_EQ(step1_.flags(a), 0x8000002Fu);
    EXPECT_EQ(step2_.flags(b), 35u);
    EXPECT_STREQ(step1Inst_.describe(a), "QM_Quillrim_S:TraceStep1");
    EXPECT_STREQ(step2Inst_.describe(b), "QM_Quillrim_S:TraceStep2");
    EXPECT_EQ(rendFuncs_.init(a, 0), nullptr);
    rendFuncs_.cleanup(a);
    EXPECT_EQ(itemFuncs_.useItems(a), nullptr);
}

TEST_F(TraceStep1Host, FreshInstanceSavesTwelveDefaultsAfterVersion256) {
    Instance inst = createStep1();
    minihost::StateItem root;
    ASSERT_NO_THROW(minihost::parseStateText(save(step1Inst_, inst, IO_MODE_TEXT), root));
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].kind, minihost::StateItem::Kind::I4);
    EXPECT_EQ(root.children[0].ints, std::vector<int64_t>{256});
    const minihost::StateItem &block = root.children[1];
    EXPECT_EQ(block.token, "PluginDataLib");
    ASSERT_GE(block.children.size(), 13u);
    EXPECT_EQ(block.children[0].ints, std::vector<int64_t>{12});
    const char *order[12] = {"brush_rotate", "brush_squash", "norm_err",  "dist_err",
                             "dist_range",   "only_line",    "aa_sample", "aa_jitter",
                             "brush_min",    "brush_max",    "mat_edge",  "noise_size"};
    for (int i = 0; i < 12; ++i) {
        const minihost::StateItem &p = block.children[size_t(i) + 1];
        EXPECT_EQ(p.token, "PluginDataParam");
        ASSERT_GE(p.children.size(), 3u);
        EXPECT_EQ(p.children[0].data, order[i]);
        const bool isInt = i == 5 || i == 6;
        EXPECT_EQ(p.children[1].ints, std::vector<int64_t>{isInt ? 0x50494E54 : 0x5044424C}) << order[i];
    }
    // norm_err 0.1 as eight bytes, most significant first.
    EXPECT_EQ(block.children[3].children[2].data, std::string("\x3F\xB9\x99\x99\x99\x99\x99\x9A", 8));
    EXPECT_EQ(block.children[7].children[2].ints, std::vector<int64_t>{1});  // aa_sample

    // TraceStep2: the version word and a block with no parameters.
    Instance step2 = createStep2();
    minihost::StateItem empty;
    ASSERT_NO_THROW(minihost::parseStateText(save(step2Inst_, step2, IO_MODE_TEXT), empty));
    ASSERT_EQ(empty.children.size(), 2u);
    EXPECT_EQ(empty.children[0].ints, std::vector<int64_t>{256});
    ASSERT_EQ(empty.children[1].children.size(), 1u);
    EXPECT_EQ(empty.children[1].children[0].ints, std::vector<int64_t>{0});
    load(step2Inst_, step2, IO_MODE_BINARY, save(step2Inst_, step2, IO_MODE_BINARY));
}

TEST_F(TraceStep1Host, SettingsRoundTripInBothRepresentations) {
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        Instance from = createStep1();
        XPanelID panel = panelFor(from);
        ASSERT_NE(panel, nullptr);
        double v = 0.15;
        for (const char *name : kDoubleNames) ASSERT_TRUE(minihost::xpanelSet(panel, name, v += 0.1));
        ASSERT_TRUE(minihost::xpanelSet(panel, "only_line", int32_t(1)));
        ASSERT_TRUE(minihost::xpanelSet(panel, "aa_sample", int32_t(2)));
        const std::string bytes = save(step1Inst_, from, mode);

        Instance to = createStep1();
        load(step1Inst_, to, mode, bytes);
        XPanelID loaded = panelFor(to);
        for (const char *name : kDoubleNames) EXPECT_EQ(number(loaded, name), number(panel, name)) << name;
        EXPECT_EQ(integer(loaded, "only_line"), 1);
        EXPECT_EQ(integer(loaded, "aa_sample"), 2);
        EXPECT_EQ(save(step1Inst_, to, mode), bytes);
    }
}

TEST_F(TraceStep1Host, BlocksWithMissingOrForeignParameters) {
    // Written by hand: two known parameters, an unknown name and a known name
    // with another type code.
    minihost::MemorySaveState ss(IO_MODE_BINARY);
    const SaveState *s = ss.state();
    const int32_t version = 256, count = 4, sample = 2;
    const BlockIdent lib{0x50444C42, "PluginDataLib"}, param{0x50445052, "PluginDataParam"};
    auto begin = [&](const char *name, uint32_t type) {
        s->beginBlock(s->writeData, &param, 0);
        s->writeStr(s->writeData, name);
        s->writeU4(s->writeData, &type, 1);
    };
    s->writeI4(s->writeData, &version, 1);
    s->beginBlock(s->writeData, &lib, 0);
    s->writeI4(s->writeData, &count, 1);
    begin("brush_max", 0x5044424C);
    s->writeBytes(s->writeData, "\x40\x1E\x00\x00\x00\x00\x00\x00", 8);  // 7.5
    s->endBlock(s->writeData);
    begin("line_only", 0x50494E54);
    s->writeI4(s->writeData, &sample, 1);
    s->endBlock(s->writeData);
    begin("norm_err", 0x50464C54);  // a float where a double is expected
    const float f = 0.9f;
    s->writeFP(s->writeData, &f, 1);
    s->endBlock(s->writeData);
    begin("aa_sample", 0x50494E54);
    s->writeI4(s->writeData, &sample, 1);
    s->endBlock(s->writeData);
    s->endBlock(s->writeData);

    Instance inst = createStep1();
    load(step1Inst_, inst, IO_MODE_BINARY, ss.bytes());
    XPanelID panel = panelFor(inst);
    EXPECT_EQ(number(panel, "brush_max"), 7.5);
    EXPECT_EQ(integer(panel, "aa_sample"), 2);
    EXPECT_EQ(number(panel, "norm_err"), 0.1);   // skipped: wrong type
    EXPECT_EQ(number(panel, "brush_min"), 1.0);  // missing: default kept
    EXPECT_EQ(number(panel, "noise_size"), 16.0);

    // Another version word: nothing is read.
    std::string other = ss.bytes();
    other[3] = 1;  // 257
    Instance untouched = createStep1();
    load(step1Inst_, untouched, IO_MODE_BINARY, other);
    EXPECT_EQ(number(panelFor(untouched), "brush_max"), 3.0);
    // Damaged streams load nothing and never crash.
    for (size_t cut = 0; cut < ss.bytes().size(); cut += 7)
        load(step1Inst_, untouched, IO_MODE_BINARY, ss.bytes().substr(0, cut));
    load(step1Inst_, untouched, IO_MODE_TEXT, "{ nonsense");
}

TEST_F(TraceStep1Host, CopyTakesEverySettingAndTheDescription) {
    Instance from = createStep1(), to = createStep1();
    XPanelID panel = panelFor(from);
    ASSERT_TRUE(minihost::xpanelSet(panel, "brush_squash", 0.6));
    ASSERT_TRUE(minihost::xpanelSet(panel, "only_line", int32_t(1)));
    const char *text = step1Inst_.describe(from);
    EXPECT_EQ(step1Inst_.copy(to, from), nullptr);
    XPanelID copy = panelFor(to);
    EXPECT_EQ(number(copy, "brush_squash"), 0.6);
    EXPECT_EQ(integer(copy, "only_line"), 1);
    EXPECT_STREQ(text, "QM_Quillrim_S:TraceStep1");

    Instance a = createStep2(), b = createStep2();
    step2Inst_.describe(a);
    EXPECT_EQ(step2Inst_.copy(b, a), nullptr);
}

TEST_F(TraceStep1Host, PanelPrintsBothTabsAndEnablesJitterOnlyForHq) {
    Instance inst = createStep1();
    XPanelID panel = panelFor(inst);
    ASSERT_NE(panel, nullptr);
    const auto rec = minihost::xpanelRecordOf(panel);
    EXPECT_EQ(rec->type, XPANEL_VIEW);
    EXPECT_EQ(rec->userData, inst);
    EXPECT_EQ(rec->instance, inst);
    EXPECT_EQ(minihost::xpanelText(panel),
              "XPanel \"QM's Quill-Rim (Grade-S) version 0.18a Options\"\n"
              "Tab \"Basic\"\n"
              "  Group\n"
              "    [0x8007] AA sample : 2x2 Standard\n"
              "    [0x8008] AA jitter : 50 %  (disabled)\n"
              "    [0x8006] Render only lines. off\n"
              "  Group\n"
              "    [0x8003] Normal error factor [0-1] : 0.1\n"
              "    [0x8004] Dist error factor [0-n] : 0.02\n"
              "    [0x8005] Dist error range [0-n] : 0.05\n"
              "Tab \"Brush\"\n"
              "  Group\n"
              "    [0x8009] Min brush size [pixel] : 1\n"
              "    [0x800A] Max brush size [pixel] : 3\n"
              "  Group\n"
              "    [0x8001] Brush base angle : 0 deg\n"
              "    [0x8002] Brush squash scale : 25 %\n"
              "    [0x800B] Material edge level [0-1] : 0.5\n"
              "    [0x800C] Stroke noise scale : 16\n");
    for (int32_t choice : {0, 1, 2}) {
        ASSERT_TRUE(minihost::xpanelSet(panel, "aa_sample", choice));
        EXPECT_EQ(minihost::xpanelEnabled(panel, 0x8008), choice == 2) << choice;
    }
    // Values are stored as given, without range checks.
    ASSERT_TRUE(minihost::xpanelSet(panel, "norm_err", -4.0));
    EXPECT_EQ(number(panel, "norm_err"), -4.0);
}

TEST_F(TraceStep1Host, NoPanelServiceNoPanel) {
    Instance inst = createStep1();
    minihost::registry().withhold(SERVICE_XPANEL);
    EXPECT_EQ(panelFor(inst), nullptr);
    minihost::registry().restore(SERVICE_XPANEL);
    minihost::setXPanelCreateFails(true);
    EXPECT_EQ(panelFor(inst), nullptr);
    minihost::setXPanelCreateFails(false);
    InterfaceRecord rec{};
    EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_INTERFACE, kStep1, 3, &rec), AFUNC_BADVERSION);
}

TEST_F(TraceStep1Host, InitPublishesTheInstanceAndNewTimeMakesTheStore) {
    Instance inst = createStep1();
    XPanelID panel = panelFor(inst);
    ASSERT_TRUE(minihost::xpanelSet(panel, "aa_sample", int32_t(2)));
    EXPECT_EQ(rendFuncs_.init(inst, 0), nullptr);
    EXPECT_EQ(minihost::renderMemoryBlockSize(kPixelDataName), sizeof(void *));
    EXPECT_EQ(*static_cast<void **>(minihost::renderMemoryRecord()->find(kPixelDataName)), inst);

    renderPass(inst, 20, 10);
    StoreHeader *h = store();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->factor, 3);
    EXPECT_EQ(h->gridWidth, 60);
    EXPECT_EQ(h->gridHeight, 30);
    EXPECT_EQ(h->passDone, 1);
    // The factor is fixed at creation: a later change leaves the grid alone.
    ASSERT_TRUE(minihost::xpanelSet(panel, "aa_sample", int32_t(0)));
    renderPass(inst, 20, 10);
    EXPECT_EQ(store()->gridWidth, 60);

    // Without render memory for the PixelData block, init still succeeds.
    minihost::discardRenderMemory();
    minihost::setRenderMemoryCreateFails(true);
    EXPECT_EQ(rendFuncs_.init(inst, 0), nullptr);
    EXPECT_EQ(minihost::renderMemoryRecord()->find(kPixelDataName), nullptr);
}

}  // namespace
}  // namespace stroketest
