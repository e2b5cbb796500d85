#include "tests/host/line_tracer_fixture.h"

#include <cstring>

#include "minihost/states/memory_states.h"

namespace linetest {
namespace {

// The pixel the host is evaluating: PixelAccess callbacks carry no data.
HostFrame *gFrame = nullptr;
int gX = 0, gY = 0;

void getVal(int type, int num, float *out) {
    size_t i = size_t(gY * gFrame->width + gX);
    if (type == BUFFER_DEPTH && num >= 1)
        out[0] = gFrame->depth[i];
    else if (type == BUFFER_RGBA)
        for (int k = 0; k < num && k < 4; ++k) out[k] = gFrame->rgba[4 * i + size_t(k)];
}

void setRGBA(const float rgba[4]) {
    size_t i = size_t(gY * gFrame->width + gX);
    std::memcpy(&gFrame->rgba[4 * i], rgba, 4 * sizeof(float));
    ++gFrame->writes[i];
}

void setVal(int, int, const float *) {}

PixelAccess accessAt(double sx, double sy) {
    PixelAccess pa{};
    pa.sx = sx;
    pa.sy = sy;
    pa.getVal = getVal;
    pa.setRGBA = setRGBA;
    pa.setVal = setVal;
    return pa;
}

}  // namespace

std::unique_ptr<minihost::LoadedModule> LineTracerHost::module_;

void LineTracerHost::SetUpTestSuite() {
    std::string error;
    module_ = minihost::LoadedModule::open(QR_MODULE_P, error);
    ASSERT_TRUE(module_) << error;
}

void LineTracerHost::TearDownTestSuite() { module_.reset(); }

void LineTracerHost::SetUp() {
    ASSERT_TRUE(module_);
    minihost::installCoreServices();
    minihost::installPanelServices();
    minihost::clearRecordedPanels();
    minihost::discardRenderMemory();
    handler_.inst = &instFuncs_;
    handler_.item = &itemFuncs_;
    handler_.rend = &rendFuncs_;
    ASSERT_EQ(module_->activate(CLASS_PIXEL_FILTER_HANDLER, kTracer, HANDLER_VERSION, &handler_), AFUNC_OK);
}

void LineTracerHost::TearDown() {
    for (Instance inst : live_) instFuncs_.destroy(inst);
    live_.clear();
    minihost::discardRenderMemory();
    minihost::clearRecordedPanels();
    minihost::setBasicFrameSize(640, 480);
}

Instance LineTracerHost::create() {
    const char *err = nullptr;
    Instance inst = instFuncs_.create(instFuncs_.priv, nullptr, &err);
    EXPECT_NE(inst, nullptr);
    EXPECT_EQ(err, nullptr);
    if (inst) live_.push_back(inst);
    return inst;
}

void LineTracerHost::destroy(Instance inst) {
    std::erase(live_, inst);
    instFuncs_.destroy(inst);
}

StoreHeader *LineTracerHost::newFrame(Instance inst, int width, int height, double time) {
    minihost::setBasicFrameSize(width, height);
    EXPECT_EQ(rendFuncs_.newTime(inst, 0, time), nullptr);
    return store();
}

StoreHeader *LineTracerHost::store() const {
    return static_cast<StoreHeader *>(minihost::renderMemoryRecord()->find(kStoreHeader));
}

void LineTracerHost::record(int x, int y, const Sample &s) {
    StoreHeader *h = store();
    ASSERT_TRUE(h);
    ASSERT_TRUE(x >= 0 && y >= 0 && x < h->width && y < h->height);
    size_t i = size_t(y * h->width + x);
    h->buff1[i] = const_cast<ShaderSettings *>(s.shader);
    h->buff2[i] = s.depth;
    for (int k = 0; k < 3; ++k) {
        h->buff3[3 * i + size_t(k)] = s.normal[k];
        h->buff4[3 * i + size_t(k)] = s.color[k];
    }
    h->buff5[i] = s.density;
}

void LineTracerHost::fill(int x0, int y0, int x1, int y1, const Sample &s) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) record(x, y, s);
}

void LineTracerHost::render(Instance inst, HostFrame &frame) {
    gFrame = &frame;
    for (gY = 0; gY < frame.height; ++gY)
        for (gX = 0; gX < frame.width; ++gX) {
            PixelAccess pa = accessAt(gX, gY);
            handler_.evaluate(inst, &pa);
        }
    gFrame = nullptr;
}

int LineTracerHost::evaluateAt(Instance inst, HostFrame &frame, double sx, double sy, int px, int py) {
    gFrame = &frame;
    gX = px, gY = py;
    int before = frame.totalWrites();
    PixelAccess pa = accessAt(sx, sy);
    handler_.evaluate(inst, &pa);
    gFrame = nullptr;
    return frame.totalWrites() - before;
}

void LineTracerHost::configure(Instance inst, double normErr, double distErr, int lineOnly) {
    minihost::scriptNextOpen(
        minihost::PanelAnswer::confirm().set(0, normErr).set(1, distErr).set(2, lineOnly));
    InterfaceRecord rec{inst, nullptr, nullptr, nullptr};
    EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_INTERFACE, kTracer, INTERFACE_VERSION, &rec), AFUNC_OK);
    EXPECT_EQ(minihost::scriptedAnswersLeft(), 0);
}

std::string LineTracerHost::save(Instance inst, int ioMode) {
    minihost::MemorySaveState ss(ioMode);
    EXPECT_EQ(instFuncs_.save(inst, ss.state()), nullptr);
    return ss.bytes();
}

void LineTracerHost::load(Instance inst, int ioMode, const std::string &bytes) {
    minihost::MemoryLoadState ls(ioMode, bytes);
    EXPECT_EQ(instFuncs_.load(inst, ls.state()), nullptr);
}

}  // namespace linetest
