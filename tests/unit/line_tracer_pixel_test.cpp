// The line tracer's per-pixel numbers as pure functions: which store pixel a
// screen position names, the coverage of the three edge kinds, compositing,
// and the classification on stores a host could not easily produce (NaN
// depths, one-pixel stores).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "tracer_p/line_compositing.h"
#include "tracer_p/line_edge_classify.h"
#include "tracer_p/line_pixel_position.h"

namespace {

using namespace qr;

using Settings = EdgeLineSettings;

// A store of plain arrays, cleared as the tracer's new-time clears it.
struct Store {
    int w, h;
    std::vector<void *> owners;
    std::vector<float> depth, normal, density;
    std::vector<uint8_t> color;
    Store(int width, int height)
            : w(width),
              h(height),
              owners(size_t(w * h), nullptr),
              depth(size_t(w * h), -1.0f),
              normal(size_t(3 * w * h), 0.0f),
              density(size_t(w * h), 1.0f),
              color(size_t(3 * w * h), 0) {}
    void record(int x, int y, Settings *s, float d, float nx = 0, float ny = 0, float nz = -1, uint8_t r = 0,
                uint8_t g = 0, uint8_t b = 0, float dens = 1.0f) {
        size_t i = size_t(y * w + x);
        owners[i] = s;
        depth[i] = d;
        normal[3 * i] = nx, normal[3 * i + 1] = ny, normal[3 * i + 2] = nz;
        color[3 * i] = r, color[3 * i + 1] = g, color[3 * i + 2] = b;
        density[i] = dens;
    }
    LineStoreView view() {
        return LineStoreView{w, h, owners.data(), depth.data(), normal.data(), color.data(), density.data()};
    }
    LinePixelClass classify(int x, int y, LineTolerances t = {0.15, 0.02}) {
        return classifyLinePixel(view(), x, y, t);
    }
};

TEST(LinePixelPosition, RoundsTruncatingAndClampsOnBothSides) {
    auto at = [](double sx, double sy) { return pixelFromScreen(sx, sy, 4, 3); };
    // minihost passes pixel (x, y) as (x, y): the pixel itself.
    EXPECT_EQ(at(2.0, 1.0)->x, 2);
    EXPECT_EQ(at(2.0, 1.0)->y, 1);
    EXPECT_EQ(at(2.49, 0.0)->x, 2);
    EXPECT_EQ(at(2.5, 0.0)->x, 3);
    // -0.7 + 0.5 truncates toward zero, to pixel 0.
    EXPECT_EQ(at(-0.7, -0.7)->x, 0);
    // A frame larger than the store: the last column and row.
    EXPECT_EQ(at(9.0, 9.0)->x, 3);
    EXPECT_EQ(at(9.0, 9.0)->y, 2);
    EXPECT_EQ(at(1e300, 1e300)->x, 3);
    // Left of or above the store: the first column and row, never an index
    // before the buffers.
    EXPECT_EQ(at(-5.0, 1.0)->x, 0);
    EXPECT_EQ(at(1.0, -5.0)->y, 0);
    EXPECT_EQ(at(-1e300, -1e300)->x, 0);
    // Not a position, or no store to index.
    EXPECT_FALSE(at(std::nan(""), 0.0));
    EXPECT_FALSE(at(0.0, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(pixelFromScreen(0.0, 0.0, 0, 3));
    EXPECT_FALSE(pixelFromScreen(0.0, 0.0, 3, 0));
}

TEST(LineCoverage, ThreeWeightsGiveNoneThreeQuartersAndAll) {
    EXPECT_EQ(subsampleCoverage(-1.0), 0.0);
    EXPECT_EQ(subsampleCoverage(0.0), 0.75);
    EXPECT_EQ(subsampleCoverage(1.0), 1.0);
    EXPECT_EQ(edgeCoverage(LineEdge::None), 0.0);
    EXPECT_EQ(edgeCoverage(LineEdge::Inner), 0.75);
    EXPECT_EQ(edgeCoverage(LineEdge::Outline), 1.0);
}

TEST(LineCompositing, FollowsTheTableWithAndWithoutLineOnly) {
    const float px[4] = {0.2f, 0.4f, 0.6f, 0.5f};
    float out[4];

    LinePixelClass none;
    none.early = false;
    compositeLinePixel(px, none, false, out);
    EXPECT_EQ(out[0], 0.2f);
    EXPECT_EQ(out[3], 0.5f);
    compositeLinePixel(px, none, true, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[2], 1.0f);
    EXPECT_EQ(out[3], 0.5f);

    LinePixelClass inner = none;
    inner.edge = LineEdge::Inner;
    inner.color[0] = 1.0, inner.color[1] = 0.0, inner.color[2] = 0.5;
    inner.density = 0.5;  // c = 0.375
    compositeLinePixel(px, inner, false, out);
    EXPECT_EQ(out[0], float(double(0.2f) * 0.625 + 1.0 * 0.375));
    EXPECT_EQ(out[1], float(double(0.4f) * 0.625));
    EXPECT_EQ(out[3], float(double(0.5f) + 0.375));
    compositeLinePixel(px, inner, true, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], float(0.625));
    EXPECT_EQ(out[2], float(0.625 + 0.5 * 0.375));

    // Alpha is capped at 1.
    LinePixelClass outline = inner;
    outline.edge = LineEdge::Outline;
    outline.density = 1.0;
    const float opaque[4] = {0.2f, 0.4f, 0.6f, 0.9f};
    compositeLinePixel(opaque, outline, false, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[3], 1.0f);

    // Density 0: the rendered pixel stays; over white the pixel is white.
    outline.density = 0.0;
    compositeLinePixel(px, outline, false, out);
    EXPECT_EQ(out[0], 0.2f);
    EXPECT_EQ(out[3], 0.5f);
    compositeLinePixel(px, outline, true, out);
    EXPECT_EQ(out[1], 1.0f);
    EXPECT_EQ(out[3], 0.5f);
}

TEST(LineCompositing, DensityOutsideTheUnitRangeStaysBetweenTheTwoColours) {
    const float px[4] = {0.2f, 0.4f, 0.6f, 0.5f};
    float out[4];
    LinePixelClass cls;
    cls.early = false;
    cls.edge = LineEdge::Outline;
    cls.color[0] = 1.0;
    for (double density : {2.0, -1.0, std::nan("")}) {
        cls.density = density;
        compositeLinePixel(px, cls, false, out);
        for (int k = 0; k < 4; ++k) {
            EXPECT_TRUE(std::isfinite(out[k])) << density;
            EXPECT_GE(out[k], 0.0f) << density;
            EXPECT_LE(out[k], 1.0f) << density;
        }
    }
    cls.density = 2.0;  // coverage 1: the line colour
    compositeLinePixel(px, cls, false, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 0.0f);
    cls.density = -1.0;  // coverage 0: the pixel as rendered
    compositeLinePixel(px, cls, false, out);
    EXPECT_EQ(out[1], 0.4f);
    EXPECT_EQ(out[3], 0.5f);
}

TEST(LineClassify, OnePixelStoreAndUnrecordedPixels) {
    Settings s{0, 0.15, 0.02, 0};
    Store one(1, 1);
    EXPECT_TRUE(one.classify(0, 0).early);  // nothing recorded at all
    one.record(0, 0, &s, 5.0f);
    LinePixelClass c = one.classify(0, 0);
    EXPECT_FALSE(c.early);
    EXPECT_EQ(c.edge, LineEdge::None);  // no neighbour to compare with

    // A pixel with a depth but no recording shader (another plug-in's sample)
    // is decided at once.
    Store two(2, 1);
    two.record(0, 0, &s, 5.0f);
    two.depth[1] = 5.0f;
    EXPECT_TRUE(two.classify(1, 0).early);
}

TEST(LineClassify, NonFiniteStoreValuesDrawNothingWrong) {
    Settings s{0, 0.15, 0.02, 0};
    Store st(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) st.record(x, y, &s, 10.0f);
    // A NaN centre depth is neither a sample nor background: no line.
    st.depth[4] = std::nanf("");
    EXPECT_EQ(st.classify(1, 1).edge, LineEdge::None);
    // A NaN neighbour normal fails every comparison: no crease from it.
    st.depth[4] = 10.0f;
    st.normal[0] = std::nanf("");
    EXPECT_EQ(st.classify(1, 1).edge, LineEdge::None);
    // Depth 0 beside depth 10: an infinite ratio is a depth step.
    st.normal[0] = 0.0f;
    st.depth[0] = 0.0f;
    EXPECT_EQ(st.classify(1, 1).edge, LineEdge::Inner);
    // Two zero depths give 0/0: no step.
    Store flat(2, 1);
    flat.record(0, 0, &s, 0.0f);
    flat.record(1, 0, &s, 0.0f);
    EXPECT_EQ(flat.classify(1, 0).edge, LineEdge::None);
}

TEST(LineClassify, ReferenceColourAndDensityComeFromTheNearestSample) {
    Settings s{0, 0.15, 0.02, 0};
    Store st(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) st.record(x, y, &s, 10.0f, 0, 0, -1, uint8_t(10 * x), 0, 0, 1.0f);
    st.record(2, 2, &s, 9.0f, 0, 0, -1, 255, 51, 0, 0.25f);  // after the centre
    LinePixelClass c = st.classify(1, 1);
    EXPECT_EQ(c.color[0], 255 * 0.00392156862745098);
    EXPECT_EQ(c.color[1], 51 * 0.00392156862745098);
    EXPECT_EQ(c.density, 0.25);
}

}  // namespace
