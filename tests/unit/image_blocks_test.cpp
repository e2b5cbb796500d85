// A texture's image reference and image envelope blocks, its texture holder
// and a textured variant parameter, with minihost's textures, images and
// envelopes behind them, in both representations.
#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include <stb/stb_image_write.h>

#include "minihost/core/service_registry.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/textures/texture_data.h"
#include "module_base/module_state.h"
#include "paramlib/texture_holder.h"
#include "paramlib/vparam.h"
#include "paramlib/vparam_services.h"
#include "texlib/image_blocks.h"
#include "texlib/support_services.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

namespace fs = std::filesystem;
using minihost::textures::LayerData;

class ImageBlocks : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qr_image_blocks_" + std::to_string(getpid()));
        fs::create_directories(dir_);
        const unsigned char pixels[4 * 4 * 3] = {200, 100, 50};
        stbi_write_png((dir_ / "paper.png").c_str(), 2, 2, 3, pixels, 6);
        stbi_write_jpg((dir_ / "Stone.jpg").c_str(), 4, 4, 3, pixels, 90);
        scene_ = minihost::loadSceneText(R"({"camera": {}})", (dir_ / "s.json").string());
        minihost::installCoreServices();
        minihost::installSceneServices(*scene_);
        moduleState().global = minihost::globalLookup();
        resetTextureSupportForTests();
        resetVparamServicesForTests();
        acquireSupportServices();
        paper_ = minihost::imageHandle(scene_->imageFromFile("paper.png"));
        ASSERT_NE(paper_, nullptr);
    }
    void TearDown() override {
        for (TextureID t : made_) tf().destroy(t);
        resetTextureSupportForTests();
        resetVparamServicesForTests();
        moduleState().global = nullptr;
        minihost::removeSceneServices();
        fs::remove_all(dir_);
    }
    static const TextureFuncs &tf() { return *supportServices().textureFuncs; }
    int mode() const { return GetParam(); }

    // Constant, gradient and image layers; `animated` flags the last's opacity.
    TextureID texture(bool animated = false) {
        minihost::textures::TextureData data;
        data.layers.resize(3);
        data.layers[1].type = minihost::textures::kGradientLayer;
        data.layers[1].input = "Y Coordinate";
        data.layers[1].keys = {{0, {1, 1, 1}}, {1, {0, 0, 0}}};
        data.layers[2].type = minihost::textures::kImageLayer;
        data.layers[2].animated = animated ? minihost::textures::kOpacityAnimated : 0;
        minihost::MemorySaveState ss(IO_MODE_BINARY);
        minihost::textures::writeTextureData(ss.state(), data);
        minihost::MemoryLoadState ls(IO_MODE_BINARY, ss.bytes());
        TextureID t = tf().create(VPTEX_COLOR, "t", nullptr);
        EXPECT_EQ(tf().load(t, ls.state()), nullptr);
        made_.push_back(t);
        return t;
    }
    static TLayerID layer(TextureID t, int n) {
        TLayerID l = tf().firstLayer(t);
        while (n-- > 0) l = tf().nextLayer(t, l);
        return l;
    }
    static ImageID imageOf(TextureID t, int n) {
        ImageID image = nullptr;
        return tf().getParam(layer(t, n), TXTAG_IMAGE, &image) ? image : reinterpret_cast<ImageID>(-1);
    }
    static EnvelopeID opacityEnvelope(TextureID t) {
        const ChannelInfo *ci = supportServices().channelInfo;
        return ci->channelEnvelope(ci->nextChannel(tf().layerEnvGroup(layer(t, 2)), nullptr));
    }
    std::string blocks(TextureID t) {
        minihost::MemorySaveState ss(mode());
        writeImageEnvelopes(t, ss.state());
        writeImageReferences(t, ss.state());
        return ss.bytes();
    }
    void read(TextureID t, const std::string &bytes) {
        minihost::MemoryLoadState ls(mode(), bytes);
        readImageEnvelopes(t, ls.state());
        readImageReferences(t, ls.state());
    }
    int32_t value(const LoadState *ls) {
        int32_t v = -1;
        EXPECT_EQ(ls->findBlock(ls->readData, kImageBlockIdents), SETTINGS_IMAGE_VALUE);
        ls->readI4(ls->readData, &v, 1);
        ls->endBlock(ls->readData);
        return v;
    }

    fs::path dir_;
    std::unique_ptr<minihost::Scene> scene_;
    ImageID paper_ = nullptr;
    std::vector<TextureID> made_;
};

TEST_P(ImageBlocks, OnlyImagedLayersAreWrittenAndRestored) {
    TextureID source = texture(), target = texture(), plain = texture();
    tf().setParam(layer(source, 2), TXTAG_IMAGE, &paper_);
    minihost::MemoryLoadState ls(mode(), blocks(source));
    const LoadState *s = ls.state();
    ASSERT_EQ(s->findBlock(s->readData, kImageBlockIdents), SETTINGS_IMAGE_ENVELOPE);
    EXPECT_EQ(value(s), 0);  // no channel has an envelope, and nothing follows
    EXPECT_EQ(s->findBlock(s->readData, kImageBlockIdents), 0u);
    s->endBlock(s->readData);  // after a failed find: nothing
    s->endBlock(s->readData);
    ASSERT_EQ(s->findBlock(s->readData, kImageBlockIdents), SETTINGS_IMAGE_REF);
    EXPECT_EQ(value(s), 1);
    EXPECT_EQ(value(s), 2);  // the third layer
    ASSERT_EQ(s->findBlock(s->readData, kImageBlockIdents), SETTINGS_IMAGE_DATA);
    int32_t version = 0;
    int16_t flag = 0;
    char name[16] = {};
    s->readI4(s->readData, &version, 1);
    s->readI2(s->readData, &flag, 1);
    s->readStr(s->readData, name, sizeof name);
    EXPECT_EQ(version, 256);
    EXPECT_EQ(flag, 1);
    EXPECT_STREQ(name, "paper");

    read(target, blocks(source));
    EXPECT_EQ(imageOf(target, 2), paper_);
    EXPECT_EQ(imageOf(target, 0), reinterpret_cast<ImageID>(-1));  // not an image layer
    // No image: only the count 0, and reading it changes nothing.
    read(target, blocks(plain));
    EXPECT_EQ(imageOf(target, 2), paper_);
}

TEST_P(ImageBlocks, NamesMatchWithoutCaseUnknownOnesLoadOtherVersionsGiveNone) {
    TextureID t = texture();
    auto reference = [&](int32_t version, const char *name, const std::string &path) {
        minihost::MemorySaveState ss(mode());
        const SaveState *w = ss.state();
        auto valueBlock = [w](int32_t v) {
            w->beginBlock(w->writeData, &kImageBlockIdents[1], 0);
            w->writeI4(w->writeData, &v, 1);
            w->endBlock(w->writeData);
        };
        w->beginBlock(w->writeData, &kImageBlockIdents[0], 0);
        valueBlock(1);
        valueBlock(2);
        w->beginBlock(w->writeData, &kImageBlockIdents[2], 0);
        const int16_t flag = 1;
        w->writeI4(w->writeData, &version, 1);
        w->writeI2(w->writeData, &flag, 1);
        w->writeStr(w->writeData, name);
        w->writeStr(w->writeData, path.c_str());
        w->endBlock(w->writeData);
        w->endBlock(w->writeData);
        minihost::MemoryLoadState ls(mode(), ss.bytes());
        readImageReferences(t, ls.state());
        return imageOf(t, 2);
    };
    EXPECT_EQ(reference(256, "PAPER", "/no/such/file.png"), paper_);
    EXPECT_EQ(scene_->images.size(), 1u);  // the description was not loaded
    EXPECT_EQ(reference(255, "paper", ""), nullptr);
    const ImageID stone = reference(256, "Stone", (dir_ / "Stone.jpg").string());
    ASSERT_NE(stone, nullptr);
    int w = 0, h = 0;
    supportServices().imageList->size(stone, &w, &h);
    EXPECT_EQ(w, 4);
}

TEST_P(ImageBlocks, LayerEnvelopesComeBackAndDamageLeavesTheTextureUsable) {
    TextureID source = texture(true), target = texture(true);
    tf().setParam(layer(source, 2), TXTAG_IMAGE, &paper_);
    const EnvelopeFuncs &env = *supportServices().envelopeFuncs;
    env.createKey(opacityEnvelope(source), 0.5, 0.25);
    env.createKey(opacityEnvelope(source), 2.0, 0.75);
    const std::string bytes = blocks(source);
    read(target, bytes);
    double time = 0, v = 0;
    ASSERT_EQ(env.numKeys(opacityEnvelope(target)), 2);
    env.keyAt(opacityEnvelope(target), 1, &time, &v);
    EXPECT_EQ(time, 2.0);
    EXPECT_EQ(v, 0.75);

    // Every cut of the blocks, and a flipped byte at every place.
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        std::string damaged = bytes.substr(0, cut);
        read(texture(true), damaged);
        if (cut < bytes.size()) {
            damaged = bytes;
            damaged[cut] = static_cast<char>(damaged[cut] ^ 0x5a);
            read(target, damaged);
        }
    }
    double rgb[3] = {0.5, 0.5, 0.5};
    TexturedSpot spot{};
    tf().evaluate(target, &spot, rgb);
    EXPECT_TRUE(std::isfinite(rgb[0]));
    EXPECT_FALSE(blocks(target).empty());
}

TEST_P(ImageBlocks, TexturedVparamAndTextureHolderRoundTrip) {
    Vparam source, target;
    source.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, nullptr, "p", nullptr);
    target.construct("line_color", VPTYPE_COLOR, VPTEX_COLOR, nullptr, "p", nullptr);
    const VParmFuncs &vp = *vparamService();
    vp.setState(source.hostParam(), VPSTATE_TEXTURE);
    TextureID tex = vp.getTex(source.hostParam());
    ASSERT_NE(tex, nullptr);
    TextureHolder holder{texture(true)}, loaded{texture(true)};
    for (TextureID t : {tex, holder.texture}) {
        minihost::MemorySaveState data(IO_MODE_BINARY);
        tf().save(made_.front(), data.state());  // the layers of texture(true)
        minihost::MemoryLoadState ls(IO_MODE_BINARY, data.bytes());
        tf().load(t, ls.state());
        tf().setParam(layer(t, 2), TXTAG_IMAGE, &paper_);
        supportServices().envelopeFuncs->createKey(opacityEnvelope(t), 1.0, 0.5);
    }
    auto same = [this](TextureID a, TextureID b) {  // layers, images and envelopes
        minihost::MemorySaveState x(IO_MODE_BINARY), y(IO_MODE_BINARY);
        tf().save(a, x.state());
        tf().save(b, y.state());
        return x.bytes() == y.bytes() && blocks(a) == blocks(b);
    };
    minihost::MemorySaveState ss(mode());
    source.save(ss.state());
    holder.save(ss.state());
    minihost::MemoryLoadState ls(mode(), ss.bytes());
    target.load(ls.state());
    loaded.load(ls.state());
    ASSERT_NE(vp.getTex(target.hostParam()), nullptr);
    EXPECT_TRUE(same(tex, vp.getTex(target.hostParam())));
    EXPECT_TRUE(same(holder.texture, loaded.texture));
    EXPECT_EQ(imageOf(loaded.texture, 2), paper_);
}

INSTANTIATE_TEST_SUITE_P(BothRepresentations, ImageBlocks, ::testing::Values(IO_MODE_BINARY, IO_MODE_TEXT));

}  // namespace
}  // namespace qr
