// The spans of a brush stamp on its sub-rows, against the exact point test
// the stamps make: no point of the ellipse lies outside a span, no point of a
// span's inner part lies outside the ellipse, and a sub-row's span mirrors
// that of the sub-row opposite it about the centre.
#include <gtest/gtest.h>

#include <cmath>

#include "tracer_s/stamp_span.h"

namespace {

using namespace qr::tracer_s;

// A stamp on an unclipped grid: target columns x - reach .. x + reach.
struct StampCase {
    double radius, angle, squash;
};

// The stamps' exact test of sub-column g on the sub-row at offset dy.
bool inEllipse(const StampShape &shape, double cosA, double sinA, double dx, double dy) {
    const double u = cosA * dx - sinA * dy;
    const double v = (sinA * dx + cosA * dy) * shape.squash;
    return u * u + v * v <= shape.radius * shape.radius;
}

TEST(StampSpan, SpansHoldTheEllipseAndInnerPartsLieInIt) {
    const StampCase cases[] = {
        {0.6, 0.0, 1.0},
        {1.5, 0.3, 1.0},
        {3.0, 0.0, 4.0},
        {3.7, 1.1, 20.0},
        {7.9, 2.5, 0.5},
        {12.4, -0.4, 2.0},
        {2.2, 1.5707963267948966, 4.0},
        {40.3, 0.7, 100.0},
    };
    const int x = 1000;  // the centre cell's column, far from the grid's edge
    for (const StampCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "R " << c.radius << " angle " << c.angle << " k " << c.squash);
        StampShape shape;
        shape.radius = c.radius;
        shape.reach = static_cast<long long>(static_cast<double>(static_cast<float>(c.radius)) + 0.5);
        shape.angle = c.angle;
        shape.squash = c.squash;
        const double cosA = std::cos(c.angle), sinA = std::sin(c.angle);
        const long long col0 = x - shape.reach;
        const long long subCols = 4 * (2 * shape.reach + 1);
        const double centre = x + 0.5;
        StampSpans spans(shape, cosA, sinA, centre, col0, subCols);
        ASSERT_TRUE(spans.usable());
        int insideSeen = 0;
        for (long long row = -shape.reach; row <= shape.reach; ++row)
            for (int j = 0; j < 4; ++j) {
                const double dy = static_cast<double>(x + row) + kSubOffset + kSubStep * j - centre;
                const SubSpan span = spans.spanOf(dy);
                for (long long g = 0; g < subCols; ++g) {
                    const double dx =
                        static_cast<double>(col0 + g / 4) + kSubOffset + kSubStep * (g % 4) - centre;
                    const bool inside = inEllipse(shape, cosA, sinA, dx, dy);
                    insideSeen += inside;
                    if (inside) {
                        ASSERT_TRUE(g >= span.first && g <= span.last) << "missed: dy " << dy << " g " << g;
                    }
                    if (g >= span.innerFirst && g <= span.innerLast) {
                        ASSERT_TRUE(inside) << "counted outside the radius: dy " << dy << " g " << g;
                    }
                }
                // The sub-row opposite, at -dy, has the mirrored span.
                const SubSpan mirrored = spans.spanOf(-dy);
                if (span.first <= span.last) {
                    EXPECT_EQ(mirrored.first, subCols - 1 - span.last) << dy;
                    EXPECT_EQ(mirrored.last, subCols - 1 - span.first) << dy;
                    if (span.innerFirst <= span.innerLast) {
                        EXPECT_EQ(mirrored.innerFirst, subCols - 1 - span.innerLast) << dy;
                        EXPECT_EQ(mirrored.innerLast, subCols - 1 - span.innerFirst) << dy;
                    }
                } else {
                    EXPECT_GT(mirrored.first, mirrored.last) << dy;
                }
            }
        EXPECT_GT(insideSeen, 0);
    }
}

TEST(StampSpan, RowsBeyondTheReachAreEmptyAndFlatFormsTestEverything) {
    StampShape shape;
    shape.radius = 2.0;
    shape.reach = 3;
    shape.angle = 0.0;
    shape.squash = 1.0;
    StampSpans round(shape, 1.0, 0.0, 10.5, 7, 28);
    EXPECT_NEAR(round.reachY(), 2.0, 1e-4);
    const SubSpan beyond = round.spanOf(2.125);
    EXPECT_GT(beyond.first, beyond.last);

    // A radius too small for the margins: every sub-column is tested, none
    // is counted untested.
    shape.radius = 1e-4;
    StampSpans tiny(shape, 1.0, 0.0, 10.5, 7, 28);
    EXPECT_FALSE(tiny.usable());
    const SubSpan all = tiny.spanOf(0.125);
    EXPECT_EQ(all.first, 0);
    EXPECT_EQ(all.last, 27);
    EXPECT_GT(all.innerFirst, all.innerLast);
}

}  // namespace
