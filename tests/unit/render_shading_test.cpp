// The shading pipeline and the access records of the filter stages, driven
// with handlers defined here.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/image_filter_stage.h"
#include "minihost/render/lights.h"
#include "minihost/render/pixel_filter_stage.h"
#include "minihost/render/surface_shading.h"
#include "minihost/render/tile_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/live_uses.h"

namespace {

using namespace minihost;

std::unique_ptr<Scene> oneBall(int w, int h, const std::string &extra = "") {
    return loadSceneText(R"({"render": {"width": )" + std::to_string(w) + R"(, "height": )" +
                             std::to_string(h) +
                             R"(, "background": [0.1, 0.2, 0.3]},
      "camera": {"position": [0, 0, -5], "hfov": 40},
      "ambient": {"intensity": 0.2},
      "lights": [{"name": "Sun", "type": "distant", "rotation": [0, 0, 0]}],
      "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "S"},
                   "surfaces": {"S": {"color": [1, 0.5, 0.25]}}})" +
                             extra + "]}",
                         "shade.json");
}

void prepare(FrameState &f, const Scene &scene, const LiveUses *live = nullptr) {
    std::string error;
    EXPECT_TRUE(f.prepare(scene, live, 1, 0, error)) << error;
}

// A shader that blackens the sample the way the stroke edition's pass does,
// or leaves values that are not numbers.
int shaderMode = 0;
void testShader(Instance, ShaderAccess *sa) {
    if (shaderMode == 1) {
        sa->diffuse = sa->specular = sa->mirror = 0;
        sa->replacePercentage = 1;
        sa->replaceColor[0] = sa->replaceColor[1] = sa->replaceColor[2] = 0;
    } else if (shaderMode == 2) {
        sa->color[0] = std::numeric_limits<double>::quiet_NaN();
        sa->replacePercentage = std::numeric_limits<double>::infinity();
        sa->diffuse = std::numeric_limits<double>::quiet_NaN();
    }
}

TEST(RenderShading, ShaderResultsMakeTheColour) {
    auto scene = oneBall(9, 9);
    LiveUses live;
    FrameState f;
    prepare(f, *scene, &live);
    const Vec3 centre = rayThrough(f.camera, 4.5, 4.5);
    TraceResult plain = traceAndShade(f, f.camera.position, centre, 0, 4, 4);
    ASSERT_TRUE(plain.hit);
    EXPECT_NEAR(plain.distance, 4, 1e-3);
    // lit head-on by the sun (+Z) and the ambient 0.2: colour times 1.2
    EXPECT_NEAR(plain.color.x, 1.2, 0.01);
    EXPECT_NEAR(plain.color.y, 0.6, 0.01);

    static ActiveHandler handler;
    handler.shader.evaluate = testShader;
    ServerUse use;
    scene->objects[0]->surfaces[0]->shaders.push_back(use);
    live.shaders = {{{LiveUse{&scene->objects[0]->surfaces[0]->shaders[0], &handler, &handler}}}};
    shaderMode = 1;
    EXPECT_EQ(traceAndShade(f, f.camera.position, centre, 0, 4, 4).color.x, 0.0);
    shaderMode = 2;  // values that are not numbers count as 0
    const TraceResult odd = traceAndShade(f, f.camera.position, centre, 0, 4, 4);
    EXPECT_TRUE(std::isfinite(odd.color.x) && std::isfinite(odd.color.y));
    shaderMode = 0;

    const TraceResult miss = traceAndShade(f, f.camera.position, {0, 1, 0}, 0, 4, 4);
    EXPECT_FALSE(miss.hit);
    EXPECT_DOUBLE_EQ(miss.color.z, 0.3);  // the background
}

TEST(RenderShading, AccessRecordDescribesTheSample) {
    auto scene = oneBall(9, 9);
    FrameState f;
    prepare(f, *scene);
    const Vec3 dir = rayThrough(f.camera, 4.5, 4.5);
    RayHit hit;
    ASSERT_TRUE(f.geometry.intersect(f.camera.position, dir, 0, 1e30, hit));
    ShaderAccess sa;
    fillShaderAccess(f, hit, f.camera.position, dir, 0, 4, 4, sa);
    EXPECT_EQ(sa.sx, 4);
    EXPECT_EQ(sa.objID, scene->objects[0]->id);
    EXPECT_NEAR(sa.wPos[2], -1, 1e-3);
    EXPECT_NEAR(sa.gNorm[2], -1, 0.05);  // facing the camera
    EXPECT_NEAR(sa.wNorm0[2], -1, 1e-3);
    EXPECT_NEAR(sa.cosine, 1, 1e-3);
    EXPECT_NEAR(sa.rayLength, hit.distance, 1e-12);
    EXPECT_EQ(sa.raySource[2], -5);
    EXPECT_NEAR(sa.weights[0] + sa.weights[1] + sa.weights[2], 1, 1e-6);
    EXPECT_EQ(sa.verts[3], nullptr);
    EXPECT_NE(sa.polygon, nullptr);
    EXPECT_EQ(sa.oXfrm[0], 1);
    EXPECT_EQ(sa.color[1], 0.5);
    EXPECT_TRUE(sa.illuminate && sa.rayTrace && sa.rayCast && sa.rayShade);
    EXPECT_GT(sa.spotSize, 0);

    // the host's ray functions, called from within shading
    ShadingScope scope(&f, 0, 4, 4);
    double to[3], color[3];
    EXPECT_TRUE(sa.illuminate(scene->lights[0]->id, sa.wPos, to, color));
    EXPECT_NEAR(to[2], 1, 1e-12);  // the way the sun's light travels: along its +Z
    const double behind[3] = {0, 0, 2};
    EXPECT_FALSE(sa.illuminate(scene->lights[0]->id, behind, to, color));  // in the ball's shadow
    EXPECT_TRUE(sa.illuminate(ITEM_INDIRECT_LIGHT, sa.wPos, to, color));
    EXPECT_NEAR(color[0], 0.2, 1e-12);
    EXPECT_EQ(to[1], -1);  // from above
    EXPECT_FALSE(sa.illuminate(0x777, sa.wPos, to, color));
    const double out[3] = {0, 0, -1}, in[3] = {0, 0, 1};
    EXPECT_LT(sa.rayCast(sa.wPos, out), 0);  // not its own surface
    // through the ball, along a ray that passes exactly through its corners
    EXPECT_NEAR(sa.rayCast(sa.wPos, in), 2, 1e-3);
    ShaderAccess next;
    EXPECT_NEAR(sa.rayShade(sa.wPos, in, &next), 2, 1e-3);
    EXPECT_EQ(next.bounces, 1);
}

TEST(RenderShading, OddFrameSizesShadeEveryPixel) {
    for (auto [w, h] : {std::pair{1, 1}, {1, 7}, {7, 1}, {33, 31}}) {
        auto scene = oneBall(w, h);
        FrameState f;
        prepare(f, *scene);
        FrameBuffer out;
        ASSERT_TRUE(shadeFrame(f, out, 2));
        EXPECT_EQ(out.width, w);
        EXPECT_EQ(out.red.size(), static_cast<size_t>(w * h));
        const size_t mid = out.index(w / 2, h / 2);
        EXPECT_EQ(out.alpha[mid], 1.0f) << w << "x" << h;
    }
}

struct FilterLog {
    std::vector<float> depth, rgba;
    int calls = 0;
} filterLog;

void probeFilter(Instance, const PixelAccess *pa) {
    ++filterLog.calls;
    float d = -1, c[4] = {-1, -1, -1, -1}, junk[2] = {5, 5};
    pa->getVal(BUFFER_DEPTH, 1, &d);
    pa->getVal(BUFFER_RGBA, 4, c);
    pa->getVal(77, 2, junk);  // an unknown buffer reads as zeros
    filterLog.depth.push_back(d);
    filterLog.rgba.insert(filterLog.rgba.end(), c, c + 4);
    EXPECT_EQ(junk[1], 0.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float w[4] = {nan, 0.5f, 0.25f, 1.0f};
    pa->setRGBA(w);
    pa->setRGBA(nullptr);
}

TEST(RenderShading, PixelAccessReadsAndWritesItsOwnPixel) {
    auto scene = oneBall(3, 2);
    FrameState f;
    prepare(f, *scene);
    FrameBuffer buf;
    ASSERT_TRUE(shadeFrame(f, buf, 1));
    const FrameBuffer before = buf;
    static ActiveHandler handler;
    handler.pixel.evaluate = probeFilter;
    const std::vector<LiveUse> filters{{nullptr, &handler, &handler}};
    filterLog = {};
    ASSERT_TRUE(runPixelFilters(f, filters, buf));
    ASSERT_EQ(filterLog.calls, 6);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(filterLog.depth[i], before.depth[i]);
        EXPECT_EQ(filterLog.rgba[4 * i], before.red[i]);
        EXPECT_EQ(filterLog.rgba[4 * i + 3], before.alpha[i]);
        EXPECT_EQ(buf.red[i], 0.0f);  // NaN written as 0
        EXPECT_EQ(buf.green[i], 0.5f);
    }
}

TEST(RenderShading, RaysOutsideTheIntersectorsRangeMissQuietly) {
    auto scene = oneBall(3, 2);
    FrameState f;
    prepare(f, *scene);
    RayHit hit;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(f.geometry.intersect({0, 0, -5}, {0, 0, 1}, 0, 1e30, hit));
    EXPECT_FALSE(f.geometry.intersect({0, 0, -1e19}, {0, 0, 1}, 0, 1e30, hit));
    EXPECT_FALSE(f.geometry.intersect({0, 0, -5}, {0, 0, 1e30}, 0, 1e30, hit));
    EXPECT_FALSE(f.geometry.intersect({0, 0, -5}, {0, 0, 1}, nan, 1e30, hit));
    EXPECT_FALSE(f.geometry.occluded({0, 0, -5}, {0, 0, 1}, 0, nan));
}

int imageCalls = 0;
void imageFilter(Instance, const FilterAccess *fa) {
    ++imageCalls;
    EXPECT_EQ(fa->getLine(99, 0), nullptr);
    EXPECT_EQ(fa->getLine(BUFFER_RED, -1), nullptr);
    EXPECT_EQ(fa->getLine(BUFFER_RED, fa->height), nullptr);
    const float rgb[3] = {1, 1, 1};
    fa->setRGB(-1, 0, rgb);  // outside: ignored
    fa->setRGB(fa->width, 0, rgb);
    const float *red = fa->getLine(BUFFER_RED, 0);
    const float r[3] = {red[0] + 0.25f, 0, 0};
    fa->setRGB(0, 0, r);
    EXPECT_EQ(fa->getLine(BUFFER_RED, 0)[0], red[0]);  // reads the image as it came
    fa->setAlpha(0, 0, 0.5f);
}

TEST(RenderShading, ImageFiltersChainTheirResults) {
    FrameBuffer buf;
    buf.resize(2, 2);
    static ActiveHandler handler;
    handler.image.process = imageFilter;
    const std::vector<LiveUse> filters(2, LiveUse{nullptr, &handler, &handler});
    imageCalls = 0;
    runImageFilters(filters, buf, 1, 0, 0);
    EXPECT_EQ(imageCalls, 2);
    EXPECT_EQ(buf.red[0], 0.5f);  // the second filter saw the first's result
    EXPECT_EQ(buf.alpha[0], 0.5f);
    EXPECT_EQ(buf.red[1], 0.0f);
}

}  // namespace
