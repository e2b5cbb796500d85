#include "minihost/textures/texture_registry.h"

#include <algorithm>
#include <mutex>

namespace minihost::textures {

namespace {

vparams::Registry &channels() { return vparams::registry(); }

const char *const kOwnInputNames[] = {"Previous Layer", "X Coordinate", "Y Coordinate", "Z Coordinate"};
const char *const kColorChannels[3] = {"Color.R", "Color.G", "Color.B"};

// Value channels a layer of this type has: a constant layer's value.
int valueChannels(const Texture &t, const LayerData &d) {
    return d.type == kConstantLayer ? t.channelCount : 0;
}

}  // namespace

OwnInput ownInputNamed(const std::string &name) {
    for (int i = 0; i < 4; ++i)
        if (name == kOwnInputNames[i]) return static_cast<OwnInput>(i + 1);
    return OwnInput::None;
}

std::vector<std::string> ownInputNames() { return {std::begin(kOwnInputNames), std::end(kOwnInputNames)}; }

Context *TextureRegistry::context(TxtrContextID id) const {
    auto *c = reinterpret_cast<Context *>(id);
    return c && contexts_.count(c) ? c : nullptr;
}

Texture *TextureRegistry::texture(TextureID id) const {
    auto *t = reinterpret_cast<Texture *>(id);
    return t && textures_.count(t) ? t : nullptr;
}

Layer *TextureRegistry::layer(TLayerID id) const {
    auto *l = reinterpret_cast<Layer *>(id);
    return l && layers_.count(l) ? l : nullptr;
}

Context *TextureRegistry::createContext(const TxtrInputFuncs &funcs) {
    auto c = std::make_unique<Context>();
    c->funcs = funcs;
    contextOrder_.reserve(contextOrder_.size() + 1);
    contexts_.insert(c.get());
    contextOrder_.push_back(c.get());
    return c.release();
}

void TextureRegistry::destroyContext(Context *c) {
    if (!c || !contexts_.count(c)) return;
    for (const Texture *t : textures_) {
        if (t->context != c) continue;
        auto *texture = const_cast<Texture *>(t);
        releaseTimeRecords(*texture);
        texture->context = nullptr;
        for (auto &layer : texture->layers) resolveInput(*texture, *layer);
    }
    contexts_.erase(c);
    contextOrder_.erase(std::find(contextOrder_.begin(), contextOrder_.end(), c));
    delete c;
}

Texture *TextureRegistry::createTexture(int dataType, const char *name, Context *c) {
    auto t = std::make_unique<Texture>();
    t->dataType = dataType;
    t->channelCount = dataType == VPTEX_COLOR ? 3 : 1;
    t->name = name ? name : "";
    t->context = c;
    textures_.insert(t.get());
    return t.release();
}

void TextureRegistry::destroyTexture(Texture *t) {
    if (!t || !textures_.count(t)) return;
    releaseTimeRecords(*t);
    destroyLayers(*t);
    textures_.erase(t);
    delete t;
}

void TextureRegistry::destroyLayers(Texture &t) {
    std::unique_lock lock(channels().mutex);
    vparams::Registry &r = channels();
    for (auto &layer : t.layers) {
        for (vparams::Channel *c : layer->channels) {
            if (!r.live(c)) continue;
            if (r.live(c->envelope) && c->envelope->attachedTo == c) r.destroyEnvelope(c->envelope);
            r.destroyChannel(c);
        }
        r.destroyGroup(layer->group);
        layers_.erase(layer.get());
    }
    t.layers.clear();
}

void TextureRegistry::setLayers(Texture &t, const std::vector<LayerData> &data,
                                const std::vector<ImageID> &images) {
    releaseTimeRecords(t);
    destroyLayers(t);
    std::unique_lock lock(channels().mutex);
    vparams::Registry &r = channels();
    vparams::Group *parent = r.live(t.envGroup) ? t.envGroup : nullptr;
    for (size_t i = 0; i < data.size(); ++i) {
        auto layer = std::make_unique<Layer>();
        layer->data = data[i];
        sortKeys(layer->data.keys);
        if (layer->data.type == kImageLayer && i < images.size()) layer->image = images[i];
        layer->group = r.createGroup(parent, (t.name + " layer " + std::to_string(i + 1)).c_str());
        layer->channels[0] = r.createChannel(layer->group, "Opacity", nullptr);
        const int values = valueChannels(t, layer->data);
        for (int k = 0; k < values; ++k)
            layer->channels[k + 1] =
                r.createChannel(layer->group, values == 1 ? "Value" : kColorChannels[k], nullptr);
        // Flagged channels get an envelope, holding their constant until the
        // owner loads the envelope's data.
        if (layer->data.animated & kOpacityAnimated)
            r.attachEnvelope(layer->channels[0], layer->data.opacity);
        for (int k = 0; k < values; ++k)
            if (layer->data.animated & valueAnimated(k))
                r.attachEnvelope(layer->channels[k + 1], layer->data.value[k]);
        layer->opacityNow = layer->data.opacity;
        std::copy(std::begin(layer->data.value), std::end(layer->data.value), layer->valueNow);
        resolveInput(t, *layer);
        layers_.insert(layer.get());
        t.layers.push_back(std::move(layer));
    }
}

void TextureRegistry::resolveInput(const Texture &t, Layer &layer) const {
    layer.inputNumber = 0;
    layer.own = OwnInput::None;
    layer.param = TxtrInputParam{};
    if (layer.data.type != kGradientLayer) return;
    if (t.context) {
        for (size_t n = 0; n < t.context->inputs.size(); ++n) {
            if (t.context->inputs[n].name != layer.data.input) continue;
            layer.inputNumber = static_cast<int>(n + 1);
            layer.param = t.context->inputs[n].param;
            layer.param.itemID = layer.data.item;
            layer.param.itemName = nullptr;
            return;
        }
    }
    layer.own = ownInputNamed(layer.data.input);
}

void TextureRegistry::prepareTime(Texture &t, double time, int frame) {
    t.time = time;
    t.frame = frame;
    {
        std::shared_lock lock(channels().mutex);
        const vparams::Registry &r = channels();
        auto valueAt = [&](const vparams::Channel *c, double constant) {
            return (r.live(c) && r.live(c->envelope)) ? c->envelope->data.evaluate(time) : constant;
        };
        for (auto &layer : t.layers) {
            layer->opacityNow = valueAt(layer->channels[0], layer->data.opacity);
            for (int k = 0; k < 3; ++k)
                layer->valueNow[k] = valueAt(layer->channels[k + 1], layer->data.value[k]);
        }
    }
    if (!t.context) return;
    for (auto &layer : t.layers) {
        if (layer->inputNumber == 0) continue;
        const TxtrInputFuncs &f = t.context->funcs;
        if (layer->hasRecord && f.cleanup) f.cleanup(&layer->param, layer->inputNumber, layer->timeRecord);
        layer->timeRecord =
            f.timeFunc ? f.timeFunc(nullptr, &layer->param, layer->inputNumber, time, frame) : nullptr;
        layer->hasRecord = true;
    }
}

void TextureRegistry::releaseTimeRecords(Texture &t) {
    for (auto &layer : t.layers) {
        if (!layer->hasRecord) continue;
        if (t.context && t.context->funcs.cleanup)
            t.context->funcs.cleanup(&layer->param, layer->inputNumber, layer->timeRecord);
        layer->timeRecord = nullptr;
        layer->hasRecord = false;
    }
}

void TextureRegistry::moveLayerGroups(Texture &t, ChanGroupID id) {
    std::unique_lock lock(channels().mutex);
    vparams::Registry &r = channels();
    vparams::Group *parent = r.group(id);
    if (id && !parent) return;
    t.envGroup = parent;
    for (auto &layer : t.layers) r.moveGroup(layer->group, parent);
}

void TextureRegistry::copyLayerEnvelopes(Texture &to, const Texture &from) {
    std::unique_lock lock(channels().mutex);
    vparams::Registry &r = channels();
    const size_t n = std::min(to.layers.size(), from.layers.size());
    for (size_t i = 0; i < n; ++i)
        for (int k = 0; k < 4; ++k) {
            const vparams::Channel *source = from.layers[i]->channels[k];
            vparams::Channel *target = to.layers[i]->channels[k];
            if (r.live(source) && r.live(target) && r.live(source->envelope) && r.live(target->envelope))
                target->envelope->data = source->envelope->data;
        }
}

TextureData TextureRegistry::dataOf(const Texture &t) const {
    TextureData out;
    std::shared_lock lock(channels().mutex);
    const vparams::Registry &r = channels();
    for (const auto &layer : t.layers) {
        LayerData d = layer->data;
        d.animated = 0;
        for (int k = 0; k < 4; ++k) {
            const vparams::Channel *c = layer->channels[k];
            if (r.live(c) && r.live(c->envelope))
                d.animated |= k == 0 ? kOpacityAnimated : valueAnimated(k - 1);
        }
        out.layers.push_back(std::move(d));
    }
    return out;
}

const ContextInput *TextureRegistry::findInput(const std::string &name) const {
    for (const Context *c : contextOrder_)
        for (const ContextInput &in : c->inputs)
            if (in.name == name) return &in;
    return nullptr;
}

std::vector<std::string> TextureRegistry::inputNames() const {
    std::vector<std::string> names;
    for (const Context *c : contextOrder_)
        for (const ContextInput &in : c->inputs)
            if (std::find(names.begin(), names.end(), in.name) == names.end()) names.push_back(in.name);
    return names;
}

TextureRegistry &textureRegistry() {
    static TextureRegistry *instance = new TextureRegistry;  // never destroyed: modules may unload late
    return *instance;
}

}  // namespace minihost::textures
