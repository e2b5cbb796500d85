// The texture support's services and the shared texture context: the ten
// services fetched once and in order, the 36 gradient inputs as the host
// receives them, the callbacks, a retry while the texture service is absent,
// and the context's destruction with the module-wide tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_texture_host.h"
#include "module_base/module_state.h"
#include "texlib/support_services.h"
#include "texlib/texture_context.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

using testing::FakeTextureHost;

class TextureContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        host().reset();
        resetTextureSupportForTests();
        moduleState().global = FakeTextureHost::lookup;
    }
    void TearDown() override {
        resetTextureSupportForTests();
        moduleState().global = nullptr;
    }
    static FakeTextureHost &host() { return FakeTextureHost::get(); }
};

TEST_F(TextureContextTest, TheTenServicesAreFetchedTogetherInOrderOnce) {
    const std::vector<std::string> ten = {"Texture Functions 3", "LW Item Info 3",      "LW Light Info 3",
                                          "LW Object Info 4",    "LW Image List 3",     "LWVParmFuncs 2",
                                          "Animation Envelopes", "Surface Functions 2", "Channel Info 2",
                                          "Scene Objects 4"};
    // None offered: all ten asked for, nothing held, the next call asks again.
    host().withheld = {"Texture Functions 3", "LWVParmFuncs 2", "Animation Envelopes"};
    acquireSupportServices();
    EXPECT_EQ(host().lookups, ten);
    EXPECT_FALSE(supportServices().anyHeld());
    acquireSupportServices();
    EXPECT_EQ(host().lookups.size(), 20u);

    host().withheld.clear();
    host().lookups.clear();
    acquireSupportServices();
    EXPECT_EQ(host().lookups, ten);
    EXPECT_EQ(supportServices().textureFuncs, &host().textures);
    EXPECT_EQ(supportServices().vparmFuncs, &host().vparm);
    EXPECT_EQ(supportServices().envelopeFuncs, &host().envelopes);
    EXPECT_EQ(supportServices().itemInfo, nullptr);
    // One held: nothing more is fetched.
    acquireSupportServices();
    EXPECT_EQ(host().lookups.size(), 10u);

    // Without a lookup nothing happens at all.
    resetTextureSupportForTests();
    moduleState().global = nullptr;
    acquireSupportServices();
    EXPECT_FALSE(supportServices().anyHeld());
    EXPECT_EQ(sharedTextureContext(), nullptr);
}

TEST_F(TextureContextTest, ContextCarriesTheThirtySixInputsAndIsMadeOnce) {
    host().withheld = {"Texture Functions 3"};
    EXPECT_EQ(sharedTextureContext(), nullptr);
    EXPECT_EQ(host().contextsCreated, 0);

    // Offered later: the next call creates it (the other services were held
    // already, "Texture Functions 3" is fetched for the context itself).
    host().withheld.clear();
    const TxtrContextID ctx = sharedTextureContext();
    EXPECT_EQ(ctx, FakeTextureHost::contextHandle());
    EXPECT_EQ(sharedTextureContext(), ctx);
    EXPECT_EQ(host().contextsCreated, 1);
    ASSERT_EQ(host().inputs.size(), 36u);

    const double halfPi = 1.5707963267948966;
    struct Row {
        int number;
        const char *name;
        double start, end;
        int kind, flags, itemType;
    } rows[] = {
        {1, "Bump", 0.0, 1.0, 2, 4, -1},
        {3, "Incidence Angle", 0.0, halfPi, 5, 12, -1},
        {4, "Light Incidence", 0.0, halfPi, 5, 12, 1},
        {5, "Distance to Camera", 0.0, 10.0, 3, 4, 2},
        {10, "Weight Map", -1.0, 1.0, 4, 4, 4},
        {11, "Surface Thickness", 0.0, 1.0, 3, 4, -1},
        {12, "Object X Axis", -halfPi, halfPi, 5, 12, 0},
        {20, "ZX Distance to Object", 0.0, 10.0, 3, 4, 0},
        {22, "Light Phong Incidence", 0.0, 1.0, 2, 12, 1},
        {23, "Gradient Ambient", 0.0, 1.0, 2, 4, -1},
        {27, "Ambient Occlusion (Preview)", 0.0, 1.0, 2, 12, -1},
        {36, "Half Occlusion (Very High)", 0.0, 1.0, 2, 12, -1},
    };
    for (const Row &r : rows) {
        const TxtrInputParam &in = host().inputs[r.number - 1];
        EXPECT_STREQ(in.name, r.name) << r.number;
        EXPECT_EQ(in.start, r.start) << r.number;
        EXPECT_EQ(in.end, r.end) << r.number;
        EXPECT_EQ(in.valueType, r.kind) << r.number;
        EXPECT_EQ(in.flags, r.flags) << r.number;
        EXPECT_EQ(in.itemType, r.itemType) << r.number;
    }
    std::set<std::string> names;
    for (const TxtrInputParam &in : host().inputs) {
        ASSERT_NE(in.name, nullptr);
        names.insert(in.name);
        EXPECT_EQ(in.itemID, 0u);
        EXPECT_EQ(in.itemName, nullptr);
    }
    EXPECT_EQ(names.size(), 36u);
}

TEST_F(TextureContextTest, CallbacksAnswerUnknownInputsAndReleaseTheirRecords) {
    ASSERT_NE(sharedTextureContext(), nullptr);
    const TxtrInputFuncs f = host().callbacks;
    ASSERT_TRUE(f.evaluate && f.timeFunc && f.cleanup);
    TxtrInputParam param = host().inputs[0];
    TexturedSpot spot{};
    for (int n : {-1, 0, 37, 1000}) EXPECT_EQ(f.evaluate(&param, n, &spot, nullptr), 1.0) << n;
    for (int n : {1, 18, 36}) EXPECT_EQ(f.evaluate(&param, n, &spot, nullptr), 0.0) << n;

    EXPECT_EQ(f.timeFunc(nullptr, nullptr, 1, 0.5, 12), nullptr);
    void *record = f.timeFunc(nullptr, &param, 1, 0.5, 12);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(f.evaluate(&param, 6, &spot, record), 0.0);
    f.cleanup(&param, 1, record);  // the sanitizer build sees a leak or a double free
    f.cleanup(&param, 1, nullptr);
}

TEST_F(TextureContextTest, TheTablesDestroyTheContextThroughTheTextureService) {
    {
        TextureSupportTables tables;
        tables.sharedContext = FakeTextureHost::contextHandle();
    }
    ASSERT_EQ(host().destroyedContexts.size(), 1u);
    EXPECT_EQ(host().destroyedContexts[0], FakeTextureHost::contextHandle());
    {
        TextureSupportTables empty;  // nothing made, nothing destroyed
    }
    host().withheld = {"Texture Functions 3"};
    {
        TextureSupportTables orphan;  // the service has gone: the handle is dropped
        orphan.sharedContext = FakeTextureHost::contextHandle();
    }
    EXPECT_EQ(host().destroyedContexts.size(), 1u);
}

}  // namespace
}  // namespace qr
