// A settable "LW Scene Info 3" for running modules before a scene exists:
// it answers the frame size and has no render camera.
#pragma once

#include "host/item_services.h"

namespace minihost {

SceneInfo *basicSceneInfoRecord();
// Default 640 x 480. Negative sizes are stored as 0.
void setBasicFrameSize(int width, int height);

}  // namespace minihost
