// Light reaching a point: distant, point and spot lights (with an optional
// projection image), shadows by ray cast, and the ambient light.
#pragma once

#include "minihost/render/frame_state.h"

namespace minihost {

// Unit direction from `position` towards the light and the light's colour
// there (colour times intensity, spot cone and projection applied). False
// when the light does not reach the point (outside the cone, in shadow).
bool illuminateFrom(const FrameState &frame, const SceneLight &light, Vec3 position, Vec3 &toLight,
                    Vec3 &color);

// The ambient light's colour.
Vec3 ambientLight(const Scene &scene);

// The host's illuminate for shaders, filters and texture spots: writes the
// direction the light travels (from the light towards the position, the
// negation of illuminateFrom's) and its colour. ITEM_INDIRECT_LIGHT gives
// the ambient colour, arriving from above: (0, -1, 0).
int hostIlluminate(ItemID light, const double position[3], double direction[3], double color[3]);

}  // namespace minihost
