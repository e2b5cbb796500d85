// Doubles in parameter blocks: 8 bytes each, most significant byte first,
// whatever the machine's own byte order.
#include <bit>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "paramlib/param_block.h"

namespace qr {

namespace {

constexpr int kDoubleBytes = 8;
constexpr int kMaxDoubles = INT_MAX / kDoubleBytes;  // the byte count must fit an int

void toStream(double value, unsigned char *out) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    for (int i = 0; i < kDoubleBytes; ++i) {
        out[i] = static_cast<unsigned char>(bits >> (8 * (kDoubleBytes - 1 - i)));
    }
}

double fromStream(const unsigned char *in) {
    uint64_t bits = 0;
    for (int i = 0; i < kDoubleBytes; ++i) bits = (bits << 8) | in[i];
    return std::bit_cast<double>(bits);
}

std::unique_ptr<unsigned char[]> scratchFor(int count) {
    return std::unique_ptr<unsigned char[]>(
        new (std::nothrow) unsigned char[static_cast<std::size_t>(count) * kDoubleBytes]);
}

}  // namespace

void writeDoubles(const SaveState *ss, const double *values, int count) {
    if (!ss || !values || count <= 0 || count > kMaxDoubles) return;
    auto scratch = scratchFor(count);
    if (!scratch) return;
    for (int i = 0; i < count; ++i) toStream(values[i], scratch.get() + i * kDoubleBytes);
    ss->writeBytes(ss->writeData, reinterpret_cast<const char *>(scratch.get()), count * kDoubleBytes);
}

int readDoubles(const LoadState *ls, double *values, int count) {
    if (!ls || !values || count <= 0 || count > kMaxDoubles) return 0;
    auto scratch = scratchFor(count);
    if (!scratch) return 0;
    const int want = count * kDoubleBytes;
    int got = ls->readBytes(ls->readData, reinterpret_cast<char *>(scratch.get()), want);
    if (got <= 0) return 0;
    if (got > want) got = want;
    // Only whole doubles that were read reach the caller's storage.
    const int whole = got / kDoubleBytes;
    for (int i = 0; i < whole; ++i) values[i] = fromStream(scratch.get() + i * kDoubleBytes);
    return whole;
}

}  // namespace qr
