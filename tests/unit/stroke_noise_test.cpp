// Stroke noise: the generator, the tables and noise3 against the published
// numbers, and the properties the stamps rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "tracer_s/stroke_noise.h"

namespace {

using namespace qr::tracer_s;

TEST(StrokeNoise, SequenceStartsWithTheKnownDraws) {
    NoiseSequence seq;
    const int expected[5] = {41, 18467, 6334, 26500, 19169};
    for (int e : expected) EXPECT_EQ(seq.draw(), e);
    for (int i = 0; i < 10000; ++i) {
        const int d = seq.draw();
        ASSERT_GE(d, 0);
        ASSERT_LE(d, 32767);
    }
}

TEST(StrokeNoise, TablesArePermutationAndUnitGradients) {
    const NoiseTables &t = noiseTables();
    const int start[8] = {0, 253, 163, 241, 54, 174, 119, 152};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(t.p[i], start[i]) << "entry " << i;

    std::set<int> seen(t.p, t.p + kNoiseTableSize);
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 255);
    for (int i = 0; i < kNoiseTableSize + 2; ++i) {
        EXPECT_EQ(t.p[kNoiseTableSize + i], t.p[i]);
        EXPECT_EQ(t.g3[kNoiseTableSize + i][2], t.g3[i][2]);
        EXPECT_EQ(t.g2[kNoiseTableSize + i][1], t.g2[i][1]);
        EXPECT_EQ(t.g1[kNoiseTableSize + i], t.g1[i]);
    }
    for (int i = 0; i < kNoiseEntries; ++i) {
        const double *g = t.g3[i];
        EXPECT_NEAR(std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]), 1.0, 1e-12) << i;
        EXPECT_NEAR(std::hypot(t.g2[i][0], t.g2[i][1]), 1.0, 1e-12) << i;
        EXPECT_GE(t.g1[i], -1.0);
        EXPECT_LT(t.g1[i], 1.0);
    }

    // A second build from the fixed seed gives the very same tables.
    NoiseTables again{};
    buildNoiseTables(again);
    for (int i = 0; i < kNoiseEntries; ++i) {
        EXPECT_EQ(again.p[i], t.p[i]);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(again.g3[i][c], t.g3[i][c]);
    }
}

TEST(StrokeNoise, Noise3GoldenValueZerosAndRange) {
    const double centre[3] = {0.5, 0.5, 0.0};
    EXPECT_NEAR(noise3(centre), 0.14730, 5e-6);
    EXPECT_EQ(noise3(centre), noise3(centre));

    for (double x : {0.0, 1.0, 7.0, -3.0, 255.0, 256.0, 1000.0})
        for (double y : {0.0, 2.0, -1.0, 99.0}) {
            const double p[3] = {x, y, 0.0};
            EXPECT_EQ(noise3(p), 0.0) << x << ", " << y;
        }
    const double whole[3] = {4.0, 5.0, 6.0};
    EXPECT_EQ(noise3(whole), 0.0);

    double lo = 0.0, hi = 0.0;
    for (int i = 0; i < 200; ++i)
        for (int j = 0; j < 200; ++j) {
            const double p[3] = {i * 0.173, j * 0.091, 0.0};
            const double n = noise3(p);
            ASSERT_TRUE(std::isfinite(n));
            lo = std::min(lo, n);
            hi = std::max(hi, n);
        }
    EXPECT_GE(lo, -1.0);
    EXPECT_LE(hi, 1.0);
    EXPECT_LT(lo, -0.2);  // a real field, not a constant
    EXPECT_GT(hi, 0.2);

    // The field is smooth: nearby points give nearby values.
    const double a[3] = {3.3, 4.4, 0.0}, b[3] = {3.3 + 1e-6, 4.4, 0.0};
    EXPECT_NEAR(noise3(a), noise3(b), 1e-5);
}

}  // namespace
