// The edge shader's own numbers and module-wide behaviour: colour bytes, the
// instance list, and the preset that new instances load while the shader
// utility applies one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include <unistd.h>

#include "minihost/states/file_io.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "shader/edge_shader_callbacks.h"
#include "shader/edge_shader_instance.h"
#include "shader/sample_values.h"
#include "shader/shader_instance_list.h"

namespace qr {
namespace {

TEST(EdgeShaderColorBytes, ScaleTruncateAndSaturate) {
    EXPECT_EQ(colorByte(1.2), 255);
    EXPECT_EQ(colorByte(1.0), 255);
    EXPECT_EQ(colorByte(0.5), 127);
    EXPECT_EQ(colorByte(0.0), 0);
    EXPECT_EQ(colorByte(0.999), 254);
    EXPECT_EQ(colorByte(-0.3), 0);
    EXPECT_EQ(colorByte(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(colorByte(std::numeric_limits<double>::infinity()), 255);
}

class EdgeShaderModuleState : public ::testing::TestWithParam<const Edition *> {
protected:
    void SetUp() override {
        setEdition(GetParam());
        services() = {};
        services().fileIO = minihost::fileIORecord();
        moduleState().applying = false;
        moduleState().presetPath[0] = '\0';
        dir_ = std::filesystem::temp_directory_path() / ("qr_preset_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        moduleState().applying = false;
        moduleState().presetPath[0] = '\0';
        services() = {};
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
};

TEST_P(EdgeShaderModuleState, InstancesAreListedInCreationOrder) {
    const size_t before = shaderInstancesSnapshot().size();
    Instance a = createEdgeShader(nullptr, nullptr, nullptr);
    Instance b = createEdgeShader(nullptr, nullptr, nullptr);
    Instance c = createEdgeShader(nullptr, nullptr, nullptr);
    ASSERT_TRUE(a && b && c);
    std::vector<void *> list = shaderInstancesSnapshot();
    ASSERT_EQ(list.size(), before + 3);
    EXPECT_EQ(list[before], a);
    EXPECT_EQ(list[before + 2], c);
    destroyEdgeShader(b);
    list = shaderInstancesSnapshot();
    ASSERT_EQ(list.size(), before + 2);
    EXPECT_EQ(list[before + 1], c);
    destroyEdgeShader(a);
    destroyEdgeShader(c);
    EXPECT_EQ(shaderInstancesSnapshot().size(), before);
    destroyEdgeShader(nullptr);
}

TEST_P(EdgeShaderModuleState, NewInstancesLoadThePresetOnlyWhileApplying) {
    const Edition &ed = *GetParam();
    const std::string path = (dir_ / (std::string("p.") + ed.presetExtension)).string();
    {
        auto *source = asShader(createEdgeShader(nullptr, nullptr, nullptr));
        ASSERT_NE(source, nullptr);
        source->line = {1, 0.33, 0.044, 9};
        SaveState *ss = services().fileIO->openSave(path.c_str(), 0);
        ASSERT_NE(ss, nullptr);
        saveEdgeShader(source, ss);
        services().fileIO->closeSave(ss);
        destroyEdgeShader(source);
    }
    std::snprintf(moduleState().presetPath, kPresetPathSize, "%s", path.c_str());
    moduleState().applying = true;
    auto *applied = asShader(createEdgeShader(nullptr, nullptr, nullptr));
    ASSERT_NE(applied, nullptr);
    EXPECT_EQ(applied->line.override_f, 1);
    EXPECT_DOUBLE_EQ(applied->line.norm_err, 0.33);
    EXPECT_DOUBLE_EQ(applied->line.dist_err, 0.044);
    EXPECT_EQ(applied->line.mat_id, 9);

    // A preset that does not open leaves the defaults.
    std::snprintf(moduleState().presetPath, kPresetPathSize, "%s", (dir_ / "missing.qvx").c_str());
    auto *missing = asShader(createEdgeShader(nullptr, nullptr, nullptr));
    EXPECT_EQ(missing->line.mat_id, 0);
    EXPECT_DOUBLE_EQ(missing->line.norm_err, ed.shaderNormErr);

    // By hand afterwards: defaults.
    std::snprintf(moduleState().presetPath, kPresetPathSize, "%s", path.c_str());
    moduleState().applying = false;
    auto *byHand = asShader(createEdgeShader(nullptr, nullptr, nullptr));
    EXPECT_EQ(byHand->line.mat_id, 0);
    EXPECT_EQ(byHand->line.override_f, 0);
    EXPECT_DOUBLE_EQ(byHand->line.norm_err, ed.shaderNormErr);
    EXPECT_DOUBLE_EQ(byHand->line.dist_err, 0.02);
    for (auto *inst : {applied, missing, byHand}) destroyEdgeShader(inst);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, EdgeShaderModuleState,
                         ::testing::Values(&kStrokeEdition, &kLineEdition),
                         [](const auto &p) { return p.param == &kStrokeEdition ? "Stroke" : "Line"; });

}  // namespace
}  // namespace qr
