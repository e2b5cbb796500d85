#include "minihost/core/scene_info_basic.h"

#include <atomic>

#include "minihost/core/service_guard.h"

namespace minihost {
namespace {

std::atomic<int> frameWidthValue{640};
std::atomic<int> frameHeightValue{480};

int frameWidth() { return frameWidthValue.load(); }
int frameHeight() { return frameHeightValue.load(); }
double framesPerSecond() { return 30.0; }
ItemID renderCamera(double) { return ITEM_NULL; }

SceneInfo record = {"untitled",
                    "",
                    guardedService<"SceneInfo.frameWidth", frameWidth>,
                    guardedService<"SceneInfo.frameHeight", frameHeight>,
                    guardedService<"SceneInfo.framesPerSecond", framesPerSecond>,
                    guardedService<"SceneInfo.renderCamera", renderCamera>};

}  // namespace

SceneInfo *basicSceneInfoRecord() { return &record; }

void setBasicFrameSize(int width, int height) {
    frameWidthValue.store(width < 0 ? 0 : width);
    frameHeightValue.store(height < 0 ? 0 : height);
}

}  // namespace minihost
