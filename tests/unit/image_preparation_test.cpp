// The images the edge shader prepares at render start: projection images of
// spot lights only, and a surface's reflection and refraction images only
// for the options that use them; nothing breaks without the services.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "module_base/module_state.h"
#include "texlib/shader_texture_support.h"

namespace qr {
namespace {

int gImages[6];
ImageID image(int i) { return reinterpret_cast<ImageID>(&gImages[i]); }
std::vector<ImageID> gPrepared;

// Lights 1..4: distant, spot with image 0, spot without image, spot with image 1.
const int kLightTypes[] = {LIGHT_TYPE_DISTANT, LIGHT_TYPE_SPOT, LIGHT_TYPE_SPOT, LIGHT_TYPE_SPOT};
int gReflection = 0, gRefraction = 0;

class ImagePreparationTest : public ::testing::Test {
protected:
    void SetUp() override {
        gPrepared.clear();
        items_.first = [](int type, ItemID) { return type == ITEM_TYPE_LIGHT ? ItemID(1) : ITEM_NULL; };
        items_.next = [](ItemID item) { return item < 4 ? ItemID(item + 1) : ITEM_NULL; };
        lights_.type = [](ItemID light) { return kLightTypes[light - 1]; };
        lights_.projImage = [](ItemID light) -> ImageID {
            return light == 1 ? image(5) : light == 2 ? image(0) : light == 4 ? image(1) : nullptr;
        };
        images_.needAA = [](ImageID img) { gPrepared.push_back(img); };
        surfaces_.getInt = [](SurfaceID, const char *channel) {
            if (std::strcmp(channel, "ReflectionOptions") == 0) return gReflection;
            if (std::strcmp(channel, "RefractionOptions") == 0) return gRefraction;
            return -1;
        };
        surfaces_.getImg = [](SurfaceID, const char *channel) -> ImageID {
            if (std::strcmp(channel, "ReflectionImage") == 0) return image(2);
            if (std::strcmp(channel, "RefractionImage") == 0) return image(3);
            return nullptr;
        };
        saved_ = services();
        services() = {};
        services().itemInfo = &items_;
        services().lightInfo = &lights_;
        services().imageList = &images_;
        services().surfaceFuncs = &surfaces_;
    }
    void TearDown() override { services() = saved_; }

    ItemInfo items_{};
    LightInfo lights_{};
    ImageList images_{};
    SurfaceFuncs surfaces_{};
    ServiceTable saved_{};
};

TEST_F(ImagePreparationTest, SpotLightProjectionsAndUsedSurfaceImagesOnly) {
    prepareLightImages();
    EXPECT_EQ(gPrepared, (std::vector<ImageID>{image(0), image(1)}));

    int surface = 0;
    const SurfaceID s = reinterpret_cast<SurfaceID>(&surface);
    const struct {
        int reflection, refraction;
        std::vector<ImageID> prepared;
    } cases[] = {
        {0, 0, {}}, {1, 4, {}}, {2, 0, {image(2)}}, {3, 3, {image(2), image(3)}}, {0, 2, {image(3)}},
    };
    for (const auto &c : cases) {
        gPrepared.clear();
        gReflection = c.reflection;
        gRefraction = c.refraction;
        prepareSurfaceImages(s);
        EXPECT_EQ(gPrepared, c.prepared) << c.reflection << " " << c.refraction;
    }
    gPrepared.clear();
    prepareSurfaceImages(nullptr);
    EXPECT_TRUE(gPrepared.empty());
}

TEST_F(ImagePreparationTest, MissingServicesPrepareNothing) {
    int surface = 0;
    gReflection = gRefraction = 2;
    for (int missing = 0; missing < 4; ++missing) {
        ServiceTable &t = services();
        t.itemInfo = missing == 0 ? nullptr : &items_;
        t.lightInfo = missing == 1 ? nullptr : &lights_;
        t.imageList = missing == 2 ? nullptr : &images_;
        t.surfaceFuncs = missing == 3 ? nullptr : &surfaces_;
        gPrepared.clear();
        prepareLightImages();
        prepareSurfaceImages(reinterpret_cast<SurfaceID>(&surface));
        const std::vector<ImageID> lightImages{image(0), image(1)}, surfaceImages{image(2), image(3)};
        const std::vector<ImageID> expected[] = {surfaceImages, surfaceImages, {}, lightImages};
        EXPECT_EQ(gPrepared, expected[missing]) << missing;
    }
    services() = {};
    prepareLightImages();
    prepareSurfaceImages(reinterpret_cast<SurfaceID>(&surface));
}

}  // namespace
}  // namespace qr
