// A parameter block as the modules' parameter library writes and reads it,
// run through both representations: the reader finds the outer block, walks
// the inner ones, skips what it does not know by ending the block, and calls
// endBlock after every find, failed or not.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_types.h"
#include "minihost/states/memory_states.h"

namespace {

using minihost::MemoryLoadState;
using minihost::MemorySaveState;

constexpr uint32_t PINT = HOST_FOURCC('P', 'I', 'N', 'T');
constexpr uint32_t PDBL = HOST_FOURCC('P', 'D', 'B', 'L');
constexpr uint32_t PFLT = HOST_FOURCC('P', 'F', 'L', 'T');
const BlockIdent kLib[] = {{HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"}, {0, nullptr}};
const BlockIdent kParam[] = {{HOST_FOURCC('P', 'D', 'P', 'R'), "PluginDataParam"}, {0, nullptr}};

void writeDouble(const SaveState *ss, double value) {
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    char stream[8];
    for (int i = 0; i < 8; ++i) stream[i] = static_cast<char>(bytes[7 - i]);  // most significant first
    ss->writeBytes(ss->writeData, stream, 8);
}

int readDouble(const LoadState *ls, double &value) {
    char stream[8];
    const int n = ls->readBytes(ls->readData, stream, 8) / 8;
    if (n == 1) {
        unsigned char bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(stream[7 - i]);
        std::memcpy(&value, bytes, 8);
    }
    return n;
}

void beginParam(const SaveState *ss, const char *name, uint32_t type) {
    ss->beginBlock(ss->writeData, &kParam[0], 0);
    ss->writeStr(ss->writeData, name);
    ss->writeU4(ss->writeData, &type, 1);
}

struct Settings {
    int32_t lineOnly = -1;
    double normErr = -1.0;
    double distErr = -1.0;
    int32_t matId = -1;
};

// The writer's stream, with an unknown parameter, a known name with another
// type, and a count N that promises more parameters than there are.
std::string writeBlock(int mode) {
    MemorySaveState save(mode);
    const SaveState *ss = save.state();
    const int32_t version = 256, count = 6;
    ss->writeI4(ss->writeData, &version, 1);
    ss->beginBlock(ss->writeData, &kLib[0], 0);
    ss->writeI4(ss->writeData, &count, 1);
    const int32_t one = 1;
    beginParam(ss, "line_only", PINT);
    ss->writeI4(ss->writeData, &one, 1);
    ss->endBlock(ss->writeData);
    beginParam(ss, "brush_min", PINT);  // unknown to the reader
    ss->writeI4(ss->writeData, &one, 1);
    ss->endBlock(ss->writeData);
    beginParam(ss, "dist_err", PFLT);  // known name, other type
    const float f = 9.0f;
    ss->writeFP(ss->writeData, &f, 1);
    ss->endBlock(ss->writeData);
    beginParam(ss, "norm_err", PDBL);
    writeDouble(ss, 0.3);
    ss->endBlock(ss->writeData);
    beginParam(ss, "dist_err", PDBL);
    writeDouble(ss, 0.05);
    ss->endBlock(ss->writeData);
    ss->endBlock(ss->writeData);
    return save.bytes();
}

// The reader, step by step as the library does it.
void readBlock(const LoadState *ls, Settings &s) {
    void *d = ls->readData;
    int32_t version = 0;
    ls->readI4(d, &version, 1);
    if (version != 256) return;
    if (ls->findBlock(d, kLib) == kLib[0].id) {
        int32_t n = 0;
        if (ls->readI4(d, &n, 1) != 1) n = 0;
        for (int i = 0; i < n; ++i) {
            if (ls->findBlock(d, kParam) != kParam[0].id) {
                ls->endBlock(d);
                continue;
            }
            char name[512];
            uint32_t type = 0;
            if (ls->readStr(d, name, 512) <= 0 || ls->readU4(d, &type, 1) != 1) {
                ls->endBlock(d);
                continue;
            }
            if (type == PINT && std::strcmp(name, "line_only") == 0) ls->readI4(d, &s.lineOnly, 1);
            if (type == PINT && std::strcmp(name, "mat_id") == 0) ls->readI4(d, &s.matId, 1);
            if (type == PDBL && std::strcmp(name, "norm_err") == 0) readDouble(ls, s.normErr);
            if (type == PDBL && std::strcmp(name, "dist_err") == 0) readDouble(ls, s.distErr);
            ls->endBlock(d);
        }
    }
    ls->endBlock(d);
}

class ParameterBlock : public ::testing::TestWithParam<int> {};

TEST_P(ParameterBlock, KnownParametersLoadAndTheRestIsSkipped) {
    const std::string bytes = writeBlock(GetParam());
    MemoryLoadState load(GetParam(), bytes);
    Settings s;
    readBlock(load.state(), s);
    EXPECT_EQ(s.lineOnly, 1);
    EXPECT_EQ(s.normErr, 0.3);
    EXPECT_EQ(s.distErr, 0.05);
    EXPECT_EQ(s.matId, -1);  // missing: keeps its value
    // After the block and the failed finds (N promised six), the reader is
    // back at the top level.
    EXPECT_EQ(load.state()->depth(load.state()->readData), 0);
}

TEST_P(ParameterBlock, TheDoubleTravelsAsEightBytesMostSignificantFirst) {
    const std::string bytes = writeBlock(GetParam());
    const std::string expected = GetParam() == IO_MODE_TEXT
                                     ? "B 3FD3333333333333"
                                     : std::string("\x3F\xD3\x33\x33\x33\x33\x33\x33", 8);
    EXPECT_NE(bytes.find(expected), std::string::npos);
}

TEST_P(ParameterBlock, AStreamWithoutTheBlockReadsNothing) {
    MemorySaveState save(GetParam());
    const int32_t version = 256;
    save.state()->writeI4(save.state()->writeData, &version, 1);
    MemoryLoadState load(GetParam(), save.bytes());
    Settings s;
    readBlock(load.state(), s);
    EXPECT_EQ(s.lineOnly, -1);
    EXPECT_EQ(s.normErr, -1.0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ParameterBlock, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT),
                         [](const ::testing::TestParamInfo<int> &p) {
                             return p.param == IO_MODE_TEXT ? "Text" : "Binary";
                         });

}  // namespace
