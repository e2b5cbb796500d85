#include "minihost/render/lights.h"

#include <cmath>
#include <limits>

#include "host/item_services.h"

namespace minihost {

Vec3 ambientLight(const Scene &scene) { return scene.ambientColor * scene.ambientIntensity; }

bool illuminateFrom(const FrameState &frame, const SceneLight &light, Vec3 p, Vec3 &toLight, Vec3 &color) {
    const LightFrame *lf = frame.lightFrame(light);
    if (!lf) return false;
    const Vec3 forward = lf->forward;
    double distance = std::numeric_limits<double>::infinity();
    color = light.color * light.intensity;
    if (light.lightType == LIGHT_TYPE_DISTANT) {
        toLight = -forward;
    } else {
        const Vec3 d = lf->position - p;
        distance = length(d);
        toLight = normalized(d);
        if (light.lightType == LIGHT_TYPE_SPOT) {
            const double angle = std::acos(std::fmin(1.0, std::fmax(-1.0, dot(-toLight, forward))));
            if (angle > light.coneAngle + light.edgeAngle) return false;
            if (angle > light.coneAngle && light.edgeAngle > 0)
                color = color * (1.0 - (angle - light.coneAngle) / light.edgeAngle);
            if (light.projection) {
                // The image spans the cone: its centre on the axis.
                const Vec3 d0 = -toLight;
                const double z = dot(d0, forward);
                const double t = std::tan(light.coneAngle);
                if (z > 0 && t > 0) {
                    double c[3];
                    light.projection->sample(0.5 + 0.5 * dot(d0, lf->right) / (z * t),
                                             0.5 - 0.5 * dot(d0, lf->up) / (z * t), c);
                    color = Vec3{color.x * c[0], color.y * c[1], color.z * c[2]};
                }
            }
        }
    }
    if (length(toLight) == 0) return false;
    if (light.shadows) {
        const double eps = rayEpsilon(p);
        if (frame.geometry.occluded(p, toLight, eps, distance - eps)) return false;
    }
    return color.x > 0 || color.y > 0 || color.z > 0;
}

int hostIlluminate(ItemID light, const double position[3], double direction[3], double color[3]) {
    const FrameState *frame = shadingThread().frame;
    if (!frame || !position) return 0;
    if (light == ITEM_INDIRECT_LIGHT) {
        if (direction) store({0, -1, 0}, direction);  // from above
        if (color) store(ambientLight(*frame->scene), color);
        return 1;
    }
    const SceneItem *item = frame->scene->item(light);
    if (!item || item->type != ITEM_TYPE_LIGHT) return 0;
    Vec3 to, c;
    if (!illuminateFrom(*frame, *static_cast<const SceneLight *>(item), load(position), to, c)) return 0;
    if (direction) store(-to, direction);  // the way the light travels
    if (color) store(c, color);
    return 1;
}

}  // namespace minihost
