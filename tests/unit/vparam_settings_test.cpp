// Settings by key for variant parameters: a scene's "lcol" / "boost" value
// rewrites the "VPRM" block of saved data so that a module's reader, through
// minihost's own services, gets the values and envelope keys back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/variant_params.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_settings.h"
#include "minihost/servers/vparam_settings.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_service.h"
#include "vparm_block_helpers.h"

namespace {

using namespace minihost;

nlohmann::json J(const char *text) { return nlohmann::json::parse(text); }

const VParmFuncs &vp() { return *vparmFuncsRecord(); }
const EnvelopeFuncs &env() { return *envelopeFuncsRecord(); }

const BlockIdent kPDLB = {HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"};
const BlockIdent kPDPR = {HOST_FOURCC('P', 'D', 'P', 'R'), "PluginDataParam"};

// Saved data of a shader instance as a module writes it: version 256 and a
// parameter block with a colour "lcol", a percentage "boost" and "mat_id".
std::string shaderData(VParmID colour, VParmID boost) {
    MemorySaveState save(IO_MODE_TEXT);
    const SaveState *ss = save.state();
    const int32_t version = 256, count = 3, matId = 7;
    ss->writeI4(ss->writeData, &version, 1);
    ss->beginBlock(ss->writeData, &kPDLB, 0);
    ss->writeI4(ss->writeData, &count, 1);
    auto param = [&](const char *name, uint32_t type, auto writeValue) {
        ss->beginBlock(ss->writeData, &kPDPR, 0);
        ss->writeStr(ss->writeData, name);
        ss->writeU4(ss->writeData, &type, 1);
        writeValue();
        ss->endBlock(ss->writeData);
    };
    const uint32_t kPVPR = HOST_FOURCC('P', 'V', 'P', 'R');
    param("lcol", kPVPR, [&] { vparm_test::saveVparamBlock(colour, ss); });
    param("boost", kPVPR, [&] { vparm_test::saveVparamBlock(boost, ss); });
    param("mat_id", HOST_FOURCC('P', 'I', 'N', 'T'), [&] { ss->writeI4(ss->writeData, &matId, 1); });
    ss->endBlock(ss->writeData);
    return save.bytes();
}

// Reads the named parameter's "VPRM" block back into `into`, as the module's
// parameter-block reader would hand it over.
void loadParam(const std::string &text, const char *name, VParmID into) {
    MemoryLoadState load(IO_MODE_TEXT, text);
    const LoadState *ls = load.state();
    int32_t version = 0;
    ls->readI4(ls->readData, &version, 1);
    const BlockIdent lib[] = {kPDLB, {0, nullptr}};
    const BlockIdent par[] = {kPDPR, {0, nullptr}};
    ASSERT_EQ(ls->findBlock(ls->readData, lib), kPDLB.id);
    int32_t count = 0;
    ls->readI4(ls->readData, &count, 1);
    while (ls->findBlock(ls->readData, par) == kPDPR.id) {
        char buf[64] = {};
        uint32_t type = 0;
        ls->readStr(ls->readData, buf, sizeof buf);
        ls->readU4(ls->readData, &type, 1);
        if (std::string(buf) == name) {
            EXPECT_TRUE(vparm_test::loadVparamBlock(into, ls));
            ls->endBlock(ls->readData);
            return;
        }
        ls->endBlock(ls->readData);
    }
    ADD_FAILURE() << "no parameter " << name;
}

int venvBlocks(const std::string &text, const char *name) {
    StateItem root;
    EXPECT_NO_THROW(parseStateText(text, root));
    for (const auto &lib : root.children)
        for (const auto &p : lib.children)
            if (p.children.size() > 2 && p.children[0].data == name) {
                int n = 0;
                for (const auto &item : p.children[2].children) n += item.token == "VparamEnv";
                return n;
            }
    return -1;
}

std::vector<std::pair<double, double>> keysOf(EnvelopeID e) {
    std::vector<std::pair<double, double>> out;
    for (int i = 0; i < env().numKeys(e); ++i) {
        double t = 0, v = 0;
        env().keyAt(e, i, &t, &v);
        out.emplace_back(t, v);
    }
    return out;
}

class VparamSettings : public ::testing::Test {
protected:
    void SetUp() override {
        colour = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
        boost = vp().create(VPTYPE_PERCENT, VPTEX_PERCENT);
        readColour = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
        readBoost = vp().create(VPTYPE_PERCENT, VPTEX_PERCENT);
        use.server = "Mod:Shader";
        use.where = {"s.json", 3, 4};
        use.settingWhere["lcol"] = {"s.json", 5, 6};
        use.settingWhere["boost"] = {"s.json", 7, 8};
    }
    void TearDown() override {
        for (VParmID p : {colour, boost, readColour, readBoost}) vp().destroy(p);
    }
    std::string apply(const nlohmann::json &settings) {
        use.settings = settings;
        return applySettingsToText(shaderData(colour, boost), settings, use);
    }
    std::string failure(const nlohmann::json &settings) {
        try {
            apply(settings);
        } catch (const InputError &e) {
            return e.what();
        }
        return "no error";
    }
    std::vector<EnvelopeID> envelopes(VParmID p) {
        EnvelopeID e[3] = {nullptr, nullptr, nullptr};
        vp().getEnv(p, e);
        return {e[0], e[1], e[2]};
    }

    VParmID colour = nullptr, boost = nullptr, readColour = nullptr, readBoost = nullptr;
    ServerUse use;
};

TEST_F(VparamSettings, ConstantsReplaceValuesAndEnvelopes) {
    // Start animated, so that the constants must also remove envelopes.
    vp().setState(colour, VPSTATE_ENVELOPE);
    vp().setState(boost, VPSTATE_ENVELOPE);
    const std::string text = apply(J(R"({"lcol": [0.1, 0.2, 0.3], "boost": 0.35})"));
    EXPECT_EQ(venvBlocks(text, "lcol"), 0);
    EXPECT_EQ(venvBlocks(text, "boost"), 0);
    vp().setState(readColour, VPSTATE_ENVELOPE);
    loadParam(text, "lcol", readColour);
    loadParam(text, "boost", readBoost);
    double rgb[3];
    vp().getVal(readColour, 0.0, nullptr, rgb);
    EXPECT_EQ(std::vector<double>(rgb, rgb + 3), (std::vector<double>{0.1, 0.2, 0.3}));
    EXPECT_EQ(vp().getState(readColour), 0);
    EXPECT_EQ(vp().getVal(readBoost, 0.0, nullptr, nullptr), 0.35);
    EXPECT_NE(text.find("S \"mat_id\""), std::string::npos);  // other settings kept
}

TEST_F(VparamSettings, KeysBecomeEnvelopesAtTheScenesFrameRate) {
    auto scene = loadSceneText(
        R"({"render": {"fps": 10}, "camera": {"name": "Cam", "position": [0, 0, -5]}})", "fps.json");
    installSceneServices(*scene);
    const std::string text = apply(J(R"({"lcol": {"keys": [[0, [0, 0, 0]], [20, [1, 0.5, 0.25]]]},
                                         "boost": {"keys": [[5, 0.2], [15, 0.6], [10, 0.4]]}})"));
    removeSceneServices();
    EXPECT_EQ(venvBlocks(text, "lcol"), 3);
    EXPECT_EQ(venvBlocks(text, "boost"), 1);
    loadParam(text, "lcol", readColour);
    loadParam(text, "boost", readBoost);

    const auto ce = envelopes(readColour);
    ASSERT_TRUE(ce[0] && ce[1] && ce[2]);
    EXPECT_EQ(keysOf(ce[0]), (std::vector<std::pair<double, double>>{{0, 0}, {2, 1}}));
    EXPECT_EQ(keysOf(ce[2]), (std::vector<std::pair<double, double>>{{0, 0}, {2, 0.25}}));
    double rgb[3];
    vp().getVal(readColour, 1.0, nullptr, rgb);  // frame 10
    EXPECT_DOUBLE_EQ(rgb[0], 0.5);
    EXPECT_DOUBLE_EQ(rgb[1], 0.25);
    EXPECT_DOUBLE_EQ(rgb[2], 0.125);

    const auto be = envelopes(readBoost);
    ASSERT_NE(be[0], nullptr);
    EXPECT_EQ(keysOf(be[0]), (std::vector<std::pair<double, double>>{{0.5, 0.2}, {1.0, 0.4}, {1.5, 0.6}}));
    EXPECT_DOUBLE_EQ(vp().getVal(readBoost, 0.0, nullptr, nullptr), 0.2);
    EXPECT_DOUBLE_EQ(vp().getVal(readBoost, 1.25, nullptr, nullptr), 0.5);

    // The binary representation reads the same values (the block is data
    // the module may also meet in a binary scene).
    MemorySaveState binary(IO_MODE_BINARY);
    vparm_test::saveVparamBlock(readColour, binary.state());
    VParmID again = vp().create(VPTYPE_COLOR, VPTEX_COLOR);
    ASSERT_TRUE(vparm_test::loadVparamBlock(again, IO_MODE_BINARY, binary.bytes()));
    EXPECT_DOUBLE_EQ(vp().getVal(again, 1.0, nullptr, nullptr), 0.5);
    vp().destroy(again);
}

TEST_F(VparamSettings, WrongValuesNameTheFileAndKey) {
    EXPECT_EQ(failure(J(R"({"lcol": 3})")),
              "s.json:5:6: setting \"lcol\" of Mod:Shader is a colour: give [r, g, b] or "
              "{\"keys\": [[frame, [r, g, b]], ...]}, not 3");
    EXPECT_EQ(failure(J(R"({"boost": [1, 2]})")),
              "s.json:7:8: setting \"boost\" of Mod:Shader is a value: give a number "
              "or {\"keys\": [[frame, number], ...]}, not [1,2]");
    EXPECT_NE(
        failure(J(R"({"lcol": [1, 2]})")).find("s.json:5:6: setting \"lcol\" of Mod:Shader is a colour"),
        std::string::npos);
    EXPECT_NE(failure(J(R"({"boost": true})")).find("is a value: give a number"), std::string::npos);
    EXPECT_NE(failure(J(R"({"lcol": [0.1, "x", 0.3]})")).find("not [0.1,\"x\",0.3]"), std::string::npos);
    EXPECT_EQ(failure(J(R"({"boost": {"keys": []}})")),
              "s.json:7:8: setting \"boost\" of Mod:Shader needs a non-empty \"keys\" array: a number or "
              "{\"keys\": [[frame, number], ...]}");
    EXPECT_EQ(failure(J(R"({"boost": {"frames": 1}})")),
              "s.json:7:8: setting \"boost\" of Mod:Shader has no key \"frames\" (give {\"keys\": [...]} or "
              "{\"texture\": {...}, \"value\": ...})");
    EXPECT_EQ(failure(J(R"({"boost": {"keys": [[0]]}})")),
              "s.json:7:8: setting \"boost\" of Mod:Shader has a key [0] that is not [frame, number]");
    EXPECT_EQ(failure(J(R"({"lcol": {"keys": [[0, 0.5]]}})")),
              "s.json:5:6: setting \"lcol\" of Mod:Shader has a key [0,0.5] that is not [frame, [r, g, b]]");
    EXPECT_NE(failure(J(R"({"lcol": {"keys": [["one", [1, 1, 1]]]}})")).find("has a key"), std::string::npos);
}

TEST(VparamSettingsBlock, DataMinihostCannotReadIsRefused) {
    // A block without the parameter's data, and one of another version.
    StateItem empty;
    empty.kind = StateItem::Kind::Block;
    empty.id = HOST_FOURCC('V', 'P', 'R', 'M');
    empty.token = "Vparam";
    StateItem version;
    version.kind = StateItem::Kind::I4;
    version.ints = {256};
    empty.children.push_back(version);
    const StateItem before = empty;
    EXPECT_NE(setVparamSetting(empty, 0.5, 24).find("cannot be set by key"), std::string::npos);
    EXPECT_EQ(stateTextFrom(StateItem{StateItem::Kind::Block, 0, "", false, {}, {}, "", {empty}, ""}),
              stateTextFrom(StateItem{StateItem::Kind::Block, 0, "", false, {}, {}, "", {before}, ""}));
    StateItem notABlock;
    notABlock.kind = StateItem::Kind::I4;
    EXPECT_FALSE(setVparamSetting(notABlock, 0.5, 24).empty());
}

}  // namespace
