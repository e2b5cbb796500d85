// The item snapshot: what a refresh records, what a lookup returns, and that
// lookups from several threads never see a half-built snapshot.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "host/item_services.h"
#include "module_base/module_state.h"
#include "texlib/item_snapshot.h"

namespace qr {
namespace {

// A small scene: lights 1-2, camera 3, objects 10 and 20 with bones 11, 12
// and 21. Every parameter is (item, code, time) so a lookup shows its source.
struct FakeScene {
    static ItemID first(int type, ItemID parent) {
        switch (type) {
        case ITEM_TYPE_LIGHT: return parent == ITEM_NULL ? 1 : ITEM_NULL;
        case ITEM_TYPE_CAMERA: return parent == ITEM_NULL ? 3 : ITEM_NULL;
        case ITEM_TYPE_OBJECT: return parent == ITEM_NULL ? 10 : ITEM_NULL;
        case ITEM_TYPE_BONE: return parent == 10 ? 11 : parent == 20 ? 21 : ITEM_NULL;
        default: return ITEM_NULL;
        }
    }
    static ItemID next(ItemID item) {
        switch (item) {
        case 1: return 2;
        case 10: return 20;
        case 11: return 12;
        default: return ITEM_NULL;
        }
    }
    static int type(ItemID item) {
        if (item <= 2) return ITEM_TYPE_LIGHT;
        if (item == 3) return ITEM_TYPE_CAMERA;
        if (item == 10 || item == 20) return ITEM_TYPE_OBJECT;
        return ITEM_TYPE_BONE;
    }
    static void param(ItemID item, int code, double time, double vec[3]) {
        vec[0] = item;
        vec[1] = code;
        vec[2] = time;
    }
    static ItemInfo record() {
        ItemInfo info{};
        info.first = first;
        info.next = next;
        info.type = type;
        info.param = param;
        return info;
    }
};

class ItemSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = services().itemInfo;
        services().itemInfo = &info_;
    }
    void TearDown() override { services().itemInfo = saved_; }

    ItemInfo info_ = FakeScene::record();
    ItemInfo *saved_ = nullptr;
};

TEST_F(ItemSnapshotTest, RecordsEveryLightCameraObjectAndBone) {
    ItemSnapshot *snap = createItemSnapshot();
    ASSERT_NE(snap, nullptr);
    refreshItemSnapshot(snap, 1.5, 36);
    EXPECT_EQ(snap->time, 1.5);
    EXPECT_EQ(snap->frame, 36);
    ASSERT_EQ(snap->states.size(), 8u);
    for (ItemID id : {1u, 2u, 3u, 10u, 11u, 12u, 20u, 21u}) {
        ASSERT_EQ(snap->states.count(id), 1u) << id;
        EXPECT_EQ(snap->states[id]->itemType, FakeScene::type(id));
        for (int code = 1; code <= 12; ++code) {
            double out[3] = {};
            lookupItemSnapshot(snap, id, code, out);
            EXPECT_EQ(out[0], id);
            EXPECT_EQ(out[1], code);
            EXPECT_EQ(out[2], 1.5);
        }
    }
    // A second refresh replaces every entry with the new time's values.
    refreshItemSnapshot(snap, 2.0, 48);
    double out[3] = {};
    lookupItemSnapshot(snap, 2, ITEM_PARAM_W_POSITION, out);
    EXPECT_EQ(out[2], 2.0);
    destroyItemSnapshot(snap);
    destroyItemSnapshot(nullptr);
}

TEST_F(ItemSnapshotTest, MissingItemOrCodeLeavesOutputUnchanged) {
    ItemSnapshot *snap = createItemSnapshot();
    refreshItemSnapshot(snap, 0.0, 0);
    for (int code : {0, 13, -1}) {
        double out[3] = {7, 8, 9};
        lookupItemSnapshot(snap, 1, code, out);
        EXPECT_EQ(out[0], 7);
        EXPECT_EQ(out[2], 9);
    }
    double out[3] = {7, 8, 9};
    lookupItemSnapshot(snap, 99, 8, out);
    lookupItemSnapshot(nullptr, 1, 8, out);
    refreshItemSnapshot(nullptr, 1.0, 1);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 8);
    destroyItemSnapshot(snap);
}

TEST_F(ItemSnapshotTest, WithoutItemServiceRefreshKeepsPreviousEntries) {
    ItemSnapshot *snap = createItemSnapshot();
    refreshItemSnapshot(snap, 0.5, 12);
    services().itemInfo = nullptr;
    refreshItemSnapshot(snap, 3.0, 72);
    EXPECT_EQ(snap->states.size(), 8u);
    EXPECT_EQ(snap->time, 0.5);
    EXPECT_EQ(snap->frame, 12);
    double out[3] = {};
    lookupItemSnapshot(snap, 3, ITEM_PARAM_FORWARD, out);
    EXPECT_EQ(out[2], 0.5);  // the light's values at the snapshot time
    destroyItemSnapshot(snap);
}

TEST_F(ItemSnapshotTest, FrameSnapshotLookupsFromSeveralThreadsDuringRefreshes) {
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    refreshFrameSnapshot(0.0, 0);
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                double out[3] = {-1, -1, -1};
                lookupFrameSnapshot(3, ITEM_PARAM_W_POSITION, out);
                // Every lookup sees one whole record: item 3, code 8.
                if (out[0] != 3 || out[1] != 8) torn.fetch_add(1);
            }
        });
    }
    for (int f = 1; f <= 200; ++f) refreshFrameSnapshot(f / 24.0, f);
    stop = true;
    for (auto &r : readers) r.join();
    EXPECT_EQ(torn.load(), 0);
    double out[3] = {};
    lookupFrameSnapshot(21, ITEM_PARAM_FORWARD, out);
    EXPECT_EQ(out[2], 200 / 24.0);
}

}  // namespace
}  // namespace qr
