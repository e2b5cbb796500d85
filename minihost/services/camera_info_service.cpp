// "LW Camera Info 2": the horizontal field of view is the camera's; the
// vertical one follows from the frame's aspect.
#include <cmath>

#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {

double verticalFov(double hfov, int width, int height) {
    if (width <= 0 || height <= 0) return hfov;
    return 2.0 * std::atan(std::tan(hfov * 0.5) * height / width);
}

namespace {

// Each thread's last answer: a tracer asks for every ray it makes, and the
// vertical angle costs a tangent and an arc tangent.
struct LastAngles {
    const SceneCamera *camera = nullptr;
    double hfov = 0;
    int width = 0, height = 0;
    double vfov = 0;
};
thread_local LastAngles tLast;

void fovAngles(ItemID camera, double, double *horizontal, double *vertical) {
    const SceneCamera *c = cameraFromID(camera);
    const Scene *s = activeScenePtr();
    if (!c || !s) return;
    LastAngles &last = tLast;
    if (last.camera != c || !(last.hfov == c->hfov) || last.width != s->width || last.height != s->height)
        last = LastAngles{c, c->hfov, s->width, s->height, verticalFov(c->hfov, s->width, s->height)};
    if (horizontal) *horizontal = c->hfov;
    if (vertical) *vertical = last.vfov;
}

CameraInfo record = {guardedService<"CameraInfo.fovAngles", fovAngles>};

}  // namespace

CameraInfo *cameraInfoRecord() { return &record; }

}  // namespace minihost
