// The pieces of the edge shader's evaluate that both editions share: the
// services it needs, the scene-object test, the line settings' values at a
// sample, the camera depth and the colour bytes.
#pragma once

#include <cstdint>

#include "host/access.h"
#include "host/textures.h"
#include "shader/edge_shader_instance.h"
#include "texlib/vector.h"

namespace qr {

// The six services recording needs: items, lights, objects, scene, camera
// and render memory.
bool recordingServicesPresent() noexcept;

// True when `object` is one of the scene's objects (found by walking the
// item service's objects from the first).
bool isSceneObject(ItemID object);

// The line settings at a sample, evaluated at the current frame time with
// the sample's texture spot.
struct SampleLineValues {
    double color[3];  // line colour
    double second;    // width boost (stroke) or density (line)
};
// Builds the spot and queries both parameters; missing parameters or service
// give colour (0, 0, 0) and the edition's default second setting.
SampleLineValues queryLineValues(const EdgeShaderInstance &inst, const ShaderAccess &sa);
// The line colour alone (the stroke edition's non-scene rim needs nothing else).
void queryLineColor(const EdgeShaderInstance &inst, const ShaderAccess &sa, double color[3]);

// The smoothed normal before bump mapping, divided by its length; (0, 0, 0)
// for a zero-length (or non-number) normal.
Vector unitSampleNormal(const ShaderAccess &sa) noexcept;

// (P - C) . F with C the camera's world position and F its forward axis,
// both from the frame item snapshot.
double cameraDepth(ItemID camera, const double position[3]) noexcept;

// min(255, c x 255) truncated toward zero; negative and non-number
// components give 0.
uint8_t colorByte(double c) noexcept;

// A cell's normal as three floats and its line colour as three bytes.
void storeNormal(float cell[3], const Vector &n) noexcept;
void storeColorBytes(uint8_t cell[3], const double color[3]) noexcept;

}  // namespace qr
