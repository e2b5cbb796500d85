// Damaged streams in both representations: every truncation of a valid
// stream, fixed-seed random damage, random bytes and lying block lengths.
// Each is walked with every kind of read into buffers fenced by guard bytes;
// the sanitizer run turns any access outside a buffer into a failure.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/host_types.h"
#include "minihost/states/memory_states.h"

namespace {

using minihost::MemoryLoadState;
using minihost::MemorySaveState;

const BlockIdent kTable[] = {{HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"},
                             {HOST_FOURCC('P', 'D', 'P', 'R'), "PluginDataParam"},
                             {HOST_FOURCC('V', 'P', 'R', 'M'), "VParam"},
                             {0, nullptr}};

std::string validStream(int mode) {
    MemorySaveState save(mode);
    const SaveState *ss = save.state();
    void *d = ss->writeData;
    const int32_t version = 256, count = 3;
    ss->writeI4(d, &version, 1);
    ss->beginBlock(d, &kTable[0], 0);
    ss->writeI4(d, &count, 1);
    for (int i = 0; i < 3; ++i) {
        ss->beginBlock(d, &kTable[1], 0);
        ss->writeStr(d, i == 1 ? "a \"tricky\"\nname\\" : "norm_err");
        const uint32_t type = HOST_FOURCC('P', 'D', 'B', 'L');
        ss->writeU4(d, &type, 1);
        const char bytes[] = "\x3F\xC3\x33\x33\x33\x33\x33\x33";
        ss->writeBytes(d, bytes, 8);
        ss->beginBlock(d, &kTable[2], 1);
        const float f[] = {1.5f, -2.25f};
        ss->writeFP(d, f, 2);
        const int16_t s = -3;
        ss->writeI2(d, &s, 1);
        const uint8_t u = 200;
        ss->writeU1(d, &u, 1);
        ss->endBlock(d);
        ss->endBlock(d);
    }
    ss->endBlock(d);
    return save.bytes();
}

constexpr unsigned char kGuard = 0xA5;
constexpr int kMaxCount = 40;

// A buffer of `count` elements followed by guard bytes that must survive.
struct Fenced {
    explicit Fenced(std::size_t bytes) : data(bytes + 16, kGuard), size(bytes) {}
    bool intact() const {
        for (std::size_t i = size; i < data.size(); ++i)
            if (data[i] != kGuard) return false;
        return true;
    }
    std::vector<unsigned char> data;
    std::size_t size;
};

// Walks a load state with a fixed-seed sequence of operations; checks that
// every result is in range and that nothing is written past a destination.
void walk(const LoadState *ls, uint32_t seed) {
    std::mt19937 rng(seed);
    void *d = ls->readData;
    for (int step = 0; step < 200; ++step) {
        const unsigned op = rng() % 11;
        const int count = static_cast<int>(rng() % kMaxCount) + (op == 9 ? 0 : 1);
        int got = 0, width = 1;
        Fenced buf(static_cast<std::size_t>(count) * 4);
        switch (op) {
        case 0:
            got = ls->readI1(d, reinterpret_cast<int8_t *>(buf.data.data()), count);
            width = 1;
            break;
        case 1:
            got = ls->readI2(d, reinterpret_cast<int16_t *>(buf.data.data()), count);
            width = 2;
            break;
        case 2:
            got = ls->readI4(d, reinterpret_cast<int32_t *>(buf.data.data()), count);
            width = 4;
            break;
        case 3:
            got = ls->readU1(d, buf.data.data(), count);
            width = 1;
            break;
        case 4:
            got = ls->readU2(d, reinterpret_cast<uint16_t *>(buf.data.data()), count);
            width = 2;
            break;
        case 5:
            got = ls->readU4(d, reinterpret_cast<uint32_t *>(buf.data.data()), count);
            width = 4;
            break;
        case 6:
            got = ls->readFP(d, reinterpret_cast<float *>(buf.data.data()), count);
            width = 4;
            break;
        case 7:
            got = ls->readBytes(d, reinterpret_cast<char *>(buf.data.data()), count);
            width = 1;
            break;
        case 8: {
            Fenced text(static_cast<std::size_t>(count));
            got = ls->readStr(d, reinterpret_cast<char *>(text.data.data()), count);
            ASSERT_LE(got, count);
            if (got > 0) {
                ASSERT_EQ(text.data[static_cast<std::size_t>(got) - 1], 0);
            }
            ASSERT_TRUE(text.intact());
            continue;
        }
        case 9: {
            const uint32_t found = ls->findBlock(d, kTable);
            bool known = found == 0;
            for (const BlockIdent *e = kTable; e->id; ++e) known = known || e->id == found;
            ASSERT_TRUE(known) << found;
            continue;
        }
        default: ls->endBlock(d); continue;
        }
        ASSERT_GE(got, 0);
        ASSERT_LE(got, count);
        // Untouched beyond what was read: the guard pattern is still there.
        for (std::size_t i = static_cast<std::size_t>(got) * width; i < buf.data.size(); ++i)
            ASSERT_EQ(buf.data[i], kGuard) << "op " << op << " wrote past what it read";
        ASSERT_GE(ls->depth(d), 0);
    }
}

class DamagedStreams : public ::testing::TestWithParam<int> {};

TEST_P(DamagedStreams, EveryTruncationIsReadSafely) {
    const std::string stream = validStream(GetParam());
    for (std::size_t length = 0; length <= stream.size(); ++length) {
        MemoryLoadState load(GetParam(), stream.substr(0, length));
        walk(load.state(), static_cast<uint32_t>(length));
    }
}

TEST_P(DamagedStreams, RandomDamageIsReadSafely) {
    const std::string stream = validStream(GetParam());
    std::mt19937 rng(20240611u);
    for (int round = 0; round < 600; ++round) {
        std::string damaged = stream;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !damaged.empty(); ++e) {
            const std::size_t at = rng() % damaged.size();
            switch (rng() % 4) {
            case 0: damaged[at] = static_cast<char>(rng()); break;           // change a byte
            case 1: damaged.erase(at, 1 + rng() % 6); break;                 // drop some
            case 2: damaged.insert(at, 1, static_cast<char>(rng())); break;  // insert one
            default: damaged[at] = "{}\"\\\n 0x"[rng() % 8]; break;          // text syntax
            }
        }
        MemoryLoadState load(GetParam(), damaged);
        walk(load.state(), static_cast<uint32_t>(round));
    }
}

TEST_P(DamagedStreams, RandomBytesAreReadSafely) {
    std::mt19937 rng(7u);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(rng() % 300, '\0');
        for (char &c : bytes) c = static_cast<char>(rng());
        MemoryLoadState load(GetParam(), bytes);
        walk(load.state(), static_cast<uint32_t>(round));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, DamagedStreams, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT),
                         [](const ::testing::TestParamInfo<int> &p) {
                             return p.param == IO_MODE_TEXT ? "Text" : "Binary";
                         });

TEST(DamagedBinaryStream, LyingLengthsAreRefused) {
    // A PDLB block claiming more content than the stream holds, then one
    // whose length wraps past the end, then a valid one.
    const std::string huge(
        "PDLB\xFF\xFF\xFF\xF0"
        "abcd",
        12);
    MemoryLoadState load(IO_MODE_BINARY, huge);
    const LoadState *ls = load.state();
    EXPECT_EQ(ls->findBlock(ls->readData, kTable), 0u);
    int32_t v = -1;
    EXPECT_EQ(ls->readI4(ls->readData, &v, 1), 1);  // the reader stayed put
    EXPECT_EQ(v, HOST_FOURCC('P', 'D', 'L', 'B'));

    // A nested block longer than its parent.
    const std::string nested(
        "PDLB\0\0\0\x0C"
        "PDPR\0\0\0\x10"
        "abcd",
        20);
    MemoryLoadState load2(IO_MODE_BINARY, nested);
    const LoadState *ls2 = load2.state();
    ASSERT_EQ(ls2->findBlock(ls2->readData, kTable), kTable[0].id);
    EXPECT_EQ(ls2->findBlock(ls2->readData, kTable), 0u);
    char bytes[64];
    EXPECT_EQ(ls2->readBytes(ls2->readData, bytes, 64), 12);  // bounded by the parent
}

TEST(DamagedBinaryStream, AStringWithoutItsNulIsNotRead) {
    MemoryLoadState load(IO_MODE_BINARY, std::string("PDLB\0\0\0\x03"
                                                     "abcdef\0",
                                                     15));
    const LoadState *ls = load.state();
    ASSERT_NE(ls->findBlock(ls->readData, kTable), 0u);
    char text[16] = "keep";
    EXPECT_EQ(ls->readStr(ls->readData, text, 16), 0);  // the NUL lies beyond the block
    EXPECT_STREQ(text, "keep");
}

TEST(DeepNesting, TextRefusesWhatItCannotPrintAndBinaryKeepsIt) {
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        MemorySaveState save(mode);
        const SaveState *ss = save.state();
        for (int i = 0; i < 1000; ++i) ss->beginBlock(ss->writeData, &kTable[0], 0);
        EXPECT_EQ(ss->depth(ss->writeData), 1000);
        const int32_t v = 5;
        ss->writeI4(ss->writeData, &v, 1);
        for (int i = 0; i < 1000; ++i) ss->endBlock(ss->writeData);
        EXPECT_EQ(ss->depth(ss->writeData), 0);
        EXPECT_EQ(save.failed(), mode == IO_MODE_TEXT);
        MemoryLoadState load(mode, save.bytes());
        const LoadState *ls = load.state();
        int depth = 0;
        while (ls->findBlock(ls->readData, kTable)) ++depth;
        EXPECT_EQ(depth, mode == IO_MODE_TEXT ? 256 : 1000);
        int32_t got = 0;
        EXPECT_EQ(ls->readI4(ls->readData, &got, 1), 1);
        EXPECT_EQ(got, 5);
    }
}

}  // namespace
