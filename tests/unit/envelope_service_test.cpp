// "Animation Envelopes" and "Channel Info 2": evaluation, keys, saved data in
// both representations, damaged streams, copies, groups and their walk.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
#include "minihost/services/core_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/vparams/channel_info_service.h"
#include "minihost/vparams/channel_registry.h"
#include "minihost/vparams/envelope_data.h"
#include "minihost/vparams/envelope_service.h"

namespace {

using namespace minihost;

const EnvelopeFuncs &env() { return *envelopeFuncsRecord(); }
const ChannelInfo &chan() { return *channelInfoRecord(); }

std::vector<std::pair<double, double>> keysOf(EnvelopeID e) {
    std::vector<std::pair<double, double>> out;
    for (int i = 0; i < env().numKeys(e); ++i) {
        double t = 0, v = 0;
        EXPECT_EQ(env().keyAt(e, i, &t, &v), 1);
        out.emplace_back(t, v);
    }
    return out;
}

std::string saved(EnvelopeID e, int mode) {
    MemorySaveState save(mode);
    EXPECT_EQ(env().save(e, save.state()), 1);
    return save.bytes();
}

int loaded(EnvelopeID e, int mode, const std::string &bytes) {
    MemoryLoadState load(mode, bytes);
    return env().load(e, load.state());
}

TEST(EnvelopeService, InstalledAsCoreServices) {
    installCoreServices();
    EXPECT_EQ(registry().lookup(SERVICE_ENVELOPE_FUNCS), envelopeFuncsRecord());
    EXPECT_EQ(registry().lookup(SERVICE_CHANNEL_INFO), channelInfoRecord());
    EXPECT_NE(registry().lookup(SERVICE_VPARM_FUNCS), nullptr);
}

TEST(EnvelopeService, EvaluatesLinearlyBetweenKeysAndConstantOutside) {
    EnvelopeID e = env().create(nullptr, "e", 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(env().evaluate(e, 3.0), 0.0);  // no keys: the default
    // Inserted out of order; kept in time order.
    EXPECT_EQ(env().createKey(e, 2.0, 3.0), 1);
    EXPECT_EQ(env().createKey(e, 0.0, 1.0), 1);
    EXPECT_EQ(env().createKey(e, 4.0, -1.0), 1);
    EXPECT_EQ(keysOf(e), (std::vector<std::pair<double, double>>{{0, 1}, {2, 3}, {4, -1}}));
    EXPECT_DOUBLE_EQ(env().evaluate(e, -5.0), 1.0);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 0.5), 1.5);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 2.0), 3.0);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 3.0), 1.0);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 4.0), -1.0);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 100.0), -1.0);
    // A key at an existing time replaces its value; bad keys are refused.
    EXPECT_EQ(env().createKey(e, 2.0, 5.0), 1);
    EXPECT_EQ(env().numKeys(e), 3);
    EXPECT_DOUBLE_EQ(env().evaluate(e, 2.0), 5.0);
    EXPECT_EQ(env().createKey(e, std::nan(""), 1.0), 0);
    EXPECT_EQ(env().createKey(e, 1.0, HUGE_VAL), 0);
    double t = 7, v = 7;
    EXPECT_EQ(env().keyAt(e, 3, &t, &v), 0);
    EXPECT_EQ(env().keyAt(e, -1, &t, &v), 0);
    EXPECT_EQ(t, 7);
    EXPECT_EQ(env().keyAt(e, 0, nullptr, nullptr), 1);
    env().destroy(e);
}

TEST(EnvelopeService, NullAndStaleHandlesAreHarmless) {
    EnvelopeID e = env().create(nullptr, nullptr, 0);
    ASSERT_NE(e, nullptr);
    env().destroy(e);  // e is stale from here
    for (EnvelopeID bad : {static_cast<EnvelopeID>(nullptr), e}) {
        env().destroy(bad);
        EXPECT_EQ(env().copy(bad, bad), 0);
        EXPECT_EQ(env().load(bad, nullptr), 0);
        EXPECT_EQ(env().save(bad, nullptr), 0);
        EXPECT_EQ(env().evaluate(bad, 1.0), 0.0);
        EXPECT_EQ(env().createKey(bad, 1.0, 1.0), 0);
        EXPECT_EQ(env().numKeys(bad), 0);
        EXPECT_EQ(env().keyAt(bad, 0, nullptr, nullptr), 0);
    }
    env().destroyGroup(nullptr);
    EXPECT_EQ(chan().groupName(nullptr), nullptr);
    EXPECT_EQ(chan().groupParent(nullptr), nullptr);
    EXPECT_EQ(chan().channelName(nullptr), nullptr);
    EXPECT_EQ(chan().channelParent(nullptr), nullptr);
    EXPECT_EQ(chan().channelEnvelope(nullptr), nullptr);
    EXPECT_EQ(chan().nextChannel(nullptr, nullptr), nullptr);
    ChanGroupID g = env().createGroup(nullptr, "stale");
    env().destroyGroup(g);
    EXPECT_EQ(env().createGroup(g, "under a stale group"), nullptr);
    EXPECT_EQ(env().create(g, "in a stale group", 0), nullptr);
    EXPECT_EQ(chan().nextGroup(g, nullptr), nullptr);
    EXPECT_EQ(chan().groupName(g), nullptr);
}

class EnvelopeSaved : public ::testing::TestWithParam<int> {};

TEST_P(EnvelopeSaved, RoundTripKeepsDefaultAndKeysExactly) {
    EnvelopeID a = env().create(nullptr, "a", 0);
    env().createKey(a, 0.1, 1.0 / 3.0);
    env().createKey(a, 1.7, -2.25e-7);
    env().createKey(a, 123456.789, 42.0);
    EnvelopeID b = env().create(nullptr, "b", 0);
    env().createKey(b, 9.0, 9.0);
    EXPECT_EQ(loaded(b, GetParam(), saved(a, GetParam())), 1);
    EXPECT_EQ(keysOf(b), keysOf(a));
    EXPECT_EQ(env().evaluate(b, 1.0), env().evaluate(a, 1.0));
    // No keys: the default comes back, and loading replaces the old keys.
    EnvelopeID empty = env().create(nullptr, "empty", 0);
    EXPECT_EQ(loaded(b, GetParam(), saved(empty, GetParam())), 1);
    EXPECT_EQ(env().numKeys(b), 0);
    EXPECT_EQ(env().evaluate(b, 5.0), 0.0);
    for (EnvelopeID e : {a, b, empty}) env().destroy(e);
}

TEST_P(EnvelopeSaved, DamagedStreamsLeaveTheEnvelopeUnchanged) {
    const int mode = GetParam();
    EnvelopeID source = env().create(nullptr, "source", 0);
    for (int i = 0; i < 5; ++i) env().createKey(source, i, i * 10.0);
    EnvelopeID reference = env().create(nullptr, "reference", 0);
    env().createKey(reference, 1.0, -1.0);
    const auto before = keysOf(reference);
    EnvelopeID target = env().create(nullptr, "target", 0);
    env().copy(target, reference);

    // Cut short anywhere: never a partial or wrong envelope.
    const std::string full = saved(source, mode);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const std::string part = full.substr(0, cut);
        if (loaded(target, mode, part) == 1) {
            // Only a text cut inside the last line end can still read whole.
            EXPECT_EQ(keysOf(target), keysOf(source)) << "cut " << cut;
            env().copy(target, reference);
        } else {
            EXPECT_EQ(keysOf(target), before) << "cut " << cut;
        }
    }

    // Hostile records written by hand: absurd or negative key counts, NaN.
    auto record = [&](int32_t format, int32_t count, std::vector<double> numbers) {
        MemorySaveState save(mode);
        vparams::writeInt(save.state(), format);
        vparams::writeDouble(save.state(), 0.5);
        vparams::writeInt(save.state(), count);
        for (double d : numbers) vparams::writeDouble(save.state(), d);
        return save.bytes();
    };
    EnvelopeID fresh = env().create(nullptr, "fresh", 0);
    env().createKey(fresh, 1.0, -1.0);
    EXPECT_EQ(loaded(fresh, mode, record(1, 0x7FFFFFFF, {0, 1, 2, 3})), 0);
    EXPECT_EQ(loaded(fresh, mode, record(1, -3, {0, 1})), 0);
    EXPECT_EQ(loaded(fresh, mode, record(1, 1, {std::nan(""), 1})), 0);
    EXPECT_EQ(loaded(fresh, mode, record(2, 1, {0, 1})), 0);
    EXPECT_EQ(loaded(fresh, mode, "garbage"), 0);
    EXPECT_EQ(keysOf(fresh), before);
    // Duplicate times in a stream: the later value wins, keys stay ordered.
    EXPECT_EQ(loaded(fresh, mode, record(1, 3, {2, 1, 0, 5, 2, 7})), 1);
    EXPECT_EQ(keysOf(fresh), (std::vector<std::pair<double, double>>{{0, 5}, {2, 7}}));
    for (EnvelopeID e : {source, reference, target, fresh}) env().destroy(e);
}

INSTANTIATE_TEST_SUITE_P(BothRepresentations, EnvelopeSaved, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT));

TEST(EnvelopeService, KeyCountsBeyondTheLimitAreCappedWhenRead) {
    MemorySaveState save(IO_MODE_BINARY);
    const SaveState *ss = save.state();
    vparams::writeInt(ss, vparams::kEnvelopeFormat);
    vparams::writeDouble(ss, 0.0);
    vparams::writeInt(ss, vparams::kMaxEnvelopeKeys + 10);
    for (int i = 0; i < vparams::kMaxEnvelopeKeys + 10; ++i) {
        vparams::writeDouble(ss, i);
        vparams::writeDouble(ss, i);
    }
    EnvelopeID e = env().create(nullptr, "capped", 0);
    EXPECT_EQ(loaded(e, IO_MODE_BINARY, save.bytes()), 1);
    EXPECT_EQ(env().numKeys(e), vparams::kMaxEnvelopeKeys);
    EXPECT_EQ(env().createKey(e, -1.0, 0.0), 0);  // full
    env().destroy(e);
}

TEST(EnvelopeService, CopiesAreIndependent) {
    EnvelopeID a = env().create(nullptr, "a", 0);
    env().createKey(a, 0.0, 1.0);
    env().createKey(a, 1.0, 2.0);
    EnvelopeID b = env().create(nullptr, "b", 0);
    EXPECT_EQ(env().copy(b, a), 1);
    EXPECT_EQ(keysOf(b), keysOf(a));
    env().createKey(b, 0.5, 10.0);
    env().createKey(b, 1.0, -2.0);
    EXPECT_EQ(env().numKeys(a), 2);
    EXPECT_DOUBLE_EQ(env().evaluate(a, 0.5), 1.5);
    EXPECT_DOUBLE_EQ(env().evaluate(a, 1.0), 2.0);
    EXPECT_EQ(env().copy(a, a), 1);
    env().destroy(a);
    EXPECT_EQ(env().numKeys(b), 3);  // the copy outlives its source
    env().destroy(b);
}

std::vector<std::string> groupNames(ChanGroupID parent) {
    std::vector<std::string> out;
    for (ChanGroupID g = chan().nextGroup(parent, nullptr); g; g = chan().nextGroup(parent, g))
        out.push_back(chan().groupName(g));
    return out;
}

std::vector<std::string> channelNames(ChanGroupID group) {
    std::vector<std::string> out;
    for (ChannelID c = chan().nextChannel(group, nullptr); c; c = chan().nextChannel(group, c))
        out.push_back(chan().channelName(c));
    return out;
}

TEST(ChannelInfoService, GroupsAndChannelsWalkInCreationOrder) {
    const auto counts = vparams::liveCounts();
    ChanGroupID top = env().createGroup(nullptr, "Top");
    ChanGroupID b = env().createGroup(top, "B");
    ChanGroupID a = env().createGroup(top, "A");
    ChanGroupID deep = env().createGroup(a, "Deep");
    EXPECT_EQ(groupNames(top), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(groupNames(a), (std::vector<std::string>{"Deep"}));
    EXPECT_EQ(chan().groupParent(deep), a);
    EXPECT_EQ(chan().groupParent(top), nullptr);
    EXPECT_EQ(chan().nextGroup(top, deep), nullptr);  // not a child of top

    EnvelopeID x = env().create(a, "x", 0);
    EnvelopeID y = env().create(a, "y", 0);
    EXPECT_EQ(channelNames(a), (std::vector<std::string>{"x", "y"}));
    ChannelID cx = chan().nextChannel(a, nullptr);
    EXPECT_EQ(chan().channelParent(cx), a);
    EXPECT_EQ(chan().channelEnvelope(cx), x);
    EXPECT_TRUE(channelNames(b).empty());

    // Destroying a group takes its sub-groups; its envelopes stay usable.
    env().createKey(x, 0.0, 4.0);
    env().destroyGroup(a);
    EXPECT_EQ(groupNames(top), (std::vector<std::string>{"B"}));
    EXPECT_EQ(chan().groupName(deep), nullptr);
    EXPECT_EQ(chan().channelParent(cx), nullptr);
    EXPECT_EQ(env().evaluate(x, 1.0), 4.0);
    env().destroy(y);
    env().destroy(x);
    EXPECT_EQ(chan().channelName(cx), nullptr);
    env().destroyGroup(top);
    const auto after = vparams::liveCounts();
    EXPECT_EQ(after.groups, counts.groups);
    EXPECT_EQ(after.channels, counts.channels);
    EXPECT_EQ(after.envelopes, counts.envelopes);
}

}  // namespace
