// Ambient and half occlusion (inputs 27 to 36): the share of sample
// directions over the spot's hemisphere along which a ray cast hits
// something. The hemisphere is cut into R rings of equal solid angle and K
// sectors; each cell gets one jittered direction.
#include <cmath>

#include "texlib/gradient_input_terms.h"
#include "texlib/texture_support_tables.h"

namespace qr {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kRandomScale = 2.3283064365386963e-10;  // 2^-32

// (rings, sectors) of Preview, Low, Medium, High and Very High.
constexpr struct { int rings, sectors; } kQualities[5] = {{3, 9}, {6, 18}, {8, 24}, {10, 30}, {12, 36}};
constexpr int kMaxRays = kQualities[4].rings * kQualities[4].sectors;  // Very High has the most

Vector unit(const Vector &v) {
    Vector out;
    return normalizedCopy(out, v);
}

}  // namespace

double nextOcclusionRandom() noexcept {
    double xi;
    drawOcclusionRandoms(&xi, 1);
    return xi;
}

void drawOcclusionRandoms(double *out, int count) noexcept {
    // One read and one exchange of the shared seed for the whole run of
    // draws: on one thread the numbers are those of a draw at a time, and
    // render threads do not pass the seed's cache line back and forth
    // between draws.
    std::atomic<uint32_t> &seed = textureSupportTables().occlusionSeed;
    uint32_t next = seed.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        next = next * 1566083941u + 1u;
        out[i] = next * kRandomScale;
    }
    seed.exchange(next, std::memory_order_relaxed);
}

double occlusionInput(const InputTerms &t, int number) {
    if (!t.known(t.object) || !t.spot.rayCast) return 0.0;
    const bool half = number >= 32;
    const int R = kQualities[(number - 27) % 5].rings, K = kQualities[(number - 27) % 5].sectors;
    const Vector &n = t.n;
    const Vector X{1, 0, 0}, Y{0, 1, 0};
    const Vector h = std::fabs(dot(n, Y)) >= std::fabs(dot(n, X)) ? X : Y;
    Vector c;
    const Vector u = unit(cross(c, n, h));
    const Vector v = unit(cross(c, n, u));
    // xi1 and xi2 of every ray, in the order the rays are cast.
    double xi[2 * kMaxRays];
    drawOcclusionRandoms(xi, 2 * R * K);
    const double *nextXi = xi;
    int count = 0;
    for (int e = 0; e < R; ++e) {
        const double thetaIn = std::acos(1.0 - static_cast<double>(e) / R);
        const double thetaOut = std::acos(1.0 - static_cast<double>(e + 1) / R);
        for (int j = 0; j < K; ++j) {
            const double xi1 = *nextXi++;
            const double theta = thetaOut - xi1 * (thetaOut - thetaIn);
            const double xi2 = *nextXi++;
            const double phi = (xi2 + j) * kTwoPi / K;
            const double ct = std::cos(theta), st = std::sin(theta);
            const double cp = std::cos(phi), sp = std::sin(phi);
            const double dir[3] = {ct * n.x + st * (cp * u.x + sp * v.x),
                                   ct * n.y + st * (cp * u.y + sp * v.y),
                                   ct * n.z + st * (cp * u.z + sp * v.z)};
            // Half mode: below the world's horizontal plane counts as blocked.
            if (half && dot({dir[0], dir[1], dir[2]}, Y) < 0) {
                ++count;
            } else if (t.spot.rayCast(t.spot.wPos, dir) > 0) {
                ++count;
            }
        }
    }
    return static_cast<double>(count) / (R * K);
}

}  // namespace qr
