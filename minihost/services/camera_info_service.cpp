// "LW Camera Info 2": the horizontal field of view is the camera's; the
// vertical one follows from the frame's aspect.
#include <cmath>

#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {

double verticalFov(double hfov, int width, int height) {
    if (width <= 0 || height <= 0) return hfov;
    return 2.0 * std::atan(std::tan(hfov * 0.5) * height / width);
}

namespace {

void fovAngles(ItemID camera, double, double *horizontal, double *vertical) {
    const SceneCamera *c = cameraFromID(camera);
    const Scene *s = activeScenePtr();
    if (!c || !s) return;
    if (horizontal) *horizontal = c->hfov;
    if (vertical) *vertical = verticalFov(c->hfov, s->width, s->height);
}

CameraInfo record = {fovAngles};

}  // namespace

CameraInfo *cameraInfoRecord() { return &record; }

}  // namespace minihost
