// The 36 gradient inputs that the shared texture context adds to every
// textured variant parameter, and the record the context's time callback
// hands the host for one evaluated time.
//
// Every input is computed from the texture spot, the scene's items as the
// record's item snapshot holds them at the evaluated time, and the host's
// services; a missing service, item or ray function gives the input's
// fallback (0, a world axis, the world origin). The host may evaluate from
// every render thread at once: the inputs take only the snapshot lock, for
// each snapshot lookup, and the occlusion inputs draw from one module-wide
// random sequence.
#pragma once

#include <cstdint>

#include "host/textures.h"

namespace qr {

class ItemSnapshot;

inline constexpr int kGradientInputCount = 36;

// Made by the time callback, released by the cleanup callback.
struct InputTimeRecord {
    double time;
    int32_t frame;
    ItemSnapshot *snapshot;  // may be null: every lookup then finds nothing
};

// The value of input `number` (1 to 36) at the spot; 1.0 for any other
// number. `param` carries the user's item choice (may be null: none);
// without a record the inputs see an empty snapshot at time 0.
double evaluateGradientInput(const TxtrInputParam *param, int number, const TexturedSpot &spot,
                             const InputTimeRecord *record);

// The occlusion inputs' random numbers in [0, 1): seed = seed * 1566083941
// + 1 (mod 2^32), stored back with an atomic exchange, times 2^-32. The
// sequence starts at seed 1 when the module loads and runs on across frames
// and renders; two threads may draw the same number.
double nextOcclusionRandom() noexcept;

// `count` numbers of the same sequence in one go: the seed is read once and
// the last of them stored back with one exchange.
void drawOcclusionRandoms(double *out, int count) noexcept;

}  // namespace qr
