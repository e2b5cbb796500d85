// Textured variant parameters against a fake host that offers textures:
// the services fetched once, the shared context handed to the set-up, a safe
// channel name for an overlong name, the texture events and per-frame calls,
// and the image blocks that end a textured parameter's "VPRM" block.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "fake_texture_host.h"
#include "minihost/states/memory_states.h"
#include "module_base/module_state.h"
#include "paramlib/param_elements.h"
#include "paramlib/texture_holder.h"
#include "paramlib/vparam.h"
#include "paramlib/vparam_services.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

using testing::FakeTextureHost;
using testing::FakeVparm;

TextureID fakeTexture() {
    static int texture;
    return reinterpret_cast<TextureID>(&texture);
}

class VparamTextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        host().reset();
        resetVparamServicesForTests();
        resetTextureSupportForTests();
        moduleState().global = FakeTextureHost::lookup;
        owner_ = host().envelopes.createGroup(nullptr, "QM_Quillrim_S:Shader");
        host().groups.clear();
    }
    void TearDown() override {
        resetVparamServicesForTests();
        resetTextureSupportForTests();
        moduleState().global = nullptr;
    }
    static FakeTextureHost &host() { return FakeTextureHost::get(); }
    static FakeVparm &fake(const Vparam &vp) { return *FakeTextureHost::of(vp.hostParam()); }
    static void makeTextured(const Vparam &vp) {
        fake(vp).state = VPSTATE_TEXTURE;
        fake(vp).texture = fakeTexture();
    }

    ChanGroupID owner_ = nullptr;
};

TEST_F(VparamTextureTest, ConstructionSetsUpWithTheSharedContextAndASafeName) {
    Vparam untextured;
    untextured.construct("flat", VPTYPE_PERCENT, VPTEX_NONE, owner_, "QM_Quillrim_S:Shader", nullptr);
    // The four variant-parameter services come first, in their order.
    ASSERT_GE(host().lookups.size(), 4u);
    EXPECT_EQ(host().lookups[0], "LWVParmFuncs 2");
    EXPECT_EQ(host().lookups[1], "Animation Envelopes");
    EXPECT_EQ(host().lookups[2], "Texture Functions 3");
    EXPECT_EQ(host().lookups[3], "Channel Info 2");
    EXPECT_EQ(host().lookups.size(), 4u);  // texture type -1: no context asked for
    EXPECT_EQ(fake(untextured).context, nullptr);
    EXPECT_EQ(host().contextsCreated, 0);

    int surfaceStandIn = 0;
    Vparam color;
    color.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "QM_Quillrim_S:Shader", &surfaceStandIn);
    const FakeVparm &c = fake(color);
    EXPECT_EQ(c.valueType, VPTYPE_COLOR);
    EXPECT_EQ(c.textureType, VPTEX_COLOR);
    EXPECT_EQ(c.context, FakeTextureHost::contextHandle());
    EXPECT_EQ(host().contextsCreated, 1);
    EXPECT_TRUE(std::regex_match(c.channelName, std::regex("line_color_[0-9a-f]{8}"))) << c.channelName;
    ASSERT_EQ(host().groups.size(), 1u);
    EXPECT_EQ(host().groups[0].name, c.channelName);
    EXPECT_EQ(host().groups[0].parent, owner_);
    EXPECT_EQ(c.group, reinterpret_cast<ChanGroupID>(&host().groups[0]));
    EXPECT_EQ(c.userData, &color);
    EXPECT_EQ(c.pluginName, "QM_Quillrim_S:Shader");
    EXPECT_EQ(c.value[0], 0.0);
    EXPECT_EQ(c.value[1], 0.0);
    EXPECT_EQ(c.value[2], 0.0);

    // Fetched once per module: later constructions ask for nothing.
    const size_t asked = host().lookups.size();
    Vparam scalar;
    scalar.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
    EXPECT_EQ(host().lookups.size(), asked);
    EXPECT_EQ(fake(scalar).channelName, "line_boost");
    EXPECT_EQ(fake(scalar).group, owner_);
    EXPECT_EQ(fake(scalar).context, FakeTextureHost::contextHandle());

    // An overlong name is cut, never overrun; live colours stay distinct.
    const std::string longName(1000, 'n');
    Vparam longColor, other;
    longColor.construct(longName.c_str(), VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    other.construct(longName.c_str(), VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    EXPECT_LT(fake(longColor).channelName.size(), 1000u);
    EXPECT_EQ(fake(longColor).channelName.compare(0, 100, longName, 0, 100), 0);
    Vparam a, b;
    a.construct("x", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    b.construct("x", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    EXPECT_NE(fake(a).channelName, fake(b).channelName);

    // A null name is taken as empty.
    Vparam unnamed;
    unnamed.construct(nullptr, VPTYPE_PERCENT, VPTEX_NONE, owner_, nullptr, nullptr);
    EXPECT_EQ(fake(unnamed).channelName, "");
}

TEST_F(VparamTextureTest, TextureEventsAndFrameCallsReachTheTexture) {
    int surfaceStandIn = 0;
    auto *color = new Vparam;
    color->construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", &surfaceStandIn);
    FakeVparm &c = fake(*color);
    ASSERT_NE(c.event, nullptr);

    // Untextured: no texture calls; cleanup answers 0.
    EXPECT_EQ(c.event(nullptr, c.userData, TXEVENT_ENVGROUP, nullptr), 1);
    EXPECT_TRUE(host().envGroupsSet.empty());
    color->newTime(1.5, 36);
    EXPECT_TRUE(host().newTimes.empty());
    EXPECT_EQ(color->cleanup(), 0);

    makeTextured(*color);
    EXPECT_EQ(c.event(fakeTexture(), c.userData, TXEVENT_ENVGROUP, nullptr), 1);
    ASSERT_EQ(host().envGroupsSet.size(), 1u);
    EXPECT_EQ(host().envGroupsSet[0].first, fakeTexture());
    EXPECT_EQ(host().envGroupsSet[0].second, owner_);  // the owner's group, not the colour's sub-group
    color->newTime(1.5, 36);
    ASSERT_EQ(host().newTimes.size(), 1u);
    EXPECT_EQ(host().newTimes[0].first, fakeTexture());
    EXPECT_EQ(host().newTimes[0].second, 1.5);
    EXPECT_EQ(host().newTimeFrames[0], 36);
    EXPECT_EQ(color->cleanup(), 1);  // the service's own answer
    EXPECT_EQ(color->cleanup(), 2);

    // Bounding box with an owner context but no scene services: the default
    // box; the same without an owner context. Null event data is ignored.
    double box[6] = {};
    EXPECT_EQ(c.event(fakeTexture(), c.userData, TXEVENT_BBOX, box), 1);
    const double fallback[6] = {-0.5, 0.5, -0.5, 0.5, -0.5, 0.5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box[i], fallback[i]);
    EXPECT_EQ(c.event(fakeTexture(), c.userData, TXEVENT_BBOX, nullptr), 1);
    EXPECT_EQ(c.event(fakeTexture(), nullptr, TXEVENT_BBOX, box), 1);
    EXPECT_EQ(c.event(fakeTexture(), c.userData, 3, box), 1);

    // The destructor destroys the host parameter.
    delete color;
    EXPECT_TRUE(c.destroyed);
}

TEST_F(VparamTextureTest, ATexturedBlockEndsWithItsImageBlocksInBothRepresentations) {
    Vparam plain;
    plain.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
    minihost::MemorySaveState plainSave(IO_MODE_TEXT);
    plain.save(plainSave.state());
    EXPECT_EQ(plainSave.bytes().find("ImageEnvelope"), std::string::npos);
    EXPECT_EQ(plainSave.bytes().find("ImageRef"), std::string::npos);

    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        Vparam source, target;
        source.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
        target.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
        makeTextured(source);
        makeTextured(target);
        fake(source).value[0] = 0.625;
        minihost::MemorySaveState ss(mode);
        source.save(ss.state());
        // The fake texture has no layers: each block holds its count 0.
        const std::string bytes = ss.bytes();
        const size_t envelopes = bytes.find(mode == IO_MODE_TEXT ? "ImageEnvelope" : "IENV");
        const size_t references = bytes.find(mode == IO_MODE_TEXT ? "ImageRef" : "IREF");
        ASSERT_NE(envelopes, std::string::npos) << mode;
        ASSERT_NE(references, std::string::npos) << mode;
        EXPECT_LT(envelopes, references);

        // Something written after the block is read next: the block ends cleanly.
        const int32_t marker = 4242;
        ss.state()->writeI4(ss.state()->writeData, &marker, 1);
        minihost::MemoryLoadState ls(mode, ss.bytes());
        target.load(ls.state());
        EXPECT_EQ(fake(target).value[0], 0.625) << "mode " << mode;
        int32_t after = 0;
        EXPECT_EQ(ls.state()->readI4(ls.state()->readData, &after, 1), 1);
        EXPECT_EQ(after, marker);
    }
}

TEST_F(VparamTextureTest, ArraysSaveEachElementAndEmptyTextureHolders) {
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        Vparam source[2], target[2];
        for (int i = 0; i < 2; ++i) {
            source[i].construct("v", VPTYPE_PERCENT, VPTEX_NONE, owner_, "p", nullptr);
            target[i].construct("v", VPTYPE_PERCENT, VPTEX_NONE, owner_, "p", nullptr);
            fake(source[i]).value[0] = 0.25 * (i + 1);
        }
        minihost::MemorySaveState ss(mode);
        saveVparams(ss.state(), source, 2);
        const size_t size = ss.bytes().size();
        saveTextureHolders(ss.state(), nullptr, 3);
        EXPECT_EQ(ss.bytes().size(), size);
        TextureHolder empty[2];  // no texture: each a "PTEX" block without its data
        saveTextureHolders(ss.state(), empty, 2);
        EXPECT_GT(ss.bytes().size(), size);
        minihost::MemoryLoadState ls(mode, ss.bytes());
        loadTextureHolders(ls.state(), nullptr, 3);
        loadVparams(ls.state(), target, 2);
        loadTextureHolders(ls.state(), empty, 2);
        int32_t nothingLeft = 0;
        EXPECT_EQ(ls.state()->readI4(ls.state()->readData, &nothingLeft, 1), 0);
        EXPECT_EQ(fake(target[0]).value[0], 0.25) << mode;
        EXPECT_EQ(fake(target[1]).value[0], 0.5) << mode;
        saveVparams(ss.state(), nullptr, 2);
        loadVparams(ls.state(), nullptr, 2);
    }
}

TEST_F(VparamTextureTest, MissingServicesLeaveEveryOperationHarmless) {
    // Variant parameters without envelopes or textures: a colour is still set
    // up (without its own group) and without a context.
    host().withheld = {"Animation Envelopes", "Texture Functions 3"};
    Vparam color;
    color.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, owner_, "p", nullptr);
    ASSERT_NE(color.hostParam(), nullptr);
    EXPECT_EQ(fake(color).group, nullptr);
    EXPECT_EQ(fake(color).context, nullptr);
    makeTextured(color);
    color.newTime(0.0, 0);
    EXPECT_EQ(color.cleanup(), 0);
    EXPECT_EQ(fake(color).event(nullptr, &color, TXEVENT_ENVGROUP, nullptr), 1);
    minihost::MemorySaveState ss(IO_MODE_BINARY);
    color.save(ss.state());
    minihost::MemoryLoadState ls(IO_MODE_BINARY, ss.bytes());
    color.load(ls.state());

    // A variant-parameter service without its operations.
    resetVparamServicesForTests();
    host().withheld.clear();
    host().vparm = VParmFuncs{};
    Vparam bare;
    bare.construct("line_boost", VPTYPE_PERCENT, VPTEX_PERCENT, owner_, "p", nullptr);
    EXPECT_EQ(bare.hostParam(), nullptr);
    bare.newTime(0.0, 0);
    EXPECT_EQ(bare.cleanup(), 0);
    bare.save(ss.state());
}

}  // namespace
}  // namespace qr
