#include "texlib/image_blocks.h"

#include "host/images.h"
#include "host/textures.h"
#include "host/variant_params.h"
#include "texlib/support_services.h"

namespace qr {

const BlockIdent kImageBlockIdents[6] = {
    {SETTINGS_IMAGE_REF, SETTINGS_IMAGE_REF_TOKEN},
    {SETTINGS_IMAGE_VALUE, SETTINGS_IMAGE_VALUE_TOKEN},
    {SETTINGS_IMAGE_DATA, SETTINGS_IMAGE_DATA_TOKEN},
    {SETTINGS_IMAGE_ENVELOPE, SETTINGS_IMAGE_ENVELOPE_TOKEN},
    {SETTINGS_IMAGE_ENVELOPE, SETTINGS_IMAGE_ENVELOPE_DATA_TOKEN},
    {0, nullptr},
};

namespace {

constexpr int kImageNameSize = 512;
// Walks stop here: a host whose layer or channel list never ends must not
// hang a scene save.
constexpr int kMaxWalk = 1 << 16;

const BlockIdent *ident(int entry) { return &kImageBlockIdents[entry - 1]; }

bool canWrite(const SaveState *ss) { return ss && ss->beginBlock && ss->endBlock && ss->writeI4; }
bool canRead(const LoadState *ls) { return ls && ls->findBlock && ls->endBlock && ls->readI4; }

void writeValue(const SaveState *ss, int32_t v) {
    ss->beginBlock(ss->writeData, ident(2), 0);
    ss->writeI4(ss->writeData, &v, 1);
    ss->endBlock(ss->writeData);
}

int32_t readValue(const LoadState *ls) {
    int32_t v = 0;
    if (ls->findBlock(ls->readData, kImageBlockIdents) == SETTINGS_IMAGE_VALUE)
        ls->readI4(ls->readData, &v, 1);
    ls->endBlock(ls->readData);
    return v;
}

// Calls f(layer) for every layer of the texture, in order.
template <typename F>
void forEachLayer(const TextureFuncs *tf, TextureID texture, F f) {
    if (!tf || !tf->firstLayer || !tf->nextLayer || !texture) return;
    int walked = 0;
    for (TLayerID layer = tf->firstLayer(texture); layer && walked < kMaxWalk;
         layer = tf->nextLayer(texture, layer), ++walked)
        f(layer);
}

// Calls f(envelope) for every channel with an envelope in the layers'
// envelope groups, in layer order, then channel order.
template <typename F>
void forEachLayerEnvelope(const SupportServices &s, TextureID texture, F f) {
    const TextureFuncs *tf = s.textureFuncs;
    const ChannelInfo *channels = s.channelInfo;
    if (!tf || !tf->layerEnvGroup || !channels || !channels->nextChannel || !channels->channelEnvelope)
        return;
    forEachLayer(tf, texture, [&](TLayerID layer) {
        ChanGroupID group = tf->layerEnvGroup(layer);
        if (!group) return;
        int walked = 0;
        for (ChannelID chan = channels->nextChannel(group, nullptr); chan && walked < kMaxWalk;
             chan = channels->nextChannel(group, chan), ++walked)
            if (EnvelopeID env = channels->channelEnvelope(chan)) f(env);
    });
}

ImageID imageOf(const TextureFuncs *tf, TLayerID layer) {
    ImageID image = nullptr;
    if (!tf->getParam || !tf->getParam(layer, TXTAG_IMAGE, &image)) return nullptr;
    return image;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameNameIgnoringCase(const char *a, const char *b) {
    for (; *a && *b; ++a, ++b)
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
    return *a == *b;
}

void writeImageData(const SaveState *ss, const ImageList *images, ImageID image) {
    ss->beginBlock(ss->writeData, ident(3), 0);
    const int32_t version = SETTINGS_IMAGE_DATA_VERSION;
    ss->writeI4(ss->writeData, &version, 1);
    const int16_t flag = image ? 1 : 0;
    if (ss->writeI2) ss->writeI2(ss->writeData, &flag, 1);
    const char *name = (image && images && images->name) ? images->name(image) : nullptr;
    if (ss->writeStr) ss->writeStr(ss->writeData, name ? name : "");
    if (image && images && images->sceneSave) images->sceneSave(ss, image);
    ss->endBlock(ss->writeData);
}

ImageID findImageNamed(const ImageList *images, const char *name) {
    if (!images || !images->first || !images->next || !images->name) return nullptr;
    int walked = 0;
    for (ImageID image = images->first(); image && walked < kMaxWalk; image = images->next(image), ++walked) {
        const char *listed = images->name(image);
        if (listed && sameNameIgnoringCase(listed, name)) return image;
    }
    return nullptr;
}

ImageID readImageData(const LoadState *ls, const ImageList *images) {
    void *rd = ls->readData;
    ImageID image = nullptr;
    int32_t version = 0;
    if (ls->findBlock(rd, kImageBlockIdents) == SETTINGS_IMAGE_DATA && ls->readI4(rd, &version, 1) == 1 &&
        version == SETTINGS_IMAGE_DATA_VERSION) {
        int16_t flag = 0;
        char name[kImageNameSize] = {};
        if (ls->readI2) ls->readI2(rd, &flag, 1);
        if (ls->readStr) ls->readStr(rd, name, kImageNameSize);
        name[kImageNameSize - 1] = '\0';
        if (flag != 0) {
            image = findImageNamed(images, name);
            if (!image && images && images->sceneLoad) image = images->sceneLoad(ls);
        }
    }
    ls->endBlock(rd);  // skips the description of an image found by name
    return image;
}

}  // namespace

void writeImageEnvelopes(TextureID texture, const SaveState *ss) {
    if (!canWrite(ss)) return;
    const SupportServices &s = supportServices();
    int32_t count = 0;
    forEachLayerEnvelope(s, texture, [&](EnvelopeID) { ++count; });
    ss->beginBlock(ss->writeData, ident(4), 0);
    writeValue(ss, count);
    forEachLayerEnvelope(s, texture, [&](EnvelopeID env) {
        ss->beginBlock(ss->writeData, ident(5), 0);
        if (s.envelopeFuncs && s.envelopeFuncs->save) s.envelopeFuncs->save(env, ss);
        ss->endBlock(ss->writeData);
    });
    ss->endBlock(ss->writeData);
}

void readImageEnvelopes(TextureID texture, const LoadState *ls) {
    if (!canRead(ls)) return;
    void *rd = ls->readData;
    if (ls->findBlock(rd, kImageBlockIdents) != SETTINGS_IMAGE_ENVELOPE) {
        ls->endBlock(rd);
        return;
    }
    readValue(ls);  // the count: the walk below finds the channels itself
    const SupportServices &s = supportServices();
    forEachLayerEnvelope(s, texture, [&](EnvelopeID env) {
        if (ls->findBlock(rd, kImageBlockIdents) == SETTINGS_IMAGE_ENVELOPE && s.envelopeFuncs &&
            s.envelopeFuncs->load)
            s.envelopeFuncs->load(env, ls);
        ls->endBlock(rd);
    });
    ls->endBlock(rd);
}

void writeImageReferences(TextureID texture, const SaveState *ss) {
    if (!canWrite(ss)) return;
    acquireSupportServices();
    const SupportServices &s = supportServices();
    const TextureFuncs *tf = s.textureFuncs;
    int32_t count = 0;
    forEachLayer(tf, texture, [&](TLayerID layer) { count += imageOf(tf, layer) ? 1 : 0; });
    ss->beginBlock(ss->writeData, ident(1), 0);
    writeValue(ss, count);
    if (count > 0) {
        int32_t position = 0;
        forEachLayer(tf, texture, [&](TLayerID layer) {
            if (ImageID image = imageOf(tf, layer)) {
                writeValue(ss, position);
                writeImageData(ss, s.imageList, image);
            }
            ++position;
        });
    }
    ss->endBlock(ss->writeData);
}

void readImageReferences(TextureID texture, const LoadState *ls) {
    if (!canRead(ls)) return;
    acquireSupportServices();
    const SupportServices &s = supportServices();
    const TextureFuncs *tf = s.textureFuncs;
    void *rd = ls->readData;
    if (ls->findBlock(rd, kImageBlockIdents) != SETTINGS_IMAGE_REF) {
        ls->endBlock(rd);
        return;
    }
    const int32_t count = readValue(ls);
    if (count > 0 && texture && tf && tf->firstLayer && tf->nextLayer) {
        int32_t target = readValue(ls), loaded = 0, position = 0;
        for (TLayerID layer = tf->firstLayer(texture); layer && position < kMaxWalk;
             layer = tf->nextLayer(texture, layer), ++position) {
            if (position != target) continue;
            ImageID image = readImageData(ls, s.imageList);
            if (tf->setParam) tf->setParam(layer, TXTAG_IMAGE, &image);  // also when none was found
            if (++loaded >= count) break;
            target = readValue(ls);
        }
    }
    ls->endBlock(rd);
}

}  // namespace qr
