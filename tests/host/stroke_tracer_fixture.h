// Drives the stroke edition's tracer the way a host does: loads the module,
// activates TraceStep1 (handler and interface) and TraceStep2, and offers a
// camera, a progress monitor and a ray-shade of the test's own. Inside
// ray-shade the test's "scene" records the named cell as the edge shader
// would, so a frame runs new-time, TraceStep1's pass and TraceStep2's process
// end to end through the host records alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/access.h"
#include "host/handler.h"
#include "host/xpanel.h"
#include "minihost/core/loader.h"
#include "tests/unit/filter_image.h"

namespace stroketest {

inline constexpr const char *kStep1 = "QM_Quillrim_S:TraceStep1";
inline constexpr const char *kStep2 = "QM_Quillrim_S:TraceStep2";
inline constexpr const char *kHeaderName = "QM's Quillrim_S STINFO";
inline constexpr const char *kPixelDataName = "QM's Quillrim_S PixelData";

// The start of an edge-shader instance: the line settings the tracer reads
// through the address recorded in Buff6.
struct ShaderSettings {
    int32_t override_f = 0;
    double norm_err = 0.1;
    double dist_err = 0.02;
    int32_t mat_id = 0;
};

// The store header's documented layout.
struct StoreHeader {
    int32_t failed, passDone, passRunning, currentColumn, currentRow;
    int32_t gridWidth, gridHeight, factor;
    uint8_t *buff1;
    float *buff2;
    float *buff3;
    uint8_t *buff4;
    float *buff5;
    void **buff6;
};

// What a ray hits in the test's scene: nothing (depth < 0), an unshaded
// surface (shader null) or a surface with the edge shader.
struct SceneHit {
    double depth = -1.0;
    const ShaderSettings *shader = nullptr;
    uint8_t color[3] = {0, 0, 0};
    float boost = 0.0f;
};

class StrokeTracerHost : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    // Activates the three servers (again), so they pick up the services now
    // in the registry.
    void activate();
    Instance createStep1();
    Instance createStep2();
    // The panel the interface builds for an instance (null when none).
    XPanelID panelFor(Instance inst);

    // New-time, then TraceStep1's evaluate for every pixel of a width x height
    // frame; returns the pixel writes TraceStep1 made (always 0).
    int renderPass(Instance step1, int width, int height, double time = 0.0);
    void process(Instance step2, imagetest::FilterImage &image);
    StoreHeader *store() const;

    std::string save(InstanceFuncs &funcs, Instance inst, int ioMode);
    void load(InstanceFuncs &funcs, Instance inst, int ioMode, const std::string &bytes);

    // The scene the rays see, by grid cell; background by default.
    std::function<SceneHit(int col, int row)> scene_;
    double hfov_ = 1.0, vfov_ = 0.75;

    static std::unique_ptr<minihost::LoadedModule> module_;
    InstanceFuncs step1Inst_{}, step2Inst_{};
    ItemFuncs itemFuncs_{};
    RenderFuncs rendFuncs_{};
    PixelFilterHandler step1_{};
    ImageFilterHandler step2_{};
    std::vector<std::pair<InstanceFuncs *, Instance>> live_;
};

}  // namespace stroketest
