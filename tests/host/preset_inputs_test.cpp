// Presets and saved data that are not what they claim: a FIFO, a device, a
// folder or an oversize file is refused at once, without waiting on it; a
// preset cut short, or of the other edition (whose settings are applied only
// in part, where the names agree), fails the command, which then writes
// nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "minihost/cli/shader_util_command.h"
#include "minihost/cli/show_data_command.h"
#include "minihost/files/checked_read.h"

namespace {

namespace fs = std::filesystem;

class PresetInputs : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_preset_inputs_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "folder.qvy");
        ASSERT_EQ(::mkfifo((dir / "fifo.qvy").c_str(), 0644), 0);
        // A writer held open: a reader that opened the FIFO would then wait
        // for data rather than for a writer, and the test could not hang.
        fifoWriter = ::open((dir / "fifo.qvy").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(fifoWriter, 0);
        std::ofstream(dir / "huge.qvy");
        fs::resize_file(dir / "huge.qvy", minihost::kMaxStateFileBytes + 1);
        const fs::path preset = fs::path(QR_SOURCE_DIR) / "examples" / "thin_blue_technical.qvy";
        fs::copy_file(preset, dir / "cut.qvy");
        fs::resize_file(dir / "cut.qvy", fs::file_size(preset) - 40);
        std::ofstream(dir / "scene.json") << R"({"render": {"width": 16, "height": 12},
            "modules": [")" << QR_MODULE_P << R"("], "camera": {"position": [0, 0, -6]},
            "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "Paint"}}]})";
    }
    void TearDown() override {
        ::close(fifoWriter);
        fs::remove_all(dir);
    }

    int applyPreset(const std::string &preset) {
        minihost::cli::ShaderUtilArgs args;
        args.module = QR_MODULE_P;
        args.scene = (dir / "scene.json").string();
        args.output = (dir / "out.json").string();
        args.preset = preset;
        log.str("");
        return minihost::cli::runShaderUtil(args, log);
    }

    fs::path dir;
    int fifoWriter = -1;
    std::ostringstream log;
};

TEST_F(PresetInputs, NodesFoldersOversizeCutAndForeignPresetsFailTheCommand) {
    const std::pair<std::string, std::string> refused[] = {
        {(dir / "fifo.qvy").string(), "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {(dir / "folder.qvy").string(), "a folder, not a regular file"},
        {(dir / "huge.qvy").string(), "larger than the limit of 64 MB"},
        {(dir / "cut.qvy").string(), "holds no settings"},
        {(fs::path(QR_SOURCE_DIR) / "examples" / "heavy_ink.qvx").string(), "shader does not have (boost"},
    };
    for (const auto &[preset, why] : refused) {
        EXPECT_EQ(applyPreset(preset), 1) << preset << "\n" << log.str();
        EXPECT_NE(log.str().find(preset), std::string::npos) << log.str();
        EXPECT_NE(log.str().find(why), std::string::npos) << log.str();
        EXPECT_FALSE(fs::exists(dir / "out.json")) << preset;
    }
    const std::string whole = (fs::path(QR_SOURCE_DIR) / "examples" / "thin_blue_technical.qvy").string();
    EXPECT_EQ(applyPreset(whole), 0) << log.str();
    EXPECT_TRUE(fs::exists(dir / "out.json"));

    // show-data reads none of the nodes, and goes on to the next file.
    std::ostringstream out, err;
    EXPECT_EQ(minihost::cli::runShowData({"/dev/zero", (dir / "fifo.qvy").string(),
                                          (dir / "folder.qvy").string(), (dir / "huge.qvy").string(), whole},
                                         out, err),
              1);
    EXPECT_EQ(err.str().find("/dev/zero: cannot read: not a regular file"), 10u) << err.str();
    EXPECT_NE(err.str().find("huge.qvy: cannot read: larger than the limit"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("PluginDataLib"), std::string::npos) << out.str();
}

}  // namespace
