#include "minihost/servers/vparam_settings.h"

#include <vector>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/settings_block_codes.h"
#include "minihost/servers/texture_settings.h"
#include "minihost/services/active_scene.h"
#include "minihost/states/memory_states.h"
#include "minihost/textures/texture_data.h"
#include "minihost/vparams/envelope_data.h"
#include "minihost/vparams/vparm_data.h"

namespace minihost {

namespace {

using vparams::EnvelopeData;
using vparams::VparmData;

const BlockIdent kVprmIdent[] = {{SETTINGS_VPARAM_BLOCK, SETTINGS_VPARAM_BLOCK_TOKEN}, {0, nullptr}};
const BlockIdent kVenvIdent[] = {{SETTINGS_VPARAM_ENVELOPE, SETTINGS_VPARAM_ENVELOPE_TOKEN}, {0, nullptr}};

// The parameter's own data at the start of the block, as its load reads it.
bool readCurrent(const StateItem &vprm, VparmData &data) {
    StateItem root;
    root.children.push_back(vprm);
    MemoryLoadState load(IO_MODE_TEXT, stateTextFrom(root));
    const LoadState *ls = load.state();
    if (ls->findBlock(ls->readData, kVprmIdent) != SETTINGS_VPARAM_BLOCK) return false;
    int32_t version = 0;
    if (!vparams::readInt(ls, version) || version != SETTINGS_VERSION) return false;
    return vparams::readVparmData(ls, data);
}

// The block's new content: version, own data (with the texture's after it),
// the envelopes in the order the module reads them (the first; the second
// and third only as a pair), then a texture's image envelopes and images.
bool writeContent(const VparmData &data, const EnvelopeData envelopes[3], const TextureSetting *texture,
                  StateItem &content) {
    MemorySaveState save(IO_MODE_TEXT);
    const SaveState *ss = save.state();
    ss->beginBlock(ss->writeData, kVprmIdent, 0);
    vparams::writeInt(ss, SETTINGS_VERSION);
    vparams::writeVparmData(ss, data);
    if (texture) textures::writeTextureData(ss, texture->data);
    auto envelopeBlock = [&](int i) {
        ss->beginBlock(ss->writeData, kVenvIdent, 0);
        vparams::writeEnvelopeData(ss, envelopes[i]);
        ss->endBlock(ss->writeData);
    };
    if (data.hasEnvelope[0]) envelopeBlock(0);
    if (data.channelCount == 3 && data.hasEnvelope[1] && data.hasEnvelope[2]) {
        envelopeBlock(1);
        envelopeBlock(2);
    }
    if (texture) writeTextureBlocks(ss, *texture);
    ss->endBlock(ss->writeData);
    if (save.failed()) return false;
    StateItem root;
    try {
        parseStateText(save.bytes(), root);
    } catch (const InputError &) {
        return false;
    }
    if (root.children.empty()) return false;
    content = std::move(root.children.front());
    return true;
}

// {"texture": ..., "value": ...}: the texture, and the value under it when
// given (else the parameter keeps its value).
std::string readTextured(const nlohmann::json &value, int n, double fps, VparmData &data,
                         EnvelopeData envelopes[3], TextureSetting &texture) {
    for (auto it = value.begin(); it != value.end(); ++it)
        if (it.key() != "texture" && it.key() != "value")
            return "has no key \"" + it.key() + "\" (a textured value gives \"texture\" and \"value\")";
    Scene fallback;
    Scene *scene = activeScenePtr();
    std::string problem = readTextureSetting(value["texture"], n, scene ? *scene : fallback, texture);
    if (!problem.empty() || !value.contains("value")) return problem;
    bool animated = false;
    problem = readAnimatedValue(value["value"], n, fps, data.values, envelopes, animated);
    if (!problem.empty()) return "has a \"value\" that " + problem;
    for (int i = 0; i < n; ++i) data.hasEnvelope[i] = animated;
    return "";
}

}  // namespace

bool isVparamBlock(const StateItem &item) {
    return item.kind == StateItem::Kind::Block &&
           (item.id == SETTINGS_VPARAM_BLOCK || item.token == SETTINGS_VPARAM_BLOCK_TOKEN);
}

std::string setVparamSetting(StateItem &vprm, const nlohmann::json &value, double fps) {
    VparmData data;
    if (!isVparamBlock(vprm) || !readCurrent(vprm, data))
        return "holds no variant parameter data that minihost can read, so it cannot be set by key "
               "yet; give the instance's saved \"data\" instead";
    const int n = data.channelCount;
    EnvelopeData envelopes[3];
    TextureSetting texture;
    data.textured = value.is_object() && value.contains("texture");
    std::string problem;
    if (data.textured) {
        problem = readTextured(value, n, fps, data, envelopes, texture);
    } else if (value.is_object() && !value.contains("keys") && !value.empty()) {
        problem = "has no key \"" + value.begin().key() +
                  "\" (give {\"keys\": [...]} or {\"texture\": {...}, \"value\": ...})";
    } else {
        bool animated = false;
        problem = readAnimatedValue(value, n, fps, data.values, envelopes, animated);
        for (int i = 0; i < n; ++i) data.hasEnvelope[i] = animated;
    }
    if (!problem.empty()) return problem;
    StateItem content;
    if (!writeContent(data, envelopes, data.textured ? &texture : nullptr, content))
        return "could not be written (out of memory)";
    vprm.children = std::move(content.children);
    return "";
}

}  // namespace minihost
