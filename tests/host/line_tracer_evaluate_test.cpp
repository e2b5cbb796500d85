// The line tracer's evaluate through the host records: stores filled through
// render memory as the edge shader fills them, every pixel evaluated in
// raster order, the frame read back.
#include <cmath>
#include <set>
#include <utility>

#include "minihost/core/render_memory_blocks.h"
#include "tests/host/line_tracer_fixture.h"

namespace linetest {
namespace {

constexpr float kGrey = 0.5f;
constexpr float kAlpha = 0.25f;
constexpr float kHostSurface = 10.0f;  // a host depth where it saw a surface
constexpr float kHostNothing = 1e30f;  // beyond 1e14: nothing there

HostFrame greyFrame(int w, int h) { return HostFrame(w, h, kGrey, kGrey, kGrey, kAlpha, kHostSurface); }

// A red line (bytes 255, 0, 0 give exactly 1, 0, 0) at depth d.
Sample redAt(const ShaderSettings *s, float d, float density = 1.0f) {
    Sample smp{s, d};
    smp.color[0] = 255;
    smp.density = density;
    return smp;
}

using Pixels = std::set<std::pair<int, int>>;

// The pixels whose colour differs from the grey they were rendered with.
Pixels changed(const HostFrame &f) {
    Pixels out;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const float *p = f.at(x, y);
            if (p[0] != kGrey || p[1] != kGrey || p[2] != kGrey || p[3] != kAlpha) out.insert({x, y});
        }
    return out;
}

void expectInnerLine(const HostFrame &f, int x, int y, double density) {
    const double c = 0.75 * density;
    const float *p = f.at(x, y);
    EXPECT_EQ(p[0], blended(kGrey, 1.0, c)) << x << "," << y;
    EXPECT_EQ(p[1], blended(kGrey, 0.0, c)) << x << "," << y;
    EXPECT_EQ(p[3], float(std::min(double(kAlpha) + c, 1.0))) << x << "," << y;
}

using LineTracerEvaluate = LineTracerHost;

TEST_F(LineTracerEvaluate, FlatSurfaceIsLeftAsRenderedOrWhiteOverWhite) {
    Instance t = create();
    ShaderSettings s;
    newFrame(t, 7, 5);
    fill(0, 0, 6, 4, redAt(&s, 10.0f));
    HostFrame f = greyFrame(7, 5);
    render(t, f);
    EXPECT_TRUE(changed(f).empty());  // also no line along the image border
    EXPECT_EQ(f.writesAt(0, 0), 1);   // written back unchanged

    // The same frame with "render only lines" (set through the dialog):
    // white, alpha kept.
    Instance lines = create();
    HostFrame g = greyFrame(7, 5);
    configure(lines, 0.15, 0.02, 1);
    render(lines, g);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const float *p = g.at(x, y);
            EXPECT_EQ(p[0], 1.0f);
            EXPECT_EQ(p[1], 1.0f);
            EXPECT_EQ(p[2], 1.0f);
            EXPECT_EQ(p[3], kAlpha);
        }
}

TEST_F(LineTracerEvaluate, NothingRecordedLeavesTheFrameUntouched) {
    // A scene with the tracer and no edge shader: the store stays cleared.
    Instance t = create();
    newFrame(t, 6, 4);
    HostFrame f = greyFrame(6, 4);
    for (int x = 0; x < 6; ++x) f.depth[size_t(x)] = kHostNothing;  // some background, some surface
    render(t, f);
    EXPECT_EQ(f.totalWrites(), 0);
    EXPECT_TRUE(changed(f).empty());
}

TEST_F(LineTracerEvaluate, MaterialBoundaryMarksTheLaterPixelOnly) {
    Instance t = create();
    ShaderSettings left, right, top;
    left.mat_id = 1;
    right.mat_id = 2;
    top.mat_id = 3;
    newFrame(t, 6, 6);
    fill(0, 2, 2, 5, redAt(&left, 10.0f, 0.5f));
    fill(3, 2, 5, 5, redAt(&right, 10.0f, 0.5f));
    fill(0, 0, 5, 1, redAt(&top, 10.0f, 0.5f));
    HostFrame f = greyFrame(6, 6);
    render(t, f);
    Pixels expected;
    for (int x = 0; x < 6; ++x) expected.insert({x, 2});  // below the horizontal boundary
    for (int y = 2; y < 6; ++y) expected.insert({3, y});  // right of the vertical one
    EXPECT_EQ(changed(f), expected);
    for (auto [x, y] : expected) expectInnerLine(f, x, y, 0.5);
}

TEST_F(LineTracerEvaluate, CreaseThresholdOnBothSides) {
    // A normal turn with 1 - cos just at or above 0.15 draws; just below
    // does not. The cosines are floats, as the store holds them.
    const float below = 0.85f;                        // 1 - cos = 0.1499999762
    const float above = std::nextafter(0.85f, 0.0f);  // 1 - cos = 0.1500000358
    for (float c : {below, above}) {
        Instance t = create();
        ShaderSettings s;
        newFrame(t, 4, 1);
        Sample flat = redAt(&s, 10.0f);
        Sample turned = flat;
        turned.normal[0] = std::sqrt(1.0f - c * c);
        turned.normal[2] = -c;
        fill(0, 0, 1, 0, flat);
        fill(2, 0, 3, 0, turned);
        HostFrame f = greyFrame(4, 1);
        render(t, f);
        if (c == above) {
            EXPECT_EQ(changed(f), (Pixels{{2, 0}}));
            expectInnerLine(f, 2, 0, 1.0);
        } else {
            EXPECT_TRUE(changed(f).empty());
        }
        destroy(t);
    }
    // Exactly at the tolerance: 1 - 0.75 = 0.25 draws, the next float up
    // does not.
    for (float c : {0.75f, std::nextafter(0.75f, 1.0f)}) {
        Instance t = create();
        configure(t, 0.25, 0.02, 0);
        ShaderSettings s;
        newFrame(t, 2, 1);
        Sample turned = redAt(&s, 10.0f);
        turned.normal[0] = std::sqrt(1.0f - c * c);
        turned.normal[2] = -c;
        record(0, 0, redAt(&s, 10.0f));
        record(1, 0, turned);
        HostFrame f = greyFrame(2, 1);
        render(t, f);
        EXPECT_EQ(changed(f).size(), c == 0.75f ? 1u : 0u) << c;
        destroy(t);
    }
}

TEST_F(LineTracerEvaluate, DepthRatioThresholdInBothDirections) {
    struct Case {
        float near, far;
        bool line;
    };
    // 1.02 as a float is 1.01999998: ratio - 1 = 0.0199999809, no line.
    // 51 / 50 - 1 reaches 0.02 and draws. With the tolerance at 0.25, the
    // ratio 5 / 4 lies exactly on it and draws.
    for (Case k : {Case{1.0f, 1.02f, false}, Case{50.0f, 51.0f, true}, Case{4.0f, 5.0f, true},
                   Case{4.0f, 4.99f, false}}) {
        for (bool farFirst : {false, true}) {
            Instance t = create();
            if (k.near == 4.0f) configure(t, 0.15, 0.25, 0);
            ShaderSettings s;
            newFrame(t, 2, 1);
            record(0, 0, redAt(&s, farFirst ? k.far : k.near));
            record(1, 0, redAt(&s, farFirst ? k.near : k.far));
            HostFrame f = greyFrame(2, 1);
            render(t, f);
            if (k.line) {
                EXPECT_EQ(changed(f), (Pixels{{1, 0}})) << k.near << (farFirst ? " far first" : "");
            } else {
                EXPECT_TRUE(changed(f).empty()) << k.near << (farFirst ? " far first" : "");
            }
            destroy(t);
        }
    }
}

TEST_F(LineTracerEvaluate, SilhouetteOutlinesFollowTheRasterOrder) {
    Instance t = create();
    ShaderSettings s;
    newFrame(t, 7, 7);
    fill(2, 2, 4, 4, redAt(&s, 10.0f, 0.5f));
    HostFrame f = greyFrame(7, 7);
    render(t, f);
    // A pixel is outlined when its 2 x 2 block (itself, left, up, up-left)
    // holds both object and background.
    auto object = [](int x, int y) { return x >= 2 && x <= 4 && y >= 2 && y <= 4; };
    Pixels expected;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            bool any = false, all = true;
            for (int dy = -1; dy <= 0; ++dy)
                for (int dx = -1; dx <= 0; ++dx) {
                    if (x + dx < 0 || y + dy < 0) continue;
                    bool o = object(x + dx, y + dy);
                    any |= o;
                    all &= o;
                }
            if (any && !all) expected.insert({x, y});
        }
    EXPECT_EQ(changed(f), expected);
    EXPECT_TRUE(expected.count({2, 2}) && expected.count({5, 5}) && expected.count({4, 5}));
    for (auto [x, y] : expected) {
        const float *p = f.at(x, y);
        EXPECT_EQ(p[0], blended(kGrey, 1.0, 0.5)) << x << "," << y;  // coverage 1.0 x 0.5
        EXPECT_EQ(p[1], blended(kGrey, 0.0, 0.5)) << x << "," << y;
        EXPECT_EQ(p[3], float(double(kAlpha) + 0.5)) << x << "," << y;
    }
}

TEST_F(LineTracerEvaluate, OverridingReferenceShaderDecidesForTheWholePixel) {
    // Centre recorded by a plain shader, its left neighbour by one that
    // overrides with tolerances nothing reaches. The two normals differ by
    // far more than the tracer's 0.15.
    ShaderSettings plain, lenient;
    lenient.override_f = 1;
    lenient.norm_err = 5.0;
    lenient.dist_err = 1e9;
    for (bool lenientNearer : {true, false}) {
        Instance t = create();
        newFrame(t, 2, 1);
        Sample a = redAt(&lenient, lenientNearer ? 10.0f : 20.0f);
        a.normal[0] = 1.0f;
        a.normal[2] = 0.0f;
        record(0, 0, a);
        record(1, 0, redAt(&plain, lenientNearer ? 20.0f : 10.0f));
        HostFrame f = greyFrame(2, 1);
        render(t, f);
        if (lenientNearer)
            EXPECT_TRUE(changed(f).empty());  // the overriding shader is the reference
        else
            EXPECT_EQ(changed(f), (Pixels{{1, 0}}));  // the tracer's tolerances apply
        destroy(t);
    }
}

TEST_F(LineTracerEvaluate, EqualDepthsTakeTheFirstSampleInRowMajorOrder) {
    Instance t = create();
    ShaderSettings a, b;
    a.mat_id = 1;
    b.mat_id = 2;
    newFrame(t, 3, 3);
    // Everything at depth 10; the window's first entry is (0, 0).
    Sample first{&a, 10.0f};
    first.color[1] = 255;  // green
    first.density = 0.5f;
    Sample other{&b, 10.0f};
    other.color[2] = 255;  // blue
    fill(0, 0, 2, 2, other);
    record(0, 0, first);
    HostFrame f = greyFrame(3, 3);
    render(t, f);
    // (1, 1) differs in material from (0, 0): a line in (0, 0)'s colour and
    // density, although every other sample of the window is blue.
    const float *p = f.at(1, 1);
    EXPECT_EQ(p[0], blended(kGrey, 0.0, 0.375));
    EXPECT_EQ(p[1], blended(kGrey, 1.0, 0.375));
    EXPECT_EQ(p[2], blended(kGrey, 0.0, 0.375));
}

TEST_F(LineTracerEvaluate, HostDepthBeyondLimitMakesThePixelBackground) {
    Instance t = create();
    ShaderSettings s;
    newFrame(t, 5, 5);
    fill(0, 0, 4, 4, redAt(&s, 10.0f));
    HostFrame f = greyFrame(5, 5);
    f.depth[size_t(2 * 5 + 2)] = kHostNothing;  // recorded, but the host saw nothing
    render(t, f);
    // (2, 2) is background beside earlier object pixels, and every later
    // pixel whose block holds it sees background.
    EXPECT_EQ(changed(f), (Pixels{{2, 2}, {3, 2}, {2, 3}, {3, 3}}));
    for (auto [x, y] : changed(f)) {
        EXPECT_EQ(f.at(x, y)[0], 1.0f);
        EXPECT_EQ(f.at(x, y)[3], 1.0f);
    }
    // The store itself now says so.
    StoreHeader *h = store();
    EXPECT_EQ(h->buff1[12], nullptr);
    EXPECT_EQ(h->buff2[12], -1.0f);
}

TEST_F(LineTracerEvaluate, AlphaIsCappedAndDensityZeroDrawsNothing) {
    ShaderSettings s;
    for (float density : {1.0f, 0.0f}) {
        Instance t = create();
        newFrame(t, 3, 1);
        record(1, 0, redAt(&s, 10.0f, density));
        HostFrame f(3, 1, kGrey, kGrey, kGrey, 0.9f, kHostSurface);
        render(t, f);
        for (int x = 0; x < 3; ++x) EXPECT_LE(f.at(x, 0)[3], 1.0f);
        if (density == 1.0f) {
            EXPECT_EQ(f.at(1, 0)[0], 1.0f);  // outline at full coverage
            EXPECT_EQ(f.at(1, 0)[3], 1.0f);
            EXPECT_EQ(f.at(2, 0)[0], 1.0f);  // background after the object
        } else {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(f.at(x, 0)[0], kGrey);
                EXPECT_EQ(f.at(x, 0)[3], 0.9f);
            }
        }
        destroy(t);
    }
}

TEST_F(LineTracerEvaluate, PositionsOutsideTheStoreAreClampedOrRefused) {
    Instance t = create();
    ShaderSettings left, right;
    right.mat_id = 1;
    newFrame(t, 3, 2);
    fill(0, 0, 0, 1, redAt(&left, 10.0f));
    fill(1, 0, 2, 1, redAt(&right, 10.0f));

    // Left of and above the store: the first column and row, whose pixels
    // have no earlier neighbour and draw nothing here.
    HostFrame f = greyFrame(3, 2);
    EXPECT_EQ(evaluateAt(t, f, -7.0, -3.0, 0, 0), 1);
    EXPECT_TRUE(changed(f).empty());
    EXPECT_EQ(evaluateAt(t, f, -1e300, 0.0, 0, 0), 1);
    // Not a position at all: nothing read, nothing written.
    EXPECT_EQ(evaluateAt(t, f, std::nan(""), 0.0, 0, 0), 0);
    EXPECT_EQ(evaluateAt(t, f, 0.0, INFINITY, 0, 0), 0);

    // A frame larger than the store: the last column and row stand in.
    HostFrame big = greyFrame(5, 4);
    render(t, big);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(big.at(x, y)[0] != kGrey, x == 1) << x << "," << y;
}

TEST_F(LineTracerEvaluate, NoStoreMeansNoWrite) {
    Instance t = create();
    HostFrame f = greyFrame(4, 4);
    render(t, f);  // no new-time yet: no store
    EXPECT_EQ(f.totalWrites(), 0);

    // The host cannot give the store's memory: new-time and evaluate do
    // nothing.
    minihost::setRenderMemoryCreateFails(true);
    EXPECT_EQ(newFrame(t, 4, 4), nullptr);
    minihost::setRenderMemoryCreateFails(false);
    render(t, f);
    EXPECT_EQ(f.totalWrites(), 0);
}

}  // namespace
}  // namespace linetest
