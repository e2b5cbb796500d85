// Whole frames of the stroke edition through the host records: new-time,
// TraceStep1's pass (rays shaded by the test's scene, which records cells as
// the edge shader does) and TraceStep2's process over the host's image.
#include <gtest/gtest.h>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/services/monitor_service.h"
#include "tests/host/stroke_tracer_fixture.h"

namespace stroketest {
namespace {

using imagetest::FilterImage;
using TraceStep2Host = StrokeTracerHost;

void expectCopiedThrough(const FilterImage &im) {
    ASSERT_TRUE(im.allWritten());
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            for (int c = 0; c < 4; ++c) ASSERT_EQ(im.output(x, y)[c], im.input(x, y)[c]) << x << "," << y;
}

// Pixels of row y left of column x whose colour is no longer white.
int markedLeftOf(const FilterImage &im, int x, int y) {
    int n = 0;
    for (int i = 0; i < x; ++i) n += im.output(i, y)[0] < 1.0f;
    return n;
}

class Frames : public TraceStep2Host {
protected:
    void SetUp() override {
        TraceStep2Host::SetUp();
        step1 = createStep1();
        step2 = createStep2();
        panel = panelFor(step1);
        ASSERT_NE(panel, nullptr);
        ASSERT_EQ(rendFuncs_.init(step1, 0), nullptr);
    }
    // A surface with the edge shader over the right part of the frame, from
    // grid column `left` on.
    void rightHalf(int left, float boost = 0.0f) {
        scene_ = [this, left, boost](int col, int) {
            SceneHit hit;
            if (col >= left) {
                hit.depth = 5.0;
                hit.shader = &shader;
                hit.boost = boost;
            }
            return hit;
        };
    }
    Instance step1 = nullptr, step2 = nullptr;
    XPanelID panel = nullptr;
    ShaderSettings shader;
};

TEST_F(Frames, TraceStep1NeverWritesAPixelAndTheEmptyFrameIsCopied) {
    EXPECT_EQ(renderPass(step1, 16, 9), 0);
    EXPECT_EQ(store()->passDone, 1);
    FilterImage im(16, 9);
    im.fillGradient();
    process(step2, im);
    expectCopiedThrough(im);
}

TEST_F(Frames, SurfacesWithoutTheEdgeShaderDrawNothing) {
    scene_ = [](int col, int row) {
        SceneHit hit;
        if ((col + row) % 5 != 0) hit.depth = 2.0 + col;  // steps everywhere, no shader
        return hit;
    };
    renderPass(step1, 12, 8);
    FilterImage im(12, 8);
    im.fillGradient();
    process(step2, im);
    expectCopiedThrough(im);
}

TEST_F(Frames, OutlineWidthFollowsBrushMaxAndBoost) {
    ASSERT_TRUE(minihost::xpanelSet(panel, "brush_squash", 1.0));
    ASSERT_TRUE(minihost::xpanelSet(panel, "only_line", int32_t(1)));
    ASSERT_TRUE(minihost::xpanelSet(panel, "aa_sample", int32_t(0)));
    // Strength 1 at the object's left column: R = 3 / 2 cells, so the centre
    // row reaches one pixel into the background.
    rightHalf(10);
    renderPass(step1, 20, 9);
    FilterImage im(20, 9);
    im.fillGradient();
    process(step2, im);
    EXPECT_EQ(markedLeftOf(im, 10, 4), 1);
    EXPECT_EQ(im.output(9, 4)[0], 0.0f);  // the stamp's centre row: black
    EXPECT_EQ(im.output(2, 4)[0], 1.0f);  // white far from the line
    EXPECT_EQ(im.output(2, 4)[3], im.input(2, 4)[3]);
    EXPECT_EQ(im.output(10, 4)[3], 1.0f);  // full coverage on the outline

    // Boost 1 doubles the diameter: three pixels into the background.
    Instance step1b = createStep1();
    step1Inst_.copy(step1b, step1);
    rendFuncs_.init(step1b, 0);
    minihost::discardRenderMemory();
    rendFuncs_.init(step1b, 0);
    rightHalf(10, 1.0f);
    renderPass(step1b, 20, 9);
    FilterImage boosted(20, 9);
    boosted.fillGradient();
    process(step2, boosted);
    EXPECT_EQ(markedLeftOf(boosted, 10, 4), 3);
}

TEST_F(Frames, LineColourIsTheRecordedOneOverTheImage) {
    ASSERT_TRUE(minihost::xpanelSet(panel, "brush_squash", 1.0));
    ASSERT_TRUE(minihost::xpanelSet(panel, "aa_sample", int32_t(0)));
    scene_ = [this](int col, int) {
        SceneHit hit;
        if (col >= 6) {
            hit.depth = 5.0;
            hit.shader = &shader;
            hit.color[0] = 255;
        }
        return hit;
    };
    renderPass(step1, 12, 5);
    FilterImage im(12, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 12; ++x) im.setPixel(x, y, 0.0f, 0.5f, 0.0f, 0.25f);
    process(step2, im);
    const float *line = im.output(6, 2);
    EXPECT_GT(line[0], 0.99f);  // red lines over a green image
    EXPECT_LT(line[1], 0.01f);
    EXPECT_EQ(line[3], 1.0f);  // alpha 0.25 plus full coverage, saturated
    EXPECT_EQ(im.output(1, 2)[1], 0.5f);
}

TEST_F(Frames, AbortLeavesThisAndLaterFramesCopiedThrough) {
    rightHalf(8);
    minihost::setMonitorAbortAtStep(3);
    renderPass(step1, 16, 8);
    ASSERT_NE(store(), nullptr);
    EXPECT_EQ(store()->failed, 1);
    EXPECT_EQ(store()->passDone, 0);
    minihost::setMonitorAbortAtStep(0);
    for (int frame = 0; frame < 3; ++frame) {
        if (frame > 0) renderPass(step1, 16, 8, frame / 30.0);
        FilterImage im(16, 8);
        im.fillGradient();
        process(step2, im);
        expectCopiedThrough(im);
    }
    EXPECT_TRUE(minihost::recordedMessages().empty());  // an abort shows no message
}

TEST_F(Frames, FieldOfViewOfPiCastsNoRays) {
    rightHalf(4);
    hfov_ = 3.141592653589793;
    renderPass(step1, 10, 6);
    for (int i = 0; i < store()->gridWidth * store()->gridHeight; ++i) ASSERT_EQ(store()->buff2[i], -1.0f);
    FilterImage im(10, 6);
    im.fillGradient();
    process(step2, im);
    expectCopiedThrough(im);
}

TEST_F(Frames, ALoneSampleIsIsolatedAndDrawsNothing) {
    scene_ = [this](int col, int row) {
        SceneHit hit;
        if (col == 7 && row == 5) {
            hit.depth = 3.0;
            hit.shader = &shader;
        }
        return hit;
    };
    renderPass(step1, 8, 6);
    EXPECT_EQ(store()->buff1[5 * store()->gridWidth + 7] & 1, 1);
    FilterImage im(8, 6);
    im.fillGradient();
    process(step2, im);
    expectCopiedThrough(im);
}

TEST_F(Frames, StoreBufferFailureDisablesTheTracerWithOneMessage) {
    minihost::discardRenderMemory();
    rendFuncs_.init(step1, 0);
    minihost::setRenderMemoryCreateFailsFor("QM's Quillrim_S STINFO:Buff3");
    rightHalf(4);
    renderPass(step1, 10, 6);
    renderPass(step1, 10, 6);
    ASSERT_NE(store(), nullptr);
    EXPECT_NE(store()->failed, 0);
    FilterImage im(10, 6);
    im.fillGradient();
    process(step2, im);
    expectCopiedThrough(im);
    const auto messages = minihost::recordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].line2, "Not enough memory for temporary buffer.");
}

TEST_F(TraceStep2Host, WithoutTraceStep1TheFrameIsCopied) {
    Instance step2 = createStep2();
    FilterImage im(7, 3);
    im.fillGradient();
    process(step2, im);
    expectCopiedThrough(im);
}

}  // namespace
}  // namespace stroketest
