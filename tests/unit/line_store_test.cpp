// The line edition's sample store: layout, clear values, a grid fixed at
// creation, and what happens when the host cannot provide a block: the store
// is then never handed out, so nobody writes through a missing buffer.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "store/line_store.h"
#include "store/line_store_view.h"
#include "store_test_host.h"

namespace qr {
namespace {

class LineStoreTest : public testing::StoreHost {
protected:
    LineStoreTest() : StoreHost(kLineEdition) {}
};

TEST_F(LineStoreTest, OneCellPerPixelWithTheDocumentedSizes) {
    EXPECT_EQ(findLineStore(), nullptr);
    minihost::setBasicFrameSize(8, 6);
    clearLineStore();
    LineStoreHeader *h = findLineStore();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->gridWidth, 8);
    EXPECT_EQ(h->gridHeight, 6);
    const size_t n = 48;
    EXPECT_EQ(blockSize("QM's Quillrim_P STINFO"), sizeof(LineStoreHeader));
    EXPECT_EQ(blockSize(buffer(1)), sizeof(void *) * n);
    EXPECT_EQ(blockSize(buffer(2)), 4 * n);
    EXPECT_EQ(blockSize(buffer(3)), 12 * n);
    EXPECT_EQ(blockSize(buffer(4)), 3 * n);
    EXPECT_EQ(blockSize(buffer(5)), 4 * n);
    EXPECT_EQ(minihost::renderMemoryNames().size(), 6u);
}

TEST_F(LineStoreTest, ClearResetsEveryCellAndKeepsTheGrid) {
    minihost::setBasicFrameSize(5, 3);
    clearLineStore();
    LineStoreHeader *h = findLineStore();
    ASSERT_NE(h, nullptr);
    int dummy = 0;
    const size_t n = viewOf(*h).cellCount();
    for (size_t i = 0; i < n; ++i) {
        h->buff1[i] = &dummy;
        h->buff2[i] = 3.0f;
        h->buff3[3 * i] = h->buff3[3 * i + 1] = h->buff3[3 * i + 2] = 1.0f;
        h->buff4[3 * i] = h->buff4[3 * i + 1] = h->buff4[3 * i + 2] = 9;
        h->buff5[i] = 0.25f;
    }
    minihost::setBasicFrameSize(50, 30);
    clearLineStore();
    EXPECT_EQ(findLineStore(), h);
    EXPECT_EQ(h->gridWidth, 5);
    EXPECT_EQ(h->gridHeight, 3);
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(h->buff1[i], nullptr);
        ASSERT_EQ(h->buff2[i], -1.0f);
        ASSERT_EQ(h->buff5[i], 1.0f);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(h->buff3[3 * i + k], 0.0f);
            ASSERT_EQ(h->buff4[3 * i + k], 0);
        }
    }
}

TEST_F(LineStoreTest, AStoreWithAMissingBufferIsNeverHandedOut) {
    minihost::setBasicFrameSize(4, 4);
    for (int missing = 1; missing <= 5; ++missing) {
        resetHost();
        minihost::setBasicFrameSize(4, 4);
        minihost::setRenderMemoryCreateFailsFor(buffer(missing));
        clearLineStore();  // must not write through the missing buffer
        EXPECT_EQ(findOrCreateLineStore(), nullptr) << missing;
        minihost::setRenderMemoryCreateFailsFor("");
        EXPECT_EQ(findOrCreateLineStore(), nullptr) << missing;
        EXPECT_EQ(findLineStore(), nullptr) << missing;
        clearLineStore();
    }
    // The line edition shows no messages.
    EXPECT_TRUE(minihost::recordedMessages().empty());
    // Once the host discards the blocks, the next clear makes a usable store.
    minihost::discardRenderMemory();
    clearLineStore();
    EXPECT_NE(findLineStore(), nullptr);
}

TEST_F(LineStoreTest, NoHeaderOrNoFrameGivesNoStore) {
    minihost::setRenderMemoryCreateFails(true);
    clearLineStore();
    EXPECT_EQ(findOrCreateLineStore(), nullptr);
    minihost::setRenderMemoryCreateFails(false);

    minihost::setBasicFrameSize(0, 10);
    clearLineStore();
    EXPECT_EQ(findOrCreateLineStore(), nullptr);
    EXPECT_TRUE(minihost::renderMemoryNames().empty());

    services().sceneInfo = nullptr;
    EXPECT_EQ(findOrCreateLineStore(), nullptr);
    services().renderMemory = nullptr;
    clearLineStore();
    EXPECT_EQ(findOrCreateLineStore(), nullptr);
}

TEST_F(LineStoreTest, ConcurrentCallersShareOneStore) {
    minihost::setBasicFrameSize(16, 16);
    std::vector<LineStoreHeader *> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < seen.size(); ++t) {
        threads.emplace_back([&seen, t] {
            if (t % 2) clearLineStore();
            seen[t] = findOrCreateLineStore();
        });
    }
    for (auto &th : threads) th.join();
    ASSERT_NE(seen[0], nullptr);
    for (LineStoreHeader *h : seen) EXPECT_EQ(h, seen[0]);
    EXPECT_EQ(minihost::renderMemoryNames().size(), 6u);
}

TEST_F(LineStoreTest, TheStrokeEditionHasNoLineStore) {
    setEdition(&kStrokeEdition);
    EXPECT_EQ(findOrCreateLineStore(), nullptr);
    EXPECT_TRUE(minihost::renderMemoryNames().empty());
}

}  // namespace
}  // namespace qr
