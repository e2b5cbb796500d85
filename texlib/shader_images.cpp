// The edge shader's envelope group and the images it prepares at render
// start.
#include "module_base/module_state.h"
#include "texlib/shader_texture_support.h"
#include "texlib/support_services.h"

namespace qr {

ChanGroupID createShaderEnvelopeGroup(const char *name, SurfaceID surface) {
    acquireSupportServices();
    const SupportServices &s = supportServices();
    if (!s.envelopeFuncs || !s.envelopeFuncs->createGroup || !name) return nullptr;
    ChanGroupID parent = nullptr;
    if (surface && s.surfaceFuncs && s.surfaceFuncs->chanGroup) parent = s.surfaceFuncs->chanGroup(surface);
    return s.envelopeFuncs->createGroup(parent, name);
}

void prepareLightImages() {
    const ServiceTable &s = services();
    const ItemInfo *items = s.itemInfo;
    if (!items || !items->first || !items->next || !s.lightInfo || !s.imageList) return;
    for (ItemID light = items->first(ITEM_TYPE_LIGHT, ITEM_NULL); light != ITEM_NULL;
         light = items->next(light)) {
        if (!s.lightInfo->type || s.lightInfo->type(light) != LIGHT_TYPE_SPOT || !s.lightInfo->projImage)
            continue;
        ImageID image = s.lightInfo->projImage(light);
        if (image && s.imageList->needAA) s.imageList->needAA(image);
    }
}

void prepareSurfaceImages(SurfaceID surface) {
    const ServiceTable &s = services();
    const SurfaceFuncs *surfaces = s.surfaceFuncs;
    if (!surface || !surfaces || !surfaces->getInt || !surfaces->getImg || !s.imageList ||
        !s.imageList->needAA)
        return;
    const struct {
        const char *option, *image;
    } kinds[] = {{"ReflectionOptions", "ReflectionImage"}, {"RefractionOptions", "RefractionImage"}};
    for (const auto &kind : kinds) {
        const int option = surfaces->getInt(surface, kind.option);
        if (option != 2 && option != 3) continue;
        if (ImageID image = surfaces->getImg(surface, kind.image)) s.imageList->needAA(image);
    }
}

}  // namespace qr
