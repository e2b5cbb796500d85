// The edge shader's own numbers and module-wide behaviour: colour bytes, the
// instance list, and the preset that new instances load while the shader
// utility applies one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

#include <unistd.h>

#include "minihost/states/file_io.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "module_base/pending_preset.h"
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
        pendingPreset().stopApplying();
        pendingPreset().clearPath();
        dir_ = std::filesystem::temp_directory_path() / ("qr_preset_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        pendingPreset().stopApplying();
        pendingPreset().clearPath();
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
    ASSERT_TRUE(pendingPreset().setPath(path.c_str()));
    pendingPreset().startApplying();
    auto *applied = asShader(createEdgeShader(nullptr, nullptr, nullptr));
    ASSERT_NE(applied, nullptr);
    EXPECT_EQ(applied->line.override_f, 1);
    EXPECT_DOUBLE_EQ(applied->line.norm_err, 0.33);
    EXPECT_DOUBLE_EQ(applied->line.dist_err, 0.044);
    EXPECT_EQ(applied->line.mat_id, 9);

    // A preset that does not open leaves the defaults.
    ASSERT_TRUE(pendingPreset().setPath((dir_ / "missing.qvx").c_str()));
    auto *missing = asShader(createEdgeShader(nullptr, nullptr, nullptr));
    EXPECT_EQ(missing->line.mat_id, 0);
    EXPECT_DOUBLE_EQ(missing->line.norm_err, ed.shaderNormErr);

    // By hand afterwards: defaults.
    ASSERT_TRUE(pendingPreset().setPath(path.c_str()));
    pendingPreset().stopApplying();
    auto *byHand = asShader(createEdgeShader(nullptr, nullptr, nullptr));
    EXPECT_EQ(byHand->line.mat_id, 0);
    EXPECT_EQ(byHand->line.override_f, 0);
    EXPECT_DOUBLE_EQ(byHand->line.norm_err, ed.shaderNormErr);
    EXPECT_DOUBLE_EQ(byHand->line.dist_err, 0.02);
    for (auto *inst : {applied, missing, byHand}) destroyEdgeShader(inst);
}

// The preset path keeps to its 260-byte buffer: a path of 259 characters is
// taken, a longer one is refused whole (a cut path would name another file),
// and nothing is handed over unless the utility is applying.
TEST(PendingPreset, PathsKeepToTheBufferAndWaitForApplying) {
    PendingPreset &preset = pendingPreset();
    const std::string fits(PendingPreset::kPathSize - 1, 'a');
    const std::string tooLong(PendingPreset::kPathSize, 'b');
    ASSERT_TRUE(preset.setPath(fits.c_str()));
    EXPECT_EQ(preset.presetToApply(), nullptr);  // not applying
    preset.startApplying();
    ASSERT_NE(preset.presetToApply(), nullptr);
    EXPECT_EQ(std::string(preset.presetToApply()), fits);
    EXPECT_FALSE(preset.setPath(tooLong.c_str()));
    EXPECT_EQ(preset.presetToApply(), nullptr);
    EXPECT_TRUE(preset.setPath(nullptr));
    EXPECT_EQ(preset.presetToApply(), nullptr);
    preset.stopApplying();
}

INSTANTIATE_TEST_SUITE_P(BothEditions, EdgeShaderModuleState,
                         ::testing::Values(&kStrokeEdition, &kLineEdition),
                         [](const auto &p) { return p.param == &kStrokeEdition ? "Stroke" : "Line"; });

}  // namespace
}  // namespace qr
