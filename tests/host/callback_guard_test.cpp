// No exception crosses into the host. A host service that throws inside a
// module's callback meets the guard at the boundary: the callback gives its
// fallback (nothing done, nothing drawn, the frame copied through, the server
// refused), and the module works on afterwards, with no lock left held.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/access.h"
#include "host/handler.h"
#include "host/item_services.h"
#include "host/render_memory.h"
#include "minihost/core/loader.h"
#include "minihost/core/render_memory_blocks.h"
#include "tests/unit/filter_image.h"

namespace {

bool gHostThrows = false;

[[noreturn]] void hostFault() { throw std::runtime_error("the host failed"); }

int frameWidth() {
    if (gHostThrows) hostFault();
    return 4;
}
int frameHeight() { return 3; }
double framesPerSecond() { return 24.0; }
ItemID renderCamera(double) { return ITEM_NULL; }
SceneInfo gSceneInfo = {"guard test", "", frameWidth, frameHeight, framesPerSecond, renderCamera};

ItemID firstItem(int, ItemID) {
    if (gHostThrows) hostFault();
    return ITEM_NULL;
}
ItemInfo gItemInfo = [] {
    ItemInfo info{};
    info.first = firstItem;
    return info;
}();

void *lookup(const char *name, int) {
    if (std::strcmp(name, SERVICE_SCENE_INFO) == 0) return &gSceneInfo;
    if (std::strcmp(name, SERVICE_ITEM_INFO) == 0) return &gItemInfo;
    if (std::strcmp(name, SERVICE_RENDER_MEMORY) == 0) return minihost::renderMemoryRecord();
    return nullptr;
}
void *throwingLookup(const char *, int) { hostFault(); }

// One handler activation's records.
struct Handler {
    InstanceFuncs inst{};
    ItemFuncs item{};
    RenderFuncs rend{};
    ShaderHandler shader{&inst, &item, &rend, nullptr, nullptr};
    PixelFilterHandler pixel{&inst, &item, &rend, nullptr, nullptr};
    ImageFilterHandler image{&inst, &item, nullptr, nullptr};
};

std::unique_ptr<minihost::LoadedModule> open(const char *path) {
    std::string error;
    auto module = minihost::LoadedModule::open(path, error);
    EXPECT_TRUE(module) << error;
    return module;
}

class CallbackGuard : public ::testing::Test {
protected:
    void SetUp() override { minihost::discardRenderMemory(); }
    void TearDown() override {
        gHostThrows = false;
        minihost::discardRenderMemory();
    }
};

// getLine fails once, as a host might mid-frame, then works.
const float *(*gRealGetLine)(int, int) = nullptr;
int gGetLineFaults = 0;
const float *getLineFailingOnce(int type, int y) {
    if (gGetLineFaults-- > 0) hostFault();
    return gRealGetLine(type, y);
}

TEST_F(CallbackGuard, TheStrokeEditionGivesItsFallbacksAndWorksOn) {
    auto module = open(QR_MODULE_S);
    ASSERT_TRUE(module);
    Handler step1, step2, shader;
    ASSERT_EQ(module->activateWith(CLASS_PIXEL_FILTER_HANDLER, "QM_Quillrim_S:TraceStep1", HANDLER_VERSION,
                                   lookup, &step1.pixel),
              AFUNC_OK);
    ASSERT_EQ(module->activateWith(CLASS_IMAGE_FILTER_HANDLER, "QM_Quillrim_S:TraceStep2", HANDLER_VERSION,
                                   lookup, &step2.image),
              AFUNC_OK);
    ASSERT_EQ(module->activateWith(CLASS_SHADER_HANDLER, "QM_Quillrim_S:Shader", HANDLER_VERSION, lookup,
                                   &shader.shader),
              AFUNC_OK);
    Instance tracer = step1.inst.create(nullptr, nullptr, nullptr);
    Instance surface = shader.inst.create(nullptr, nullptr, nullptr);
    ASSERT_TRUE(tracer && surface);

    // New-time while the frame size cannot be had: no store, and the store
    // lock is free again for the next frame.
    gHostThrows = true;
    EXPECT_EQ(step1.rend.newTime(tracer, 1, 0.0), nullptr);
    EXPECT_EQ(minihost::renderMemoryRecord()->find("QM's Quillrim_S STINFO"), nullptr);
    // The shader's snapshot refresh meets a failing item walk; the snapshot
    // lock is free again too.
    EXPECT_EQ(shader.rend.newTime(surface, 1, 0.0), nullptr);
    gHostThrows = false;
    EXPECT_EQ(step1.rend.newTime(tracer, 2, 0.1), nullptr);
    EXPECT_NE(minihost::renderMemoryRecord()->find("QM's Quillrim_S STINFO"), nullptr);
    EXPECT_EQ(shader.rend.newTime(surface, 2, 0.1), nullptr);

    // TraceStep2's process cut short copies the frame through unchanged.
    imagetest::FilterImage image(4, 3);
    image.fillGradient();
    FilterAccess fa = *image.access();
    gRealGetLine = fa.getLine;
    fa.getLine = getLineFailingOnce;
    gGetLineFaults = 1;
    step2.image.process(nullptr, &fa);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(image.output(x, y)[c], image.input(x, y)[c]) << x << "," << y;

    // An activation whose lookup throws refuses the server.
    Handler refused;
    EXPECT_EQ(module->activateWith(CLASS_PIXEL_FILTER_HANDLER, "QM_Quillrim_S:TraceStep1", HANDLER_VERSION,
                                   throwingLookup, &refused.pixel),
              AFUNC_BADVERSION);

    shader.inst.destroy(surface);
    step1.inst.destroy(tracer);
}

int gWrites = 0;
void getValThrowing(int, int, float *) { hostFault(); }
void countWrite(const float *) { ++gWrites; }

TEST_F(CallbackGuard, TheLineTracerDrawsNothingWhenThePixelCannotBeRead) {
    auto module = open(QR_MODULE_P);
    ASSERT_TRUE(module);
    Handler tracer;
    ASSERT_EQ(module->activateWith(CLASS_PIXEL_FILTER_HANDLER, "QM_Quillrim_P:Tracer", HANDLER_VERSION,
                                   lookup, &tracer.pixel),
              AFUNC_OK);
    Instance inst = tracer.inst.create(nullptr, nullptr, nullptr);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(tracer.rend.newTime(inst, 1, 0.0), nullptr);
    PixelAccess pa{};
    pa.sx = 1;
    pa.sy = 1;
    pa.getVal = getValThrowing;
    pa.setRGBA = countWrite;
    gWrites = 0;
    tracer.pixel.evaluate(inst, &pa);
    EXPECT_EQ(gWrites, 0);
    tracer.inst.destroy(inst);
}

}  // namespace
