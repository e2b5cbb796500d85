// The 36 gradient inputs against a small fake scene whose every number is
// chosen so that each input has its own answer, worked out by hand below:
// spot at p = (1, 1, 1), normal (0, 3, 4) -> n = (0, 0.6, 0.8), seen head-on
// (ray (0, -3, -4)); its object at (4, 2, 3) with axes X = (0, 2, 0),
// Y = (0, 0, 1), Z = (1, 0, 0); a second object at (1, 5, 1); a distant
// light along (0, 0, -1) and a point light at (4, 5, 1).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "module_base/module_state.h"
#include "texlib/gradient_inputs.h"
#include "texlib/item_snapshot.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr ItemID kObj = 0x10000001, kOther = 0x10000002, kStranger = 0x10000099;
constexpr ItemID kDistant = 0x20000001, kPoint = 0x20000002, kNoSpecular = 0x20000003;
constexpr ItemID kExcluded = 0x20000004, kShadowed = 0x20000005;
constexpr uint32_t kMap = 7;

void set3(double *v, double x, double y, double z) { v[0] = x, v[1] = y, v[2] = z; }

double gCast = 1.0;  // what the spot's ray cast answers
int gCasts = 0;
bool gIndirectExcluded = false;

ItemID first(int type, ItemID parent) {
    if (parent != ITEM_NULL) return ITEM_NULL;
    return type == ITEM_TYPE_OBJECT ? kObj : type == ITEM_TYPE_LIGHT ? kDistant : ITEM_NULL;
}
ItemID next(ItemID item) {
    if (item == kObj) return kOther;
    return item >= kDistant && item < kShadowed ? item + 1 : ITEM_NULL;
}
int type(ItemID item) { return item >= kDistant ? ITEM_TYPE_LIGHT : ITEM_TYPE_OBJECT; }
void param(ItemID item, int code, double, double v[3]) {
    static const struct {
        ItemID item;
        int code;
        double v[3];
    } kParams[] = {{kObj, 8, {4, 2, 3}},  {kObj, 2, {0, 2, 0}},   {kObj, 3, {0, 0, 1}},
                   {kObj, 4, {1, 0, 0}},  {kOther, 8, {1, 5, 1}}, {kDistant, 4, {0, 0, -1}},
                   {kPoint, 8, {4, 5, 1}}};
    for (const auto &p : kParams)
        if (p.item == item && p.code == code) std::copy(p.v, p.v + 3, v);
}
int lightType(ItemID light) { return light == kDistant ? LIGHT_TYPE_DISTANT : LIGHT_TYPE_POINT; }
unsigned lightFlags(ItemID light) {
    return light == kPoint ? LIGHT_FLAG_NO_DIFFUSE : light == kNoSpecular ? LIGHT_FLAG_NO_SPECULAR : 0;
}
void ambient(double, double c[3]) { c[0] = 0.1, c[1] = 0.2, c[2] = 0.3; }
int excluded(ItemID obj, ItemID light) {
    return obj == kObj && (light == kExcluded || (light == ITEM_INDIRECT_LIGHT && gIndirectExcluded));
}

// A weight map `kMap` with values at points 1 and 3.
int selectedMap = 0;
int select(MeshInfo *, VMapID map) {
    return selectedMap = static_cast<int>(reinterpret_cast<uintptr_t>(map));
}
int valueAt(MeshInfo *, PointID point, float *v) {
    const auto p = reinterpret_cast<uintptr_t>(point);
    if (selectedMap != kMap || (p != 1 && p != 3)) return 0;
    v[0] = p == 1 ? 0.5f : 0.4f;
    return 1;
}
MeshInfo gMesh{};
MeshInfo *meshOf(ItemID obj, int) { return obj == kObj ? &gMesh : nullptr; }

// The light travels along `dir`; the colour is what arrives.
int illuminate(ItemID light, const double *, double dir[3], double c[3]) {
    auto set = [&](double x, double y, double z, double i) {
        dir[0] = x, dir[1] = y, dir[2] = z;
        c[0] = c[1] = c[2] = i;
        return 1;
    };
    switch (light) {
    case ITEM_INDIRECT_LIGHT: c[0] = 0.3, c[1] = 0.6, c[2] = 0.9; return 1;
    case kDistant: return set(0, 0, -1, 1.0);
    case kPoint: return set(0, -0.6, -0.8, 0.3);
    case kNoSpecular: return set(0, -1, 0, 0.6);
    case kExcluded: return set(0, -0.6, -0.8, 3.0);
    default: return 0;  // kShadowed
    }
}
double rayCast(const double *, const double *) { return ++gCasts, gCast; }

void *lookup(const char *name, int) {
    static ItemInfo items{first, next, nullptr, nullptr, nullptr, type, nullptr, param};
    static LightInfo lights{ambient, lightType, nullptr, lightFlags, nullptr, nullptr};
    static ObjectInfo objects{nullptr, nullptr, nullptr, meshOf, excluded};
    if (!std::strcmp(name, SERVICE_ITEM_INFO)) return &items;
    if (!std::strcmp(name, SERVICE_LIGHT_INFO)) return &lights;
    if (!std::strcmp(name, SERVICE_OBJECT_INFO)) return &objects;
    return nullptr;
}

class GradientInputs : public ::testing::Test {
protected:
    void SetUp() override {
        resetTextureSupportForTests();
        moduleState().global = lookup;
        acquireSupportServices();
        savedItems_ = services().itemInfo;
        services().itemInfo = supportServices().itemInfo;  // the snapshot reads the frame's table
        gMesh.pntVSelect = select;
        gMesh.pntVGet = valueAt;
        record_ = {0.5, 12, createItemSnapshot()};
        refreshItemSnapshot(record_.snapshot, 0.5, 12);
        gCast = 1.0;
        gCasts = 0;
        gIndirectExcluded = false;
        set3(spot_.wPos, 1, 1, 1);
        set3(spot_.wNorm, 0, 3, 4);
        set3(spot_.ray, 0, -3, -4);
        spot_.bumpHeight = 0.25;
        spot_.cosine = 0.5;
        spot_.rayLength = 7.5;
        spot_.objID = kObj;
        const uintptr_t points[4] = {1, 2, 0, 3};
        for (int k = 0; k < 4; ++k) spot_.verts[k] = reinterpret_cast<PointID>(points[k]);
        const float weights[4] = {0.5f, 0.25f, 0.1f, 0.25f};
        std::copy(weights, weights + 4, spot_.weights);
        spot_.illuminate = illuminate;
        spot_.rayCast = rayCast;
    }
    void TearDown() override {
        destroyItemSnapshot(record_.snapshot);
        services().itemInfo = savedItems_;
        resetTextureSupportForTests();
        moduleState().global = nullptr;
    }
    double in(int number, uint32_t item = 0) {
        TxtrInputParam p{};
        p.itemID = item;
        return evaluateGradientInput(&p, number, spot_, &record_);
    }

    ItemInfo *savedItems_ = nullptr;
    InputTimeRecord record_{};
    TexturedSpot spot_{};
};

TEST_F(GradientInputs, EachInputAtTheSpot) {
    const double s14 = std::sqrt(14.0), s10 = std::sqrt(10.0), s5 = std::sqrt(5.0), s13 = std::sqrt(13.0);
    const struct {
        int number;
        uint32_t item;
        double expected;
    } cases[] = {
        {1, 0, 0.25},                   // bump height
        {2, 0, 0.2},                    // 1 - Y.n with the object's Y = (0, 0, 1)
        {3, 0, 0.5 * kHalfPi},          // cosine scaled, not an angle
        {4, 0, 0.0},                    // no light chosen
        {4, kDistant, 0.8 * kHalfPi},   // a distant light's Z axis
        {4, kPoint, 0.48 * kHalfPi},    // from the light's position: L = (0.6, 0.8, 0)
        {5, 0, 7.5},                    // ray length
        {6, 0, s14},                    // to the spot's object: D = (3, 1, 2)
        {6, kOther, 4.0},               // to the chosen object
        {6, kDistant, std::sqrt(3.0)},  // a light is no object: the origin
        {7, 0, 3.0},
        {8, 0, 1.0},
        {9, 0, 2.0},
        {10, 0, 0.0},                          // no map chosen
        {10, kMap, 0.5 * 0.5 + 0.4f * 0.25f},  // point 2 has no value, slot 3 no point
        {11, 0, 1.0},                          // ray cast through the surface
        {12, 0, -0.6 * kHalfPi},
        {13, 0, -0.8 * kHalfPi},
        {14, 0, 0.0},
        {15, 0, 0.0},
        {16, 0, -0.6 * kHalfPi},
        {17, 0, -0.8 * kHalfPi},
        {18, 0, s10},
        {19, 0, s5},
        {20, 0, s13},  // without z, x, y
        {21, 0, 0.0},
        {21, kDistant, 0.81},      // h = (0, 0.6, 1.8)^, s^4 = 0.9^2
        {22, kDistant, 0.8},       // the mirror of the ray is n
        {23, 0, 0.6},              // the indirect light's colour
        {24, 0, 0.8 + 0.6 * 0.6},  // distant, and the no-specular light
        {25, 0, 0.81 + 0.3},       // distant, and the no-diffuse point light
        {26, 0, 0.8 + 0.3},
        {0, 0, 1.0},
        {37, 0, 1.0},
        {-5, 0, 1.0},
    };
    for (const auto &c : cases) EXPECT_NEAR(in(c.number, c.item), c.expected, 1e-12) << c.number;
    for (int n = 27; n <= 36; ++n) EXPECT_EQ(in(n), 1.0) << n;  // every cast hits

    // A ray cast of exactly 0 is no hit; nor is a miss.
    for (double cast : {0.0, -1.0}) {
        gCast = cast;
        EXPECT_EQ(in(11), 0.0);
        EXPECT_EQ(in(29), 0.0);
    }
    // Gradient Ambient falls back to the ambient colour when the object is
    // excluded from the indirect light.
    gIndirectExcluded = true;
    EXPECT_NEAR(in(23), 0.2, 1e-12);
}

TEST_F(GradientInputs, FallbacksForASpotOutsideTheSceneAndMissingParts) {
    spot_.objID = kStranger;
    EXPECT_NEAR(in(2), 0.4, 1e-12);  // against the world Y axis
    EXPECT_NEAR(in(12), 0.0, 1e-12);
    EXPECT_NEAR(in(13), -0.6 * kHalfPi, 1e-12);
    EXPECT_NEAR(in(14), -0.8 * kHalfPi, 1e-12);
    EXPECT_NEAR(in(6), std::sqrt(3.0), 1e-12);  // to the world origin
    EXPECT_EQ(in(23), 0.0);
    for (int n = 27; n <= 36; ++n) EXPECT_EQ(in(n), 0.0) << n;
    EXPECT_EQ(gCasts, 0);

    spot_.objID = kObj;
    spot_.verts[0] = spot_.verts[1] = spot_.verts[3] = nullptr;
    EXPECT_EQ(in(10, kMap), 0.0);  // no point in any slot
    spot_.rayCast = nullptr;
    spot_.illuminate = nullptr;
    EXPECT_EQ(in(11), 0.0);
    EXPECT_EQ(in(29), 0.0);
    EXPECT_EQ(in(24), 0.0);
    EXPECT_NEAR(in(23), 0.2, 1e-12);  // the ambient colour
    // Without a record nothing is known of the items' positions and axes.
    TxtrInputParam p{};
    EXPECT_NEAR(evaluateGradientInput(&p, 6, spot_, nullptr), std::sqrt(3.0), 1e-12);
}

TEST_F(GradientInputs, HeadOnSpotsAndWorldAxes) {
    spot_.cosine = 1.0;
    EXPECT_EQ(in(3), kHalfPi);
    set3(spot_.wNorm, 0, 1, 0);
    EXPECT_EQ(in(16), -kHalfPi);
    set3(spot_.wNorm, 0, -1, 0);
    EXPECT_EQ(in(16), kHalfPi);
}

TEST_F(GradientInputs, HalfOcclusionCountsDirectionsBelowTheHorizonAsBlocked) {
    gCast = 0.0;  // nothing is hit
    set3(spot_.wNorm, 0, 1, 0);
    EXPECT_EQ(in(32), 0.0);
    EXPECT_EQ(gCasts, 27);  // every direction cast, as for ambient occlusion
    set3(spot_.wNorm, 0, -1, 0);
    gCasts = 0;
    EXPECT_EQ(in(36), 1.0);
    EXPECT_EQ(gCasts, 0);
    gCasts = 0;
    EXPECT_EQ(in(31), 0.0);
    EXPECT_EQ(gCasts, 432);
}

TEST_F(GradientInputs, RandomSequenceFromSeedOne) {
    textureSupportTables().occlusionSeed = 1;
    EXPECT_EQ(nextOcclusionRandom(), 1566083942 * 2.3283064365386963e-10);
    EXPECT_DOUBLE_EQ(nextOcclusionRandom(), 0.8776760844048113);
    EXPECT_DOUBLE_EQ(nextOcclusionRandom(), 0.1861354624852538);
    EXPECT_EQ(textureSupportTables().occlusionSeed.load(), 799445724u);
    // A spot's whole run of draws at once gives the same numbers and seed.
    textureSupportTables().occlusionSeed = 1;
    double xi[3];
    drawOcclusionRandoms(xi, 3);
    EXPECT_EQ(xi[0], 1566083942 * 2.3283064365386963e-10);
    EXPECT_DOUBLE_EQ(xi[2], 0.1861354624852538);
    EXPECT_EQ(textureSupportTables().occlusionSeed.load(), 799445724u);
}

}  // namespace
}  // namespace qr
