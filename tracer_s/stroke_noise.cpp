#include "tracer_s/stroke_noise.h"

#include <cmath>

namespace qr::tracer_s {

namespace {

double gradientComponent(NoiseSequence &seq) {
    return static_cast<double>(seq.draw() % (kNoiseTableSize + kNoiseTableSize) - kNoiseTableSize) /
           kNoiseTableSize;
}

void normalize2(double v[2]) {
    const double s = std::sqrt(v[0] * v[0] + v[1] * v[1]);
    v[0] = v[0] / s;
    v[1] = v[1] / s;
}

void normalize3(double v[3]) {
    const double s = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    v[0] = v[0] / s;
    v[1] = v[1] / s;
    v[2] = v[2] / s;
}

struct Lattice {
    int b0, b1;
    double f0, f1;
};

Lattice latticeOf(double coordinate) {
    const double t = coordinate + kNoiseOffset;
    const int k = static_cast<int>(t);
    Lattice l;
    l.b0 = k & (kNoiseTableSize - 1);
    l.b1 = (l.b0 + 1) & (kNoiseTableSize - 1);
    l.f0 = t - k;
    l.f1 = l.f0 - 1.0;
    return l;
}

double fade(double f) { return f * f * (3.0 - 2.0 * f); }

double lerp(double q, double e0, double e1) { return e0 + q * (e1 - e0); }

double term(const double g[3], double u, double v, double w) { return u * g[0] + v * g[1] + w * g[2]; }

}  // namespace

void buildNoiseTables(NoiseTables &t) {
    NoiseSequence seq;
    for (int i = 0; i < kNoiseTableSize; ++i) {
        t.p[i] = i;
        t.g1[i] = gradientComponent(seq);
        for (double &c : t.g2[i]) c = gradientComponent(seq);
        normalize2(t.g2[i]);
        for (double &c : t.g3[i]) c = gradientComponent(seq);
        normalize3(t.g3[i]);
    }
    for (int i = kNoiseTableSize - 1; i > 0; --i) {
        const int j = seq.draw() % kNoiseTableSize;
        const int k = t.p[i];
        t.p[i] = t.p[j];
        t.p[j] = k;
    }
    for (int i = 0; i < kNoiseTableSize + 2; ++i) {
        t.p[kNoiseTableSize + i] = t.p[i];
        t.g1[kNoiseTableSize + i] = t.g1[i];
        for (int c = 0; c < 2; ++c) t.g2[kNoiseTableSize + i][c] = t.g2[i][c];
        for (int c = 0; c < 3; ++c) t.g3[kNoiseTableSize + i][c] = t.g3[i][c];
    }
}

const NoiseTables &noiseTables() {
    static const NoiseTables tables = [] {
        NoiseTables t{};
        buildNoiseTables(t);
        return t;
    }();
    return tables;
}

double noise3(const double p[3]) {
    const NoiseTables &t = noiseTables();
    const Lattice x = latticeOf(p[0]);
    const Lattice y = latticeOf(p[1]);
    const Lattice z = latticeOf(p[2]);

    const int i = t.p[x.b0];
    const int j = t.p[x.b1];
    const int b00 = t.p[i + y.b0];
    const int b10 = t.p[j + y.b0];
    const int b01 = t.p[i + y.b1];
    const int b11 = t.p[j + y.b1];

    const double sx = fade(x.f0);
    const double sy = fade(y.f0);
    const double sz = fade(z.f0);

    double a = lerp(sx, term(t.g3[b00 + z.b0], x.f0, y.f0, z.f0), term(t.g3[b10 + z.b0], x.f1, y.f0, z.f0));
    double b = lerp(sx, term(t.g3[b01 + z.b0], x.f0, y.f1, z.f0), term(t.g3[b11 + z.b0], x.f1, y.f1, z.f0));
    const double c = lerp(sy, a, b);

    a = lerp(sx, term(t.g3[b00 + z.b1], x.f0, y.f0, z.f1), term(t.g3[b10 + z.b1], x.f1, y.f0, z.f1));
    b = lerp(sx, term(t.g3[b01 + z.b1], x.f0, y.f1, z.f1), term(t.g3[b11 + z.b1], x.f1, y.f1, z.f1));
    const double d = lerp(sy, a, b);

    return lerp(sz, c, d);
}

}  // namespace qr::tracer_s
