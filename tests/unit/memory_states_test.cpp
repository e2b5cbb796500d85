// Save and load states in memory: both representations carry the same
// content, the binary layout is the one modules' byte-level code expects,
// and the block semantics hold that the parameter reader relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "host/host_types.h"
#include "minihost/states/memory_states.h"

namespace {

using minihost::MemoryLoadState;
using minihost::MemorySaveState;

constexpr uint32_t kOuter = HOST_FOURCC('P', 'D', 'L', 'B');
constexpr uint32_t kInner = HOST_FOURCC('P', 'D', 'P', 'R');
constexpr uint32_t kOther = HOST_FOURCC('X', 'T', 'R', 'A');
const BlockIdent kOuterTable[] = {{kOuter, "PluginDataLib"}, {0, nullptr}};
const BlockIdent kInnerTable[] = {{kInner, "PluginDataParam"}, {0, nullptr}};
const BlockIdent kOtherTable[] = {{kOther, "Extra Block"}, {0, nullptr}};

std::string hexOf(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

const char *kTrickyString = "norm err \"quoted\" back\\slash\nnew line\ttab \x01 caf\xC3\xA9";

// Writes one item of every kind, nested blocks, and awkward values.
void writeRichStream(const SaveState *ss) {
    const int32_t version = 256;
    ss->writeI4(ss->writeData, &version, 1);
    ss->beginBlock(ss->writeData, &kOuterTable[0], 0);
    const int8_t i1[] = {-128, 0, 127};
    const int16_t i2[] = {-32768, 1234, 32767};
    const int32_t i4[] = {std::numeric_limits<int32_t>::min(), -1, 0, std::numeric_limits<int32_t>::max()};
    const uint8_t u1[] = {0, 200, 255};
    const uint16_t u2[] = {0, 65535};
    const uint32_t u4[] = {0x50494E54u, 0xFFFFFFFFu};
    ss->writeI1(ss->writeData, i1, 3);
    ss->writeI2(ss->writeData, i2, 3);
    ss->writeI4(ss->writeData, i4, 4);
    ss->writeU1(ss->writeData, u1, 3);
    ss->writeU2(ss->writeData, u2, 2);
    ss->writeU4(ss->writeData, u4, 2);
    const float floats[] = {1.5f,
                            -0.0f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            1e-45f,
                            3.4028235e38f,
                            0.1f};
    ss->writeFP(ss->writeData, floats, 8);
    ss->beginBlock(ss->writeData, &kInnerTable[0], 1);
    ss->writeStr(ss->writeData, kTrickyString);
    ss->writeStr(ss->writeData, "");
    const char raw[] = {'\0', '\xFF', '"', '\n', 'A'};
    ss->writeBytes(ss->writeData, raw, 5);
    ss->endBlock(ss->writeData);
    ss->beginBlock(ss->writeData, &kOtherTable[0], 0);
    ss->beginBlock(ss->writeData, &kInnerTable[0], 0);
    ss->writeStr(ss->writeData, "deep");
    ss->endBlock(ss->writeData);
    ss->endBlock(ss->writeData);
    ss->endBlock(ss->writeData);
    const int32_t trailer = 7;
    ss->writeI4(ss->writeData, &trailer, 1);
}

void readRichStream(const LoadState *ls) {
    void *d = ls->readData;
    int32_t version = 0;
    ASSERT_EQ(ls->readI4(d, &version, 1), 1);
    EXPECT_EQ(version, 256);
    ASSERT_EQ(ls->findBlock(d, kOuterTable), kOuter);
    EXPECT_EQ(ls->depth(d), 1);
    int8_t i1[3];
    int16_t i2[3];
    int32_t i4[4];
    uint8_t u1[3];
    uint16_t u2[2];
    uint32_t u4[2];
    ASSERT_EQ(ls->readI1(d, i1, 3), 3);
    ASSERT_EQ(ls->readI2(d, i2, 3), 3);
    ASSERT_EQ(ls->readI4(d, i4, 4), 4);
    ASSERT_EQ(ls->readU1(d, u1, 3), 3);
    ASSERT_EQ(ls->readU2(d, u2, 2), 2);
    ASSERT_EQ(ls->readU4(d, u4, 2), 2);
    EXPECT_EQ(i1[0], -128);
    EXPECT_EQ(i1[2], 127);
    EXPECT_EQ(i2[0], -32768);
    EXPECT_EQ(i2[1], 1234);
    EXPECT_EQ(i4[0], std::numeric_limits<int32_t>::min());
    EXPECT_EQ(i4[1], -1);
    EXPECT_EQ(i4[3], std::numeric_limits<int32_t>::max());
    EXPECT_EQ(u1[1], 200);
    EXPECT_EQ(u1[2], 255);
    EXPECT_EQ(u2[1], 65535);
    EXPECT_EQ(u4[0], 0x50494E54u);
    EXPECT_EQ(u4[1], 0xFFFFFFFFu);
    float f[8];
    ASSERT_EQ(ls->readFP(d, f, 8), 8);
    EXPECT_EQ(f[0], 1.5f);
    EXPECT_TRUE(f[1] == 0.0f && std::signbit(f[1]));
    EXPECT_TRUE(std::isinf(f[2]) && f[2] > 0);
    EXPECT_TRUE(std::isinf(f[3]) && f[3] < 0);
    EXPECT_TRUE(std::isnan(f[4]));
    EXPECT_EQ(f[5], 1e-45f);
    EXPECT_EQ(f[6], 3.4028235e38f);
    EXPECT_EQ(f[7], 0.1f);

    ASSERT_EQ(ls->findBlock(d, kInnerTable), kInner);
    char text[128];
    ASSERT_EQ(ls->readStr(d, text, sizeof text), static_cast<int>(std::strlen(kTrickyString)) + 1);
    EXPECT_STREQ(text, kTrickyString);
    ASSERT_EQ(ls->readStr(d, text, sizeof text), 1);  // the empty string is a string
    EXPECT_STREQ(text, "");
    char raw[5];
    ASSERT_EQ(ls->readBytes(d, raw, 5), 5);
    EXPECT_EQ(std::string(raw, 5), std::string("\0\xFF\"\nA", 5));
    ls->endBlock(d);

    ASSERT_EQ(ls->findBlock(d, kOtherTable), kOther);
    ASSERT_EQ(ls->findBlock(d, kInnerTable), kInner);
    EXPECT_EQ(ls->depth(d), 3);
    ASSERT_GT(ls->readStr(d, text, sizeof text), 0);
    EXPECT_STREQ(text, "deep");
    ls->endBlock(d);
    ls->endBlock(d);
    ls->endBlock(d);
    EXPECT_EQ(ls->depth(d), 0);
    int32_t trailer = 0;
    ASSERT_EQ(ls->readI4(d, &trailer, 1), 1);
    EXPECT_EQ(trailer, 7);
    EXPECT_EQ(ls->readI4(d, &trailer, 1), 0);  // the stream's end
}

class BothRepresentations : public ::testing::TestWithParam<int> {};

TEST_P(BothRepresentations, EveryKindRoundTrips) {
    MemorySaveState save(GetParam());
    EXPECT_EQ(save.state()->ioMode, GetParam());
    writeRichStream(save.state());
    EXPECT_EQ(save.state()->depth(save.state()->writeData), 0);
    EXPECT_FALSE(save.failed());
    MemoryLoadState load(GetParam(), save.bytes());
    EXPECT_EQ(load.state()->ioMode, GetParam());
    readRichStream(load.state());
}

// The block semantics a parameter reader depends on.
TEST_P(BothRepresentations, BlockSemantics) {
    MemorySaveState save(GetParam());
    const SaveState *ss = save.state();
    ss->beginBlock(ss->writeData, &kOtherTable[0], 0);  // skipped by a find for kOuter
    const int32_t junk = 99;
    ss->writeI4(ss->writeData, &junk, 1);
    ss->endBlock(ss->writeData);
    ss->beginBlock(ss->writeData, &kOuterTable[0], 0);
    ss->beginBlock(ss->writeData, &kInnerTable[0], 0);
    ss->writeStr(ss->writeData, "unread");
    ss->endBlock(ss->writeData);
    const int32_t values[] = {1, 2, 3};
    ss->writeI4(ss->writeData, values, 3);
    ss->endBlock(ss->writeData);
    const int32_t after = 42;
    ss->writeI4(ss->writeData, &after, 1);

    MemoryLoadState load(GetParam(), save.bytes());
    const LoadState *ls = load.state();
    void *d = ls->readData;

    // A failed find returns 0, moves nothing, and the endBlock answering it
    // leaves nothing.
    EXPECT_EQ(ls->findBlock(d, kInnerTable), 0u);
    ls->endBlock(d);
    EXPECT_EQ(ls->depth(d), 0);

    // A table of several entries returns the one found, passing the other block.
    const BlockIdent both[] = {{kInner, "PluginDataParam"}, {kOuter, "PluginDataLib"}, {0, nullptr}};
    ASSERT_EQ(ls->findBlock(d, both), kOuter);

    // endBlock skips what was not read.
    ASSERT_EQ(ls->findBlock(d, kInnerTable), kInner);
    EXPECT_EQ(ls->depth(d), 2);
    ls->endBlock(d);
    EXPECT_EQ(ls->depth(d), 1);

    // Reads stop at the block's end; the partial read stores only what it read.
    int32_t got[5] = {-7, -7, -7, -7, -7};
    EXPECT_EQ(ls->readI4(d, got, 1), 1);
    EXPECT_EQ(ls->readI4(d, got + 1, 4), 2);
    EXPECT_EQ(got[0], 1);
    EXPECT_EQ(got[2], 3);
    EXPECT_EQ(got[3], -7);

    // A failed find inside the block, then its endBlock: still inside.
    EXPECT_EQ(ls->findBlock(d, kOtherTable), 0u);
    ls->endBlock(d);
    EXPECT_EQ(ls->depth(d), 1);

    // A read past the end of a block reads nothing and leaves the destination.
    int32_t untouched = -5;
    EXPECT_EQ(ls->readI4(d, &untouched, 1), 0);
    float funtouched = -5.0f;
    EXPECT_EQ(ls->readFP(d, &funtouched, 1), 0);
    char buf[8] = "keep";
    EXPECT_EQ(ls->readStr(d, buf, sizeof buf), 0);
    EXPECT_EQ(ls->readBytes(d, buf, 4), 0);
    EXPECT_EQ(untouched, -5);
    EXPECT_EQ(funtouched, -5.0f);
    EXPECT_STREQ(buf, "keep");
    ls->endBlock(d);

    int32_t tail = 0;
    ASSERT_EQ(ls->readI4(d, &tail, 1), 1);
    EXPECT_EQ(tail, 42);
    // endBlock at the top level is harmless.
    ls->endBlock(d);
    EXPECT_EQ(ls->depth(d), 0);
}

TEST_P(BothRepresentations, StringsAreTruncatedSafelyAndConsumedWhole) {
    MemorySaveState save(GetParam());
    save.state()->writeStr(save.state()->writeData, "abcdefghij");
    save.state()->writeStr(save.state()->writeData, "next");
    MemoryLoadState load(GetParam(), save.bytes());
    const LoadState *ls = load.state();
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(ls->readStr(ls->readData, buf, 5), 5);  // 4 bytes and the NUL
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'X');                           // nothing beyond max
    EXPECT_EQ(ls->readStr(ls->readData, buf, 1), 1);  // room for the NUL only
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(ls->readStr(ls->readData, buf, 0), 0);
    EXPECT_EQ(ls->readStr(ls->readData, nullptr, 8), 0);
}

TEST_P(BothRepresentations, HostileArgumentsAreHarmless) {
    MemorySaveState save(GetParam());
    const SaveState *ss = save.state();
    ss->writeI4(ss->writeData, nullptr, 3);
    const int32_t one = 1;
    ss->writeI4(ss->writeData, &one, -2);
    ss->writeStr(ss->writeData, nullptr);  // as the empty string
    ss->beginBlock(ss->writeData, nullptr, 0);
    ss->endBlock(ss->writeData);  // no block open
    ss->endBlock(ss->writeData);
    const BlockIdent noToken = {kOther, nullptr};
    ss->beginBlock(ss->writeData, &noToken, 0);
    ss->writeI4(ss->writeData, &one, 1);
    // left open: bytes() closes it
    EXPECT_EQ(ss->depth(ss->writeData), 1);

    MemoryLoadState load(GetParam(), save.bytes());
    const LoadState *ls = load.state();
    void *d = ls->readData;
    char text[4] = "zz";
    EXPECT_EQ(ls->readStr(d, text, 4), 1);
    EXPECT_EQ(ls->findBlock(d, nullptr), 0u);
    ASSERT_EQ(ls->findBlock(d, kOtherTable), kOther);  // matched by id: no token
    int32_t v = 0;
    EXPECT_EQ(ls->readI4(d, nullptr, 1), 0);
    EXPECT_EQ(ls->readI4(d, &v, -1), 0);
    EXPECT_EQ(ls->readI4(d, &v, 1), 1);
    EXPECT_EQ(v, 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, BothRepresentations, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT),
                         [](const ::testing::TestParamInfo<int> &p) {
                             return p.param == IO_MODE_TEXT ? "Text" : "Binary";
                         });

TEST(BinaryState, LayoutIsBigEndianWithLengthPrefixedBlocks) {
    MemorySaveState save(IO_MODE_BINARY);
    const SaveState *ss = save.state();
    const int32_t version = 256;
    ss->writeI4(ss->writeData, &version, 1);
    ss->beginBlock(ss->writeData, &kOuterTable[0], 0);
    const uint32_t code = HOST_FOURCC('P', 'D', 'B', 'L');
    ss->writeU4(ss->writeData, &code, 1);
    const int16_t minusTwo = -2;
    ss->writeI2(ss->writeData, &minusTwo, 1);
    const float onePointFive = 1.5f;
    ss->writeFP(ss->writeData, &onePointFive, 1);
    // 0.15 as a parameter library writes it: eight bytes, most significant first.
    const char dbl[] = {'\x3F', '\xC3', '\x33', '\x33', '\x33', '\x33', '\x33', '\x33'};
    ss->writeBytes(ss->writeData, dbl, 8);
    ss->writeStr(ss->writeData, "ab");
    ss->endBlock(ss->writeData);
    EXPECT_EQ(hexOf(save.bytes()),
              "00000100"  // I4 256
              "50444C42"
              "00000015"          // block PDLB, 21 bytes of content
              "5044424C"          // U4
              "FFFE"              // I2 -2
              "3FC00000"          // FP 1.5
              "3FC3333333333333"  // bytes
              "616200");          // "ab" and its NUL
}

TEST(BinaryState, ReadsTheBytesOfADoubleAsWritten) {
    // A stream built by hand, as another host would have written it.
    const std::string stream("\x3F\xC3\x33\x33\x33\x33\x33\x33", 8);
    MemoryLoadState load(IO_MODE_BINARY, stream);
    char bytes[16];
    EXPECT_EQ(load.state()->readBytes(load.state()->readData, bytes, 16), 8);
    EXPECT_EQ(hexOf(std::string(bytes, 8)), "3FC3333333333333");
}

TEST(TextState, LayoutIsTypedAndIndented) {
    MemorySaveState save(IO_MODE_TEXT);
    const SaveState *ss = save.state();
    const int32_t version = 256;
    ss->writeI4(ss->writeData, &version, 1);
    ss->beginBlock(ss->writeData, &kOuterTable[0], 0);
    const int32_t count = 1;
    ss->writeI4(ss->writeData, &count, 1);
    ss->beginBlock(ss->writeData, &kInnerTable[0], 0);
    ss->writeStr(ss->writeData, "norm err \"quoted\"\n");
    const uint32_t code = HOST_FOURCC('P', 'I', 'N', 'T');
    ss->writeU4(ss->writeData, &code, 1);
    const char dbl[] = {'\x3F', '\xC3', '\x33', '\x33', '\x33', '\x33', '\x33', '\x33'};
    ss->writeBytes(ss->writeData, dbl, 8);
    const float f = 1.5f;
    ss->writeFP(ss->writeData, &f, 1);
    ss->endBlock(ss->writeData);
    ss->endBlock(ss->writeData);
    const BlockIdent spaced = {kOther, "Extra Block"};
    ss->beginBlock(ss->writeData, &spaced, 1);
    ss->endBlock(ss->writeData);
    EXPECT_EQ(save.bytes(),
              "I4 256\n"
              "{ PluginDataLib 0x50444C42\n"
              "  I4 1\n"
              "  { PluginDataParam 0x50445052\n"
              "    S \"norm err \\\"quoted\\\"\\n\"\n"
              "    U4 0x50494E54\n"
              "    B 3FC3333333333333\n"
              "    F 1.5\n"
              "  }\n"
              "}\n"
              "{ \"Extra Block\" 0x58545241 leaf\n"
              "}\n");
}

TEST(TextState, BlocksMatchByTokenAndValuesSpanWrites) {
    // Hand-written text: ids absent, so only the tokens can match.
    MemoryLoadState load(IO_MODE_TEXT,
                         "{ Unrelated\n}\n"
                         "{ PluginDataLib\n  I4 1\n  I4 2 3\n  U4 0xFFFFFFFF\n}\n");
    const LoadState *ls = load.state();
    void *d = ls->readData;
    const BlockIdent wrongId[] = {{0x12345678u, "PluginDataLib"}, {0, nullptr}};
    ASSERT_EQ(ls->findBlock(d, wrongId), 0x12345678u);
    int32_t v[4] = {0, 0, 0, 0};
    EXPECT_EQ(ls->readI4(d, v, 3), 3);  // two lines read as one array
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(ls->readFP(d, nullptr, 1), 0);
    float f = 9.0f;
    EXPECT_EQ(ls->readFP(d, &f, 1), 0);  // an integer is not a float
    EXPECT_EQ(f, 9.0f);
    EXPECT_EQ(ls->readI4(d, v + 3, 1), 1);  // same width, other signedness
    EXPECT_EQ(v[3], -1);
}

TEST(TextState, DamagedTextIsReadUpToTheFault) {
    MemoryLoadState load(IO_MODE_TEXT, "I4 5\n{ PluginDataLib\n  I4 6\n  I4 zz\n  I4 7\n");
    const LoadState *ls = load.state();
    void *d = ls->readData;
    int32_t v = 0;
    ASSERT_EQ(ls->readI4(d, &v, 1), 1);
    EXPECT_EQ(v, 5);
    ASSERT_EQ(ls->findBlock(d, kOuterTable), kOuter);
    ASSERT_EQ(ls->readI4(d, &v, 1), 1);
    EXPECT_EQ(v, 6);
    EXPECT_EQ(ls->readI4(d, &v, 1), 0);  // the bad line and all after it are gone
}

TEST(StateModes, UnknownModeIsBinary) {
    MemorySaveState save(7);
    EXPECT_EQ(save.state()->ioMode, IO_MODE_BINARY);
    const int32_t v = 1;
    save.state()->writeI4(save.state()->writeData, &v, 1);
    EXPECT_EQ(save.bytes(), std::string("\0\0\0\1", 4));
}

}  // namespace
