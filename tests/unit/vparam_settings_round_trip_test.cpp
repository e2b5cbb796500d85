// Settings by key edit the saved data that the modules' parameter library
// writes and reads: what minihost writes, the library must read.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "host/settings_block_codes.h"
#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
#include "minihost/servers/vparam_settings.h"
#include "minihost/services/core_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "module_base/module_state.h"
#include "paramlib/vparam.h"
#include "paramlib/vparam_services.h"

namespace {

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

// Keys that minihost writes into a variant parameter's block come back
// through the parameter library's own reader: both sides agree on the block,
// its envelope blocks and their order, not only on the codes.
TEST(VparamSettingsRoundTrip, KeysSetByMinihostLoadInTheLibrary) {
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
    EXPECT_EQ(block.id, SETTINGS_VPARAM_BLOCK);
    EXPECT_EQ(block.token, SETTINGS_VPARAM_BLOCK_TOKEN);

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
