// The services a scene provides while it is rendered: items, objects, lights,
// cameras, the scene, scene objects, surfaces, the selection and images.
#pragma once

#include <cstdint>

#include "host/images.h"
#include "host/item_services.h"
#include "host/scene_objects.h"
#include "minihost/scene/scene.h"

namespace minihost {

// Makes `scene` the active scene and provides its services in the registry
// ("LW Item Info 3", "LW Object Info 4", "LW Light Info 3", "LW Camera Info 2",
// "LW Scene Info 3", "Scene Objects 4", "Surface Functions 2",
// "LW Interface Info 3", "LW Image List 3" and "LWLMonFuncs").
void installSceneServices(Scene &scene);
// Removes them again; "LW Scene Info 3" goes back to the basic record.
void removeSceneServices();

ItemInfo *itemInfoRecord();
ObjectInfo *objectInfoRecord();
LightInfo *lightInfoRecord();
CameraInfo *cameraInfoRecord();
SceneInfo *sceneInfoRecord();
SceneObjects *sceneObjectsRecord();
SurfaceFuncs *surfaceFuncsRecord();
InterfaceInfo *interfaceInfoRecord();
ImageList *imageListRecord();

// Points and polygons in host records are their index plus one (null: none).
inline PointID pointHandle(int index) { return reinterpret_cast<PointID>(static_cast<uintptr_t>(index) + 1); }
inline PolygonID polygonHandle(int index) {
    return reinterpret_cast<PolygonID>(static_cast<uintptr_t>(index) + 1);
}

// A mesh record of the object's mesh (owned by the caller until its
// destroy); null when memory is short.
MeshInfo *newMeshInfo(const SceneObject &object);

// Weight maps are numbered across the scene: each distinct name, in the
// order of the objects and their maps, from 1. That number is the map's
// VMapID in every mesh record; 0: no map has the name.
uint32_t weightMapNumber(const Scene &scene, const std::string &name);

// Vertical field of view that follows from the horizontal one and the
// frame's aspect (width / height).
double verticalFov(double hfov, int width, int height);

}  // namespace minihost
