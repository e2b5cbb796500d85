// "LW Light Info 3" over the active scene.
#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

void ambient(double, double color[3]) {
    const Scene *s = activeScenePtr();
    if (!color) return;
    store(s ? s->ambientColor * s->ambientIntensity : Vec3{}, color);
}

int type(ItemID light) {
    const SceneLight *l = lightFromID(light);
    return l ? l->lightType : -1;
}

void color(ItemID light, double, double out[3]) {
    const SceneLight *l = lightFromID(light);
    if (l && out) store(l->color, out);
}

unsigned int flags(ItemID light) {
    const SceneLight *l = lightFromID(light);
    return l ? l->flags : 0u;
}

double intensity(ItemID light, double) {
    const SceneLight *l = lightFromID(light);
    return l ? l->intensity : 0.0;
}

ImageID projImage(ItemID light) {
    const SceneLight *l = lightFromID(light);
    return l && l->lightType == LIGHT_TYPE_SPOT && l->projection ? imageHandle(l->projection) : nullptr;
}

LightInfo record = {
    guardedService<"LightInfo.ambient", ambient>,     guardedService<"LightInfo.type", type>,
    guardedService<"LightInfo.color", color>,         guardedService<"LightInfo.flags", flags>,
    guardedService<"LightInfo.intensity", intensity>, guardedService<"LightInfo.projImage", projImage>};

}  // namespace

LightInfo *lightInfoRecord() { return &record; }

}  // namespace minihost
