// The module-wide registration of the current line tracer, which the edge
// shader's panel reads, and the frame time new-time publishes.
#include <gtest/gtest.h>

#include "module_base/current_tracer.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "tracer_p/line_tracer.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace {

using namespace qr;

class LineTracerRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        setEdition(&kLineEdition);  // the store names its blocks by edition
        currentTracer().makeCurrent(nullptr);
    }
    void TearDown() override { currentTracer().makeCurrent(nullptr); }
};

TEST_F(LineTracerRegistration, FirstCreatedInitialisedAndDestroyed) {
    Instance first = createLineTracer(nullptr, nullptr, nullptr);
    Instance second = createLineTracer(nullptr, nullptr, nullptr);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(currentTracer().get(), first);  // the first into an empty slot
    initLineTracer(second, 0);
    EXPECT_EQ(currentTracer().get(), second);  // rendering makes it current
    destroyLineTracer(second);
    EXPECT_EQ(currentTracer().get(), nullptr);  // none until another registers
    destroyLineTracer(first);
    EXPECT_EQ(currentTracer().get(), nullptr);
    Instance third = createLineTracer(nullptr, nullptr, nullptr);
    EXPECT_EQ(currentTracer().get(), third);
    destroyLineTracer(third);
    // Null instances are ignored.
    destroyLineTracer(nullptr);
    initLineTracer(nullptr, 0);
    EXPECT_EQ(currentTracer().get(), nullptr);
}

TEST_F(LineTracerRegistration, DefaultsAndFrameTime) {
    auto *t = static_cast<LineTracer *>(createLineTracer(nullptr, nullptr, nullptr));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->line_only, 0);
    EXPECT_EQ(t->norm_err, 0.15);
    EXPECT_EQ(t->dist_err, 0.02);
    EXPECT_EQ(newTimeLineTracer(t, 12, 0.4), nullptr);
    EXPECT_EQ(frameTime(), 0.4);
    EXPECT_STREQ(describeLineTracer(nullptr), "QM_Quillrim_P:Tracer");
    destroyLineTracer(t);
}

}  // namespace
