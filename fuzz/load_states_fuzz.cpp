// Binary and text load states read by the parameter-block reader with a table
// of every plain type: the first byte picks the representation, the rest is
// the stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/io_state.h"
#include "minihost/states/memory_states.h"
#include "paramlib/param_block.h"

namespace {

void readUser(const LoadState *ls, void *value) {
    char buffer[16];
    ls->readStr(ls->readData, buffer, sizeof buffer);
    static_cast<int32_t *>(value)[0] = buffer[0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const int mode = data[0] & 1 ? IO_MODE_TEXT : IO_MODE_BINARY;
    minihost::MemoryLoadState load(mode, std::string(reinterpret_cast<const char *>(data + 1), size - 1));
    int32_t ints[3] = {};
    uint32_t uints[2] = {};
    float floats[2] = {};
    double doubles[4] = {};
    char bytes[5] = {};
    char text[24] = {};
    int32_t user = 0;
    const qr::ParamEntry table[] = {
        {"i", SETTINGS_TYPE_INT, ints, 3, nullptr, nullptr},
        {"u", SETTINGS_TYPE_UINT, uints, 2, nullptr, nullptr},
        {"f", SETTINGS_TYPE_FLOAT, floats, 2, nullptr, nullptr},
        {"d", SETTINGS_TYPE_DOUBLE, doubles, 4, nullptr, nullptr},
        {"b", SETTINGS_TYPE_BINARY, bytes, 5, nullptr, nullptr},
        {"s", SETTINGS_TYPE_STRING, text, sizeof text, nullptr, nullptr},
        {"x", SETTINGS_TYPE_USER, &user, 1, nullptr, &readUser},
        {"norm_err", SETTINGS_TYPE_DOUBLE, doubles, 1, nullptr, nullptr},
        {"aa_sample", SETTINGS_TYPE_INT, ints, 1, nullptr, nullptr},
        {nullptr, 0, nullptr, 0, nullptr, nullptr},
    };
    qr::readVersionedParamBlock(load.state(), table);
    qr::readParamBlock(load.state(), table);
    return 0;
}
