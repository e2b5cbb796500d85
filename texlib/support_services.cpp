#include "texlib/support_services.h"

#include "module_base/module_state.h"
#include "texlib/texture_support_tables.h"

namespace qr {

bool SupportServices::anyHeld() const {
    return textureFuncs || itemInfo || lightInfo || objectInfo || imageList || vparmFuncs || envelopeFuncs ||
           surfaceFuncs || channelInfo || sceneObjects;
}

namespace {
constinit ModuleObjectSlot<TextureSupportTables> tablesSlot;
}  // namespace

ModuleObjectSlot<TextureSupportTables> &textureSupportTablesSlot() noexcept { return tablesSlot; }

void resetTextureSupportForTests() noexcept {
    textureSupportTables().services = {};
    textureSupportTables().sharedContext = nullptr;
}

void acquireSupportServices() {
    SupportServices &s = textureSupportTables().services;
    GlobalFunc *global = hostLookup();
    if (s.anyHeld() || !global) return;
    auto get = [global](const char *name) { return global(name, 0); };
    s.textureFuncs = static_cast<TextureFuncs *>(get(SERVICE_TEXTURE_FUNCS));
    s.itemInfo = static_cast<ItemInfo *>(get(SERVICE_ITEM_INFO));
    s.lightInfo = static_cast<LightInfo *>(get(SERVICE_LIGHT_INFO));
    s.objectInfo = static_cast<ObjectInfo *>(get(SERVICE_OBJECT_INFO));
    s.imageList = static_cast<ImageList *>(get(SERVICE_IMAGE_LIST));
    s.vparmFuncs = static_cast<VParmFuncs *>(get(SERVICE_VPARM_FUNCS));
    s.envelopeFuncs = static_cast<EnvelopeFuncs *>(get(SERVICE_ENVELOPE_FUNCS));
    s.surfaceFuncs = static_cast<SurfaceFuncs *>(get(SERVICE_SURFACE_FUNCS));
    s.channelInfo = static_cast<ChannelInfo *>(get(SERVICE_CHANNEL_INFO));
    s.sceneObjects = static_cast<SceneObjects *>(get(SERVICE_SCENE_OBJECTS));
}

const SupportServices &supportServices() noexcept { return textureSupportTables().services; }

}  // namespace qr
