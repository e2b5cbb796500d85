// The stroke edition's sample store in minihost's render memory: layout and
// sizes, the values of a clear, a grid fixed at creation, the failure flag
// with its single message, the PixelData block, and concurrent creation.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "store/stroke_store.h"
#include "store/stroke_store_view.h"
#include "store_test_host.h"

namespace qr {
namespace {

class StrokeStoreTest : public testing::StoreHost {
protected:
    StrokeStoreTest() : StoreHost(kStrokeEdition) {}
};

TEST_F(StrokeStoreTest, NoStoreExistsBeforeTheFirstClear) {
    EXPECT_EQ(findStrokeStore(), nullptr);
    EXPECT_TRUE(minihost::renderMemoryNames().empty());
    EXPECT_EQ(readTracerPointer(), nullptr);
}

TEST_F(StrokeStoreTest, ThreeCellsPerPixelAt640By480) {
    clearStrokeStore(3);
    StrokeStoreHeader *h = findStrokeStore();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->failed, 0);
    EXPECT_EQ(h->oversampling, 3);
    EXPECT_EQ(h->gridWidth, 1920);
    EXPECT_EQ(h->gridHeight, 1440);
    const size_t n = 2'764'800;
    EXPECT_EQ(viewOf(*h).cellCount(), n);
    EXPECT_EQ(blockSize("QM's Quillrim_S STINFO"), sizeof(StrokeStoreHeader));
    EXPECT_EQ(blockSize(buffer(1)), n);
    EXPECT_EQ(blockSize(buffer(2)), 4 * n);
    EXPECT_EQ(blockSize(buffer(3)), 12 * n);
    EXPECT_EQ(blockSize(buffer(4)), 3 * n);
    EXPECT_EQ(blockSize(buffer(5)), 4 * n);
    EXPECT_EQ(blockSize(buffer(6)), sizeof(void *) * n);
    // The header's addresses are the named blocks.
    RenderMemory *mem = minihost::renderMemoryRecord();
    EXPECT_EQ(static_cast<void *>(h->buff1), mem->find(buffer(1).c_str()));
    EXPECT_EQ(static_cast<void *>(h->buff6), mem->find(buffer(6).c_str()));
    EXPECT_TRUE(minihost::recordedMessages().empty());
}

TEST_F(StrokeStoreTest, ClearResetsCellsAndPassFlagsButNotTheGrid) {
    minihost::setBasicFrameSize(7, 5);
    clearStrokeStore(2);
    StrokeStoreHeader *h = findStrokeStore();
    ASSERT_NE(h, nullptr);
    const size_t n = viewOf(*h).cellCount();
    ASSERT_EQ(n, 14u * 10u);
    int dummy = 0;
    for (size_t i = 0; i < n; ++i) {
        h->buff1[i] = kIsolatedMark;
        h->buff2[i] = 12.5f;
        h->buff3[3 * i] = h->buff3[3 * i + 1] = h->buff3[3 * i + 2] = 0.5f;
        h->buff4[3 * i] = h->buff4[3 * i + 1] = h->buff4[3 * i + 2] = 200;
        h->buff5[i] = 0.75f;
        h->buff6[i] = &dummy;
    }
    h->passDone = 1;
    h->passRunning = 1;
    h->currentColumn = 3;
    h->currentRow = 4;

    // A later frame of another size and factor clears the same grid.
    minihost::setBasicFrameSize(100, 100);
    clearStrokeStore(3);
    EXPECT_EQ(findStrokeStore(), h);
    EXPECT_EQ(h->gridWidth, 14);
    EXPECT_EQ(h->gridHeight, 10);
    EXPECT_EQ(h->oversampling, 2);
    EXPECT_EQ(h->passDone, 0);
    EXPECT_EQ(h->passRunning, 0);
    EXPECT_EQ(h->currentColumn, 3);  // only meaningful while the pass runs
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(h->buff1[i], 0);
        ASSERT_EQ(h->buff2[i], -1.0f);
        ASSERT_EQ(h->buff5[i], 0.0f);
        ASSERT_EQ(h->buff6[i], nullptr);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(h->buff3[3 * i + k], 0.0f);
            ASSERT_EQ(h->buff4[3 * i + k], 0);
        }
    }
    EXPECT_TRUE(viewOf(*h).inside(13, 9));
    EXPECT_FALSE(viewOf(*h).inside(14, 0));
    EXPECT_FALSE(viewOf(*h).inside(0, -1));
    EXPECT_EQ(viewOf(*h).index(3, 2), 2u * 14u + 3u);
}

TEST_F(StrokeStoreTest, AFailedBufferReportsOnceAndKeepsTheTracerOff) {
    minihost::setBasicFrameSize(8, 6);
    minihost::setRenderMemoryCreateFailsFor(buffer(3));
    clearStrokeStore(2);
    StrokeStoreHeader *h = findStrokeStore();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->failed, 1);
    EXPECT_EQ(h->buff3, nullptr);
    // The later buffers were still asked for.
    EXPECT_NE(h->buff6, nullptr);
    auto messages = minihost::recordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, "error");
    EXPECT_EQ(messages[0].line1, "QM_Quillrim_S");
    EXPECT_EQ(messages[0].line2, "Not enough memory for temporary buffer.");

    // Later frames: the flag stays, clear touches nothing, no new message,
    // even once memory would be available again.
    minihost::setRenderMemoryCreateFailsFor("");
    h->passDone = 1;
    h->buff2[0] = 5.0f;
    for (int frame = 0; frame < 3; ++frame) clearStrokeStore(2);
    EXPECT_EQ(findOrCreateStrokeStore(2), h);
    EXPECT_EQ(h->failed, 1);
    EXPECT_EQ(h->passDone, 1);
    EXPECT_EQ(h->buff2[0], 5.0f);
    EXPECT_EQ(minihost::recordedMessages().size(), 1u);

    // Discarding the blocks ends the failure: the next clear builds a new store.
    minihost::discardRenderMemory();
    clearStrokeStore(2);
    h = findStrokeStore();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->failed, 0);
}

TEST_F(StrokeStoreTest, AMissingHeaderGivesNoStoreAndNoMessage) {
    minihost::setRenderMemoryCreateFails(true);
    clearStrokeStore(2);
    EXPECT_EQ(findOrCreateStrokeStore(2), nullptr);
    EXPECT_TRUE(minihost::recordedMessages().empty());
    minihost::setRenderMemoryCreateFails(false);
    EXPECT_NE(findOrCreateStrokeStore(2), nullptr);
}

TEST_F(StrokeStoreTest, GridsThatCannotBeMadeAreRefusedSafely) {
    // Empty grids: nothing is created, nothing reported, a real frame later works.
    minihost::setBasicFrameSize(0, 0);
    EXPECT_EQ(findOrCreateStrokeStore(2), nullptr);
    minihost::setBasicFrameSize(640, 480);
    EXPECT_EQ(findOrCreateStrokeStore(0), nullptr);
    EXPECT_EQ(findOrCreateStrokeStore(-3), nullptr);
    EXPECT_TRUE(minihost::renderMemoryNames().empty());
    EXPECT_TRUE(minihost::recordedMessages().empty());

    // A factor whose grid cannot be addressed is a buffer that cannot be had.
    clearStrokeStore(1'000'000);
    StrokeStoreHeader *h = findStrokeStore();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->failed, 1);
    EXPECT_EQ(viewOf(*h).cellCount(), 0u);
    EXPECT_EQ(minihost::renderMemoryNames().size(), 1u);  // the header alone
    EXPECT_EQ(minihost::recordedMessages().size(), 1u);
}

TEST_F(StrokeStoreTest, MissingServicesAreHandled) {
    services().infoMessages = nullptr;  // a host without "Info Messages 2"
    minihost::setRenderMemoryCreateFailsFor(buffer(1));
    clearStrokeStore(1);
    StrokeStoreHeader *h = findStrokeStore();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->failed, 1);

    minihost::discardRenderMemory();
    services().sceneInfo = nullptr;  // the frame size is unknown
    EXPECT_EQ(findOrCreateStrokeStore(1), nullptr);
    services().renderMemory = nullptr;
    clearStrokeStore(1);
    EXPECT_EQ(findOrCreateStrokeStore(1), nullptr);
    writeTracerPointer(this);
    EXPECT_EQ(readTracerPointer(), nullptr);
}

TEST_F(StrokeStoreTest, ThePixelDataBlockHoldsTheLatestTracer) {
    int first = 0, second = 0;
    writeTracerPointer(&first);
    EXPECT_EQ(blockSize("QM's Quillrim_S PixelData"), sizeof(void *));
    EXPECT_EQ(readTracerPointer(), &first);
    writeTracerPointer(&second);
    EXPECT_EQ(readTracerPointer(), &second);

    minihost::discardRenderMemory();
    minihost::setRenderMemoryCreateFails(true);
    writeTracerPointer(&first);
    EXPECT_EQ(readTracerPointer(), nullptr);
}

TEST_F(StrokeStoreTest, ConcurrentCallersShareOneStore) {
    minihost::setBasicFrameSize(32, 24);
    std::vector<StrokeStoreHeader *> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < seen.size(); ++t) {
        threads.emplace_back([&seen, t] {
            if (t % 2) clearStrokeStore(2);
            seen[t] = findOrCreateStrokeStore(2);
        });
    }
    for (auto &th : threads) th.join();
    for (StrokeStoreHeader *h : seen) EXPECT_EQ(h, seen[0]);
    ASSERT_NE(seen[0], nullptr);
    EXPECT_EQ(seen[0]->failed, 0);
    EXPECT_EQ(minihost::renderMemoryNames().size(), 7u);
}

TEST_F(StrokeStoreTest, TheLineEditionHasNoStrokeStore) {
    setEdition(&kLineEdition);
    EXPECT_EQ(findOrCreateStrokeStore(2), nullptr);
    writeTracerPointer(this);
    EXPECT_EQ(readTracerPointer(), nullptr);
    EXPECT_TRUE(minihost::renderMemoryNames().empty());
}

}  // namespace
}  // namespace qr
