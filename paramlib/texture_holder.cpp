#include "paramlib/texture_holder.h"

#include "host/textures.h"
#include "paramlib/param_block.h"
#include "texlib/image_blocks.h"
#include "texlib/support_services.h"

namespace qr {

namespace {

constexpr BlockIdent kTextureIdents[] = {{SETTINGS_TEXTURE_BLOCK, SETTINGS_TEXTURE_BLOCK_TOKEN},
                                         {0, nullptr}};

const TextureFuncs *textureService() {
    acquireSupportServices();
    return supportServices().textureFuncs;
}

}  // namespace

void TextureHolder::save(const SaveState *ss) const {
    if (!ss || !ss->beginBlock || !ss->endBlock || !ss->writeI4) return;
    const TextureFuncs *tf = textureService();
    ss->beginBlock(ss->writeData, &kTextureIdents[0], 0);
    const int32_t version = SETTINGS_VERSION;
    ss->writeI4(ss->writeData, &version, 1);
    if (texture && tf && tf->save) tf->save(texture, ss);
    writeImageEnvelopes(texture, ss);
    writeImageReferences(texture, ss);
    ss->endBlock(ss->writeData);
}

void TextureHolder::load(const LoadState *ls) {
    if (!ls || !ls->findBlock || !ls->endBlock || !ls->readI4) return;
    const TextureFuncs *tf = textureService();
    int32_t version = 0;
    if (ls->findBlock(ls->readData, kTextureIdents) == SETTINGS_TEXTURE_BLOCK &&
        ls->readI4(ls->readData, &version, 1) == 1 && version == SETTINGS_VERSION) {
        if (texture && tf && tf->load) tf->load(texture, ls);
        readImageEnvelopes(texture, ls);
        readImageReferences(texture, ls);
    }
    ls->endBlock(ls->readData);
}

}  // namespace qr
