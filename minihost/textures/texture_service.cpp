#include "minihost/textures/texture_service.h"

#include <atomic>
#include <cmath>
#include <mutex>

#include "minihost/core/service_guard.h"
#include "minihost/textures/texture_evaluation.h"
#include "minihost/textures/texture_registry.h"

namespace minihost {
namespace {

using namespace textures;

std::atomic<const ImageList *> gImages{nullptr};

TextureRegistry &reg() { return textureRegistry(); }

TxtrContextID contextCreate(TxtrInputFuncs funcs) {
    std::unique_lock lock(reg().mutex);
    return handle(reg().createContext(funcs));
}

void contextDestroy(TxtrContextID ctx) {
    std::unique_lock lock(reg().mutex);
    reg().destroyContext(reg().context(ctx));
}

void contextAddInput(TxtrContextID ctx, TxtrInputParam param) {
    std::unique_lock lock(reg().mutex);
    Context *c = reg().context(ctx);
    if (!c) return;
    ContextInput &in = c->inputs.emplace_back();
    in.name = param.name ? param.name : "";
    in.param = param;
    in.param.name = in.name.c_str();
    in.param.itemID = 0;
    in.param.itemName = nullptr;
}

TLayerID firstLayer(TextureID tex) {
    std::shared_lock lock(reg().mutex);
    const Texture *t = reg().texture(tex);
    return t && !t->layers.empty() ? handle(t->layers.front().get()) : nullptr;
}

TLayerID nextLayer(TextureID tex, TLayerID layer) {
    std::shared_lock lock(reg().mutex);
    const Texture *t = reg().texture(tex);
    if (!t) return nullptr;
    for (size_t i = 0; i + 1 < t->layers.size(); ++i)
        if (handle(t->layers[i].get()) == layer) return handle(t->layers[i + 1].get());
    return nullptr;
}

ChanGroupID layerEnvGroup(TLayerID layer) {
    std::shared_lock lock(reg().mutex);
    const Layer *l = reg().layer(layer);
    if (!l) return nullptr;
    std::shared_lock channelLock(vparams::registry().mutex);
    return vparams::registry().live(l->group) ? vparams::handle(l->group) : nullptr;
}

int getParam(TLayerID layer, uint32_t tag, void *value) {
    std::shared_lock lock(reg().mutex);
    const Layer *l = reg().layer(layer);
    if (!l || !value) return 0;
    switch (tag) {
    case TXTAG_OPACITY: *static_cast<double *>(value) = l->data.opacity; return 1;
    case TXTAG_BLEND: *static_cast<int *>(value) = l->data.blend; return 1;
    case TXTAG_IMAGE:
        if (l->data.type != kImageLayer) return 0;
        *static_cast<ImageID *>(value) = l->image;
        return 1;
    default: return 0;
    }
}

int setParam(TLayerID layer, uint32_t tag, void *value) {
    std::unique_lock lock(reg().mutex);
    Layer *l = reg().layer(layer);
    if (!l || !value) return 0;
    switch (tag) {
    case TXTAG_OPACITY: {
        const double v = *static_cast<const double *>(value);
        if (!std::isfinite(v)) return 0;
        if (!(l->data.animated & kOpacityAnimated)) l->opacityNow = v;
        l->data.opacity = v;
        return 1;
    }
    case TXTAG_BLEND: {
        const int v = *static_cast<const int *>(value);
        if (v < TXBLEND_NORMAL || v > TXBLEND_MULTIPLY) return 0;
        l->data.blend = v;
        return 1;
    }
    case TXTAG_IMAGE:
        if (l->data.type != kImageLayer) return 0;
        l->image = *static_cast<ImageID *>(value);
        return 1;
    default: return 0;
    }
}

void newTime(TextureID tex, double time, int frame) {
    std::unique_lock lock(reg().mutex);
    if (Texture *t = reg().texture(tex)) reg().prepareTime(*t, time, frame);
}

int cleanUp(TextureID tex) {
    std::unique_lock lock(reg().mutex);
    if (Texture *t = reg().texture(tex)) reg().releaseTimeRecords(*t);
    return 0;
}

void setEnvGroup(TextureID tex, ChanGroupID group) {
    std::unique_lock lock(reg().mutex);
    if (Texture *t = reg().texture(tex)) reg().moveLayerGroups(*t, group);
}

const char *load(TextureID tex, const LoadState *ls) {
    TextureData data;
    if (!ls || !readTextureData(ls, data)) return "unreadable texture data";
    std::unique_lock lock(reg().mutex);
    Texture *t = reg().texture(tex);
    if (!t) return "no such texture";
    // Images come back through the owner (set-param with the image tag).
    reg().setLayers(*t, data.layers, {});
    return nullptr;
}

const char *save(TextureID tex, const SaveState *ss) {
    if (!ss) return "no save state";
    TextureData data;
    {
        std::shared_lock lock(reg().mutex);
        const Texture *t = reg().texture(tex);
        if (!t) return "no such texture";
        data = reg().dataOf(*t);
    }
    writeTextureData(ss, data);
    return nullptr;
}

// What a load or save that failed on an exception answers.
template <typename State>
const char *outOfMemory(TextureID, const State *) {
    return "not enough memory";
}

double evaluate(TextureID tex, TexturedSpot *spot, double *rgb) {
    if (!rgb) return 0.0;
    std::shared_lock lock(reg().mutex);
    const Texture *t = reg().texture(tex);
    if (t && spot) evaluateTexture(*t, *spot, gImages.load(std::memory_order_acquire), rgb);
    return rgb[0];
}

TextureID create(int dataType, const char *name, TxtrContextID ctx) {
    std::unique_lock lock(reg().mutex);
    return handle(reg().createTexture(dataType, name, reg().context(ctx)));
}

void destroy(TextureID tex) {
    std::unique_lock lock(reg().mutex);
    reg().destroyTexture(reg().texture(tex));
}

void copy(TextureID to, TextureID from) {
    std::unique_lock lock(reg().mutex);
    Texture *target = reg().texture(to);
    const Texture *source = reg().texture(from);
    if (!target || !source || target == source) return;
    const TextureData data = reg().dataOf(*source);
    std::vector<ImageID> images;
    for (const auto &layer : source->layers) images.push_back(layer->image);
    reg().setLayers(*target, data.layers, images);
    reg().copyLayerEnvelopes(*target, *source);
}

TextureFuncs record = {guardedService<"TextureFuncs.contextCreate", contextCreate>,
                       guardedService<"TextureFuncs.contextDestroy", contextDestroy>,
                       guardedService<"TextureFuncs.contextAddInput", contextAddInput>,
                       guardedService<"TextureFuncs.firstLayer", firstLayer>,
                       guardedService<"TextureFuncs.nextLayer", nextLayer>,
                       guardedService<"TextureFuncs.layerEnvGroup", layerEnvGroup>,
                       guardedService<"TextureFuncs.getParam", getParam>,
                       guardedService<"TextureFuncs.setParam", setParam>,
                       guardedService<"TextureFuncs.newTime", newTime>,
                       guardedService<"TextureFuncs.cleanUp", cleanUp>,
                       guardedService<"TextureFuncs.setEnvGroup", setEnvGroup>,
                       guardedService<"TextureFuncs.load", load, outOfMemory<LoadState>>,
                       guardedService<"TextureFuncs.save", save, outOfMemory<SaveState>>,
                       guardedService<"TextureFuncs.evaluate", evaluate>,
                       guardedService<"TextureFuncs.create", create>,
                       guardedService<"TextureFuncs.destroy", destroy>,
                       guardedService<"TextureFuncs.copy", copy>};

}  // namespace

TextureFuncs *textureFuncsRecord() { return &record; }

void useTextureImages(const ImageList *images) { gImages.store(images, std::memory_order_release); }

}  // namespace minihost
