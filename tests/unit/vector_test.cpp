// The vector helpers' binding arithmetic and their edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "texlib/vector.h"

namespace qr {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void expectVector(const Vector &v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

void expectExactlyZero(const Vector &v) {
    EXPECT_EQ(v.x, 0.0);
    EXPECT_EQ(v.y, 0.0);
    EXPECT_EQ(v.z, 0.0);
}

TEST(Vector, LengthAndDotSumInTheBindingOrder) {
    EXPECT_DOUBLE_EQ(length({3.0, 0.0, 4.0}), 5.0);
    EXPECT_DOUBLE_EQ(length({-2.0, 3.0, 6.0}), 7.0);
    // (a.z*b.z + a.y*b.y) + a.x*b.x: z and y cancel first, so x survives; the
    // order x, y, z would lose it to rounding and give 0.
    const Vector a = {1.0, 1e16, -1e16};
    const Vector b = {1.0, 1.0, 1.0};
    EXPECT_EQ(dot(a, b), 1.0);
    EXPECT_DOUBLE_EQ(dot({1, 2, 3}, {4, 5, 6}), 32.0);
    // Stored normals sum the same way, as doubles: the exact results of the
    // tracers' normal tests depend on it.
    const float na[3] = {1.0f, 1e16f, -1e16f};
    const float nb[3] = {1.0f, 1.0f, 1.0f};
    EXPECT_EQ(dotOfNormals(na, nb), 1.0);
    const float nc[3] = {0.1f, -0.7f, 0.3f};
    const float nd[3] = {0.6f, 0.2f, -0.9f};
    EXPECT_EQ(dotOfNormals(nc, nd), dot({nc[0], nc[1], nc[2]}, {nd[0], nd[1], nd[2]}));
}

TEST(Vector, CrossFollowsTheRightHandRuleOfTheFormula) {
    Vector out;
    expectVector(cross(out, {1, 0, 0}, {0, 1, 0}), 0, 0, 1);
    expectVector(cross(out, {0, -1, 0}, {1, 0, 0}), 0, 0, 1);
    // The output may be one of the operands.
    Vector a = {1, 0, 0};
    cross(a, a, {0, 1, 0});
    expectVector(a, 0, 0, 1);
}

TEST(Vector, NormalizeInPlaceChangesItsOperand) {
    Vector v = {3, 0, 4};
    Vector out = {9, 9, 9};
    Vector &r = normalizeInPlace(v, out);
    EXPECT_EQ(&r, &out);
    expectVector(v, 0.6, 0.0, 0.8);
    expectVector(out, 0.6, 0.0, 0.8);
}

TEST(Vector, NormalizedCopyLeavesItsOperand) {
    const Vector v = {3, 0, 4};
    Vector out;
    EXPECT_EQ(&normalizedCopy(out, v), &out);
    expectVector(out, 0.6, 0.0, 0.8);
    expectVector(v, 3, 0, 4);
    Vector self = {0, -2, 0};
    normalizedCopy(self, self);
    expectVector(self, 0, -1, 0);
}

TEST(Vector, VectorsWithoutADirectionNormalizeToZero) {
    const Vector cases[] = {
        {0, 0, 0}, {kNaN, 0, 0}, {0, kNaN, 1}, {kInf, 0, 0}, {-kInf, 1, 2}, {kInf, -kInf, 0},
    };
    for (const Vector &c : cases) {
        Vector v = c;
        Vector out = {7, 7, 7};
        normalizeInPlace(v, out);
        expectExactlyZero(v);
        expectExactlyZero(out);
        Vector copy = {7, 7, 7};
        normalizedCopy(copy, c);
        expectExactlyZero(copy);
    }
    // Tiny but non-zero lengths still give a unit vector.
    Vector tiny = {1e-150, 0, 0}, out;
    normalizeInPlace(tiny, out);
    expectVector(out, 1, 0, 0);
}

TEST(Vector, ReflectMirrorsAboutTheNormal) {
    Vector out;
    reflect(out, {1, -1, 0}, {0, 1, 0});
    EXPECT_NEAR(out.x, 0.7071067811865475, 1e-15);
    EXPECT_NEAR(out.y, 0.7071067811865475, 1e-15);
    EXPECT_EQ(out.z, 0.0);
    // Neither input needs unit length; the result has it.
    reflect(out, {0, 0, 5}, {0, 0, -0.5});
    expectVector(out, 0, 0, -1);
    EXPECT_NEAR(length(reflect(out, {2, 3, -4}, {-1, 7, 0.5})), 1.0, 1e-15);
    // A zero normal leaves the normalized direction.
    reflect(out, {0, 3, 4}, {0, 0, 0});
    expectVector(out, 0, 0.6, 0.8);
    // A zero direction gives zero.
    reflect(out, {0, 0, 0}, {0, 1, 0});
    expectExactlyZero(out);
}

}  // namespace
}  // namespace qr
