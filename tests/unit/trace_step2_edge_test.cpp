// Edge grading of store cells: the golden strengths of outlines, material
// boundaries, depth steps and creases, the shader's tolerance override, and
// the cells that take no part (isolated, unshaded).
#include <gtest/gtest.h>

#include "tests/unit/stroke_store_builder.h"
#include "tracer_s/edge_strength.h"

namespace {

using namespace qr::tracer_s;
using qr::StrokeStoreView;
using storetest::Hit;
using storetest::Shader;
using storetest::StoreBuilder;

const EdgeTolerances kDefaults{0.1, 0.02, 0.05, 0.5};

Hit hitOf(const Shader &s, float depth) {
    Hit h;
    h.shader = &s;
    h.depth = depth;
    return h;
}

TEST(EdgeStrength, OutlineAgainstBackgroundIsFull) {
    Shader s = storetest::makeShader(1);
    StoreBuilder store(10, 10, 1);
    store.fill(3, 3, 6, 6, hitOf(s, 2.0f));
    const StrokeStoreView v = store.view();
    // Object cells whose left, upper or upper-left neighbour is background.
    EXPECT_EQ(edgeStrength(v, 3, 3, kDefaults), 1.0);
    EXPECT_EQ(edgeStrength(v, 5, 3, kDefaults), 1.0);
    EXPECT_EQ(edgeStrength(v, 3, 5, kDefaults), 1.0);
    // Background cells right of or below the object.
    EXPECT_EQ(edgeStrength(v, 7, 4, kDefaults), 1.0);
    EXPECT_EQ(edgeStrength(v, 4, 7, kDefaults), 1.0);
    EXPECT_EQ(edgeStrength(v, 7, 7, kDefaults), 1.0);  // diagonal neighbour (6, 6)
    // Inside the flat surface and far out in the background: no edge.
    EXPECT_EQ(edgeStrength(v, 5, 5, kDefaults), -1.0);
    EXPECT_EQ(edgeStrength(v, 0, 0, kDefaults), -1.0);
    // Each boundary is found on one side only: the cell left of the object
    // compares with earlier cells, which are background.
    EXPECT_EQ(edgeStrength(v, 2, 4, kDefaults), -1.0);
}

TEST(EdgeStrength, MaterialDepthAndCreaseGrades) {
    Shader a = storetest::makeShader(1), b = storetest::makeShader(2);
    StoreBuilder store(4, 1, 1);
    // Material boundary, nothing else changes: exactly the material level.
    store.set(0, 0, hitOf(a, 1.0f));
    store.set(1, 0, hitOf(b, 1.0f));
    EXPECT_EQ(edgeStrength(store.view(), 1, 0, kDefaults), 0.5);
    EXPECT_EQ(edgeStrength(store.view(), 1, 0, EdgeTolerances{0.1, 0.02, 0.05, 0.8}), 0.8);

    // Depths 1.0 and 1.045 pass through 32-bit floats: 0.4999991, not 0.5.
    store.set(1, 0, hitOf(a, 1.045f));
    const double graded = edgeStrength(store.view(), 1, 0, kDefaults);
    EXPECT_NEAR(graded, 0.4999991, 1e-7);
    EXPECT_NE(graded, 0.5);
    // The step is graded the same whichever side is nearer.
    store.set(0, 0, hitOf(a, 1.045f));
    store.set(1, 0, hitOf(a, 1.0f));
    EXPECT_NEAR(edgeStrength(store.view(), 1, 0, kDefaults), 0.4999991, 1e-7);
    // With no range the step is an edge of strength 0; below the threshold none.
    EXPECT_EQ(edgeStrength(store.view(), 1, 0, EdgeTolerances{0.1, 0.02, 0.0, 0.5}), 0.0);
    EXPECT_EQ(edgeStrength(store.view(), 1, 0, EdgeTolerances{0.1, 0.05, 0.05, 0.5}), -1.0);
    // A large step saturates at 1.
    store.set(0, 0, hitOf(a, 2.0f));
    EXPECT_EQ(edgeStrength(store.view(), 1, 0, kDefaults), 1.0);

    // A 90-degree crease: e = 1, strength 0.3 x (1 - 0.1) = 0.27.
    Hit side = hitOf(a, 1.0f);
    side.normal[0] = 1.0f;
    side.normal[2] = 0.0f;
    store.set(0, 0, side);
    EXPECT_NEAR(edgeStrength(store.view(), 1, 0, kDefaults), 0.27, 1e-12);
    // The strongest criterion wins: crease plus material boundary.
    store.set(1, 0, hitOf(b, 1.0f));
    EXPECT_EQ(edgeStrength(store.view(), 1, 0, kDefaults), 0.5);
}

TEST(EdgeStrength, IsolatedAndUnshadedCellsTakeNoPart) {
    Shader s = storetest::makeShader(1);
    StoreBuilder store(5, 5, 1);
    store.fill(0, 0, 4, 4, hitOf(s, 1.0f));
    // A lone background hole inside a surface is isolated: no edge there, and
    // it is no background neighbour for the cells after it.
    store.background(2, 2);
    store.markIsolated();
    EXPECT_EQ(store.mark(2, 2) & 1, 1);
    EXPECT_EQ(edgeStrength(store.view(), 2, 2, kDefaults), -1.0);
    EXPECT_EQ(edgeStrength(store.view(), 3, 2, kDefaults), -1.0);
    EXPECT_EQ(edgeStrength(store.view(), 2, 3, kDefaults), -1.0);

    // A surface without the edge shader: depth but no shader. Its cells find
    // no edge and a shaded cell does not compare with them.
    StoreBuilder mixed(4, 1, 1);
    Hit unshaded;
    unshaded.depth = 1.0f;
    mixed.set(0, 0, unshaded);
    mixed.set(1, 0, unshaded);
    mixed.set(2, 0, hitOf(s, 3.0f));
    mixed.set(3, 0, unshaded);
    EXPECT_EQ(edgeStrength(mixed.view(), 1, 0, kDefaults), -1.0);
    EXPECT_EQ(edgeStrength(mixed.view(), 2, 0, kDefaults), -1.0);
    EXPECT_EQ(edgeStrength(mixed.view(), 3, 0, kDefaults), -1.0);
}

TEST(EdgeStrength, ReferenceSampleAndToleranceOverride) {
    Shader near = storetest::makeShader(1, 1, 0.5, 0.3), far = storetest::makeShader(1);
    StoreBuilder store(3, 3, 1);
    Hit h = hitOf(far, 4.0f);
    h.color[0] = 10;
    store.fill(0, 0, 2, 2, h);
    Hit n = hitOf(near, 2.0f);
    n.color[0] = 33;
    n.boost = 0.25f;
    store.set(2, 2, n);
    Hit tie = hitOf(far, 2.0f);
    store.set(0, 2, tie);  // same depth, earlier in row-major order: it wins

    ReferenceSample ref;
    ASSERT_TRUE(findReferenceSample(store.view(), 1, 1, ref));
    EXPECT_EQ(ref.shader, &far);
    EXPECT_EQ(ref.index, store.index(0, 2));
    ASSERT_TRUE(findReferenceSample(store.view(), 2, 1, ref));
    EXPECT_EQ(ref.shader, &near);
    EXPECT_EQ(ref.color[0], 33 * 0.00392156862745098);
    EXPECT_EQ(ref.boost, 0.25);

    qr::tracer_s::TraceStep1Instance settings;
    const EdgeTolerances own = tolerancesFor(settings, &far);
    EXPECT_EQ(own.normal, 0.1);
    EXPECT_EQ(own.depth, 0.02);
    const EdgeTolerances overridden = tolerancesFor(settings, &near);
    EXPECT_EQ(overridden.normal, 0.5);
    EXPECT_EQ(overridden.depth, 0.3);
    EXPECT_EQ(overridden.range, 0.05);
    EXPECT_EQ(overridden.material, 0.5);

    // Nothing recorded in the block: no reference, so no stamp.
    StoreBuilder empty(3, 3, 1);
    EXPECT_FALSE(findReferenceSample(empty.view(), 1, 1, ref));
}

}  // namespace
