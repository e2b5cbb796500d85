// Variant parameters against minihost's variant-parameter, envelope and
// channel services: channel names and groups, texture events, and the
// "VPRM" block with its "VENV" blocks in both representations.
#include <gtest/gtest.h>

#include <mutex>
#include <regex>

#include "minihost/core/service_registry.h"
#include "minihost/services/core_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "minihost/vparams/channel_registry.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "paramlib/vparam.h"
#include "paramlib/vparam_services.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

namespace mv = minihost::vparams;

class VparamTest : public ::testing::Test {
protected:
    void SetUp() override {
        setEdition(&kStrokeEdition);
        minihost::installCoreServices();
        moduleState().global = minihost::globalLookup();
        resetVparamServicesForTests();
        resetTextureSupportForTests();
        const EnvelopeFuncs *env =
            static_cast<EnvelopeFuncs *>(moduleState().global(SERVICE_ENVELOPE_FUNCS, 0));
        ASSERT_NE(env, nullptr);
        owner_ = env->createGroup(nullptr, "QM_Quillrim_S:Shader");
    }
    void TearDown() override {
        resetVparamServicesForTests();
        resetTextureSupportForTests();
        moduleState().global = nullptr;
    }

    static mv::Vparm *hostSide(const Vparam &vp) { return mv::registry().vparm(vp.hostParam()); }

    // Gives channel `index` of the parameter an envelope with one key.
    static void animate(const Vparam &vp, int index, double value) {
        std::unique_lock lock(mv::registry().mutex);
        mv::Envelope *e = mv::registry().createVparmEnvelope(hostSide(vp), index, value);
        e->data.keys.push_back({0.5, value});
    }

    static int countBlocks(const minihost::StateItem &item, const std::string &token) {
        int n = item.kind == minihost::StateItem::Kind::Block && item.token == token ? 1 : 0;
        for (const auto &c : item.children) n += countBlocks(c, token);
        return n;
    }
    static minihost::StateItem savedTree(const Vparam &vp) {
        minihost::MemorySaveState ss(IO_MODE_TEXT);
        vp.save(ss.state());
        minihost::StateItem root;
        EXPECT_NO_THROW(minihost::parseStateText(ss.bytes(), root));
        return root;
    }

    ChanGroupID owner_ = nullptr;
};

TEST_F(VparamTest, ColourGetsItsOwnGroupScalarKeepsNameAndGroup) {
    int surfaceStandIn = 0;
    Vparam color, scalar;
    color.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "QM_Quillrim_S:Shader", &surfaceStandIn);
    scalar.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "QM_Quillrim_S:Shader", nullptr);
    ASSERT_NE(color.hostParam(), nullptr);
    ASSERT_NE(scalar.hostParam(), nullptr);
    EXPECT_EQ(vparamService(), vparamServices().vparm);

    const mv::Vparm *c = hostSide(color);
    ASSERT_NE(c->group, nullptr);
    EXPECT_TRUE(std::regex_match(c->channelName, std::regex("line_color_[0-9a-f]{8}"))) << c->channelName;
    EXPECT_EQ(c->group->name, c->channelName);
    EXPECT_EQ(reinterpret_cast<ChanGroupID>(c->group->parent), owner_);
    EXPECT_EQ(c->pluginName, "QM_Quillrim_S:Shader");
    EXPECT_EQ(c->userData, &color);

    const mv::Vparm *s = hostSide(scalar);
    EXPECT_EQ(s->channelName, "line_boost");
    EXPECT_EQ(reinterpret_cast<ChanGroupID>(s->group), owner_);
    // Both are set up with the module's one texture context.
    EXPECT_NE(s->context, nullptr);
    EXPECT_EQ(s->context, c->context);

    // Two live colours never share a channel name.
    Vparam other;
    other.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    EXPECT_NE(hostSide(other)->channelName, c->channelName);

    // Values start at zero.
    double v[3] = {9, 9, 9};
    vparamService()->getVal(color.hostParam(), 0.0, nullptr, v);
    EXPECT_EQ(v[0] + v[1] + v[2], 0.0);

    // The bounding-box event: without an owner context the default box;
    // every event answers 1.
    double box[6] = {};
    ASSERT_NE(s->eventFunc, nullptr);
    EXPECT_EQ(s->eventFunc(nullptr, s->userData, TXEVENT_BBOX, box), 1);
    const double expected[6] = {-0.5, 0.5, -0.5, 0.5, -0.5, 0.5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box[i], expected[i]);
    EXPECT_EQ(s->eventFunc(nullptr, s->userData, TXEVENT_ENVGROUP, nullptr), 1);
    EXPECT_EQ(s->eventFunc(nullptr, s->userData, 99, nullptr), 1);
    EXPECT_EQ(scalar.cleanup(), 0);  // untextured
    scalar.newTime(1.0, 24);
}

TEST_F(VparamTest, OneVenvBlockPerStoredEnvelope) {
    Vparam none, first, all, firstTwo;
    for (Vparam *vp : {&none, &first, &all, &firstTwo})
        vp->construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    animate(first, 0, 0.3);
    for (int i = 0; i < 3; ++i) animate(all, i, 0.1 * (i + 1));
    animate(firstTwo, 0, 0.4);
    animate(firstTwo, 1, 0.6);
    EXPECT_EQ(countBlocks(savedTree(none), "Vparam"), 1);
    EXPECT_EQ(countBlocks(savedTree(none), "VparamEnv"), 0);
    EXPECT_EQ(countBlocks(savedTree(first), "VparamEnv"), 1);
    EXPECT_EQ(countBlocks(savedTree(all), "VparamEnv"), 3);
    EXPECT_EQ(countBlocks(savedTree(firstTwo), "VparamEnv"), 1);
    // Untextured: no image blocks.
    EXPECT_EQ(countBlocks(savedTree(all), "ImageEnvelope"), 0);
    EXPECT_EQ(countBlocks(savedTree(all), "ImageRef"), 0);
}

TEST_F(VparamTest, SaveAndLoadRoundTripInBothRepresentations) {
    Vparam source;
    source.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    const double value[3] = {0.25, 0.5, 0.75};
    vparamService()->setVal(source.hostParam(), value);
    for (int i = 0; i < 3; ++i) animate(source, i, 0.2 * (i + 1));
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        minihost::MemorySaveState ss(mode);
        source.save(ss.state());
        Vparam target;
        target.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
        minihost::MemoryLoadState ls(mode, ss.bytes());
        target.load(ls.state());
        for (double t : {0.0, 0.5, 2.0}) {
            double a[3], b[3];
            vparamService()->getVal(source.hostParam(), t, nullptr, a);
            vparamService()->getVal(target.hostParam(), t, nullptr, b);
            for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(a[k], b[k]) << "mode " << mode << " t " << t;
        }
        EnvelopeID envs[3] = {};
        vparamService()->getEnv(target.hostParam(), envs);
        EXPECT_TRUE(envs[0] && envs[1] && envs[2]);
    }
}

TEST_F(VparamTest, AForeignBlockOrAnotherVersionLeavesTheParameterAlone) {
    Vparam source;
    source.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
    const double one[3] = {0.9, 0.9, 0.9};
    vparamService()->setVal(source.hostParam(), one);
    minihost::MemorySaveState ss(IO_MODE_TEXT);
    source.save(ss.state());
    std::string text = ss.bytes();
    text.replace(text.find("I4 256"), 6, "I4 255");

    Vparam target;
    target.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
    minihost::MemoryLoadState ls(IO_MODE_TEXT, text + "I4 77\n");
    target.load(ls.state());
    double v[3] = {};
    vparamService()->getVal(target.hostParam(), 0.0, nullptr, v);
    EXPECT_EQ(v[0], 0.0);
    // The whole block was skipped: what follows it is read next.
    int32_t after = 0;
    EXPECT_EQ(ls.state()->readI4(ls.state()->readData, &after, 1), 1);
    EXPECT_EQ(after, 77);

    // No block at all, and an empty stream: nothing changes, nothing breaks.
    minihost::MemoryLoadState empty(IO_MODE_BINARY, "");
    target.load(empty.state());
    target.load(nullptr);
    target.save(nullptr);
}

TEST(VparamWithoutServices, EveryOperationIsHarmless) {
    resetVparamServicesForTests();
    moduleState().global = nullptr;
    Vparam vp;
    vp.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, nullptr, "p", nullptr);
    EXPECT_EQ(vp.hostParam(), nullptr);
    EXPECT_EQ(vparamService(), nullptr);
    vp.newTime(0.0, 1);
    EXPECT_EQ(vp.cleanup(), 0);
    minihost::MemorySaveState ss(IO_MODE_BINARY);
    vp.save(ss.state());
    minihost::MemoryLoadState ls(IO_MODE_BINARY, ss.bytes());
    vp.load(ls.state());
}

}  // namespace
}  // namespace qr
