// "LW Scene Info 3" of the active scene: its frame size and render camera.
#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

int frameWidth() {
    const Scene *s = activeScenePtr();
    return s ? s->width : 0;
}

int frameHeight() {
    const Scene *s = activeScenePtr();
    return s ? s->height : 0;
}

double framesPerSecond() {
    const Scene *s = activeScenePtr();
    return s ? s->fps : 0.0;
}

// One camera renders every frame.
ItemID renderCamera(double) {
    const Scene *s = activeScenePtr();
    return s ? s->renderCamera : ITEM_NULL;
}

SceneInfo record = {"",
                    "",
                    guardedService<"SceneInfo.frameWidth", frameWidth>,
                    guardedService<"SceneInfo.frameHeight", frameHeight>,
                    guardedService<"SceneInfo.framesPerSecond", framesPerSecond>,
                    guardedService<"SceneInfo.renderCamera", renderCamera>};

}  // namespace

SceneInfo *sceneInfoRecord() {
    const Scene *s = activeScenePtr();
    record.name = s ? s->name.c_str() : "";
    record.filename = s ? s->path.c_str() : "";
    return &record;
}

}  // namespace minihost
