// What the edge shader needs of the texture support: a texture spot built from
// its shaded sample, its instance's envelope group, the bounding box of a
// surface for the host's texture events, and the image preparation at render
// start. Each operation acquires the texture support's services on first use
// and falls back as stated when one is missing.
#pragma once

#include "host/access.h"
#include "host/host_types.h"
#include "host/scene_objects.h"
#include "host/textures.h"
#include "texlib/vector.h"

namespace qr {

// Fills `spot` from the shader access record (initialised first with the
// variant-parameter service's spot initialisation, when held): positions,
// normals, the ray vector (world position minus ray source, not normalised),
// transforms, object, `surface`, points, polygon, ray functions and both
// dominant axes.
void buildTextureSpot(TexturedSpot *spot, const ShaderAccess *sa, SurfaceID surface);

// A new envelope group named `name` under the surface's channel group, or
// with no parent when surface is null; null without the services.
ChanGroupID createShaderEnvelopeGroup(const char *name, SurfaceID surface);

// Six doubles: x min, x max, y min, y max, z min, z max over the base
// positions of every polygon of the surface in every scene object. False, and
// the box -0.5..0.5 on all three axes, when no polygon carries the surface.
bool surfaceBoundingBox(SurfaceID surface, double box[6]);

// Asks the image list to prepare the projection images of spot lights, and
// the reflection and refraction images of a surface, for anti-aliased lookup.
void prepareLightImages();
void prepareSurfaceImages(SurfaceID surface);

// 2 if |d.a2| is the largest, else 1 if |d.a1| > |d.a0|, else 0: ties go to
// the lower index.
int dominantAxis(const Vector &d, const Vector &a0, const Vector &a1, const Vector &a2) noexcept;

// The unnormalised normal (B - A)^ x (C - A)^ of a polygon from its first,
// second and last vertex; false for a null polygon or one with fewer than
// three vertices.
bool polygonNormal(MeshInfo *mesh, PolygonID polygon, Vector &out);

}  // namespace qr
