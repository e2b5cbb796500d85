#include "tests/host/stroke_tracer_fixture.h"

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/services/core_services.h"
#include "minihost/services/monitor_service.h"
#include "minihost/states/memory_states.h"

namespace stroketest {
namespace {

// Host records carry no user data: the running fixture is reached globally.
StrokeTracerHost *gHost = nullptr;
std::function<SceneHit(int, int)> *gScene = nullptr;
double *gFov[2] = {nullptr, nullptr};
int gPixelWrites = 0;

constexpr ItemID kCamera = 0x30000001;

ItemID renderCamera(double) { return kCamera; }
int frameWidth() { return minihost::basicSceneInfoRecord()->frameWidth(); }
int frameHeight() { return minihost::basicSceneInfoRecord()->frameHeight(); }
double fps() { return 30.0; }
SceneInfo gSceneInfo = {"stroke test", "", frameWidth, frameHeight, fps, renderCamera};

void itemParam(ItemID id, int code, double, double v[3]) {
    if (id != kCamera) return;
    const double axes[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, -4}};
    const int which = code == ITEM_PARAM_RIGHT        ? 0
                      : code == ITEM_PARAM_UP         ? 1
                      : code == ITEM_PARAM_FORWARD    ? 2
                      : code == ITEM_PARAM_W_POSITION ? 3
                                                      : -1;
    if (which >= 0)
        for (int k = 0; k < 3; ++k) v[k] = axes[which][k];
}
ItemInfo gItemInfo = {};

void fovAngles(ItemID, double, double *h, double *v) {
    *h = *gFov[0];
    *v = *gFov[1];
}
CameraInfo gCameraInfo = {fovAngles};

StoreHeader *findStore() {
    return static_cast<StoreHeader *>(minihost::renderMemoryRecord()->find(kHeaderName));
}

// The scene shades the cell the pass names, recording it as the edge shader
// records a sample while the pass runs.
double rayShade(const double[3], const double[3], ShaderAccess *) {
    StoreHeader *h = findStore();
    if (!h || !gScene || !*gScene) return -1.0;
    const SceneHit hit = (*gScene)(h->currentColumn, h->currentRow);
    if (hit.depth >= 0.0 && hit.shader && h->passRunning) {
        const size_t i = size_t(h->currentRow) * size_t(h->gridWidth) + size_t(h->currentColumn);
        h->buff6[i] = const_cast<ShaderSettings *>(hit.shader);
        h->buff3[3 * i + 2] = -1.0f;
        for (int c = 0; c < 3; ++c) h->buff4[3 * i + c] = hit.color[c];
        h->buff5[i] = hit.boost;
    }
    return hit.depth;
}

void getVal(int, int num, float *out) {
    for (int k = 0; k < num; ++k) out[k] = 0.0f;
}
void setRGBA(const float *) { ++gPixelWrites; }
void setVal(int, int, const float *) { ++gPixelWrites; }

}  // namespace

std::unique_ptr<minihost::LoadedModule> StrokeTracerHost::module_;

void StrokeTracerHost::SetUpTestSuite() {
    std::string error;
    module_ = minihost::LoadedModule::open(QR_MODULE_S, error);
    ASSERT_TRUE(module_) << error;
}

void StrokeTracerHost::TearDownTestSuite() { module_.reset(); }

void StrokeTracerHost::SetUp() {
    ASSERT_TRUE(module_);
    gHost = this;
    gScene = &scene_;
    gFov[0] = &hfov_;
    gFov[1] = &vfov_;
    gItemInfo.param = itemParam;
    scene_ = [](int, int) { return SceneHit{}; };
    minihost::installCoreServices();
    minihost::installXPanelService();
    auto &reg = minihost::registry();
    reg.provide(SERVICE_SCENE_INFO, &gSceneInfo);
    reg.provide(SERVICE_ITEM_INFO, &gItemInfo);
    reg.provide(SERVICE_CAMERA_INFO, &gCameraInfo);
    reg.provide(SERVICE_MONITOR, minihost::monitorRecord());
    minihost::setMonitorAbortAtStep(0);
    minihost::clearMonitorEvents();
    minihost::discardRenderMemory();
    minihost::clearRecordedMessages();
    minihost::setMessagesQuiet(true);
    minihost::clearXPanels();
    activate();
}

void StrokeTracerHost::TearDown() {
    for (auto &[funcs, inst] : live_) funcs->destroy(inst);
    live_.clear();
    minihost::discardRenderMemory();
    minihost::clearXPanels();
    minihost::setMonitorAbortAtStep(0);
    minihost::setBasicFrameSize(640, 480);
    minihost::setRenderMemoryCreateFails(false);
    minihost::setRenderMemoryCreateFailsFor("");
    auto &reg = minihost::registry();
    reg.restoreAll();
    reg.remove(SERVICE_ITEM_INFO);
    reg.remove(SERVICE_CAMERA_INFO);
    reg.remove(SERVICE_MONITOR);
    minihost::installCoreServices();  // the basic scene information again
    gScene = nullptr;
    gHost = nullptr;
}

void StrokeTracerHost::activate() {
    step1_.inst = &step1Inst_;
    step1_.item = &itemFuncs_;
    step1_.rend = &rendFuncs_;
    ASSERT_EQ(module_->activate(CLASS_PIXEL_FILTER_HANDLER, kStep1, HANDLER_VERSION, &step1_), AFUNC_OK);
    step2_.inst = &step2Inst_;
    step2_.item = &itemFuncs_;
    ASSERT_EQ(module_->activate(CLASS_IMAGE_FILTER_HANDLER, kStep2, HANDLER_VERSION, &step2_), AFUNC_OK);
}

Instance StrokeTracerHost::createStep1() {
    const char *err = nullptr;
    Instance inst = step1Inst_.create(step1Inst_.priv, nullptr, &err);
    EXPECT_NE(inst, nullptr);
    EXPECT_EQ(err, nullptr);
    if (inst) live_.emplace_back(&step1Inst_, inst);
    return inst;
}

Instance StrokeTracerHost::createStep2() {
    const char *err = nullptr;
    Instance inst = step2Inst_.create(step2Inst_.priv, nullptr, &err);
    EXPECT_NE(inst, nullptr);
    if (inst) live_.emplace_back(&step2Inst_, inst);
    return inst;
}

XPanelID StrokeTracerHost::panelFor(Instance inst) {
    InterfaceRecord rec{};
    rec.inst = inst;
    rec.options = reinterpret_cast<const char *(*)(Instance)>(1);  // must be cleared
    EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_INTERFACE, kStep1, INTERFACE_VERSION, &rec), AFUNC_OK);
    EXPECT_EQ(rec.options, nullptr);
    EXPECT_EQ(rec.command, nullptr);
    return static_cast<XPanelID>(rec.panel);
}

int StrokeTracerHost::renderPass(Instance step1, int width, int height, double time) {
    minihost::setBasicFrameSize(width, height);
    EXPECT_EQ(rendFuncs_.newTime(step1, 0, time), nullptr);
    gPixelWrites = 0;
    PixelAccess pa{};
    pa.getVal = getVal;
    pa.setRGBA = setRGBA;
    pa.setVal = setVal;
    pa.rayShade = rayShade;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            pa.sx = x;
            pa.sy = y;
            step1_.evaluate(step1, &pa);
        }
    return gPixelWrites;
}

void StrokeTracerHost::process(Instance step2, imagetest::FilterImage &image) {
    step2_.process(step2, image.access());
}

StoreHeader *StrokeTracerHost::store() const { return findStore(); }

std::string StrokeTracerHost::save(InstanceFuncs &funcs, Instance inst, int ioMode) {
    minihost::MemorySaveState ss(ioMode);
    EXPECT_EQ(funcs.save(inst, ss.state()), nullptr);
    return ss.bytes();
}

void StrokeTracerHost::load(InstanceFuncs &funcs, Instance inst, int ioMode, const std::string &bytes) {
    minihost::MemoryLoadState ls(ioMode, bytes);
    EXPECT_EQ(funcs.load(inst, ls.state()), nullptr);
}

}  // namespace stroketest
