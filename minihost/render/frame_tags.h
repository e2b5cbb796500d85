// What a frame's file records besides its pixels: in a PNG's text chunks, in
// an OpenEXR file's header.
#pragma once

#include <string>

#include "minihost/render/camera_matrices.h"

namespace minihost {

struct FrameTags {
    int frame = 0;
    std::string camera;     // the render camera's name
    std::string scene;      // the scene file's name
    std::string pixelHash;  // framePixelHash (render/pixel_hash.h)
    CameraMatrices view;    // the render camera at the frame's time (OpenEXR only)
};

}  // namespace minihost
