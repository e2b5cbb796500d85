// Parameter blocks through the host's save and load states, in both
// representations: round trips of every plain type code, the byte layout the
// format fixes, and the reader's handling of unknown, missing, repeated and
// storage-less parameters.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "paramlib/param_block.h"

namespace qr {
namespace {

constexpr ParamEntry kEnd = {nullptr, 0, nullptr, 0, nullptr, nullptr};

std::string written(int mode, const ParamEntry *table, bool versioned = false) {
    minihost::MemorySaveState save(mode);
    if (versioned) {
        writeVersionedParamBlock(save.state(), table);
    } else {
        writeParamBlock(save.state(), table);
    }
    EXPECT_FALSE(save.failed());
    return save.bytes();
}

void readInto(int mode, const std::string &bytes, const ParamEntry *table) {
    minihost::MemoryLoadState load(mode, bytes);
    readParamBlock(load.state(), table);
}

std::string hex(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// The tracer-like settings most handlers save: integers and doubles.
struct Settings {
    int32_t lineOnly = 0;
    double normErr = 0.15;
    double distErr = 0.02;
};

void table(Settings &s, ParamEntry (&t)[4]) {
    t[0] = {"line_only", SETTINGS_TYPE_INT, &s.lineOnly, 1, nullptr, nullptr};
    t[1] = {"norm_err", SETTINGS_TYPE_DOUBLE, &s.normErr, 1, nullptr, nullptr};
    t[2] = {"dist_err", SETTINGS_TYPE_DOUBLE, &s.distErr, 1, nullptr, nullptr};
    t[3] = kEnd;
}

class BothModes : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Representations, BothModes, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT),
                         [](const auto &param) {
                             return std::string(param.param == IO_MODE_TEXT ? "Text" : "Binary");
                         });

TEST_P(BothModes, SettingsRoundTrip) {
    Settings saved{1, 0.3, 0.05};
    ParamEntry out[4];
    table(saved, out);
    const std::string bytes = written(GetParam(), out, true);

    Settings loaded;
    ParamEntry in[4];
    table(loaded, in);
    minihost::MemoryLoadState load(GetParam(), bytes);
    EXPECT_TRUE(readVersionedParamBlock(load.state(), in));
    EXPECT_EQ(loaded.lineOnly, 1);
    EXPECT_EQ(loaded.normErr, 0.3);
    EXPECT_EQ(loaded.distErr, 0.05);
}

TEST(ParamBlockLayout, BinaryStreamIsTheDocumentedBlocks) {
    double normErr = 0.15;
    const ParamEntry t[] = {{"norm_err", SETTINGS_TYPE_DOUBLE, &normErr, 1, nullptr, nullptr}, kEnd};
    const std::string expected = std::string("PDLB") + std::string("\0\0\0\x21", 4) +
                                 std::string("\0\0\0\x01", 4) + "PDPR" + std::string("\0\0\0\x15", 4) +
                                 std::string("norm_err\0", 9) + "PDBL" + "\x3F\xC3\x33\x33\x33\x33\x33\x33";
    EXPECT_EQ(hex(written(IO_MODE_BINARY, t)), hex(expected));
}

TEST(ParamBlockLayout, TextStreamCarriesTheSameItems) {
    double normErr = 0.15;
    int32_t matId = -3;
    const ParamEntry t[] = {{"norm_err", SETTINGS_TYPE_DOUBLE, &normErr, 1, nullptr, nullptr},
                            {"mat_id", SETTINGS_TYPE_INT, &matId, 1, nullptr, nullptr},
                            kEnd};
    const std::string text = written(IO_MODE_TEXT, t);
    minihost::StateItem root;
    ASSERT_NO_THROW(minihost::parseStateText(text, root));
    ASSERT_EQ(root.children.size(), 1u);
    const minihost::StateItem &lib = root.children[0];
    EXPECT_EQ(lib.token, "PluginDataLib");
    ASSERT_EQ(lib.children.size(), 3u);
    EXPECT_EQ(lib.children[0].ints, std::vector<int64_t>{2});
    const minihost::StateItem &first = lib.children[1];
    EXPECT_EQ(first.token, "PluginDataParam");
    ASSERT_EQ(first.children.size(), 3u);
    EXPECT_EQ(first.children[0].data, "norm_err");
    EXPECT_EQ(first.children[1].ints, std::vector<int64_t>{SETTINGS_TYPE_DOUBLE});
    EXPECT_EQ(hex(first.children[2].data), "3FC3333333333333");
    EXPECT_NE(text.find("B 3FC3333333333333"), std::string::npos) << text;
}

// One entry of every plain type code, with awkward values.
struct AllTypes {
    int32_t ints[3] = {};
    uint32_t uints[2] = {};
    float floats[2] = {};
    double doubles[5] = {};
    char bytes[5] = {};
    char text[64] = {};
    double user = 0;
};

ParamEntry userEntry(double &value);

void allTypesTable(AllTypes &a, ParamEntry (&t)[9]) {
    t[0] = {"ints", SETTINGS_TYPE_INT, a.ints, 3, nullptr, nullptr};
    t[1] = {"uints", SETTINGS_TYPE_UINT, a.uints, 2, nullptr, nullptr};
    t[2] = {"floats", SETTINGS_TYPE_FLOAT, a.floats, 2, nullptr, nullptr};
    t[3] = {"doubles", SETTINGS_TYPE_DOUBLE, a.doubles, 5, nullptr, nullptr};
    t[4] = {"bytes", SETTINGS_TYPE_BINARY, a.bytes, 5, nullptr, nullptr};
    t[5] = {"text", SETTINGS_TYPE_STRING, a.text, sizeof a.text, nullptr, nullptr};
    t[6] = userEntry(a.user);
    t[7] = {"unknown code", HOST_FOURCC('Q', 'Q', 'Q', 'Q'), a.ints, 1, nullptr, nullptr};
    t[8] = kEnd;
}

// A user entry that nests a parameter block of its own.
void saveNested(const SaveState *ss, void *value) {
    const ParamEntry inner[] = {{"inner", SETTINGS_TYPE_DOUBLE, value, 1, nullptr, nullptr}, kEnd};
    writeVersionedParamBlock(ss, inner);
}
void loadNested(const LoadState *ls, void *value) {
    const ParamEntry inner[] = {{"inner", SETTINGS_TYPE_DOUBLE, value, 1, nullptr, nullptr}, kEnd};
    readVersionedParamBlock(ls, inner);
}
ParamEntry userEntry(double &value) {
    return {"nested", SETTINGS_TYPE_USER, &value, 0, saveNested, loadNested};
}

uint64_t bits(double d) { return std::bit_cast<uint64_t>(d); }

TEST_P(BothModes, EveryPlainTypeRoundTripsBitForBit) {
    AllTypes saved;
    const int32_t ints[3] = {0, INT32_MIN, INT32_MAX};
    std::memcpy(saved.ints, ints, sizeof ints);
    saved.uints[0] = 0;
    saved.uints[1] = UINT32_MAX;
    saved.floats[0] = -1.5f;
    saved.floats[1] = std::numeric_limits<float>::infinity();
    saved.doubles[0] = std::bit_cast<double>(uint64_t{0x7FF8000000ABCDEFull});  // NaN payload
    saved.doubles[1] = std::numeric_limits<double>::infinity();
    saved.doubles[2] = -std::numeric_limits<double>::infinity();
    saved.doubles[3] = -0.0;
    saved.doubles[4] = std::numeric_limits<double>::denorm_min();
    std::memcpy(saved.bytes, "a\0\xff\n\"", 5);
    std::strcpy(saved.text, "norm err \"quoted\" back\\slash\nnew line\ttab");
    saved.user = 0.125;
    ParamEntry out[9];
    allTypesTable(saved, out);
    const std::string stream = written(GetParam(), out);

    AllTypes loaded;
    ParamEntry in[9];
    allTypesTable(loaded, in);
    readInto(GetParam(), stream, in);
    EXPECT_EQ(std::memcmp(loaded.ints, saved.ints, sizeof saved.ints), 0);
    EXPECT_EQ(loaded.uints[1], UINT32_MAX);
    EXPECT_EQ(loaded.floats[0], -1.5f);
    EXPECT_TRUE(std::isinf(loaded.floats[1]));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(bits(loaded.doubles[i]), bits(saved.doubles[i])) << i;
    }
    EXPECT_EQ(std::memcmp(loaded.bytes, saved.bytes, 5), 0);
    EXPECT_STREQ(loaded.text, saved.text);
    EXPECT_EQ(loaded.user, 0.125);
}

TEST_P(BothModes, StringsAreCutToTheReceivingBuffer) {
    char saved[40] = "a string longer than eight";
    char small[8];
    std::memset(small, 'x', sizeof small);
    const ParamEntry out[] = {{"s", SETTINGS_TYPE_STRING, saved, sizeof saved, nullptr, nullptr}, kEnd};
    const ParamEntry in[] = {{"s", SETTINGS_TYPE_STRING, small, sizeof small, nullptr, nullptr}, kEnd};
    readInto(GetParam(), written(GetParam(), out), in);
    EXPECT_EQ(small[sizeof small - 1], '\0');
    EXPECT_STREQ(small, "a strin");

    // A source buffer without a NUL is written from within its bounds.
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    char back[16] = "untouched";
    const ParamEntry out2[] = {{"s", SETTINGS_TYPE_STRING, unterminated, 4, nullptr, nullptr}, kEnd};
    const ParamEntry in2[] = {{"s", SETTINGS_TYPE_STRING, back, sizeof back, nullptr, nullptr}, kEnd};
    readInto(GetParam(), written(GetParam(), out2), in2);
    EXPECT_STREQ(back, "abc");
}

TEST_P(BothModes, UnknownAndMistypedParametersAreSkippedMissingOnesKeepTheirValue) {
    int32_t a = 7, extra = 99;
    double b = 2.5;
    const ParamEntry out[] = {{"extra", SETTINGS_TYPE_INT, &extra, 1, nullptr, nullptr},
                              {"a", SETTINGS_TYPE_INT, &a, 1, nullptr, nullptr},
                              {"b", SETTINGS_TYPE_DOUBLE, &b, 1, nullptr, nullptr},
                              kEnd};
    const std::string stream = written(GetParam(), out);

    int32_t readA = 0;
    float readB = -4.0f;  // the same name with another type code
    double readC = 3.0;   // not in the stream
    const ParamEntry in[] = {{"a", SETTINGS_TYPE_INT, &readA, 1, nullptr, nullptr},
                             {"b", SETTINGS_TYPE_FLOAT, &readB, 1, nullptr, nullptr},
                             {"c", SETTINGS_TYPE_DOUBLE, &readC, 1, nullptr, nullptr},
                             kEnd};
    readInto(GetParam(), stream, in);
    EXPECT_EQ(readA, 7);
    EXPECT_EQ(readB, -4.0f);
    EXPECT_EQ(readC, 3.0);

    // Names match byte for byte, case included.
    int32_t upper = 5;
    const ParamEntry caseTable[] = {{"A", SETTINGS_TYPE_INT, &upper, 1, nullptr, nullptr}, kEnd};
    readInto(GetParam(), stream, caseTable);
    EXPECT_EQ(upper, 5);
}

TEST_P(BothModes, ARepeatedParameterIsReadTwiceAndTheLaterValueStays) {
    int32_t first = 1, second = 2;
    const ParamEntry out[] = {{"v", SETTINGS_TYPE_INT, &first, 1, nullptr, nullptr},
                              {"v", SETTINGS_TYPE_INT, &second, 1, nullptr, nullptr},
                              kEnd};
    int32_t v = 0;
    int reads = 0;
    const ParamEntry in[] = {{"v", SETTINGS_TYPE_USER, &reads, 0, nullptr,
                              [](const LoadState *, void *count) { ++*static_cast<int *>(count); }},
                             {"v", SETTINGS_TYPE_INT, &v, 1, nullptr, nullptr},
                             kEnd};
    readInto(GetParam(), written(GetParam(), out), in);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(reads, 0);  // the first entry matching name and type is used
}

TEST_P(BothModes, EntriesWithoutStorageAreNeitherCountedNorWrittenNorRead) {
    int32_t a = 1, c = 3;
    const ParamEntry out[] = {{"a", SETTINGS_TYPE_INT, &a, 1, nullptr, nullptr},
                              {"b", SETTINGS_TYPE_INT, nullptr, 1, nullptr, nullptr},
                              {"c", SETTINGS_TYPE_INT, &c, 1, nullptr, nullptr},
                              kEnd};
    const std::string stream = written(GetParam(), out);
    if (GetParam() == IO_MODE_TEXT) {
        minihost::StateItem root;
        ASSERT_NO_THROW(minihost::parseStateText(stream, root));
        const auto &lib = root.children.at(0);
        EXPECT_EQ(lib.children.at(0).ints, std::vector<int64_t>{2});
        ASSERT_EQ(lib.children.size(), 3u);
        EXPECT_EQ(lib.children[1].children.at(0).data, "a");
        EXPECT_EQ(lib.children[2].children.at(0).data, "c");
    }
    // On reading, a storage-less entry skips its parameter, even when a later
    // entry has the same name; the rest is read.
    int32_t shadowed = 0, readC = 0;
    const ParamEntry in[] = {{"a", SETTINGS_TYPE_INT, nullptr, 1, nullptr, nullptr},
                             {"a", SETTINGS_TYPE_INT, &shadowed, 1, nullptr, nullptr},
                             {"c", SETTINGS_TYPE_INT, &readC, 1, nullptr, nullptr},
                             kEnd};
    readInto(GetParam(), stream, in);
    EXPECT_EQ(shadowed, 0);
    EXPECT_EQ(readC, 3);
}

TEST_P(BothModes, AnEmptyTableWritesABlockWithNoParameters) {
    const ParamEntry empty[] = {kEnd};
    const std::string stream = written(GetParam(), empty);
    EXPECT_EQ(stream, written(GetParam(), nullptr));
    if (GetParam() == IO_MODE_BINARY) {
        EXPECT_EQ(hex(stream), hex(std::string("PDLB\0\0\0\x04\0\0\0\0", 12)));
    }
    int32_t untouched = 42;
    const ParamEntry in[] = {{"x", SETTINGS_TYPE_INT, &untouched, 1, nullptr, nullptr}, kEnd};
    readInto(GetParam(), stream, in);
    EXPECT_EQ(untouched, 42);
}

TEST_P(BothModes, AVersionOtherThan256ReadsNothing) {
    for (int32_t version : {255, 257, 0, -256}) {
        minihost::MemorySaveState save(GetParam());
        save.state()->writeI4(save.state()->writeData, &version, 1);
        Settings s{1, 0.9, 0.9};
        ParamEntry t[4];
        table(s, t);
        writeParamBlock(save.state(), t);

        Settings loaded;
        ParamEntry in[4];
        table(loaded, in);
        minihost::MemoryLoadState load(GetParam(), save.bytes());
        EXPECT_FALSE(readVersionedParamBlock(load.state(), in)) << version;
        EXPECT_EQ(loaded.lineOnly, 0);
        EXPECT_EQ(loaded.normErr, 0.15);
    }
    // Nothing at all: no version, nothing read.
    Settings loaded;
    ParamEntry in[4];
    table(loaded, in);
    minihost::MemoryLoadState load(GetParam(), "");
    EXPECT_FALSE(readVersionedParamBlock(load.state(), in));
    EXPECT_EQ(loaded.normErr, 0.15);
}

TEST(ParamBlockStates, NullStatesAndValuesDoNothing) {
    Settings s;
    ParamEntry t[4];
    table(s, t);
    writeParamBlock(nullptr, t);
    readParamBlock(nullptr, t);
    writeVersionedParamBlock(nullptr, t);
    EXPECT_FALSE(readVersionedParamBlock(nullptr, t));
    writeDoubles(nullptr, &s.normErr, 1);
    EXPECT_EQ(readDoubles(nullptr, &s.normErr, 1), 0);
    EXPECT_EQ(s.normErr, 0.15);
}

}  // namespace
}  // namespace qr
