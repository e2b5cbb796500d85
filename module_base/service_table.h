// The host services that activation acquires, one typed pointer per service.
#pragma once

#include "host/images.h"
#include "host/item_services.h"
#include "host/messages_files.h"
#include "host/render_memory.h"
#include "host/scene_objects.h"

namespace qr {

// The acquisition list, in the order the services are asked for.
enum class ServiceId {
    ItemInfo,       // "LW Item Info 3"
    LightInfo,      // "LW Light Info 3"
    ObjectInfo,     // "LW Object Info 4"
    SceneInfo,      // "LW Scene Info 3"
    CameraInfo,     // "LW Camera Info 2"
    RenderMemory,   // "Global Render Memory"
    ImageList,      // "LW Image List 3"
    SurfaceFuncs,   // "Surface Functions 2"
    SceneObjects,   // "Scene Objects 4"
    InterfaceInfo,  // "LW Interface Info 3"
    InfoMessages,   // "Info Messages 2" (stroke edition only)
    Monitor,        // "LWLMonFuncs" (stroke edition only)
    FileIO,         // "File IO"
};

// The host's name of a service of the list.
const char *serviceName(ServiceId id);

// Null where the host has no such service (or the edition does not ask for it).
struct ServiceTable {
    ItemInfo *itemInfo;
    LightInfo *lightInfo;
    ObjectInfo *objectInfo;
    SceneInfo *sceneInfo;
    CameraInfo *cameraInfo;
    RenderMemory *renderMemory;
    ImageList *imageList;
    SurfaceFuncs *surfaceFuncs;
    SceneObjects *sceneObjects;
    InterfaceInfo *interfaceInfo;
    InfoMessages *infoMessages;
    MonitorFuncs *monitor;
    FileIOFuncs *fileIO;
};

}  // namespace qr
