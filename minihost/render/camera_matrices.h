// The camera of a frame as the matrices OpenEXR's header gives a compositor:
// world to camera space (left-handed, +x right, +y up, +z the view
// direction) and world to normalised device coordinates ((0, 0) the
// top-left corner of the frame, (1, 1) the bottom-right). Both act on row
// vectors, p' = p * M, as OpenEXR's matrices do; worldToNDC's result is
// divided by its w.
#pragma once

#include "minihost/render/camera_rays.h"

namespace minihost {

struct CameraMatrices {
    bool known = false;
    float worldToCamera[4][4] = {};
    float worldToNDC[4][4] = {};
    float hfovDegrees = 0, vfovDegrees = 0;
};

CameraMatrices cameraMatricesOf(const CameraFrame &camera);

}  // namespace minihost
