// Settings by key edit the saved data that the modules' parameter library
// writes and reads, so minihost's codes for that data must be the library's.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
#include "minihost/servers/settings_codes.h"
#include "minihost/servers/vparam_settings.h"
#include "minihost/services/core_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "module_base/module_state.h"
#include "paramlib/param_block.h"
#include "paramlib/param_idents.h"
#include "paramlib/vparam.h"
#include "paramlib/vparam_services.h"
#include "texlib/image_blocks.h"

namespace {

namespace codes = minihost::settings_codes;

// The library reaches minihost's variant-parameter services through the
// module's lookup, for as long as this lives.
struct LibraryServices {
    LibraryServices() {
        minihost::installCoreServices();
        qr::moduleState().global = minihost::globalLookup();
        qr::resetVparamServicesForTests();
    }
    ~LibraryServices() {
        qr::resetVparamServicesForTests();
        qr::moduleState().global = nullptr;
    }
};

TEST(SettingsCodes, MatchTheParameterLibrary) {
    EXPECT_EQ(codes::kParamBlock, qr::kParamBlockId);
    EXPECT_STREQ(codes::kParamBlockToken, qr::kParamBlockTable[0].token);
    EXPECT_EQ(codes::kParamEntry, qr::kParamItemId);
    EXPECT_STREQ(codes::kParamEntryToken, qr::kParamItemTable[0].token);
    EXPECT_EQ(codes::kInt, qr::kParamInt);
    EXPECT_EQ(codes::kUInt, qr::kParamUInt);
    EXPECT_EQ(codes::kFloat, qr::kParamFloat);
    EXPECT_EQ(codes::kDouble, qr::kParamDouble);
    EXPECT_EQ(codes::kString, qr::kParamString);
    EXPECT_EQ(codes::kVparam, qr::kParamVparam);
    EXPECT_EQ(codes::kVparamVersion, qr::kParamVersion);
    // A texture's image blocks, which a textured value by key writes.
    const struct {
        uint32_t id;
        const char *token;
    } images[] = {{codes::kImageRef, codes::kImageRefToken},
                  {codes::kImageValue, codes::kImageValueToken},
                  {codes::kImageData, codes::kImageDataToken},
                  {codes::kImageEnvelope, codes::kImageEnvelopeToken},
                  {codes::kImageEnvelope, codes::kImageEnvelopeDataToken}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(images[i].id, qr::kImageBlockIdents[i].id) << i;
        EXPECT_STREQ(images[i].token, qr::kImageBlockIdents[i].token) << i;
    }

    // The library keeps a variant parameter's block codes to itself: hold
    // minihost's against the blocks it writes and reads.
    LibraryServices services;
    const auto *env = static_cast<EnvelopeFuncs *>(qr::moduleState().global(SERVICE_ENVELOPE_FUNCS, 0));
    ASSERT_NE(env, nullptr);
    ChanGroupID group = env->createGroup(nullptr, "codes");
    qr::Vparam written, read;
    written.construct("lcol", VPTYPE_COLOR, VPTEX_NONE, group, "codes", nullptr);
    read.construct("lcol", VPTYPE_COLOR, VPTEX_NONE, group, "codes", nullptr);
    ASSERT_NE(read.hostParam(), nullptr);

    minihost::MemorySaveState save(IO_MODE_TEXT);
    written.save(save.state());
    minihost::StateItem root;
    ASSERT_NO_THROW(minihost::parseStateText(save.bytes(), root));
    ASSERT_EQ(root.children.size(), 1u);
    minihost::StateItem &block = root.children[0];
    EXPECT_EQ(block.id, codes::kVparamBlock);
    EXPECT_EQ(block.token, codes::kVparamBlockToken);

    // Keys set by minihost come back through the library's reader only
    // when both agree on the envelope blocks and the version.
    const auto keys = nlohmann::json::parse(R"({"keys": [[0, [0.1, 0.2, 0.3]], [24, [0.7, 0.8, 0.9]]]})");
    ASSERT_EQ(minihost::setVparamSetting(block, keys, 24), "");
    minihost::MemoryLoadState load(IO_MODE_TEXT, minihost::stateTextFrom(root));
    read.load(load.state());
    double at1[3] = {};
    qr::vparamService()->getVal(read.hostParam(), 1.0, nullptr, at1);
    EXPECT_DOUBLE_EQ(at1[0], 0.7);
    EXPECT_DOUBLE_EQ(at1[2], 0.9);
}

}  // namespace
