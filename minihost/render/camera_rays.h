// Camera rays with the conventions the modules' own rays use: left-handed,
// +Z forward, row 0 at the top, x to the right; screen positions run from -1
// to 1 across the frame and scale the camera's right and up axes by the
// tangents of half the field-of-view angles.
#pragma once

#include "minihost/scene/scene.h"
#include "minihost/scene/vec_math.h"

namespace minihost {

struct CameraFrame {
    Vec3 position, right, up, forward;  // unit axes, world
    double tanHalfH = 0, tanHalfV = 0;
    int width = 0, height = 0;
    double pixelAngle = 0;  // approximate angle one pixel spans, radians
};

CameraFrame cameraFrameAt(const Scene &scene, double time);

// Unit direction through the frame position (px, py) in pixels, (0, 0) the
// top-left corner of the frame; a pixel's centre is (x + 0.5, y + 0.5).
Vec3 rayThrough(const CameraFrame &cam, double px, double py);

// The frame position (pixels) where a world point appears; false for a
// point on or behind the camera's plane.
bool projectToFrame(const CameraFrame &cam, Vec3 world, double &px, double &py);

}  // namespace minihost
