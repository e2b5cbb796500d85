// What the edge shader's evaluate records, and what it changes in the shaded
// sample, in both editions: the pass and bounce rules, colour bytes, normals,
// the camera depth, cells outside the store, the last sample owning a cell,
// and the rim painted on objects that are not in the scene.
#include <algorithm>

#include "tests/host/edge_shader_fixture.h"

namespace shadertest {
namespace {

bool sameSample(const ShaderAccess &a, const ShaderAccess &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

size_t cellsOwned(const StrokeHeader &h) {
    return size_t(std::count_if(h.buff6, h.buff6 + h.gridWidth * h.gridHeight, [](void *p) { return p; }));
}
size_t cellsOwned(const LineHeader &h) {
    return size_t(std::count_if(h.buff1, h.buff1 + h.width * h.height, [](void *p) { return p; }));
}

TEST(StrokeRecording, RecordsOnlyDuringThePassAndUpToOneBounce) {
    EdgeShaderScene s(Ed::Stroke, R"({"lcol": [1.2, 1.0, 0.5]})");
    Instance inst = s.shader();
    s.newFrame();
    StrokeHeader *h = s.strokeStore();
    ASSERT_NE(h, nullptr);

    // Outside the pass: nothing recorded, the sample untouched.
    ShaderAccess sa = s.sample(1, 1);
    const ShaderAccess before = sa;
    s.evaluate(inst, sa);
    EXPECT_TRUE(sameSample(sa, before));
    EXPECT_EQ(cellsOwned(*h), 0u);

    h->passRunning = 1;
    h->currentColumn = 5;
    h->currentRow = 4;
    const size_t i = size_t(4 * h->gridWidth + 5);

    // Bounce 2: not recorded, not blackened.
    sa = s.sample(1, 1);
    sa.bounces = 2;
    s.evaluate(inst, sa);
    EXPECT_EQ(cellsOwned(*h), 0u);
    EXPECT_DOUBLE_EQ(sa.diffuse, 0.7);

    // Bounce 1: recorded into the pass's cell, and the sample turns black.
    sa = s.sample(1, 1);
    sa.bounces = 1;
    s.evaluate(inst, sa);
    EXPECT_EQ(h->buff6[i], inst);
    EXPECT_EQ(cellsOwned(*h), 1u);
    EXPECT_EQ(h->buff4[3 * i], 255);              // 1.2
    EXPECT_EQ(h->buff4[3 * i + 1], 255);          // 1.0
    EXPECT_EQ(h->buff4[3 * i + 2], 127);          // 0.5
    EXPECT_FLOAT_EQ(h->buff3[3 * i + 2], -1.0f);  // (0, 0, -2) normalised
    EXPECT_FLOAT_EQ(h->buff5[i], 0.0f);
    EXPECT_DOUBLE_EQ(sa.diffuse, 0.0);
    EXPECT_DOUBLE_EQ(sa.specular, 0.0);
    EXPECT_DOUBLE_EQ(sa.mirror, 0.0);
    EXPECT_DOUBLE_EQ(sa.replacePercentage, 1.0);
    EXPECT_DOUBLE_EQ(sa.replaceColor[0] + sa.replaceColor[1] + sa.replaceColor[2], 0.0);

    // A zero normal records (0, 0, 0); the later sample owns the cell.
    Instance other = s.create();
    s.set(other, {{"lcol", {0.0, 0.0, 0.0}}, {"boost", 0.5}});
    sa = s.sample(1, 1);
    sa.wNorm0[0] = sa.wNorm0[1] = sa.wNorm0[2] = 0.0;
    s.evaluate(other, sa);
    EXPECT_EQ(h->buff6[i], other);
    EXPECT_EQ(h->buff4[3 * i] + h->buff4[3 * i + 1] + h->buff4[3 * i + 2], 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(h->buff3[3 * i + size_t(k)], 0.0f);
    EXPECT_FLOAT_EQ(h->buff5[i], 0.5f);
    // The depth is the pass's to write.
    EXPECT_LT(h->buff2[i], 0.0f);

    // A current cell outside the grid is not recorded and the sample is kept.
    for (auto [col, row] : {std::pair{h->gridWidth, 0}, std::pair{0, h->gridHeight}, std::pair{-1, 0}}) {
        h->currentColumn = col;
        h->currentRow = row;
        sa = s.sample(1, 1);
        const ShaderAccess kept = sa;
        s.evaluate(inst, sa);
        EXPECT_TRUE(sameSample(sa, kept));
    }
    EXPECT_EQ(cellsOwned(*h), 1u);

    // A store that failed records nothing.
    h->currentColumn = 0;
    h->currentRow = 0;
    h->failed = 1;
    sa = s.sample(1, 1);
    s.evaluate(inst, sa);
    EXPECT_EQ(cellsOwned(*h), 1u);
    h->failed = 0;
    h->passRunning = 0;
}

TEST(LineRecording, RecordsCameraSamplesAtTheirPixelWithTheCameraDepth) {
    EdgeShaderScene s(Ed::Line, R"({"lcol": [0.0, 0.5, 1.0], "lpow": 0.8})");
    Instance inst = s.shader();
    s.newFrame();
    LineHeader *h = s.lineStore();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(h->width, 32);

    ShaderAccess sa = s.sample(7, 5);
    sa.bounces = 1;
    s.evaluate(inst, sa);
    EXPECT_EQ(cellsOwned(*h), 0u);

    sa = s.sample(7, 5);
    const ShaderAccess before = sa;
    s.evaluate(inst, sa);
    EXPECT_TRUE(sameSample(sa, before));  // the line edition never changes the sample here
    const size_t i = size_t(5 * h->width + 7);
    EXPECT_EQ(h->buff1[i], inst);
    EXPECT_FLOAT_EQ(h->buff2[i], 4.0f);  // camera at z = -5 looking along +z, sample at z = -1
    EXPECT_FLOAT_EQ(h->buff3[3 * i + 2], -1.0f);
    EXPECT_EQ(h->buff4[3 * i], 0);
    EXPECT_EQ(h->buff4[3 * i + 1], 127);
    EXPECT_EQ(h->buff4[3 * i + 2], 255);
    EXPECT_FLOAT_EQ(h->buff5[i], 0.8f);

    // The later sample owns the cell.
    Instance other = s.create();
    sa = s.sample(7, 5);
    sa.wPos[2] = 1.0;
    s.evaluate(other, sa);
    EXPECT_EQ(h->buff1[i], other);
    EXPECT_FLOAT_EQ(h->buff2[i], 6.0f);
    EXPECT_FLOAT_EQ(h->buff5[i], 1.0f);

    // Pixels outside the store are not written.
    for (auto [x, y] : {std::pair{32, 0}, std::pair{0, 24}, std::pair{-1, 3}, std::pair{3, -1}}) {
        sa = s.sample(x, y);
        s.evaluate(inst, sa);
    }
    EXPECT_EQ(cellsOwned(*h), 1u);
}

TEST(NonSceneRim, StrokeEditionPaintsTheLineColourAtGrazingAngles) {
    EdgeShaderScene s(Ed::Stroke, R"({"lcol": [0.2, 0.4, 0.6]})");
    s.newFrame();
    ShaderAccess sa = s.sample(0, 0);
    sa.objID = 0x7FFFFFF0;  // no item of the scene
    sa.cosine = 0.25;
    const ShaderAccess before = sa;
    s.evaluate(s.shader(), sa);
    EXPECT_TRUE(sameSample(sa, before));
    sa.cosine = 0.2;
    s.evaluate(s.shader(), sa);
    EXPECT_DOUBLE_EQ(sa.replacePercentage, 1.0);
    EXPECT_DOUBLE_EQ(sa.replaceColor[0], 0.2);
    EXPECT_DOUBLE_EQ(sa.replaceColor[1], 0.4);
    EXPECT_DOUBLE_EQ(sa.replaceColor[2], 0.6);
    EXPECT_EQ(cellsOwned(*s.strokeStore()), 0u);
}

TEST(NonSceneRim, LineEditionLaysTheLineOverEarlierReplacements) {
    EdgeShaderScene s(Ed::Line, R"({"lcol": [1.0, 0.0, 0.0], "lpow": 0.0})");
    s.newFrame();
    ShaderAccess sa = s.sample(0, 0);
    sa.objID = 0x7FFFFFF0;
    sa.cosine = 0.2;
    // A = 0 and no earlier replacement: D = 0, nothing changes.
    const ShaderAccess before = sa;
    s.evaluate(s.shader(), sa);
    EXPECT_TRUE(sameSample(sa, before));

    // A = 1: the line colour at 100 %.
    s.set(s.shader(), {{"lpow", 1.0}});
    sa.replacePercentage = 0.5;
    sa.replaceColor[1] = 1.0;
    s.evaluate(s.shader(), sa);
    EXPECT_DOUBLE_EQ(sa.replacePercentage, 1.0);
    EXPECT_DOUBLE_EQ(sa.replaceColor[0], 1.0);
    EXPECT_DOUBLE_EQ(sa.replaceColor[1], 0.0);

    // A = 0.5 over P0 = 0.5 of green: D = 0.75, colour (0.5 R + 0.25 G) / 0.75.
    s.set(s.shader(), {{"lpow", 0.5}});
    sa = s.sample(0, 0);
    sa.objID = 0x7FFFFFF0;
    sa.cosine = 0.1;
    sa.replacePercentage = 0.5;
    sa.replaceColor[1] = 1.0;
    s.evaluate(s.shader(), sa);
    EXPECT_DOUBLE_EQ(sa.replacePercentage, 0.75);
    EXPECT_DOUBLE_EQ(sa.replaceColor[0], 0.5 / 0.75);
    EXPECT_DOUBLE_EQ(sa.replaceColor[1], 0.25 / 0.75);
    // cosine 0.25 is not grazing.
    sa.cosine = 0.25;
    const ShaderAccess kept = sa;
    s.evaluate(s.shader(), sa);
    EXPECT_TRUE(sameSample(sa, kept));
    EXPECT_EQ(cellsOwned(*s.lineStore()), 0u);
}

TEST(Recording, WithoutTheStoreOrServicesNothingHappens) {
    EdgeShaderScene s(Ed::Line);
    // No new-time yet: no store, nothing to record into.
    minihost::discardRenderMemory();
    ShaderAccess sa = s.sample(1, 1);
    const ShaderAccess before = sa;
    s.evaluate(s.shader(), sa);
    EXPECT_TRUE(sameSample(sa, before));
    EXPECT_EQ(s.lineStore(), nullptr);
    // Null records are refused.
    s.handler().evaluate(s.shader(), nullptr);
    s.handler().evaluate(nullptr, &sa);
    EXPECT_TRUE(sameSample(sa, before));
}

}  // namespace
}  // namespace shadertest

namespace shadertest {
namespace {

TEST(AnimatedLineSettings, TheRecordedColourAndDensityFollowTheirKeysOverFrames) {
    EdgeShaderScene s(Ed::Line, R"({"lcol": {"keys": [[1, [1.0, 0.0, 0.0]], [3, [0.0, 0.0, 1.0]]]},
                                    "lpow": {"keys": [[1, 0.2], [3, 0.6]]}})");
    const int expectedRed[] = {255, 127, 0};
    const float expectedDensity[] = {0.2f, 0.4f, 0.6f};
    for (int frame = 1; frame <= 3; ++frame) {
        s.newFrame(frame);
        LineHeader *h = s.lineStore();
        ASSERT_NE(h, nullptr);
        ShaderAccess sa = s.sample(2, 2);
        s.evaluate(s.shader(), sa);
        const size_t i = size_t(2 * h->width + 2);
        EXPECT_NEAR(h->buff4[3 * i], expectedRed[frame - 1], 1) << "frame " << frame;
        EXPECT_NEAR(h->buff5[i], expectedDensity[frame - 1], 1e-6) << "frame " << frame;
    }
}

}  // namespace
}  // namespace shadertest
