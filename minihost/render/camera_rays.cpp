#include "minihost/render/camera_rays.h"

#include <cmath>

#include "host/item_services.h"
#include "minihost/services/scene_services.h"

namespace minihost {

CameraFrame cameraFrameAt(const Scene &scene, double time) {
    CameraFrame cam;
    cam.width = scene.width;
    cam.height = scene.height;
    double v[3] = {0, 0, 0};
    auto param = [&](int code) {
        v[0] = v[1] = v[2] = 0;
        scene.itemParam(scene.renderCamera, code, time, v);
        return load(v);
    };
    cam.position = param(ITEM_PARAM_W_POSITION);
    cam.right = normalized(param(ITEM_PARAM_RIGHT));
    cam.up = normalized(param(ITEM_PARAM_UP));
    cam.forward = normalized(param(ITEM_PARAM_FORWARD));
    const SceneItem *item = scene.item(scene.renderCamera);
    const double hfov =
        item && item->type == ITEM_TYPE_CAMERA ? static_cast<const SceneCamera *>(item)->hfov : radians(60);
    cam.tanHalfH = std::tan(hfov * 0.5);
    cam.tanHalfV = std::tan(verticalFov(hfov, scene.width, scene.height) * 0.5);
    cam.pixelAngle = scene.width > 0 ? 2.0 * cam.tanHalfH / scene.width : 0;
    return cam;
}

Vec3 rayThrough(const CameraFrame &cam, double px, double py) {
    const double sx = 2.0 * (px / cam.width - 0.5);
    const double sy = 2.0 * (0.5 - py / cam.height);
    return normalized(cam.forward + cam.right * (sx * cam.tanHalfH) + cam.up * (sy * cam.tanHalfV));
}

bool projectToFrame(const CameraFrame &cam, Vec3 world, double &px, double &py) {
    const Vec3 d = world - cam.position;
    const double z = dot(d, cam.forward);
    if (!(z > 0) || cam.tanHalfH <= 0 || cam.tanHalfV <= 0) return false;
    const double sx = dot(d, cam.right) / (z * cam.tanHalfH);
    const double sy = dot(d, cam.up) / (z * cam.tanHalfV);
    px = (sx * 0.5 + 0.5) * cam.width;
    py = (0.5 - sy * 0.5) * cam.height;
    return std::isfinite(px) && std::isfinite(py);
}

}  // namespace minihost
