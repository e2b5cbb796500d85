// Settings by key on saved data the host does not know, PNG output and its
// round trip through the image list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "minihost/files/input_error.h"
#include "minihost/render/frame_names.h"
#include "minihost/render/frame_writer.h"
#include "minihost/render/png_output.h"
#include "minihost/scene/scene_image.h"
#include "minihost/servers/server_settings.h"
#include "minihost/states/tree.h"

namespace {

using namespace minihost;

const char *kData = R"(I4 256
{ PluginDataLib 0x50444C42
  I4 4
  { PluginDataParam 0x50445052
    S "aa_sample"
    U4 0x50494E54
    I4 1
  }
  { PluginDataParam 0x50445052
    S "norm_err"
    U4 0x5044424C
    B 3FC3333333333333
  }
  { PluginDataParam 0x50445052
    S "name"
    U4 0x50535452
    S "old"
  }
  { PluginDataParam 0x50445052
    S "color"
    U4 0x50565052
    { VariantParam 0x5650524D
      I4 256
    }
  }
}
)";

ServerUse useWith(const nlohmann::json &settings) {
    ServerUse use;
    use.server = "Mod:Tracer";
    use.where = {"s.json", 3, 4};
    use.settings = settings;
    use.settingWhere["aa_samples"] = {"s.json", 5, 6};
    return use;
}

std::string apply(const nlohmann::json &settings) {
    const ServerUse use = useWith(settings);
    return applySettingsToText(kData, settings, use);
}

std::string failure(const nlohmann::json &settings) {
    try {
        apply(settings);
    } catch (const InputError &e) {
        return e.what();
    }
    return "no error";
}

TEST(RenderSettings, ValuesChangeByNameWithTheirOwnTypes) {
    const auto keys = settingKeys(kData);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[1].name, "norm_err");
    EXPECT_EQ(keys[1].type, "PDBL");

    const std::string text = apply({{"aa_sample", 2}, {"norm_err", 0.3}, {"name", "new \"one\""}});
    StateItem root;
    ASSERT_NO_THROW(parseStateText(text, root));
    const auto &block = root.children[1];
    EXPECT_EQ(block.children[1].children[2].ints[0], 2);
    EXPECT_EQ(block.children[2].children[2].data, std::string("\x3F\xD3\x33\x33\x33\x33\x33\x33", 8));
    EXPECT_EQ(block.children[3].children[2].data, "new \"one\"");
    EXPECT_EQ(root.children[0].ints[0], 256);  // the version stays in front
    // booleans count as 0 and 1
    EXPECT_NE(apply({{"aa_sample", true}}).find("I4 1"), std::string::npos);
}

TEST(RenderSettings, FaultsNameTheServerTheKeyAndWhatIsKnown) {
    EXPECT_EQ(failure({{"aa_samples", 1}}),
              "s.json:5:6: unknown setting \"aa_samples\" for Mod:Tracer (known: aa_sample, norm_err, name, "
              "color)");
    EXPECT_EQ(failure({{"aa_sample", 1.5}}),
              "s.json:3:4: setting \"aa_sample\" of Mod:Tracer is an integer (PINT), not 1.5");
    EXPECT_EQ(failure({{"aa_sample", 5000000000LL}}),
              "s.json:3:4: setting \"aa_sample\" of Mod:Tracer is out of range for PINT");
    EXPECT_EQ(failure({{"norm_err", "x"}}),
              "s.json:3:4: setting \"norm_err\" of Mod:Tracer is a number (PDBL), not \"x\"");
    EXPECT_EQ(failure({{"norm_err", {1, 2}}}),
              "s.json:3:4: setting \"norm_err\" of Mod:Tracer takes one value");
    EXPECT_EQ(failure({{"name", 3}}), "s.json:3:4: setting \"name\" of Mod:Tracer is a string (PSTR), not 3");
    EXPECT_NE(failure({{"color", 1}}).find("cannot be set by key"), std::string::npos);

    const ServerUse use = useWith({{"x", 1}});
    try {
        applySettingsToText("I4 256\n", use.settings, use);
        FAIL();
    } catch (const InputError &e) {
        EXPECT_STREQ(e.what(), "s.json:3:4: Mod:Tracer has no settings to set by key");
    }
    try {
        applySettingsToText("{ broken", use.settings, use);
        FAIL();
    } catch (const InputError &e) {
        EXPECT_NE(std::string(e.what()).find("cannot be read"), std::string::npos);
    }
    EXPECT_EQ(applySettingsToText(kData, nlohmann::json::object(), use), kData);
}

TEST(RenderOutput, PngRoundTripAndFrameNames) {
    const auto dir = std::filesystem::temp_directory_path() / "qr_png_test";
    std::filesystem::create_directories(dir);
    FrameBuffer f;
    f.resize(3, 2);
    f.red[0] = 1.0f;
    f.green[1] = 0.5f;
    f.blue[5] = 2.0f;  // clamped
    f.red[4] = -1.0f;  // clamped
    f.alpha[0] = 1.0f;
    const std::string path = (dir / "f.png").string();
    std::string error;
    ASSERT_TRUE(writePng(f, path, error)) << error;
    SceneImage img;
    ASSERT_NO_THROW(img = loadSceneImage(path));
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.name, "f");
    float c[3];
    img.pixel(0, 0, c);
    EXPECT_FLOAT_EQ(c[0], 1.0f);
    img.pixel(1, 0, c);
    EXPECT_NEAR(c[1], 128 / 255.0f, 1e-6);
    img.pixel(2, 1, c);
    EXPECT_FLOAT_EQ(c[2], 1.0f);
    img.pixel(9, 9, c);
    EXPECT_FLOAT_EQ(c[0], 0.0f);

    // Every level gives the same pixels; the writer thread leaves the file
    // complete before it reports it, and a failed write is reported by wait.
    for (int level : {0, 6, kMaxPngCompression}) {
        ASSERT_TRUE(writePng(f, path, error, level)) << error;
        SceneImage again;
        ASSERT_NO_THROW(again = loadSceneImage(path));
        EXPECT_EQ(again.rgb, img.rgb) << "level " << level;
    }
    FrameWriter writer(9);
    std::string written;
    writer.start(f, (dir / "w.png").string());
    ASSERT_TRUE(writer.wait(written, error)) << error;
    EXPECT_EQ(written, (dir / "w.png").string());
    EXPECT_NO_THROW(img = loadSceneImage(written));
    writer.start(f, (dir / "no" / "w.png").string());
    EXPECT_FALSE(writer.wait(written, error));
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));

    EXPECT_FALSE(writePng(f, (dir / "no" / "f.png").string(), error));
    FrameBuffer empty;
    EXPECT_FALSE(writePng(empty, path, error));
    std::ofstream(dir / "junk.png") << "not a png";
    try {
        loadSceneImage((dir / "junk.png").string());
        ADD_FAILURE() << "junk read as an image";
    } catch (const InputError &e) {
        EXPECT_NE(std::string(e.what()).find("junk.png: not a readable image"), std::string::npos)
            << e.what();
    }

    EXPECT_EQ(frameFileName("out.png", 7, false), "out.png");
    EXPECT_EQ(frameFileName("a/out.png", 7, true), "a/out.0007.png");
    EXPECT_EQ(frameFileName("out", 12345, true), "out.12345.png");
    std::filesystem::remove_all(dir);
}

}  // namespace
