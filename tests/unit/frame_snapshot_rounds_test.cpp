// One rebuild of the frame snapshot per frame: a round of new-time refreshes
// answers every lookup as if each instance had rebuilt it, the scene-object
// test kept for the round answers as the host's walk does, and the texture
// context's private snapshots of one time share their content.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/item_services.h"
#include "module_base/module_state.h"
#include "shader/sample_values.h"
#include "texlib/item_snapshot.h"

namespace qr {
namespace {

// Light 1, camera 2, objects 10, 20 and 30 (30 with bone 31). Every vector
// shows the item, code, time and the scene's version, so a stale answer
// shows; every parameter call is counted.
struct CountingScene {
    static inline int version = 0;
    static inline long calls = 0;
    static inline bool withoutObject20 = false;

    static ItemID first(int type, ItemID parent) {
        switch (type) {
        case ITEM_TYPE_LIGHT: return parent == ITEM_NULL ? 1 : ITEM_NULL;
        case ITEM_TYPE_CAMERA: return parent == ITEM_NULL ? 2 : ITEM_NULL;
        case ITEM_TYPE_OBJECT: return parent == ITEM_NULL ? 10 : ITEM_NULL;
        case ITEM_TYPE_BONE: return parent == 30 ? 31 : ITEM_NULL;
        default: return ITEM_NULL;
        }
    }
    static ItemID next(ItemID item) {
        if (item == 10) return withoutObject20 ? 30 : 20;
        if (item == 20) return 30;
        return ITEM_NULL;
    }
    static int type(ItemID item) {
        return item == 1    ? ITEM_TYPE_LIGHT
               : item == 2  ? ITEM_TYPE_CAMERA
               : item == 31 ? ITEM_TYPE_BONE
                            : ITEM_TYPE_OBJECT;
    }
    static void param(ItemID item, int code, double time, double vec[3]) {
        ++calls;
        vec[0] = item + 100.0 * version;
        vec[1] = code;
        vec[2] = time;
    }
};

class FrameSnapshotRoundsTest : public ::testing::Test {
protected:
    void SetUp() override {
        info_.first = CountingScene::first;
        info_.next = CountingScene::next;
        info_.type = CountingScene::type;
        info_.param = CountingScene::param;
        saved_ = services().itemInfo;
        services().itemInfo = &info_;
        CountingScene::version = 0;
        CountingScene::calls = 0;
        CountingScene::withoutObject20 = false;
        endFrameRound();
    }
    void TearDown() override {
        endFrameRound();
        services().itemInfo = saved_;
    }

    // Every vector the frame snapshot answers, for items 0 to 40 and codes 0
    // to 13 (absent items and codes leave the preset -1).
    static std::vector<double> everyAnswer() {
        std::vector<double> all;
        for (ItemID item = 0; item <= 40; ++item)
            for (int code = 0; code <= 13; ++code) {
                double out[3] = {-1, -1, -1};
                lookupFrameSnapshot(item, code, out);
                all.insert(all.end(), out, out + 3);
            }
        return all;
    }

    ItemInfo info_{};
    ItemInfo *saved_ = nullptr;
};

TEST_F(FrameSnapshotRoundsTest, OneRebuildPerFrameAnswersAsARefreshByEveryInstance) {
    constexpr long kPerRebuild = 6 * 12;  // six items, twelve vectors each
    uint64_t held[3] = {0, 0, 0};
    // What a refresh by the last instance would leave.
    refreshFrameSnapshot(1.0, 24);
    const std::vector<double> expected = everyAnswer();

    CountingScene::calls = 0;
    for (uint64_t &h : held) h = refreshFrameSnapshotOnce(1.0, 24, h);
    EXPECT_EQ(CountingScene::calls, kPerRebuild);
    EXPECT_EQ(held[0], held[1]);
    EXPECT_EQ(held[1], held[2]);
    EXPECT_EQ(everyAnswer(), expected);

    // The next frame rebuilds at once.
    for (uint64_t &h : held) h = refreshFrameSnapshotOnce(2.0, 48, h);
    EXPECT_EQ(CountingScene::calls, 2 * kPerRebuild);
    double out[3] = {};
    lookupFrameSnapshot(2, 8, out);
    EXPECT_EQ(out[2], 2.0);

    // The same frame rendered again after a change of the scene: the first
    // instance to come again rebuilds, with or without a render's init.
    CountingScene::version = 1;
    held[0] = refreshFrameSnapshotOnce(2.0, 48, held[0]);
    lookupFrameSnapshot(10, 8, out);
    EXPECT_EQ(out[0], 110.0);
    CountingScene::version = 2;
    endFrameRound();
    held[1] = refreshFrameSnapshotOnce(2.0, 48, held[1]);
    lookupFrameSnapshot(10, 8, out);
    EXPECT_EQ(out[0], 210.0);
    EXPECT_EQ(CountingScene::calls, 4 * kPerRebuild);

    // A time that differs in its bits only (-0.0 and 0.0) is another time.
    held[0] = refreshFrameSnapshotOnce(0.0, 0, 0);
    held[1] = refreshFrameSnapshotOnce(-0.0, 0, 0);
    EXPECT_NE(held[0], held[1]);
    lookupFrameSnapshot(1, 8, out);
    EXPECT_TRUE(std::signbit(out[2]));

    // Without the item service nothing is rebuilt and nothing kept.
    services().itemInfo = nullptr;
    EXPECT_EQ(refreshFrameSnapshotOnce(5.0, 120, 0), 0u);
    EXPECT_EQ(openFrameRound(), 0u);
}

TEST_F(FrameSnapshotRoundsTest, SceneObjectTestAnswersAsTheWalk) {
    auto walk = [](ItemID id) {
        for (ItemID o = CountingScene::first(ITEM_TYPE_OBJECT, ITEM_NULL); o != ITEM_NULL;
             o = CountingScene::next(o))
            if (o == id) return true;
        return false;
    };
    auto agreeForEveryIdentifier = [&] {
        // Twice each: the second answer comes from the thread's last one.
        for (ItemID id = 0; id <= 40; ++id) {
            EXPECT_EQ(isSceneObject(id), walk(id)) << id;
            EXPECT_EQ(isSceneObject(id), walk(id)) << id;
        }
        EXPECT_FALSE(isSceneObject(0xFFFFFFFFu));
    };
    agreeForEveryIdentifier();  // outside a round: the walk itself
    const uint64_t held = refreshFrameSnapshotOnce(1.0, 24, 0);
    ASSERT_NE(openFrameRound(), 0u);
    uint64_t round = 0;
    EXPECT_EQ(frameRoundSceneObject(20, round), 1);
    EXPECT_EQ(round, held);
    EXPECT_EQ(frameRoundSceneObject(31, round), 0);  // a bone is not an object
    EXPECT_EQ(frameRoundSceneObject(2, round), 0);
    agreeForEveryIdentifier();

    // The host drops object 20 between renders: cleanup ends the round and
    // the next frame's walk has it no longer.
    CountingScene::withoutObject20 = true;
    endFrameRound();
    EXPECT_EQ(frameRoundSceneObject(20, round), -1);
    agreeForEveryIdentifier();
    refreshFrameSnapshotOnce(1.0, 24, held);
    agreeForEveryIdentifier();
    EXPECT_FALSE(isSceneObject(20));
}

TEST_F(FrameSnapshotRoundsTest, PrivateSnapshotsOfOneTimeShareTheirContent) {
    auto contentOf = [](const ItemSnapshot &s) {
        std::vector<double> all;
        for (const auto &[id, state] : s.states)
            for (int code = 1; code <= 12; ++code) {
                double out[3] = {};
                lookupItemSnapshot(&s, id, code, out);
                all.insert(all.end(), {double(id), double(state->itemType), out[0], out[1], out[2]});
            }
        return all;
    };
    ItemSnapshot *fresh = createItemSnapshot();
    refreshItemSnapshot(fresh, 0.5, 12);

    refreshFrameSnapshotOnce(0.5, 12, 0);
    CountingScene::calls = 0;
    const auto a = privateSnapshotAt(0.5, 12);
    const auto b = privateSnapshotAt(0.5, 12);
    const auto c = privateSnapshotAt(0.75, 12);  // another time: its own content
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());
    EXPECT_EQ(CountingScene::calls, 2 * 6 * 12);
    EXPECT_EQ(contentOf(*a), contentOf(*fresh));
    EXPECT_EQ(a->time, 0.5);
    EXPECT_EQ(a->frame, 12);

    // Outside a round every record reads the host itself.
    endFrameRound();
    CountingScene::version = 3;
    const auto d = privateSnapshotAt(0.5, 12);
    const auto e = privateSnapshotAt(0.5, 12);
    ASSERT_TRUE(d && e);
    EXPECT_NE(d.get(), e.get());
    double out[3] = {};
    lookupItemSnapshot(d.get(), 10, 8, out);
    EXPECT_EQ(out[0], 310.0);
    // The records made before keep what they read.
    lookupItemSnapshot(a.get(), 10, 8, out);
    EXPECT_EQ(out[0], 10.0);
    destroyItemSnapshot(fresh);
}

}  // namespace
}  // namespace qr
