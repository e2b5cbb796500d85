#include "minihost/servers/server_settings.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/settings_block_codes.h"
#include "minihost/files/input_error.h"
#include "minihost/servers/vparam_settings.h"
#include "minihost/services/active_scene.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"

namespace minihost {

namespace {

std::string fourcc(uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

bool isBlock(const StateItem &item, uint32_t id, const char *token) {
    return item.kind == StateItem::Kind::Block && (item.id == id || item.token == token);
}

StateItem *findParameterBlock(StateItem &root) {
    for (auto &item : root.children)
        if (isBlock(item, SETTINGS_PARAM_BLOCK, SETTINGS_PARAM_BLOCK_TOKEN)) return &item;
    return nullptr;
}

// A parameter: its name, its type code and the items that hold its value.
struct Param {
    std::string name;
    uint32_t type = 0;
    StateItem *value = nullptr;  // the first item after the type code, or null
};

std::vector<Param> paramsOf(StateItem &block) {
    std::vector<Param> out;
    for (auto &p : block.children) {
        if (!isBlock(p, SETTINGS_PARAM_ENTRY, SETTINGS_PARAM_ENTRY_TOKEN) || p.children.size() < 2) continue;
        const StateItem &n = p.children[0], &t = p.children[1];
        if (n.kind != StateItem::Kind::Str || t.kind != StateItem::Kind::U4 || t.ints.empty()) continue;
        Param param;
        param.name = n.data;
        param.type = static_cast<uint32_t>(t.ints[0]);
        if (p.children.size() > 2) param.value = &p.children[2];
        out.push_back(param);
    }
    return out;
}

// The number of values, or 0 when the value is not held as its type says.
int countOf(const Param &p) {
    if (!p.value) return 0;
    using K = StateItem::Kind;
    const K kind = p.value->kind;
    if (p.type == SETTINGS_TYPE_DOUBLE)
        return kind == K::Bytes ? static_cast<int>(p.value->data.size() / 8) : 0;
    if (p.type == SETTINGS_TYPE_FLOAT) return kind == K::FP ? static_cast<int>(p.value->floats.size()) : 0;
    if (p.type == SETTINGS_TYPE_STRING) return kind == K::Str ? 1 : 0;
    if (p.type == SETTINGS_TYPE_INT) return kind == K::I4 ? static_cast<int>(p.value->ints.size()) : 0;
    if (p.type == SETTINGS_TYPE_UINT) return kind == K::U4 ? static_cast<int>(p.value->ints.size()) : 0;
    return 1;
}

std::string knownKeys(const std::vector<Param> &params) {
    std::string s;
    for (const auto &p : params) s += (s.empty() ? "" : ", ") + p.name;
    return s.empty() ? "none" : s;
}

[[noreturn]] void fail(const ServerUse &use, const std::string &key, const std::string &message) {
    auto it = use.settingWhere.find(key);
    throw InputError(it != use.settingWhere.end() ? it->second : use.where, message);
}

// The JSON value as `count` elements (a single value or an array).
std::vector<nlohmann::json> elements(const nlohmann::json &v) {
    if (v.is_array()) return std::vector<nlohmann::json>(v.begin(), v.end());
    return {v};
}

void setValue(Param &p, const nlohmann::json &v, const ServerUse &use) {
    const std::string type = fourcc(p.type);
    const std::string who = "setting \"" + p.name + "\" of " + use.server;
    const int count = countOf(p);
    if (count == 0) fail(use, p.name, who + " holds no value that can be set by key");
    const auto els = elements(v);
    // A variant parameter takes one value of its own shape (vparam_settings.h).
    if (p.type != SETTINGS_TYPE_STRING && p.type != SETTINGS_TYPE_VPARAM &&
        static_cast<int>(els.size()) != count)
        fail(use, p.name, who + " takes " + (count == 1 ? "one value" : std::to_string(count) + " values"));
    StateItem &item = *p.value;
    if (p.type == SETTINGS_TYPE_INT || p.type == SETTINGS_TYPE_UINT) {
        const bool isUnsigned = p.type == SETTINGS_TYPE_UINT;
        for (size_t i = 0; i < els.size(); ++i) {
            const auto &e = els[i];
            int64_t n;
            if (e.is_boolean())
                n = e.get<bool>() ? 1 : 0;
            else if (e.is_number_integer())
                n = e.get<int64_t>();
            else
                fail(use, p.name, who + " is an integer (" + type + "), not " + e.dump());
            const int64_t lo = isUnsigned ? 0 : std::numeric_limits<int32_t>::min();
            const int64_t hi =
                isUnsigned ? std::numeric_limits<uint32_t>::max() : std::numeric_limits<int32_t>::max();
            if (n < lo || n > hi) fail(use, p.name, who + " is out of range for " + type);
            item.ints[i] = n;
        }
    } else if (p.type == SETTINGS_TYPE_DOUBLE) {
        for (size_t i = 0; i < els.size(); ++i) {
            if (!els[i].is_number()) fail(use, p.name, who + " is a number (PDBL), not " + els[i].dump());
            const double d = els[i].get<double>();
            if (!std::isfinite(d)) fail(use, p.name, who + " must be a finite number");
            uint64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            for (int b = 0; b < 8; ++b)  // most significant byte first
                item.data[i * 8 + static_cast<size_t>(b)] = static_cast<char>((bits >> (56 - 8 * b)) & 0xFF);
        }
    } else if (p.type == SETTINGS_TYPE_FLOAT) {
        for (size_t i = 0; i < els.size(); ++i) {
            if (!els[i].is_number()) fail(use, p.name, who + " is a number (PFLT), not " + els[i].dump());
            const double d = els[i].get<double>();
            if (!(std::fabs(d) <= std::numeric_limits<float>::max()))
                fail(use, p.name, who + " must be a finite number within the range of a float");
            item.floats[i] = static_cast<float>(d);
        }
    } else if (p.type == SETTINGS_TYPE_STRING) {
        if (!v.is_string()) fail(use, p.name, who + " is a string (PSTR), not " + v.dump());
        item.data = v.get<std::string>();
    } else if (p.type == SETTINGS_TYPE_VPARAM) {
        // Frames count at the active scene's rate (a scene's default without one).
        const Scene *scene = activeScenePtr();
        const double fps = scene ? scene->fps : Scene().fps;
        const std::string problem = setVparamSetting(item, v, fps);
        if (!problem.empty()) fail(use, p.name, who + " " + problem);
    } else {
        fail(use, p.name,
             who + " is of type " + type +
                 ", which cannot be set by key; give the "
                 "instance's saved \"data\" instead");
    }
}

}  // namespace

std::string savedText(const InstanceFuncs &funcs, Instance inst) {
    MemorySaveState save(IO_MODE_TEXT);
    if (funcs.save) funcs.save(inst, save.state());
    return save.bytes();
}

bool loadText(const InstanceFuncs &funcs, Instance inst, const std::string &text, std::string &error) {
    MemoryLoadState load(IO_MODE_TEXT, text);
    const char *err = funcs.load ? funcs.load(inst, load.state()) : nullptr;
    if (err) {
        error = err;
        return false;
    }
    return true;
}

std::vector<SettingKey> settingKeys(const std::string &text) {
    StateItem root;
    std::vector<SettingKey> out;
    try {
        parseStateText(text, root);
    } catch (const InputError &) {
        return out;  // data that does not parse offers no keys
    }
    StateItem *block = findParameterBlock(root);
    if (!block) return out;
    for (const auto &p : paramsOf(*block)) out.push_back({p.name, fourcc(p.type), countOf(p)});
    return out;
}

std::string applySettingsToText(const std::string &text, const nlohmann::json &settings,
                                const ServerUse &use) {
    if (settings.empty()) return text;
    StateItem root;
    try {
        parseStateText(text, root);
    } catch (const InputError &e) {
        throw InputError(use.where, "the saved data of " + use.server + " cannot be read: " + e.withinFile());
    }
    StateItem *block = findParameterBlock(root);
    std::vector<Param> params = block ? paramsOf(*block) : std::vector<Param>{};
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        Param *found = nullptr;
        for (auto &p : params)
            if (p.name == it.key()) {
                found = &p;
                break;
            }
        if (!found) {
            if (params.empty()) fail(use, it.key(), use.server + " has no settings to set by key");
            fail(use, it.key(),
                 "unknown setting \"" + it.key() + "\" for " + use.server + " (known: " + knownKeys(params) +
                     ")");
        }
        setValue(*found, it.value(), use);
        // a parameter may occur twice; the reader keeps the later, so set all
        for (auto &p : params)
            if (&p != found && p.name == it.key() && p.type == found->type) setValue(p, it.value(), use);
    }
    return stateTextFrom(root);
}

}  // namespace minihost
