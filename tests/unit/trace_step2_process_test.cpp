// TraceStep2's process over a store in minihost's render memory: the
// pass-through copy in every case that draws nothing, the composite over the
// image and over white, frames larger than the grid, and the draw-buffer
// failure with its single message.
#include <gtest/gtest.h>

#include <cmath>

#include "store/stroke_store.h"
#include "store_test_host.h"
#include "tests/unit/failing_allocations.h"
#include "tests/unit/filter_image.h"
#include "tests/unit/plain_stroke_reference.h"
#include "tests/unit/stroke_store_builder.h"
#include "tracer_s/trace_step2_process.h"

namespace qr {
namespace {

using alloctest::FailingAllocations;
using imagetest::FilterImage;
using storetest::Hit;
using tracer_s::TraceStep1Instance;

class TraceStep2Process : public testing::StoreHost {
protected:
    TraceStep2Process() : StoreHost(kStrokeEdition) {}

    // A store for a width x height frame with factor b, published with the
    // test's settings.
    StrokeStoreHeader *makeStore(int width, int height, int b) {
        minihost::setBasicFrameSize(width, height);
        clearStrokeStore(b);
        writeTracerPointer(&settings_);
        return findStrokeStore();
    }

    static void expectCopiedThrough(const FilterImage &im) {
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(im.output(x, y)[c], im.input(x, y)[c]) << x << ", " << y << " channel " << c;
    }

    TraceStep1Instance settings_;
};

TEST_F(TraceStep2Process, FramesWithoutStrokesAreCopiedExactly) {
    FilterImage im(13, 7);
    im.fillGradient();
    // No TraceStep1 instance, no store.
    tracer_s::processFrame(im.access());
    expectCopiedThrough(im);

    // A store as the clear leaves it (the pass did not run), b = 1, 2, 3.
    for (int b = 1; b <= 3; ++b) {
        resetHost();
        makeStore(13, 7, b);
        FilterImage frame(13, 7);
        frame.fillGradient();
        tracer_s::processFrame(frame.access());
        expectCopiedThrough(frame);
    }

    // The failure flag set: copied through without looking at the store.
    StrokeStoreHeader *h = makeStore(13, 7, 2);
    ASSERT_NE(h, nullptr);
    h->failed = 1;
    FilterImage failed(13, 7);
    failed.fillGradient();
    tracer_s::processFrame(failed.access());
    expectCopiedThrough(failed);
}

TEST_F(TraceStep2Process, OnlyLinesWithoutEdgesGivesWhiteWithAlphaKept) {
    makeStore(9, 5, 2);
    settings_.only_line = 1;
    FilterImage im(9, 5);
    im.fillGradient();
    tracer_s::processFrame(im.access());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(im.output(x, y)[0], 1.0f);
            EXPECT_EQ(im.output(x, y)[1], 1.0f);
            EXPECT_EQ(im.output(x, y)[2], 1.0f);
            EXPECT_EQ(im.output(x, y)[3], im.input(x, y)[3]);
        }
}

TEST_F(TraceStep2Process, OutlineIsCompositedAtPixelResolution) {
    // A 4 x 4 pixel square at b = 2 in an 12 x 10 frame, black lines at full
    // strength, drawn over a grey image.
    StrokeStoreHeader *h = makeStore(12, 10, 2);
    ASSERT_NE(h, nullptr);
    storetest::Shader shader = storetest::makeShader(1);
    storetest::StoreBuilder cells(h->gridWidth, h->gridHeight, 2);
    Hit hit;
    hit.shader = &shader;
    hit.depth = 4.0f;
    cells.fill(8, 6, 15, 13, hit);
    cells.markIsolated();
    cells.copyInto(*h);
    settings_.noise_size = 0.0;

    FilterImage im(12, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) im.setPixel(x, y, 0.5f, 0.5f, 0.5f, 0.0f);
    tracer_s::processFrame(im.access());
    ASSERT_TRUE(im.allWritten());
    // Far from the square: untouched. On the outline: darker, with alpha.
    EXPECT_EQ(im.output(0, 0)[0], 0.5f);
    EXPECT_EQ(im.output(0, 0)[3], 0.0f);
    EXPECT_LT(im.output(4, 3)[0], 0.5f);
    EXPECT_GT(im.output(4, 3)[3], 0.0f);
    EXPECT_LE(im.output(4, 3)[3], 1.0f);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            for (int c = 0; c < 4; ++c) {
                EXPECT_TRUE(std::isfinite(im.output(x, y)[c]));  // no stale line was read
                EXPECT_GE(im.output(x, y)[c], 0.0f);
            }
    // Black over grey: the colour drops exactly as the coverage rises.
    const float *p = im.output(4, 3);
    EXPECT_NEAR(p[0], 0.5 * (1.0 - p[3]), 1e-6);
}

TEST_F(TraceStep2Process, WholeFrameEqualsThePlainFormOnASceneLikeStore) {
    for (int b = 1; b <= 3; ++b) {
        for (int onlyLine = 0; onlyLine < 2; ++onlyLine) {
            resetHost();
            StrokeStoreHeader *h = makeStore(40, 28, b);
            ASSERT_NE(h, nullptr);
            settings_.only_line = onlyLine;
            storetest::SceneShaders shaders;
            storetest::StoreBuilder cells(h->gridWidth, h->gridHeight, b);
            storetest::fillSceneLike(cells, shaders, 3u + uint32_t(b), 30);
            cells.copyInto(*h);

            FilterImage im(40, 28);
            im.fillGradient();
            tracer_s::processFrame(im.access());

            std::vector<float> expected(4 * 40 * 28);
            for (int y = 0; y < 28; ++y)
                for (int x = 0; x < 40; ++x)
                    for (int c = 0; c < 4; ++c) expected[4 * (size_t(y) * 40 + x) + c] = im.input(x, y)[c];
            const std::vector<uint8_t> draw = plainref::plainDrawBuffer(cells.view(), settings_);
            plainref::plainComposite(expected, 40, 28, draw, h->gridWidth, b, onlyLine != 0);
            size_t stroked = 0;
            for (int y = 0; y < 28; ++y)
                for (int x = 0; x < 40; ++x) {
                    stroked += expected[4 * (size_t(y) * 40 + x) + 3] != im.input(x, y)[3];
                    for (int c = 0; c < 4; ++c)
                        ASSERT_EQ(im.output(x, y)[c], expected[4 * (size_t(y) * 40 + x) + c])
                            << "b " << b << " pixel " << x << ", " << y << " channel " << c;
                }
            EXPECT_GT(stroked, 20u);
        }
    }
}

TEST_F(TraceStep2Process, ImageLargerThanTheGridGetsNoStrokesOutsideIt) {
    // The store was made for 6 x 4; the frame is 10 x 7. Pixels the grid
    // covers are composited, the others keep their background and alpha, and
    // nothing is read beyond the draw buffer.
    StrokeStoreHeader *h = makeStore(6, 4, 3);
    ASSERT_NE(h, nullptr);
    storetest::Shader shader = storetest::makeShader(1);
    storetest::StoreBuilder cells(h->gridWidth, h->gridHeight, 3);
    Hit hit;
    hit.shader = &shader;
    hit.depth = 4.0f;
    cells.fill(9, 3, h->gridWidth - 1, h->gridHeight - 1, hit);
    cells.markIsolated();
    cells.copyInto(*h);

    FilterImage im(10, 7);
    im.fillGradient();
    tracer_s::processFrame(im.access());
    ASSERT_TRUE(im.allWritten());
    bool strokes = false;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool covered = x < 6 && y < 4;
            if (covered) {
                strokes = strokes || im.output(x, y)[3] != im.input(x, y)[3];
                continue;
            }
            for (int c = 0; c < 4; ++c) EXPECT_EQ(im.output(x, y)[c], im.input(x, y)[c]) << x << "," << y;
        }
    EXPECT_TRUE(strokes);

    // A frame smaller than the grid reads only its own part.
    FilterImage small(4, 2);
    small.fillGradient();
    tracer_s::processFrame(small.access());
    EXPECT_TRUE(small.allWritten());
}

TEST_F(TraceStep2Process, DrawBufferFailureReportsOnceAndDisablesTheTracer) {
    StrokeStoreHeader *h = makeStore(8, 6, 2);
    ASSERT_NE(h, nullptr);
    FilterImage im(8, 6);
    im.fillGradient();
    {
        FailingAllocations shortOfMemory(4 * 16 * 12);  // the draw buffer, at least
        tracer_s::processFrame(im.access());
        EXPECT_EQ(shortOfMemory.refused(), 1u);
    }
    expectCopiedThrough(im);
    EXPECT_EQ(h->failed, 1);
    auto messages = minihost::recordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, "error");
    EXPECT_EQ(messages[0].line1, "QM_Quillrim_S");
    EXPECT_EQ(messages[0].line2, "Not enough memory for draw buffer.");

    // Later frames: copied through, no further message, even with memory back.
    for (int frame = 0; frame < 2; ++frame) {
        clearStrokeStore(2);
        FilterImage later(8, 6);
        later.fillGradient();
        tracer_s::processFrame(later.access());
        expectCopiedThrough(later);
    }
    EXPECT_EQ(minihost::recordedMessages().size(), 1u);
}

TEST_F(TraceStep2Process, DamagedHeaderIsNotRead) {
    StrokeStoreHeader *h = makeStore(8, 6, 2);
    ASSERT_NE(h, nullptr);
    h->oversampling = 0;  // no factor: nothing can be composited
    FilterImage im(8, 6);
    im.fillGradient();
    tracer_s::processFrame(im.access());
    expectCopiedThrough(im);
    h->oversampling = 2;
    h->buff4 = nullptr;
    FilterImage again(8, 6);
    again.fillGradient();
    tracer_s::processFrame(again.access());
    expectCopiedThrough(again);
    tracer_s::processFrame(nullptr);  // no record at all: nothing happens
}

}  // namespace
}  // namespace qr
