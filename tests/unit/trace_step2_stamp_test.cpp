// Brush stamps: the module's sweep against the plain form on scene-like
// stores, byte for byte, and the stamp's size, occlusion and blending.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/unit/plain_stroke_reference.h"
#include "tests/unit/stroke_store_builder.h"
#include "tracer_s/brush_stamp.h"
#include "tracer_s/stroke_sweep.h"

namespace {

using namespace qr::tracer_s;
using qr::StrokeStoreView;
using storetest::Hit;
using storetest::Shader;
using storetest::StoreBuilder;

std::vector<uint8_t> moduleDrawBuffer(StoreBuilder &store, const TraceStep1Instance &settings) {
    const StrokeStoreView v = store.view();
    std::vector<uint8_t> draw(4 * v.cellCount());
    std::vector<double> scratch(stampScratchDoubles(v.gridWidth));
    clearDrawBuffer(draw.data(), v.cellCount());
    paintStrokes(v, settings, draw.data(), scratch.data());
    return draw;
}

size_t differingCells(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    size_t n = 0;
    for (size_t i = 0; i + 3 < a.size(); i += 4)
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2] || a[i + 3] != b[i + 3]) ++n;
    return n;
}

size_t paintedCells(const std::vector<uint8_t> &draw) {
    size_t n = 0;
    for (size_t i = 3; i < draw.size(); i += 4) n += draw[i] != 0;
    return n;
}

TEST(BrushStamp, SweepMatchesThePlainFormByteForByte) {
    struct Case {
        const char *what;
        int factor;
        double rotate, squash, noise, brushMin, brushMax;
    };
    const Case cases[] = {
        {"defaults, b = 1", 1, 0.0, 0.25, 16.0, 1.0, 3.0},
        {"defaults, b = 2", 2, 0.0, 0.25, 16.0, 1.0, 3.0},
        {"defaults, b = 3", 3, 0.0, 0.25, 16.0, 1.0, 3.0},
        {"round, no noise", 2, 0.3, 1.0, 0.0, 1.0, 3.0},
        {"flat, turned", 2, 1.1, 0.05, 0.0, 2.0, 9.0},
        {"below the squash floor", 2, 0.7, 0.001, 4.0, 1.0, 6.0},
        {"stretched beyond round", 2, 2.0, 3.0, 8.0, 0.5, 2.5},
        {"large brushes", 1, -0.4, 0.5, 2.0, 6.0, 21.0},
        {"quarter turn", 3, 1.5707963267948966, 0.25, 0.0, 1.0, 3.0},
    };
    for (const Case &c : cases) {
        storetest::SceneShaders shaders;
        StoreBuilder store(64 * c.factor, 48 * c.factor, c.factor);
        storetest::fillSceneLike(store, shaders, 11u + static_cast<uint32_t>(c.factor));
        TraceStep1Instance settings;
        settings.brush_rotate = c.rotate;
        settings.brush_squash = c.squash;
        settings.noise_size = c.noise;
        settings.brush_min = c.brushMin;
        settings.brush_max = c.brushMax;
        const std::vector<uint8_t> plain = plainref::plainDrawBuffer(store.view(), settings);
        const std::vector<uint8_t> fast = moduleDrawBuffer(store, settings);
        EXPECT_GT(paintedCells(plain), 100u) << c.what;
        EXPECT_EQ(differingCells(plain, fast), 0u) << c.what;
    }
}

// One edge cell: a single recorded hit at (cx, cy) in a background grid,
// not isolated so that the background around it grades against it.
struct LoneEdge {
    Shader shader = storetest::makeShader(1);
    StoreBuilder store;
    LoneEdge(int w, int h, int b, int cx, int cy, float boost) : store(w, h, b) {
        Hit hit;
        hit.shader = &shader;
        hit.depth = 5.0f;
        hit.boost = boost;
        hit.color[0] = 200;
        store.set(cx, cy, hit);
    }
};

TEST(BrushStamp, StampSizeFollowsStrengthBoostAndFactor) {
    TraceStep1Instance s;
    StampShape shape;
    // Strength 1: brush_max diameter, times (1 + boost), in cells.
    ASSERT_TRUE(stampShapeFor(s, 2, 10, 10, 1.0, 0.5, shape));
    EXPECT_EQ(shape.radius, 3.0 * 0.5 * 1.5 * 2);
    EXPECT_EQ(shape.reach, 5);  // int(4.5 + 0.5)
    // Strength 0.5: halfway between the two diameters.
    ASSERT_TRUE(stampShapeFor(s, 1, 10, 10, 0.5, 0.0, shape));
    EXPECT_EQ(shape.radius, 1.0);
    // No noise: the angle is the base angle; squash floors at 0.01.
    s.noise_size = 0.0;
    s.brush_rotate = 0.25;
    s.brush_squash = 0.001;
    ASSERT_TRUE(stampShapeFor(s, 3, 7, 9, 1.0, 0.0, shape));
    EXPECT_EQ(shape.angle, 0.25);
    EXPECT_EQ(shape.squash, 100.0);
    // At whole-number noise points the stamp turns by exactly a quarter turn.
    s.noise_size = 1.0;
    ASSERT_TRUE(stampShapeFor(s, 1, 3, 4, 1.0, 0.0, shape));
    EXPECT_EQ(shape.angle, 0.25 + 0.5 * 3.141592653589793);
    // A radius of zero, negative or not a number paints nothing.
    s.brush_max = 0.0;
    EXPECT_FALSE(stampShapeFor(s, 1, 0, 0, 1.0, 0.0, shape));
    s.brush_max = -2.0;
    EXPECT_FALSE(stampShapeFor(s, 1, 0, 0, 1.0, 0.0, shape));
    s.brush_max = std::nan("");
    EXPECT_FALSE(stampShapeFor(s, 1, 0, 0, 1.0, 0.0, shape));
    // A huge radius keeps a bounded reach.
    s.brush_max = 1e300;
    ASSERT_TRUE(stampShapeFor(s, 1, 0, 0, 1.0, 0.0, shape));
    EXPECT_LE(shape.reach, 1000000000LL);
}

TEST(BrushStamp, RoundStampPaintsWithinItsRadiusOnly) {
    // An outline cell at strength 1 with boost 1: R = 3 x 0.5 x 2 = 3 cells.
    LoneEdge edge(31, 31, 1, 15, 15, 1.0f);
    TraceStep1Instance s;
    s.brush_squash = 1.0;
    s.noise_size = 0.0;
    const StrokeStoreView v = edge.store.view();
    std::vector<uint8_t> draw(4 * v.cellCount());
    std::vector<double> scratch(stampScratchDoubles(v.gridWidth));
    clearDrawBuffer(draw.data(), v.cellCount());
    StampShape shape;
    ASSERT_TRUE(stampShapeFor(s, 1, 15, 15, 1.0, 1.0, shape));
    const double line[3] = {1.0, 0.0, 0.0};
    paintStamp(v, draw.data(), scratch.data(), 15, 15, shape, line);
    int widest = 0;
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 31; ++x) {
            const uint8_t a = draw[4 * v.index(x, y) + 3];
            // The nearest sample point of a painted cell lies within R.
            const double nx = std::max(0.0, std::abs(x + 0.5 - 15.5) - 0.375);
            const double ny = std::max(0.0, std::abs(y + 0.5 - 15.5) - 0.375);
            if (a != 0) {
                EXPECT_LE(nx * nx + ny * ny, 9.0 + 1e-12) << x << ", " << y;
                if (y == 15) widest = std::max(widest, std::abs(x - 15));
            }
        }
    // Along the centre row it reaches 3 cells each way: a 6-cell diameter.
    EXPECT_EQ(widest, 3);
    EXPECT_EQ(draw[4 * v.index(15, 15) + 3], 255);
    EXPECT_EQ(draw[4 * v.index(15, 15) + 1], 0);
}

TEST(BrushStamp, OcclusionSparesOnlyTheCentreRowAndColumn) {
    // The stamp's edge cell lies behind its surroundings (depth 5 against 1):
    // only its own row and column are painted.
    LoneEdge edge(21, 21, 1, 10, 10, 0.0f);
    Hit front;
    front.depth = 1.0f;  // nearer, without the edge shader
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x)
            if (x != 10 || y != 10) edge.store.set(x, y, front);
    TraceStep1Instance s;
    s.brush_squash = 1.0;
    s.brush_max = 7.0;
    const StrokeStoreView v = edge.store.view();
    std::vector<uint8_t> draw(4 * v.cellCount());
    std::vector<double> scratch(stampScratchDoubles(v.gridWidth));
    clearDrawBuffer(draw.data(), v.cellCount());
    StampShape shape;
    ASSERT_TRUE(stampShapeFor(s, 1, 10, 10, 1.0, 0.0, shape));
    const double line[3] = {0, 0, 0};
    paintStamp(v, draw.data(), scratch.data(), 10, 10, shape, line);
    int row = 0, column = 0, elsewhere = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x) {
            if (draw[4 * v.index(x, y) + 3] == 0) continue;
            if (y == 10)
                ++row;
            else if (x == 10)
                ++column;
            else
                ++elsewhere;
        }
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(row, 7);
    EXPECT_EQ(column, 6);

    // The same stamp in front of its surroundings paints the whole disc.
    Hit behind;
    behind.depth = 9.0f;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x)
            if (x != 10 || y != 10) edge.store.set(x, y, behind);
    clearDrawBuffer(draw.data(), v.cellCount());
    paintStamp(v, draw.data(), scratch.data(), 10, 10, shape, line);
    EXPECT_EQ(draw[4 * v.index(12, 12) + 3], 255);
}

TEST(BrushStamp, BlendingAveragesByCoverageAndSaturates) {
    // Colours come from bytes through the factor 0.00392156862745098: some
    // bytes come out one lower than a division by 255 would give.
    uint8_t cell[4] = {255, 255, 255, 0};
    const double line[3] = {33 * 0.00392156862745098, 66 * 0.00392156862745098, 255 * 0.00392156862745098};
    blendIntoCell(cell, 1.0, line);
    EXPECT_EQ(cell[0], 32);
    EXPECT_EQ(cell[1], 65);
    EXPECT_EQ(cell[2], 255);
    EXPECT_EQ(cell[3], 255);
    // Full again on top: alpha stays at 255.
    blendIntoCell(cell, 1.0, line);
    EXPECT_EQ(cell[3], 255);

    // A later stamp of another colour shifts the cell by E / (a + E).
    uint8_t mixed[4] = {255, 255, 255, 0};
    const double red[3] = {1.0, 0.0, 0.0}, blue[3] = {0.0, 0.0, 1.0};
    blendIntoCell(mixed, 0.5, red);
    EXPECT_EQ(mixed[3], 127);
    EXPECT_EQ(mixed[0], 255);
    EXPECT_EQ(mixed[2], 0);
    blendIntoCell(mixed, 0.25, blue);
    const double a = 127 * 0.00392156862745098;
    EXPECT_EQ(mixed[0], static_cast<uint8_t>(255 * 0.00392156862745098 * a / (a + 0.25) * 255));
    EXPECT_NEAR(mixed[2], 255.0 * 0.25 / (a + 0.25), 1.0);
    EXPECT_EQ(mixed[3], static_cast<uint8_t>((a + 0.25) * 255));
}

TEST(BrushStamp, NoEdgesNoPaint) {
    // A store with nothing recorded, or one flat surface covering the grid,
    // paints nothing at all.
    TraceStep1Instance s;
    StoreBuilder empty(40, 30, 2);
    EXPECT_EQ(paintedCells(moduleDrawBuffer(empty, s)), 0u);
    Shader shader = storetest::makeShader(1);
    Hit flat;
    flat.shader = &shader;
    flat.depth = 3.0f;
    StoreBuilder covered(40, 30, 2);
    covered.fill(0, 0, 39, 29, flat);
    covered.markIsolated();
    EXPECT_EQ(paintedCells(moduleDrawBuffer(covered, s)), 0u);
}

}  // namespace
