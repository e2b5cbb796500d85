#include "minihost/servers/vparam_settings.h"

#include <vector>

#include "host/host_types.h"
#include "host/io_state.h"
#include "minihost/servers/settings_codes.h"
#include "minihost/states/memory_states.h"
#include "minihost/vparams/envelope_data.h"
#include "minihost/vparams/vparm_data.h"

namespace minihost {

namespace {

using vparams::EnvelopeData;
using vparams::VparmData;

namespace codes = settings_codes;

const BlockIdent kVprmIdent[] = {{codes::kVparamBlock, codes::kVparamBlockToken}, {0, nullptr}};
const BlockIdent kVenvIdent[] = {{codes::kVparamEnvelope, codes::kVparamEnvelopeToken}, {0, nullptr}};

// The parameter's own data at the start of the block, as its load reads it.
bool readCurrent(const StateItem &vprm, VparmData &data) {
    StateItem root;
    root.children.push_back(vprm);
    MemoryLoadState load(IO_MODE_TEXT, stateTextFrom(root));
    const LoadState *ls = load.state();
    if (ls->findBlock(ls->readData, kVprmIdent) != codes::kVparamBlock) return false;
    int32_t version = 0;
    if (!vparams::readInt(ls, version) || version != codes::kVparamVersion) return false;
    return vparams::readVparmData(ls, data);
}

// The block's new content: version, own data, then the envelopes in the
// order the module reads them (the first; the second and third only as a
// pair).
bool writeContent(const VparmData &data, const EnvelopeData envelopes[3], StateItem &content) {
    MemorySaveState save(IO_MODE_TEXT);
    const SaveState *ss = save.state();
    ss->beginBlock(ss->writeData, kVprmIdent, 0);
    vparams::writeInt(ss, codes::kVparamVersion);
    vparams::writeVparmData(ss, data);
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
    ss->endBlock(ss->writeData);
    if (save.failed()) return false;
    StateItem root;
    std::string error;
    if (!parseStateText(save.bytes(), root, error) || root.children.empty()) return false;
    content = std::move(root.children.front());
    return true;
}

bool isNumber(const nlohmann::json &v) { return v.is_number(); }  // booleans are not numbers here

// One value of the parameter: a number for one channel, [r, g, b] for three.
bool channelValues(const nlohmann::json &v, int channels, double out[3]) {
    if (channels == 1) {
        if (!isNumber(v)) return false;
        out[0] = v.get<double>();
        return true;
    }
    if (!v.is_array() || static_cast<int>(v.size()) != channels) return false;
    for (int i = 0; i < channels; ++i) {
        if (!isNumber(v[static_cast<size_t>(i)])) return false;
        out[i] = v[static_cast<size_t>(i)].get<double>();
    }
    return true;
}

}  // namespace

bool isVparamBlock(const StateItem &item) {
    return item.kind == StateItem::Kind::Block &&
           (item.id == codes::kVparamBlock || item.token == codes::kVparamBlockToken);
}

std::string setVparamSetting(StateItem &vprm, const nlohmann::json &value, double fps) {
    VparmData data;
    if (!isVparamBlock(vprm) || !readCurrent(vprm, data))
        return "holds no variant parameter data that minihost can read, so it cannot be set by key "
               "yet; give the instance's saved \"data\" instead";
    const int n = data.channelCount;
    const std::string what = n == 3 ? "a colour" : "a value";
    const std::string form = n == 3 ? "[r, g, b] or {\"keys\": [[frame, [r, g, b]], ...]}"
                                    : "a number or {\"keys\": [[frame, number], ...]}";
    const std::string expected = "is " + what + ": give " + form + ", not ";

    EnvelopeData envelopes[3];
    if (!value.is_object()) {
        double v[3] = {0, 0, 0};
        if (!channelValues(value, n, v)) return expected + value.dump();
        for (int i = 0; i < n; ++i) {
            data.values[i] = v[i];
            data.hasEnvelope[i] = false;
        }
    } else {
        for (auto it = value.begin(); it != value.end(); ++it)
            if (it.key() != "keys") return "has no key \"" + it.key() + "\" (give {\"keys\": [...]})";
        const auto keys = value.find("keys");
        if (keys == value.end() || !keys->is_array() || keys->empty())
            return "needs a non-empty \"keys\" array: " + form;
        if (keys->size() > static_cast<size_t>(vparams::kMaxEnvelopeKeys))
            return "has more than " + std::to_string(vparams::kMaxEnvelopeKeys) + " keys";
        for (const auto &key : *keys) {
            double v[3] = {0, 0, 0};
            if (!key.is_array() || key.size() != 2 || !isNumber(key[0]) || !channelValues(key[1], n, v))
                return "has a key " + key.dump() + " that is not [frame, " +
                       (n == 3 ? std::string("[r, g, b]]") : std::string("number]"));
            const double frame = key[0].get<double>();
            const double time = fps > 0 ? frame / fps : 0.0;  // as Scene::frameTime
            for (int i = 0; i < n; ++i)
                if (!envelopes[i].addKey(time, v[i])) return "has a key " + key.dump() + " out of range";
        }
        for (int i = 0; i < n; ++i) {
            // The constant behind the envelope: the value at the first key.
            data.values[i] = envelopes[i].keys.front().value;
            envelopes[i].defaultValue = data.values[i];
            data.hasEnvelope[i] = true;
        }
    }
    StateItem content;
    if (!writeContent(data, envelopes, content)) return "could not be written (out of memory)";
    vprm.children = std::move(content.children);
    return "";
}

}  // namespace minihost
