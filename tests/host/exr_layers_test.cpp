// `minihost render --layers`: the layers of an OpenEXR frame read back with
// OpenEXR itself -- the lines over the frame before the filters give the
// finished frame, lines keep their objects' depth, normals are unit -- and
// frames without layers keep their channels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfStringAttribute.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "minihost/cli/render_command.h"
#include "minihost/render/frame_buffer.h"
#include "minihost/render/frame_layers.h"
#include "minihost/render/id_mattes.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Planes = std::map<std::string, std::vector<float>>;

class ExrLayers : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_exr_layers_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        Json scene =
            Json::parse(std::ifstream(std::string(QR_TEST_DATA_DIR) + "/scenes/edges_stroke_edition.json"));
        scene["modules"] = {QR_MODULE_S};
        std::ofstream(dir / "scene.json") << scene.dump();
    }
    void TearDown() override { fs::remove_all(dir); }

    int render(const std::string &output, const std::string &layers, bool fullFloat,
               std::string *log = nullptr) {
        minihost::cli::RenderArgs args;
        args.scene = (dir / "scene.json").string();
        args.output = (dir / output).string();
        args.layers = layers;
        args.exrFloat = fullFloat;
        args.report = (dir / "run.json").string();
        args.quiet = true;
        std::ostringstream err;
        const int status = minihost::cli::runRender(args, err);
        if (log) *log = err.str();
        return status;
    }

    // Every channel of the file, as 32-bit floats.
    static Planes read(const fs::path &file) {
        Imf::InputFile exr(file.c_str());
        const Imath::Box2i window = exr.header().dataWindow();
        const int w = window.max.x + 1, h = window.max.y + 1;
        Planes planes;
        Imf::FrameBuffer buffer;
        for (auto c = exr.header().channels().begin(); c != exr.header().channels().end(); ++c) {
            std::vector<float> &plane = planes[c.name()];
            plane.resize(static_cast<std::size_t>(w) * h);
            buffer.insert(c.name(), Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(plane.data()),
                                               sizeof(float), sizeof(float) * w));
        }
        exr.setFrameBuffer(buffer);
        exr.readPixels(0, h - 1);
        return planes;
    }

    fs::path dir;
};

// `lines` over `base` where the base is opaque, against the finished frame;
// the largest difference relative to the larger of the values blended (a
// line of coverage near 1 leaves a small remainder of the base, whose error
// is that of the coverage's rounding times the base).
double linesOverBaseError(Planes &p) {
    double worst = 0;
    const char *rgb[3] = {"R", "G", "B"};
    for (std::size_t i = 0; i < p["A"].size(); ++i) {
        if (p["base.A"][i] != 1.0f) continue;
        for (const char *c : rgb) {
            const double over = p[std::string("lines.") + c][i] +
                                static_cast<double>(p[std::string("base.") + c][i]) * (1.0 - p["lines.A"][i]);
            const double beauty = p[c][i];
            const double scale = std::max(
                {1.0, std::abs(beauty), std::abs(static_cast<double>(p[std::string("base.") + c][i]))});
            worst = std::max(worst, std::abs(over - beauty) / scale);
        }
        EXPECT_EQ(p["A"][i], 1.0f) << i;
    }
    return worst;
}

TEST_F(ExrLayers, LinesOverBaseGiveTheFrameAndLinesKeepTheirObjectsDepth) {
    std::string log;
    ASSERT_EQ(render("full.exr", "lines,base,N", true, &log), 0) << log;
    Planes p = read(dir / "full.exr");
    for (const char *name : {"R", "G", "B", "A", "Z", "base.R", "base.G", "base.B", "base.A", "lines.R",
                             "lines.G", "lines.B", "lines.A", "lines.Z", "N.X", "N.Y", "N.Z"})
        ASSERT_TRUE(p.count(name)) << name;
    EXPECT_EQ(p.size(), 17u);
    // 32-bit floats: the same up to the rounding of each layer to float (2^-24).
    EXPECT_LT(linesOverBaseError(p), 2.5e-7);

    int lines = 0, outside = 0, unitNormals = 0;
    for (std::size_t i = 0; i < p["A"].size(); ++i) {
        const float coverage = p["lines.A"][i];
        ASSERT_GE(coverage, 0.0f);
        ASSERT_LE(coverage, 1.0f);
        for (const char *c : {"lines.R", "lines.G", "lines.B"}) ASSERT_LE(p[c][i], coverage + 1e-6f) << i;
        if (coverage > 0) {
            ++lines;
            // Strokes beyond a silhouette take the depth of the object beside them.
            if (std::isinf(p["Z"][i])) {
                ++outside;
                EXPECT_TRUE(std::isfinite(p["lines.Z"][i])) << i;
            } else {
                EXPECT_EQ(p["lines.Z"][i], p["Z"][i]) << i;
            }
        } else {
            EXPECT_TRUE(std::isinf(p["lines.Z"][i])) << i;
        }
        const double n =
            std::sqrt(p["N.X"][i] * p["N.X"][i] + p["N.Y"][i] * p["N.Y"][i] + p["N.Z"][i] * p["N.Z"][i]);
        if (std::isfinite(p["Z"][i])) {
            EXPECT_NEAR(n, 1.0, 1e-5) << i;
            ++unitNormals;
        } else {
            EXPECT_EQ(n, 0.0) << i;
        }
    }
    EXPECT_GT(lines, 50);
    EXPECT_GT(outside, 0);
    EXPECT_GT(unitNormals, 0);
    const Json run = Json::parse(std::ifstream(dir / "run.json"));
    EXPECT_EQ(run["frames"][0]["layers"], Json::parse(R"(["base", "lines", "N"])"));

    // Half floats: the same to within a half's rounding.
    ASSERT_EQ(render("half.exr", "base,lines", false), 0);
    Planes half = read(dir / "half.exr");
    EXPECT_EQ(half.size(), 14u);
    EXPECT_LT(linesOverBaseError(half), 2e-3);  // half floats: 2^-11 per value

    // Without layers the file holds its picture alone, as before.
    ASSERT_EQ(render("plain.exr", "", true), 0);
    Planes plain = read(dir / "plain.exr");
    EXPECT_EQ(plain.size(), 5u);
    for (const char *c : {"R", "G", "B", "A", "Z"}) EXPECT_EQ(plain[c], p[c]) << c;
    EXPECT_FALSE(Json::parse(std::ifstream(dir / "run.json"))["frames"][0].contains("layers"));
}

TEST_F(ExrLayers, TheLineEditionsLinesComeFromItsPixelFilterAlone) {
    Json scene =
        Json::parse(std::ifstream(std::string(QR_TEST_DATA_DIR) + "/scenes/edges_line_edition.json"));
    scene["modules"] = {QR_MODULE_P};
    std::ofstream(dir / "scene.json") << scene.dump();
    ASSERT_EQ(render("p.exr", "lines,base", true), 0);
    Planes p = read(dir / "p.exr");
    EXPECT_LT(linesOverBaseError(p), 2.5e-7);
    int lines = 0;
    for (std::size_t i = 0; i < p["A"].size(); ++i) {
        lines += p["lines.A"][i] > 0;
        for (const char *c : {"lines.R", "lines.G", "lines.B"})
            ASSERT_LE(p[c][i], p["lines.A"][i] + 1e-6f) << i;
    }
    EXPECT_GT(lines, 50);
    // The frame is the one rendered without layers.
    ASSERT_EQ(render("plain.exr", "", true), 0);
    Planes plain = read(dir / "plain.exr");
    for (const char *c : {"R", "G", "B", "A", "Z"}) EXPECT_EQ(plain[c], p[c]) << c;
}

TEST_F(ExrLayers, AnObjectsIdMatteIsItsPixelMask) {
    ASSERT_EQ(render("ids.exr", "id", true), 0);
    Planes p = read(dir / "ids.exr");
    EXPECT_EQ(p.size(), 13u);
    // The ball alone, with nothing in front of it in the full scene: its
    // pixels are those its own frame covers.
    Json scene = Json::parse(std::ifstream(dir / "scene.json"));
    scene["objects"] = Json::array({scene["objects"][2]});
    ASSERT_EQ(scene["objects"][0]["name"], "Ball");
    std::ofstream(dir / "scene.json") << scene.dump();
    ASSERT_EQ(render("ball.exr", "base", true), 0);
    Planes ball = read(dir / "ball.exr");

    const float ballId = minihost::mattesId("Ball"), clayId = minihost::mattesId("Clay");
    int ballPixels = 0, clayPixels = 0;
    for (std::size_t i = 0; i < p["A"].size(); ++i) {
        const bool inMatte = p["CryptoObject00.R"][i] == ballId && p["CryptoObject00.G"][i] == 1.0f;
        ASSERT_EQ(inMatte, ball["base.A"][i] == 1.0f) << i;
        ballPixels += inMatte;
        // Hard-edged: one ID per pixel, rank 1 empty; the surface matte
        // covers the ball and the block, both of clay.
        ASSERT_EQ(p["CryptoObject00.B"][i], 0.0f);
        ASSERT_EQ(p["CryptoObject00.A"][i], 0.0f);
        ASSERT_EQ(p["CryptoObject00.G"][i], std::isfinite(p["Z"][i]) ? 1.0f : 0.0f) << i;
        if (inMatte) {
            ASSERT_EQ(p["CryptoMaterial00.R"][i], clayId) << i;
        }
        clayPixels += p["CryptoMaterial00.R"][i] == clayId;
    }
    EXPECT_GT(ballPixels, 100);
    EXPECT_GT(clayPixels, ballPixels);

    Imf::InputFile exr((dir / "ids.exr").c_str());
    const auto text = [&](const std::string &key) {
        const auto *attribute = exr.header().findTypedAttribute<Imf::StringAttribute>(key);
        return attribute ? attribute->value() : std::string("(none)");
    };
    EXPECT_EQ(text("cryptomatte/3ae39a5/name"), "CryptoObject");
    EXPECT_EQ(text("cryptomatte/3ae39a5/hash"), "MurmurHash3_32");
    EXPECT_EQ(text("cryptomatte/3ae39a5/conversion"), "uint32_to_float32");
    EXPECT_EQ(Json::parse(text("cryptomatte/3ae39a5/manifest")),
              Json::parse(R"({"Floor": "6a2fb16e", "Block": "3af60354", "Ball": "74d3ebe9"})"));
    const std::string surfaces = "cryptomatte/" + minihost::mattesKey("CryptoMaterial") + "/";
    EXPECT_EQ(text(surfaces + "name"), "CryptoMaterial");
    EXPECT_EQ(Json::parse(text(surfaces + "manifest")).size(), 2u);  // Clay, Floor
}

TEST(IdMattes, HashesAsTheConventionGives) {
    EXPECT_EQ(minihost::murmurHash3(""), 0u);
    EXPECT_EQ(minihost::murmurHash3("hello"), 0x248bfa47u);
    EXPECT_EQ(minihost::murmurHash3("The quick brown fox jumps over the lazy dog"), 0x2e4ff723u);
    EXPECT_EQ(minihost::mattesKey("CryptoObject"), "3ae39a5");
    EXPECT_EQ(minihost::mattesHex("Ball"), "74d3ebe9");
    // An exponent of 0 or 255 would make a denormal, an infinity or a NaN:
    // its lowest bit is flipped, and every ID is a normal float.
    EXPECT_EQ(minihost::mattesHash(""), 1u << 23);
    for (const char *name : {"", "a", "Floor", "Block", "Ball", "Clay", "x1", "x2", "x3"})
        EXPECT_TRUE(std::isnormal(minihost::mattesId(name))) << name;
}

TEST_F(ExrLayers, BadLayerListsAndPngOutputsAreRefused) {
    std::string log;
    for (const char *bad : {"lines,foo", "lines,lines", ",", "lines,", "Lines"}) {
        EXPECT_EQ(render("bad.exr", bad, false, &log), 1) << bad;
        EXPECT_NE(log.find("--layers"), std::string::npos) << log;
    }
    EXPECT_EQ(render("bad.png", "lines", false, &log), 1);
    EXPECT_NE(log.find("only OpenEXR"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / "bad.png"));
    EXPECT_FALSE(fs::exists(dir / "bad.exr"));
}

TEST(LinesDepth, TakesTheNearestHitWithinReach) {
    const float no = minihost::kNoHitDepth;
    // A 5 x 1 row: hits at x = 0 (depth 2) and x = 4 (depth 7).
    const std::vector<float> depth = {2, no, no, no, 7};
    const std::vector<float> coverage = {0.5f, 1, 0.2f, 0, 1};
    const std::vector<float> z = minihost::linesDepthOf(depth, coverage, 5, 1, 2);
    EXPECT_EQ(z, (std::vector<float>{2, 2, 2, no, 7}));                  // x = 2: a tie, the nearer surface
    EXPECT_EQ(minihost::linesDepthOf(depth, coverage, 5, 1, 1)[2], no);  // out of reach
}

}  // namespace
