// "Global Render Memory": named, zero-filled, aligned blocks that stay until
// discarded; failure injection for the modules' out-of-memory paths; safe
// from many threads at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "minihost/core/render_memory_blocks.h"

namespace {

using namespace minihost;

class RenderMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        discardRenderMemory();
        setRenderMemoryCreateFails(false);
        setRenderMemoryCreateFailsFor("");
    }
    RenderMemory *rm = renderMemoryRecord();
};

TEST_F(RenderMemoryTest, BlocksAreFoundByNameUntilDiscarded) {
    EXPECT_EQ(rm->find("QM's Quillrim_S STINFO"), nullptr);
    auto *block = static_cast<unsigned char *>(rm->create("QM's Quillrim_S STINFO", 1000));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(block[i], 0) << i;
    block[999] = 7;
    EXPECT_EQ(rm->find("QM's Quillrim_S STINFO"), block);
    EXPECT_EQ(rm->find("QM's Quillrim_S STINFO:Buff1"), nullptr);  // names match exactly
    EXPECT_EQ(rm->create("QM's Quillrim_S STINFO", 10), nullptr);  // existing name
    EXPECT_EQ(renderMemoryBlockSize("QM's Quillrim_S STINFO"), 1000u);

    void *empty = rm->create("empty", 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(rm->find("empty"), empty);
    EXPECT_EQ(renderMemoryNames(), (std::vector<std::string>{"QM's Quillrim_S STINFO", "empty"}));

    EXPECT_EQ(rm->find(nullptr), nullptr);
    EXPECT_EQ(rm->create(nullptr, 8), nullptr);

    discardRenderMemory();
    EXPECT_EQ(rm->find("QM's Quillrim_S STINFO"), nullptr);
    EXPECT_TRUE(renderMemoryNames().empty());
    auto *fresh = static_cast<unsigned char *>(rm->create("QM's Quillrim_S STINFO", 1000));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh[999], 0);  // a new session starts from zeros
}

TEST_F(RenderMemoryTest, LargeBlocksAreZeroAndFindsFollowEveryChange) {
    // A thread's remembered answer must not outlive a discard or a creation.
    EXPECT_EQ(rm->find("big"), nullptr);
    auto *big = static_cast<unsigned char *>(rm->create("big", std::size_t{3} << 20));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big[0] + big[(std::size_t{3} << 20) - 1], 0);
    EXPECT_EQ(rm->find("big"), big);
    big[5] = 7;
    discardRenderMemory();
    EXPECT_EQ(rm->find("big"), nullptr);
    auto *again = static_cast<unsigned char *>(rm->create("big", std::size_t{3} << 20));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again[5], 0);
    EXPECT_EQ(rm->find("big"), again);
}

TEST_F(RenderMemoryTest, CreationCanBeMadeToFail) {
    setRenderMemoryCreateFails(true);
    EXPECT_EQ(rm->create("a", 16), nullptr);
    EXPECT_EQ(rm->find("a"), nullptr);
    setRenderMemoryCreateFails(false);
    setRenderMemoryCreateFailsFor("QM's Quillrim_S STINFO:Buff3");
    EXPECT_NE(rm->create("QM's Quillrim_S STINFO:Buff2", 16), nullptr);
    EXPECT_EQ(rm->create("QM's Quillrim_S STINFO:Buff3", 16), nullptr);
    setRenderMemoryCreateFailsFor("");
    EXPECT_NE(rm->create("QM's Quillrim_S STINFO:Buff3", 16), nullptr);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer aborts on such a request instead of failing it
    // A request no machine can meet is refused, not thrown.
    EXPECT_EQ(rm->create("huge", SIZE_MAX / 2), nullptr);
#endif
}

TEST_F(RenderMemoryTest, ConcurrentCreateAndFindAgree) {
    constexpr int kThreads = 8, kNames = 200;
    std::vector<std::vector<void *>> created(kThreads, std::vector<void *>(kNames));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kNames; ++i) {
                const std::string name = "block " + std::to_string(i);
                void *p = rm->create(name.c_str(), 64);
                created[t][i] = p ? p : rm->find(name.c_str());
            }
        });
    }
    for (auto &th : threads) th.join();
    for (int i = 0; i < kNames; ++i) {
        void *expected = rm->find(("block " + std::to_string(i)).c_str());
        ASSERT_NE(expected, nullptr);
        for (int t = 0; t < kThreads; ++t) EXPECT_EQ(created[t][i], expected);
    }
    EXPECT_EQ(renderMemoryNames().size(), static_cast<std::size_t>(kNames));
}

}  // namespace
