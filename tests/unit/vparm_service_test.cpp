// "LWVParmFuncs 2": channels and their names, values, envelopes, saved data
// in both representations (as a module's "VPRM" block), damage, copies,
// concurrent evaluation, and the surfaces' channel groups.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/host.h"
#include "minihost/core/service_registry.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/vparams/channel_info_service.h"
#include "minihost/vparams/channel_registry.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_data.h"
#include "minihost/vparams/vparm_service.h"
#include "vparm_block_helpers.h"

namespace {

using namespace minihost;

const VParmFuncs &vp() { return *vparmFuncsRecord(); }
const EnvelopeFuncs &env() { return *envelopeFuncsRecord(); }
const ChannelInfo &chan() { return *channelInfoRecord(); }

std::vector<std::string> channelNames(ChanGroupID group) {
    std::vector<std::string> out;
    for (ChannelID c = chan().nextChannel(group, nullptr); c; c = chan().nextChannel(group, c))
        out.push_back(chan().channelName(c));
    return out;
}

std::vector<EnvelopeID> envelopesOf(VParmID p) {
    EnvelopeID e[3] = {nullptr, nullptr, nullptr};
    vp().getEnv(p, e);
    return {e[0], e[1], e[2]};
}

// A colour with envelopes on all three channels: channel i goes from i at
// time 0 to 10 + i at time 1.
VParmID animatedColour(ChanGroupID group) {
    VParmID p = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    vp().setup(p, "line_color_0badf00d", group, nullptr, nullptr, "Mod:Shader", nullptr);
    const double v[3] = {0.25, 0.5, 0.75};
    vp().setVal(p, v);
    vp().setState(p, VPSTATE_ENVELOPE);
    const auto envs = envelopesOf(p);
    for (int i = 0; i < 3; ++i) {
        env().createKey(envs[i], 0.0, i);
        env().createKey(envs[i], 1.0, 10.0 + i);
    }
    return p;
}

TEST(VparmService, ChannelsAreNamedAndWalkedInTheirGroup) {
    const auto counts = vparams::liveCounts();
    ChanGroupID group = env().createGroup(nullptr, "VparmChannels");
    VParmID colour = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    VParmID boost = vp().create(VPTYPE_PERCENT, VPTEX_PERCENT);
    EXPECT_EQ(vp().setup(colour, "line_color_12ab34cd", group, nullptr, nullptr, "Mod:Shader", nullptr), 1);
    EXPECT_EQ(vp().setup(boost, "line_boost", group, nullptr, nullptr, "Mod:Shader", nullptr), 1);
    EXPECT_EQ(channelNames(group), (std::vector<std::string>{"line_color_12ab34cd.R", "line_color_12ab34cd.G",
                                                             "line_color_12ab34cd.B", "line_boost"}));
    for (ChannelID c = chan().nextChannel(group, nullptr); c; c = chan().nextChannel(group, c)) {
        EXPECT_EQ(chan().channelParent(c), group);
        EXPECT_EQ(chan().channelEnvelope(c), nullptr);
    }
    // Envelopes appear on the channels; the state says so.
    EXPECT_EQ(vp().getState(colour), 0);
    vp().setState(colour, VPSTATE_ENVELOPE);
    EXPECT_EQ(vp().getState(colour), VPSTATE_ENVELOPE);
    const auto envs = envelopesOf(colour);
    ChannelID c = chan().nextChannel(group, nullptr);
    for (int i = 0; i < 3; ++i, c = chan().nextChannel(group, c))
        EXPECT_EQ(chan().channelEnvelope(c), envs[i]);
    EXPECT_EQ(vp().getEnv(colour, nullptr), 0);
    EXPECT_EQ(vp().getEnv(boost, std::vector<EnvelopeID>(3).data()), 0);
    // Destroy takes the channels and envelopes with it.
    vp().destroy(colour);
    EXPECT_EQ(channelNames(group), (std::vector<std::string>{"line_boost"}));
    vp().destroy(boost);
    env().destroyGroup(group);
    const auto after = vparams::liveCounts();
    EXPECT_EQ(after.vparms, counts.vparms);
    EXPECT_EQ(after.channels, counts.channels);
    EXPECT_EQ(after.envelopes, counts.envelopes);
    EXPECT_EQ(after.groups, counts.groups);
}

TEST(VparmService, ValuesEnvelopesAndNullArguments) {
    VParmID colour = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    VParmID scalar = vp().create(VPTYPE_PERCENT, VPTEX_PERCENT);
    const double rgb[3] = {0.1, 0.2, 0.3};
    EXPECT_EQ(vp().setVal(colour, rgb), 1);
    double out[3] = {-1, -1, -1};
    EXPECT_DOUBLE_EQ(vp().getVal(colour, 0.0, nullptr, out), 0.1);
    EXPECT_EQ(out[1], 0.2);
    EXPECT_EQ(out[2], 0.3);
    // A one-channel parameter writes only its one value.
    const double one[1] = {0.7};
    EXPECT_EQ(vp().setVal(scalar, one), 1);
    double single[3] = {-1, -1, -1};
    EXPECT_EQ(vp().getVal(scalar, 0.0, nullptr, single), 0.7);
    EXPECT_EQ(single[1], -1);
    EXPECT_EQ(vp().getVal(scalar, 0.0, nullptr, nullptr), 0.7);
    const double bad[3] = {std::nan(""), 0, 0};
    EXPECT_EQ(vp().setVal(colour, bad), 0);
    EXPECT_DOUBLE_EQ(vp().getVal(colour, 0.0, nullptr, nullptr), 0.1);
    // An envelope without keys holds the value the channel had.
    vp().setState(scalar, VPSTATE_ENVELOPE);
    EXPECT_EQ(vp().getVal(scalar, 5.0, nullptr, nullptr), 0.7);
    env().createKey(envelopesOf(scalar)[0], 0.0, 0.0);
    env().createKey(envelopesOf(scalar)[0], 2.0, 1.0);
    EXPECT_DOUBLE_EQ(vp().getVal(scalar, 0.5, nullptr, nullptr), 0.25);
    // A module destroying a channel envelope detaches it from the parameter.
    env().destroy(envelopesOf(scalar)[0]);
    EXPECT_EQ(envelopesOf(scalar)[0], nullptr);
    EXPECT_EQ(vp().getVal(scalar, 0.5, nullptr, nullptr), 0.7);
    vp().setState(colour, VPSTATE_ENVELOPE);
    vp().setState(colour, 0);
    EXPECT_EQ(envelopesOf(colour), (std::vector<EnvelopeID>{nullptr, nullptr, nullptr}));
    EXPECT_EQ(vp().getTex(colour), nullptr);

    TexturedSpot spot;
    std::memset(&spot, 0x5A, sizeof spot);
    vp().initSpot(&spot);
    EXPECT_EQ(spot.oScl[0], 1.0);
    EXPECT_EQ(spot.oScl[2], 1.0);
    EXPECT_EQ(spot.wPos[1], 0.0);
    EXPECT_EQ(spot.surfID, nullptr);
    EXPECT_EQ(spot.weights[3], 0.0f);

    vp().destroy(colour);
    vp().destroy(scalar);
    // Null and stale parameters, null states and results.
    for (VParmID p : {static_cast<VParmID>(nullptr), colour}) {
        vp().destroy(p);
        EXPECT_EQ(vp().setup(p, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
        EXPECT_NE(vp().copy(p, p), nullptr);
        EXPECT_NE(vp().load(p, nullptr), nullptr);
        EXPECT_NE(vp().save(p, nullptr), nullptr);
        EXPECT_EQ(vp().getVal(p, 0.0, nullptr, nullptr), 0.0);
        EXPECT_EQ(vp().setVal(p, rgb), 0);
        EXPECT_EQ(vp().getEnv(p, nullptr), 0);
        EXPECT_EQ(vp().getTex(p), nullptr);
        EXPECT_EQ(vp().getState(p), 0);
        vp().setState(p, VPSTATE_ENVELOPE);
    }
    vp().initSpot(nullptr);
    VParmID fresh = vp().create(0x99, -1);  // an unknown type has one channel
    EXPECT_EQ(vp().setVal(fresh, nullptr), 0);
    EXPECT_EQ(vp().setup(fresh, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(vp().setVal(fresh, one), 1);
    EXPECT_EQ(vp().getVal(fresh, 0.0, nullptr, single), 0.7);
    vp().destroy(fresh);
}

class VparmSaved : public ::testing::TestWithParam<int> {};

TEST_P(VparmSaved, BlockRoundTripRestoresValuesAndEnvelopes) {
    const int mode = GetParam();
    ChanGroupID group = env().createGroup(nullptr, "VparmSaved");
    VParmID source = animatedColour(group);
    const std::string block = vparm_test::savedVparamBlock(source, mode);

    VParmID target = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    vp().setup(target, "line_color_feedf00d", group, nullptr, nullptr, "Mod:Shader", nullptr);
    ASSERT_TRUE(vparm_test::loadVparamBlock(target, mode, block));
    const auto envs = envelopesOf(target);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(envs[i], nullptr);
        EXPECT_EQ(env().numKeys(envs[i]), 2);
    }
    EXPECT_EQ(vp().getState(target), VPSTATE_ENVELOPE);
    double out[3];
    vp().getVal(target, 0.5, nullptr, out);
    EXPECT_DOUBLE_EQ(out[0], 5.0);
    EXPECT_DOUBLE_EQ(out[1], 6.0);
    EXPECT_DOUBLE_EQ(out[2], 7.0);
    // The channels of the target carry the loaded envelopes.
    ChannelID c = chan().nextChannel(group, nullptr);
    while (c && std::string(chan().channelName(c)) != "line_color_feedf00d.G")
        c = chan().nextChannel(group, c);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(chan().channelEnvelope(c), envs[1]);

    // A constant parameter's block takes the envelopes away again.
    VParmID constant = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    const double rgb[3] = {0.125, 1.0 / 3.0, 0.9};
    vp().setVal(constant, rgb);
    ASSERT_TRUE(vparm_test::loadVparamBlock(target, mode, vparm_test::savedVparamBlock(constant, mode)));
    EXPECT_EQ(envelopesOf(target), (std::vector<EnvelopeID>{nullptr, nullptr, nullptr}));
    EXPECT_EQ(chan().channelEnvelope(c), nullptr);
    vp().getVal(target, 0.5, nullptr, out);
    EXPECT_EQ(out[0], 0.125);
    EXPECT_EQ(out[1], 1.0 / 3.0);
    EXPECT_EQ(out[2], 0.9);

    // Only the first channel animated: one envelope, as the module writes it.
    VParmID firstOnly = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    {
        vparams::VparmData data;
        data.valueType = VPTYPE_COLOR;
        data.channelCount = 3;
        data.hasEnvelope[0] = true;
        MemorySaveState save(mode);
        vparams::writeVparmData(save.state(), data);
        MemoryLoadState load(mode, save.bytes());
        EXPECT_EQ(vp().load(firstOnly, load.state()), nullptr);
    }
    const auto one = envelopesOf(firstOnly);
    EXPECT_NE(one[0], nullptr);
    EXPECT_EQ(one[1], nullptr);
    EXPECT_EQ(one[2], nullptr);
    for (VParmID p : {source, target, constant, firstOnly}) vp().destroy(p);
    env().destroyGroup(group);
}

TEST_P(VparmSaved, DamagedDataLeavesTheParameterUnchanged) {
    const int mode = GetParam();
    VParmID source = animatedColour(nullptr);
    MemorySaveState save(mode);
    EXPECT_EQ(vp().save(source, save.state()), nullptr);
    const std::string full = save.bytes();

    VParmID target = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    const double rgb[3] = {0.5, 0.5, 0.5};
    vp().setVal(target, rgb);
    for (size_t cut = 0; cut + 1 < full.size(); ++cut) {
        MemoryLoadState load(mode, full.substr(0, cut));
        if (vp().load(target, load.state()) == nullptr) {  // only a cut in the last line end reads whole
            vp().setState(target, 0);
            vp().setVal(target, rgb);
            continue;
        }
        double out[3];
        vp().getVal(target, 0.0, nullptr, out);
        EXPECT_EQ(out[0], 0.5) << "cut " << cut;
        EXPECT_EQ(vp().getState(target), 0) << "cut " << cut;
    }
    // Hand-written records: absurd channel counts, another format.
    auto record = [&](std::vector<int32_t> ints) {
        MemorySaveState s(mode);
        for (int32_t i : ints) vparams::writeInt(s.state(), i);
        return s.bytes();
    };
    for (const std::string &bytes :
         {record({1, VPTYPE_COLOR, 1000}), record({1, VPTYPE_COLOR, -1}), record({1, VPTYPE_COLOR, 0}),
          record({2, VPTYPE_COLOR, 3}), std::string("\xff\xff"), std::string("{ broken")}) {
        MemoryLoadState load(mode, bytes);
        EXPECT_NE(vp().load(target, load.state()), nullptr);
    }
    EXPECT_EQ(vp().getVal(target, 0.0, nullptr, nullptr), 0.5);
    // A block of another version is skipped whole by the module's reader.
    MemorySaveState wrong(mode);
    wrong.state()->beginBlock(wrong.state()->writeData, &vparm_test::kVparamBlocks[0], 0);
    const int32_t v255 = 255;
    wrong.state()->writeI4(wrong.state()->writeData, &v255, 1);
    vp().save(source, wrong.state());
    wrong.state()->endBlock(wrong.state()->writeData);
    EXPECT_FALSE(vparm_test::loadVparamBlock(target, mode, wrong.bytes()));
    EXPECT_EQ(vp().getState(target), 0);
    vp().destroy(source);
    vp().destroy(target);
}

INSTANTIATE_TEST_SUITE_P(BothRepresentations, VparmSaved, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT));

TEST(VparmService, CopyIsDeepAndFollowsTheSource) {
    VParmID source = animatedColour(nullptr);
    VParmID copy = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    EXPECT_EQ(vp().copy(copy, source), nullptr);
    const auto mine = envelopesOf(copy);
    const auto theirs = envelopesOf(source);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(mine[i], nullptr);
        EXPECT_NE(mine[i], theirs[i]);
    }
    double a[3], b[3];
    vp().getVal(copy, 0.25, nullptr, a);
    vp().getVal(source, 0.25, nullptr, b);
    EXPECT_EQ(std::vector<double>(a, a + 3), std::vector<double>(b, b + 3));
    // Changing the copy's envelope leaves the original alone.
    env().createKey(mine[0], 0.25, 100.0);
    EXPECT_DOUBLE_EQ(vp().getVal(source, 0.25, nullptr, nullptr), 2.5);
    EXPECT_EQ(vp().getVal(copy, 0.25, nullptr, nullptr), 100.0);
    // Copying a constant parameter removes the copy's envelopes.
    VParmID constant = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    EXPECT_EQ(vp().copy(copy, constant), nullptr);
    EXPECT_EQ(vp().getState(copy), 0);
    EXPECT_EQ(vp().copy(source, source), nullptr);
    EXPECT_EQ(vp().getState(source), VPSTATE_ENVELOPE);
    for (VParmID p : {source, copy, constant}) vp().destroy(p);
}

TEST(VparmService, ConcurrentEvaluationsAgree) {
    VParmID p = animatedColour(nullptr);
    constexpr int kSteps = 2000;
    std::vector<double> expected(kSteps * 3);
    for (int s = 0; s < kSteps; ++s) vp().getVal(p, s / double(kSteps), nullptr, &expected[s * 3]);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (int s = 0; s < kSteps; ++s) {
                    const int step = (s * 7 + t * 13 + round) % kSteps;
                    double out[3];
                    const double first = vp().getVal(p, step / double(kSteps), nullptr, out);
                    if (first != expected[step * 3] || out[1] != expected[step * 3 + 1] ||
                        out[2] != expected[step * 3 + 2])
                        ++mismatches;
                }
        });
    for (auto &th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
    vp().destroy(p);
}

TEST(SurfaceChannelGroups, OnePerSurfaceNamedAfterItAndDiscardedWithItsScene) {
    auto scene = loadSceneText(R"({
      "camera": {"name": "Cam", "position": [0, 0, -5]},
      "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "Red"}},
                  {"name": "Cube", "primitive": {"type": "box", "surface": "Wood"}}]
    })",
                               "groups.json");
    installSceneServices(*scene);
    auto *surfaces = static_cast<SurfaceFuncs *>(registry().lookup(SERVICE_SURFACE_FUNCS));
    ASSERT_NE(surfaces, nullptr);
    SurfaceID red = surfaces->first();
    SurfaceID wood = surfaces->next(red);
    ChanGroupID redGroup = surfaces->chanGroup(red);
    ASSERT_NE(redGroup, nullptr);
    EXPECT_STREQ(chan().groupName(redGroup), "Red");
    EXPECT_EQ(chan().groupParent(redGroup), nullptr);
    EXPECT_EQ(surfaces->chanGroup(red), redGroup);
    ChanGroupID woodGroup = surfaces->chanGroup(wood);
    EXPECT_STREQ(chan().groupName(woodGroup), "Wood");
    EXPECT_NE(woodGroup, redGroup);
    EXPECT_EQ(surfaces->chanGroup(nullptr), nullptr);
    // A shader's group under it, with a parameter living in it.
    ChanGroupID shaderGroup = env().createGroup(redGroup, "Mod:Shader");
    VParmID p = vp().create(VPTYPE_PERCENT, VPTEX_PERCENT);
    vp().setup(p, "line_boost", shaderGroup, nullptr, nullptr, "Mod:Shader", nullptr);
    const std::size_t groups = vparams::liveCounts().groups;
    removeSceneServices();

    auto next = loadSceneText(R"({"camera": {"name": "Cam", "position": [0, 0, -5]},
                                  "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "Blue"}}]})",
                              "next.json");
    installSceneServices(*next);
    surfaces = static_cast<SurfaceFuncs *>(registry().lookup(SERVICE_SURFACE_FUNCS));
    ChanGroupID blue = surfaces->chanGroup(surfaces->first());
    EXPECT_STREQ(chan().groupName(blue), "Blue");
    // The first scene's three groups are gone (their memory may already hold
    // the new one); the parameter that lived in one still works.
    EXPECT_EQ(vparams::liveCounts().groups, groups - 3 + 1);
    for (ChanGroupID g = chan().nextGroup(nullptr, nullptr); g; g = chan().nextGroup(nullptr, g)) {
        EXPECT_STRNE(chan().groupName(g), "Red");
        EXPECT_STRNE(chan().groupName(g), "Wood");
    }
    const double v[1] = {0.5};
    EXPECT_EQ(vp().setVal(p, v), 1);
    EXPECT_EQ(vp().getVal(p, 0.0, nullptr, nullptr), 0.5);
    vp().destroy(p);
    removeSceneServices();
}

}  // namespace
