#include "minihost/servers/texture_settings.h"

#include <algorithm>
#include <cmath>
#include <shared_mutex>

#include "host/item_services.h"
#include "host/settings_block_codes.h"
#include "host/textures.h"
#include "minihost/scene/json_reader.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"
#include "minihost/textures/texture_registry.h"

namespace minihost {

namespace {

using textures::LayerData;

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

std::string join(const std::vector<std::string> &names) {
    std::string s;
    for (const auto &n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
}

// The key's value among the choices, as its index; -1 when it is none.
int choice(const nlohmann::json &v, std::initializer_list<const char *> names) {
    int i = 0;
    for (const char *n : names) {
        if (v.is_string() && v.get<std::string>() == n) return i;
        ++i;
    }
    return -1;
}

// The item an input's item type asks for, by name; "" or what is wrong.
std::string itemFor(const std::string &name, int itemType, const Scene &scene, uint32_t &item) {
    static const char *const kKinds[] = {"an object", "a light", "a camera", "", "a weight map"};
    if (itemType == TXITEM_WEIGHT_MAP) {
        item = weightMapNumber(scene, name);
        return item ? "" : "no weight map is named \"" + name + "\"";
    }
    const SceneItem *it = scene.itemNamed(name);
    if (itemType >= TXITEM_OBJECT && itemType <= TXITEM_CAMERA && it && it->type == itemType) {
        item = it->id;
        return "";
    }
    return "\"" + name + "\" is not " + kKinds[itemType];
}

std::string readGradient(const nlohmann::json &layer, int channels, const Scene &scene, LayerData &d) {
    const auto input = layer.find("input");
    if (input == layer.end() || !input->is_string()) return "needs an \"input\" naming a gradient input";
    d.input = input->get<std::string>();
    int itemType = TXITEM_NONE;
    {
        textures::TextureRegistry &r = textures::textureRegistry();
        std::shared_lock lock(r.mutex);
        if (const textures::ContextInput *in = r.findInput(d.input)) {
            itemType = in->param.itemType;
        } else if (textures::ownInputNamed(d.input) == textures::OwnInput::None) {
            std::vector<std::string> names = r.inputNames();
            for (const auto &own : textures::ownInputNames()) names.push_back(own);
            return "has an unknown gradient input \"" + d.input + "\" (known: " + join(names) + ")";
        }
    }
    if (const auto item = layer.find("item"); item != layer.end()) {
        if (!item->is_string()) return "has an \"item\" that is not a name";
        if (itemType != TXITEM_OBJECT && itemType != TXITEM_LIGHT && itemType != TXITEM_CAMERA &&
            itemType != TXITEM_WEIGHT_MAP)
            return "has an \"item\", but the input \"" + d.input + "\" takes none";
        const std::string problem = itemFor(item->get<std::string>(), itemType, scene, d.item);
        if (!problem.empty()) return "has an \"item\": " + problem;
    }
    const auto keys = layer.find("keys");
    if (keys == layer.end() || !keys->is_array() || keys->empty())
        return "needs a non-empty \"keys\" array of [position, value]";
    if (keys->size() > static_cast<size_t>(textures::kMaxGradientKeys)) return "has too many keys";
    for (const auto &key : *keys) {
        textures::GradientKey k;
        if (!key.is_array() || key.size() != 2 || !isNumber(key[0]) ||
            !channelValues(key[1], channels, k.value))
            return "has a key " + key.dump() + " that is not [position, " +
                   (channels == 3 ? std::string("[r, g, b]]") : std::string("number]"));
        k.position = key[0].get<double>();
        d.keys.push_back(k);
    }
    textures::sortKeys(d.keys);
    return "";
}

std::string readImage(const nlohmann::json &layer, Scene &scene, LayerData &d, SceneImage *&image) {
    const auto file = layer.find("image");
    if (file == layer.end() || !file->is_string() || file->get<std::string>().empty())
        return "needs an \"image\" naming a PNG or JPEG file";
    // A NUL would end the name where the system reads it: another file.
    if (file->get<std::string>().find('\0') != std::string::npos)
        return "has an \"image\" whose name holds a NUL character";
    try {
        image = scene.imageFromFile(file->get<std::string>());
    } catch (const InputError &e) {
        return "has an image \"" + file->get<std::string>() + "\": " + e.withinFile();
    }
    if (const auto p = layer.find("projection"); p != layer.end()) {
        d.projection = choice(*p, {"planar", "cylindrical", "spherical"});
        if (d.projection < 0) return "has a \"projection\" that is not planar, cylindrical or spherical";
    }
    if (const auto a = layer.find("axis"); a != layer.end()) {
        d.axis = choice(*a, {"x", "y", "z"});
        if (d.axis < 0) return "has an \"axis\" that is not x, y or z";
    }
    for (const char *key : {"center", "size"}) {
        const auto v = layer.find(key);
        if (v == layer.end()) continue;
        double *target = std::string(key) == "center" ? d.center : d.size;
        if (std::string(key) == "size" && isNumber(*v)) {
            target[0] = target[1] = target[2] = v->get<double>();
        } else if (!channelValues(*v, 3, target)) {
            return "has a \"" + std::string(key) + "\" that is not [x, y, z]";
        }
        for (int k = 0; k < 3; ++k)
            if (!(std::fabs(target[k]) <= kMaxSceneCoordinate))
                return "has a \"" + std::string(key) + "\" beyond +-1,000,000";
    }
    return "";
}

// An opacity, or each key of a keyed one, from 0 to 1 (its form is checked already).
bool opacityInRange(const nlohmann::json &opacity) {
    const auto inRange = [](const nlohmann::json &v) {
        return v.is_number() && v.get<double>() >= 0.0 && v.get<double>() <= 1.0;
    };
    if (!opacity.is_object()) return inRange(opacity);
    const auto keys = opacity.find("keys");
    if (keys == opacity.end() || !keys->is_array()) return true;
    return std::all_of(keys->begin(), keys->end(), [&](const nlohmann::json &key) {
        return !key.is_array() || key.size() < 2 || inRange(key[1]);
    });
}

std::string readLayer(const nlohmann::json &layer, int channels, Scene &scene, TextureSetting &out) {
    static const std::vector<std::string> kKeys = {"type", "blend", "opacity",    "value", "input",  "item",
                                                   "keys", "image", "projection", "axis",  "center", "size"};
    if (!layer.is_object()) return "is not an object";
    for (auto it = layer.begin(); it != layer.end(); ++it)
        if (std::find(kKeys.begin(), kKeys.end(), it.key()) == kKeys.end())
            return "has no key \"" + it.key() + "\" (known: " + join(kKeys) + ")";
    LayerData d;
    const auto type = layer.find("type");
    d.type = type == layer.end() ? -1 : choice(*type, {"constant", "gradient", "image"});
    if (d.type < 0) return "needs a \"type\": constant, gradient or image";
    if (const auto b = layer.find("blend"); b != layer.end()) {
        d.blend = choice(*b, {"normal", "add", "subtract", "multiply"});
        if (d.blend < 0) return "has a \"blend\" that is not normal, add, subtract or multiply";
    }
    const double fps = scene.fps;
    vparams::EnvelopeData envelopes[4][3];
    bool animated[4] = {false, false, false, false};
    if (const auto o = layer.find("opacity"); o != layer.end()) {
        const std::string problem = readAnimatedValue(*o, 1, fps, &d.opacity, envelopes[0], animated[0]);
        if (!problem.empty()) return "has an \"opacity\" that " + problem;
        if (!opacityInRange(*o)) return "has an \"opacity\" outside 0 to 1";
    }
    SceneImage *image = nullptr;
    std::string problem;
    if (d.type == textures::kConstantLayer) {
        const auto v = layer.find("value");
        if (v == layer.end()) return "needs a \"value\"";
        problem = readAnimatedValue(*v, channels, fps, d.value, envelopes[1], animated[1]);
        if (!problem.empty()) problem = "has a \"value\" that " + problem;
    } else if (d.type == textures::kGradientLayer) {
        problem = readGradient(layer, channels, scene, d);
    } else {
        problem = readImage(layer, scene, d, image);
    }
    if (!problem.empty()) return problem;
    // The layer's channels in the order the texture keeps them: the opacity,
    // then a constant layer's value.
    if (animated[0]) {
        d.animated |= textures::kOpacityAnimated;
        out.envelopes.push_back(envelopes[0][0]);
    }
    if (animated[1])
        for (int k = 0; k < channels; ++k) {
            d.animated |= textures::valueAnimated(k);
            out.envelopes.push_back(envelopes[1][k]);
        }
    out.data.layers.push_back(std::move(d));
    out.images.push_back(image);
    return "";
}

void beginBlock(const SaveState *ss, uint32_t id, const char *token) {
    const BlockIdent ident{id, token};
    ss->beginBlock(ss->writeData, &ident, 0);
}

void writeValueBlock(const SaveState *ss, int32_t v) {
    beginBlock(ss, SETTINGS_IMAGE_VALUE, SETTINGS_IMAGE_VALUE_TOKEN);
    vparams::writeInt(ss, v);
    ss->endBlock(ss->writeData);
}

}  // namespace

std::string readAnimatedValue(const nlohmann::json &value, int n, double fps, double values[3],
                              vparams::EnvelopeData envelopes[3], bool &animated) {
    const std::string what = n == 3 ? "a colour" : "a value";
    const std::string form = n == 3 ? "[r, g, b] or {\"keys\": [[frame, [r, g, b]], ...]}"
                                    : "a number or {\"keys\": [[frame, number], ...]}";
    animated = false;
    if (!value.is_object()) {
        double v[3] = {0, 0, 0};
        if (!channelValues(value, n, v)) return "is " + what + ": give " + form + ", not " + value.dump();
        for (int i = 0; i < n; ++i) values[i] = v[i];
        return "";
    }
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
        const double time = fps > 0 ? key[0].get<double>() / fps : 0.0;  // as Scene::frameTime
        for (int i = 0; i < n; ++i)
            if (!envelopes[i].addKey(time, v[i])) return "has a key " + key.dump() + " out of range";
    }
    for (int i = 0; i < n; ++i) {
        // The constant behind the envelope: the value at the first key.
        values[i] = envelopes[i].keys.front().value;
        envelopes[i].defaultValue = values[i];
    }
    animated = true;
    return "";
}

std::string readTextureSetting(const nlohmann::json &value, int channels, Scene &scene, TextureSetting &out) {
    if (!value.is_object()) return "has a \"texture\" that is not {\"layers\": [...]}";
    for (auto it = value.begin(); it != value.end(); ++it)
        if (it.key() != "layers")
            return "has a \"texture\" with no key \"" + it.key() + "\" (give \"layers\")";
    const auto layers = value.find("layers");
    if (layers == value.end() || !layers->is_array()) return "has a \"texture\" without a \"layers\" array";
    if (layers->size() > static_cast<size_t>(textures::kMaxTextureLayers))
        return "has more than " + std::to_string(textures::kMaxTextureLayers) + " texture layers";
    for (size_t i = 0; i < layers->size(); ++i) {
        const std::string problem = readLayer((*layers)[i], channels, scene, out);
        if (!problem.empty()) return "has a texture layer " + std::to_string(i + 1) + " that " + problem;
    }
    return "";
}

void writeTextureBlocks(const SaveState *ss, const TextureSetting &texture) {
    beginBlock(ss, SETTINGS_IMAGE_ENVELOPE, SETTINGS_IMAGE_ENVELOPE_TOKEN);
    writeValueBlock(ss, static_cast<int32_t>(texture.envelopes.size()));
    for (const auto &envelope : texture.envelopes) {
        beginBlock(ss, SETTINGS_IMAGE_ENVELOPE, SETTINGS_IMAGE_ENVELOPE_DATA_TOKEN);
        vparams::writeEnvelopeData(ss, envelope);
        ss->endBlock(ss->writeData);
    }
    ss->endBlock(ss->writeData);

    beginBlock(ss, SETTINGS_IMAGE_REF, SETTINGS_IMAGE_REF_TOKEN);
    int32_t count = 0;
    for (const SceneImage *image : texture.images) count += image ? 1 : 0;
    writeValueBlock(ss, count);
    for (size_t i = 0; i < texture.images.size(); ++i) {
        SceneImage *image = texture.images[i];
        if (!image) continue;
        writeValueBlock(ss, static_cast<int32_t>(i));
        beginBlock(ss, SETTINGS_IMAGE_DATA, SETTINGS_IMAGE_DATA_TOKEN);
        vparams::writeInt(ss, SETTINGS_IMAGE_DATA_VERSION);
        const int16_t flag = 1;
        ss->writeI2(ss->writeData, &flag, 1);
        ss->writeStr(ss->writeData, image->name.c_str());
        imageListRecord()->sceneSave(ss, imageHandle(image));
        ss->endBlock(ss->writeData);
    }
    ss->endBlock(ss->writeData);
}

}  // namespace minihost
