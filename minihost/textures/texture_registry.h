// The process-wide store behind "Texture Functions 3": texture contexts with
// the inputs modules add, and textures, each an ordered stack of layers.
//
// A layer keeps an envelope group in the channel registry (vparams/) with
// its channels: "Opacity", then for a constant layer its value ("Value", or
// "Color.R", "Color.G", "Color.B"). The group is named "<texture> layer N"
// and lives under the group the texture's owner gave (setEnvGroup), or at
// the top level until one is given.
//
// Every handle a module passes in is checked against the live objects. One
// shared mutex guards everything here: evaluations (render threads, many at
// once) take it shared, every change exclusively. Code that also needs the
// channel registry takes this mutex first, then the channel registry's,
// never the other way round.
#pragma once

#include <deque>
#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/images.h"
#include "host/textures.h"
#include "host/variant_params.h"
#include "minihost/textures/texture_data.h"
#include "minihost/vparams/channel_registry.h"

namespace minihost::textures {

struct ContextInput {
    std::string name;
    TxtrInputParam param;  // param.name points into `name`
};

struct Context {
    TxtrInputFuncs funcs{};
    std::deque<ContextInput> inputs;  // input n is inputs[n - 1]
};

// Gradient inputs of minihost's own, offered beside a context's.
enum class OwnInput { None, PreviousLayer, X, Y, Z };

struct Layer {
    LayerData data;
    ImageID image = nullptr;
    vparams::Group *group = nullptr;
    vparams::Channel *channels[4] = {nullptr, nullptr, nullptr, nullptr};  // opacity, values
    // What the gradient's input name resolved to: a context input (with a
    // copy of its descriptor carrying the item choice) or an own input.
    int inputNumber = 0;
    TxtrInputParam param{};
    OwnInput own = OwnInput::None;
    void *timeRecord = nullptr;  // from the context's time callback
    bool hasRecord = false;
    // Opacity and constant value at the texture's time (set at new-time).
    double opacityNow = 1;
    double valueNow[3] = {0, 0, 0};
};

struct Texture {
    int dataType = VPTEX_PERCENT;
    int channelCount = 1;
    std::string name;
    Context *context = nullptr;
    vparams::Group *envGroup = nullptr;  // the owner's, not ours
    std::vector<std::unique_ptr<Layer>> layers;
    double time = 0;
    int frame = 0;
};

class TextureRegistry {
public:
    mutable std::shared_mutex mutex;

    Context *context(TxtrContextID id) const;
    Texture *texture(TextureID id) const;
    Layer *layer(TLayerID id) const;

    Context *createContext(const TxtrInputFuncs &funcs);
    // Textures that use the context lose it (their time records are
    // released through it first).
    void destroyContext(Context *c);
    Texture *createTexture(int dataType, const char *name, Context *c);
    void destroyTexture(Texture *t);

    // Replaces the texture's layers; images go with the data they belong to.
    void setLayers(Texture &t, const std::vector<LayerData> &data, const std::vector<ImageID> &images);
    // Gives every layer its values at `time` and, on a context input, a new
    // time record (the old one released). The context's callbacks are called
    // with the mutex held: they must not call the texture service.
    void prepareTime(Texture &t, double time, int frame);
    void releaseTimeRecords(Texture &t);
    // Puts the layers' groups under the owner's group (null: the top level);
    // a stale group is refused.
    void moveLayerGroups(Texture &t, ChanGroupID parent);
    // Envelope data of `from`'s layer channels into the same channels of
    // `to`, whose layers were made from `from`'s data.
    void copyLayerEnvelopes(Texture &to, const Texture &from);
    // The texture's layers as data, with each channel's envelope flagged.
    TextureData dataOf(const Texture &t) const;

    // The first context input of that name over the live contexts, in their
    // order of creation; null when none has it.
    const ContextInput *findInput(const std::string &name) const;
    std::vector<std::string> inputNames() const;

private:
    void destroyLayers(Texture &t);
    void resolveInput(const Texture &t, Layer &layer) const;

    std::unordered_set<const Context *> contexts_;
    std::vector<Context *> contextOrder_;
    std::unordered_set<const Texture *> textures_;
    std::unordered_set<const Layer *> layers_;
};

TextureRegistry &textureRegistry();

inline TxtrContextID handle(Context *c) { return reinterpret_cast<TxtrContextID>(c); }
inline TextureID handle(Texture *t) { return reinterpret_cast<TextureID>(t); }
inline TLayerID handle(Layer *l) { return reinterpret_cast<TLayerID>(l); }

// minihost's own gradient inputs by name: "Previous Layer" (the layers below,
// their first channel or a colour's intensity), "X Coordinate",
// "Y Coordinate", "Z Coordinate" (the spot's world position).
OwnInput ownInputNamed(const std::string &name);
std::vector<std::string> ownInputNames();

}  // namespace minihost::textures
