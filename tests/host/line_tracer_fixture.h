// Drives the line edition's tracer the way a host does: loads the module,
// activates "QM_Quillrim_P:Tracer", runs new-time (which creates and clears
// the store in render memory), lets the test fill the store's cells as the
// edge shader would, and calls evaluate for every pixel in raster order
// through a PixelAccess over the test's own frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/access.h"
#include "host/handler.h"
#include "minihost/core/loader.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/services/core_services.h"

namespace linetest {

inline constexpr const char *kTracer = "QM_Quillrim_P:Tracer";
inline constexpr const char *kStoreHeader = "QM's Quillrim_P STINFO";

// The start of an edge-shader instance: the line settings the tracer reads
// through the address recorded in Buff1.
struct ShaderSettings {
    int32_t override_f = 0;
    double norm_err = 0.15;
    double dist_err = 0.02;
    int32_t mat_id = 0;
};

// The store header's documented layout.
struct StoreHeader {
    int32_t width, height;
    void **buff1;
    float *buff2;
    float *buff3;
    uint8_t *buff4;
    float *buff5;
};

// One sample as the edge shader records it.
struct Sample {
    const ShaderSettings *shader;
    float depth;
    float normal[3] = {0.0f, 0.0f, -1.0f};
    uint8_t color[3] = {0, 0, 0};
    float density = 1.0f;
};

// The host's side of a frame: colour, alpha and depth per pixel, and a count
// of the writes the tracer made to each pixel.
struct HostFrame {
    int width = 0, height = 0;
    std::vector<float> rgba;   // 4 per pixel
    std::vector<float> depth;  // the host's depth buffer
    std::vector<int> writes;

    HostFrame() = default;
    HostFrame(int w, int h, float r, float g, float b, float a, float d)
            : width(w),
              height(h),
              rgba(size_t(4 * w * h)),
              depth(size_t(w * h), d),
              writes(size_t(w * h), 0) {
        for (size_t i = 0; i < size_t(w * h); ++i) {
            rgba[4 * i] = r, rgba[4 * i + 1] = g, rgba[4 * i + 2] = b, rgba[4 * i + 3] = a;
        }
    }
    const float *at(int x, int y) const { return &rgba[size_t(4 * (y * width + x))]; }
    int writesAt(int x, int y) const { return writes[size_t(y * width + x)]; }
    int totalWrites() const {
        int n = 0;
        for (int w : writes) n += w;
        return n;
    }
};

class LineTracerHost : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh tracer instance (destroyed at the end of the test).
    Instance create();
    void destroy(Instance inst);
    // New-time with a frame of that size: creates and clears the store.
    StoreHeader *newFrame(Instance inst, int width, int height, double time = 0.0);
    StoreHeader *store() const;
    void record(int x, int y, const Sample &s);
    // Records `s` into every pixel of a rectangle.
    void fill(int x0, int y0, int x1, int y1, const Sample &s);
    // Evaluate for every pixel of the frame, in raster order, as minihost
    // calls it: pixel (x, y) at screen position (x, y).
    void render(Instance inst, HostFrame &frame);
    // One evaluate at an arbitrary screen position; returns the setRGBA calls
    // made, the pixel written being `frame`'s (px, py).
    int evaluateAt(Instance inst, HostFrame &frame, double sx, double sy, int px, int py);

    // Sets the tracer's three settings through its dialog.
    void configure(Instance inst, double normErr, double distErr, int lineOnly);

    // The tracer's save in a representation, and a load of bytes into inst.
    std::string save(Instance inst, int ioMode);
    void load(Instance inst, int ioMode, const std::string &bytes);

    static std::unique_ptr<minihost::LoadedModule> module_;
    PixelFilterHandler handler_{};
    InstanceFuncs instFuncs_{};
    ItemFuncs itemFuncs_{};
    RenderFuncs rendFuncs_{};
    std::vector<Instance> live_;
};

// The tracer's colour of one channel after a line of coverage c.
inline float blended(float under, double line, double c) {
    return float(double(under) * (1.0 - c) + line * c);
}

}  // namespace linetest
