// Damaged parameter blocks: truncated streams, counts that lie, names longer
// than the reader's buffer, random bytes and a fixed-seed round of mutated
// streams. Nothing may crash or touch memory outside the table's storage, and
// storage that was not read keeps its value.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "minihost/states/memory_states.h"
#include "paramlib/param_block.h"

namespace qr {
namespace {

constexpr ParamEntry kEnd = {nullptr, 0, nullptr, 0, nullptr, nullptr};
constexpr uint32_t kGuard = 0xA5A5A5A5u;

// Storage of one entry per plain type, fenced by guards that no entry covers.
struct Storage {
    uint32_t guard0 = kGuard;
    int32_t ints[3];
    uint32_t guard1 = kGuard;
    double doubles[3];
    uint32_t guard2 = kGuard;
    char text[16];
    uint32_t guard3 = kGuard;
    char bytes[6];
    uint32_t guard4 = kGuard;
    float floats[2];
    uint32_t guard5 = kGuard;

    explicit Storage(bool sentinel) {
        if (sentinel) {
            for (auto &v : ints) v = -777;
            for (auto &v : doubles) v = -777.0;
            std::memset(text, '#', sizeof text);
            text[sizeof text - 1] = '\0';
            std::memset(bytes, '#', sizeof bytes);
            for (auto &v : floats) v = -777.0f;
        } else {
            ints[0] = 1;
            ints[1] = 2;
            ints[2] = 3;
            doubles[0] = 0.15;
            doubles[1] = -2.5;
            doubles[2] = 1e300;
            std::strcpy(text, "line \"colour\"");
            std::memcpy(bytes, "\x01\x02\x03\x04\x05\x06", 6);
            floats[0] = 0.5f;
            floats[1] = 8.0f;
        }
    }

    bool guardsIntact() const {
        return guard0 == kGuard && guard1 == kGuard && guard2 == kGuard && guard3 == kGuard &&
               guard4 == kGuard && guard5 == kGuard;
    }
    bool textTerminated() const { return std::memchr(text, '\0', sizeof text) != nullptr; }
};

void tableFor(Storage &s, ParamEntry (&t)[6]) {
    t[0] = {"ints", SETTINGS_TYPE_INT, s.ints, 3, nullptr, nullptr};
    t[1] = {"doubles", SETTINGS_TYPE_DOUBLE, s.doubles, 3, nullptr, nullptr};
    t[2] = {"text", SETTINGS_TYPE_STRING, s.text, sizeof s.text, nullptr, nullptr};
    t[3] = {"bytes", SETTINGS_TYPE_BINARY, s.bytes, sizeof s.bytes, nullptr, nullptr};
    t[4] = {"floats", SETTINGS_TYPE_FLOAT, s.floats, 2, nullptr, nullptr};
    t[5] = kEnd;
}

std::string referenceStream(int mode) {
    Storage saved(false);
    ParamEntry t[6];
    tableFor(saved, t);
    minihost::MemorySaveState save(mode);
    writeVersionedParamBlock(save.state(), t);
    return save.bytes();
}

Storage readDamaged(int mode, const std::string &bytes) {
    Storage s(true);
    ParamEntry t[6];
    tableFor(s, t);
    minihost::MemoryLoadState load(mode, bytes);
    readVersionedParamBlock(load.state(), t);
    return s;
}

void expectSafe(const Storage &s, const char *what) {
    EXPECT_TRUE(s.guardsIntact()) << what;
    EXPECT_TRUE(s.textTerminated()) << what;
}

// Every element either kept its sentinel or holds the value written.
void expectReadOrKept(const Storage &s, size_t prefix) {
    const Storage saved(false), sentinel(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(s.ints[i] == saved.ints[i] || s.ints[i] == sentinel.ints[i]) << prefix;
        EXPECT_TRUE(s.doubles[i] == saved.doubles[i] || s.doubles[i] == sentinel.doubles[i]) << prefix;
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(s.bytes[i] == saved.bytes[i] || s.bytes[i] == sentinel.bytes[i]) << prefix;
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(s.floats[i] == saved.floats[i] || s.floats[i] == sentinel.floats[i]) << prefix;
    }
    const std::string text = s.text;
    EXPECT_TRUE(text == sentinel.text || std::string(saved.text).starts_with(text)) << prefix << ": " << text;
}

TEST(ParamBlockDamage, EveryTruncationOfABinaryStreamReadsOnlyWhatIsThere) {
    const std::string full = referenceStream(IO_MODE_BINARY);
    for (size_t n = 0; n <= full.size(); ++n) {
        const Storage s = readDamaged(IO_MODE_BINARY, full.substr(0, n));
        expectSafe(s, "binary prefix");
        expectReadOrKept(s, n);
    }
    // The whole stream reads everything.
    const Storage s = readDamaged(IO_MODE_BINARY, full);
    EXPECT_EQ(s.doubles[2], 1e300);
    EXPECT_STREQ(s.text, "line \"colour\"");
}

TEST(ParamBlockDamage, EveryTruncationOfATextStreamIsSafe) {
    const std::string full = referenceStream(IO_MODE_TEXT);
    for (size_t n = 0; n <= full.size(); ++n) {
        expectSafe(readDamaged(IO_MODE_TEXT, full.substr(0, n)), "text prefix");
    }
}

// A block whose count promises `count` parameters, followed by `present`.
std::string blockWithCount(int mode, int32_t count, int present) {
    minihost::MemorySaveState save(mode);
    const SaveState *ss = save.state();
    const BlockIdent lib = {SETTINGS_PARAM_BLOCK, "PluginDataLib"};
    const BlockIdent item = {SETTINGS_PARAM_ENTRY, "PluginDataParam"};
    ss->beginBlock(ss->writeData, &lib, 0);
    ss->writeI4(ss->writeData, &count, 1);
    for (int32_t i = 0; i < present; ++i) {
        ss->beginBlock(ss->writeData, &item, 0);
        const std::string name = "p" + std::to_string(i);
        ss->writeStr(ss->writeData, name.c_str());
        const uint32_t type = SETTINGS_TYPE_INT;
        ss->writeU4(ss->writeData, &type, 1);
        ss->writeI4(ss->writeData, &i, 1);
        ss->endBlock(ss->writeData);
    }
    ss->endBlock(ss->writeData);
    return save.bytes();
}

TEST(ParamBlockDamage, CountsThatLieReadWhatFollowsAndNoMore) {
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        for (int32_t count : {0, 1, 3, 1000, INT32_MAX, -5}) {
            int32_t p0 = -1, p1 = -1, p2 = -1;
            const ParamEntry t[] = {{"p0", SETTINGS_TYPE_INT, &p0, 1, nullptr, nullptr},
                                    {"p1", SETTINGS_TYPE_INT, &p1, 1, nullptr, nullptr},
                                    {"p2", SETTINGS_TYPE_INT, &p2, 1, nullptr, nullptr},
                                    kEnd};
            minihost::MemoryLoadState load(mode, blockWithCount(mode, count, 2));
            readParamBlock(load.state(), t);
            EXPECT_EQ(p0, count >= 1 ? 0 : -1) << count;
            EXPECT_EQ(p1, count >= 2 ? 1 : -1) << count;
            EXPECT_EQ(p2, -1) << count;
        }
    }
}

TEST(ParamBlockDamage, NamesLongerThanTheBufferMatchNothing) {
    const std::string longName(600, 'n');
    const std::string cut = longName.substr(0, kParamNameSize - 1);  // what fits the buffer
    const std::string longest(kParamNameSize - 2, 'm');              // the longest usable name
    int32_t a = 1, b = 2, c = 3, d = 4;
    const ParamEntry out[] = {{longName.c_str(), SETTINGS_TYPE_INT, &a, 1, nullptr, nullptr},
                              {cut.c_str(), SETTINGS_TYPE_INT, &b, 1, nullptr, nullptr},
                              {longest.c_str(), SETTINGS_TYPE_INT, &c, 1, nullptr, nullptr},
                              {"after", SETTINGS_TYPE_INT, &d, 1, nullptr, nullptr},
                              kEnd};
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        minihost::MemorySaveState save(mode);
        writeParamBlock(save.state(), out);
        int32_t full = -1, prefix = -1, usable = -1, after = -1;
        const ParamEntry in[] = {{longName.c_str(), SETTINGS_TYPE_INT, &full, 1, nullptr, nullptr},
                                 {cut.c_str(), SETTINGS_TYPE_INT, &prefix, 1, nullptr, nullptr},
                                 {longest.c_str(), SETTINGS_TYPE_INT, &usable, 1, nullptr, nullptr},
                                 {"after", SETTINGS_TYPE_INT, &after, 1, nullptr, nullptr},
                                 kEnd};
        minihost::MemoryLoadState load(mode, save.bytes());
        readParamBlock(load.state(), in);
        EXPECT_EQ(full, -1);
        EXPECT_EQ(prefix, -1);  // neither the cut long name nor a name filling the buffer
        EXPECT_EQ(usable, 3);
        EXPECT_EQ(after, 4);
    }
}

TEST(ParamBlockDamage, PartialDoublesAreNotStored) {
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        minihost::MemorySaveState save(mode);
        const char twelve[12] = {
            0x3F, static_cast<char>(0xC3), 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x40, 0x00, 0x00, 0x00};
        save.state()->writeBytes(save.state()->writeData, twelve, 12);
        double values[2] = {9.0, 9.0};
        minihost::MemoryLoadState load(mode, save.bytes());
        EXPECT_EQ(readDoubles(load.state(), values, 2), 1);
        EXPECT_EQ(values[0], 0.15);
        EXPECT_EQ(values[1], 9.0);
    }
}

TEST(ParamBlockDamage, RandomBytesAreSafe) {
    std::mt19937 rng(20240601);
    const std::string reference = referenceStream(IO_MODE_BINARY);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 200, '\0');
        for (char &c : bytes) c = static_cast<char>(rng());
        // Half the inputs start like a real stream so the reader gets deeper.
        if (round % 2) bytes = reference.substr(0, rng() % reference.size()) + bytes;
        expectSafe(readDamaged(IO_MODE_BINARY, bytes), "random binary");
        expectSafe(readDamaged(IO_MODE_TEXT, bytes), "random text");
    }
}

// Overwrites, deletes, duplicates or inserts a few bytes of a valid stream.
std::string mutate(std::string s, std::mt19937 &rng) {
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        const size_t at = rng() % s.size();
        switch (rng() % 5) {
        case 0: s[at] = static_cast<char>(rng()); break;
        case 1: s.erase(at, 1 + rng() % 8); break;
        case 2: s.insert(at, s.substr(at, 1 + rng() % 16)); break;
        case 3: s.insert(at, 1, static_cast<char>(rng())); break;
        default: s[at] = static_cast<char>(s[at] ^ (1 << (rng() % 8))); break;
        }
    }
    return s;
}

TEST(ParamBlockDamage, MutatedStreamsAreSafe) {
    std::mt19937 rng(7);
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        const std::string reference = referenceStream(mode);
        for (int round = 0; round < 3000; ++round) {
            expectSafe(readDamaged(mode, mutate(reference, rng)), "mutated");
        }
    }
}

}  // namespace
}  // namespace qr
