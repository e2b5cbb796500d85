// Stroke noise: three-dimensional gradient noise over a fixed table.
//
// The brush stamps of TraceStep2 turn by this noise sampled at their position.
// The tables are built once per loaded module from a fixed pseudo-random
// sequence, so every render of every run sees the same noise field.
#pragma once

#include <cstdint>

namespace qr::tracer_s {

// The table size and the offset that keeps lattice coordinates positive.
inline constexpr int kNoiseTableSize = 256;
inline constexpr int kNoiseOffset = 4096;
inline constexpr int kNoiseEntries = kNoiseTableSize + kNoiseTableSize + 2;

// The linear congruential sequence the tables are drawn from: a 32-bit state
// starting at 1, each draw a number from 0 to 32767.
class NoiseSequence {
public:
    int draw() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_ = 1;
};

struct NoiseTables {
    int p[kNoiseEntries];
    double g1[kNoiseEntries];
    double g2[kNoiseEntries][2];
    double g3[kNoiseEntries][3];
};

// Builds the tables from a fresh sequence (1791 draws).
void buildNoiseTables(NoiseTables &tables);

// The module's tables, built on first use. The build runs under the
// language's once-only static initialisation, so a first call from two
// threads at the same moment still builds them exactly once.
const NoiseTables &noiseTables();

// Gradient noise at p; roughly within -1 to 1, exactly 0 at points whose
// three coordinates are whole numbers.
double noise3(const double p[3]);

}  // namespace qr::tracer_s
