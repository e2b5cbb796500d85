#include "module_base/edition.h"
#include "module_base/module_state.h"

namespace qr {

const char *serviceName(ServiceId id) {
    switch (id) {
    case ServiceId::ItemInfo: return SERVICE_ITEM_INFO;
    case ServiceId::LightInfo: return SERVICE_LIGHT_INFO;
    case ServiceId::ObjectInfo: return SERVICE_OBJECT_INFO;
    case ServiceId::SceneInfo: return SERVICE_SCENE_INFO;
    case ServiceId::CameraInfo: return SERVICE_CAMERA_INFO;
    case ServiceId::RenderMemory: return SERVICE_RENDER_MEMORY;
    case ServiceId::ImageList: return SERVICE_IMAGE_LIST;
    case ServiceId::SurfaceFuncs: return SERVICE_SURFACE_FUNCS;
    case ServiceId::SceneObjects: return SERVICE_SCENE_OBJECTS;
    case ServiceId::InterfaceInfo: return SERVICE_INTERFACE_INFO;
    case ServiceId::InfoMessages: return SERVICE_INFO_MESSAGES;
    case ServiceId::Monitor: return SERVICE_MONITOR;
    case ServiceId::FileIO: return SERVICE_FILE_IO;
    }
    return "";
}

namespace {

void store(ServiceTable &table, ServiceId id, void *record) {
    switch (id) {
    case ServiceId::ItemInfo: table.itemInfo = static_cast<ItemInfo *>(record); break;
    case ServiceId::LightInfo: table.lightInfo = static_cast<LightInfo *>(record); break;
    case ServiceId::ObjectInfo: table.objectInfo = static_cast<ObjectInfo *>(record); break;
    case ServiceId::SceneInfo: table.sceneInfo = static_cast<SceneInfo *>(record); break;
    case ServiceId::CameraInfo: table.cameraInfo = static_cast<CameraInfo *>(record); break;
    case ServiceId::RenderMemory: table.renderMemory = static_cast<RenderMemory *>(record); break;
    case ServiceId::ImageList: table.imageList = static_cast<ImageList *>(record); break;
    case ServiceId::SurfaceFuncs: table.surfaceFuncs = static_cast<SurfaceFuncs *>(record); break;
    case ServiceId::SceneObjects: table.sceneObjects = static_cast<SceneObjects *>(record); break;
    case ServiceId::InterfaceInfo: table.interfaceInfo = static_cast<InterfaceInfo *>(record); break;
    case ServiceId::InfoMessages: table.infoMessages = static_cast<InfoMessages *>(record); break;
    case ServiceId::Monitor: table.monitor = static_cast<MonitorFuncs *>(record); break;
    case ServiceId::FileIO: table.fileIO = static_cast<FileIOFuncs *>(record); break;
    }
}

}  // namespace

void acquireServices(GlobalFunc *global) {
    ModuleState &st = moduleState();
    st.global = global;
    // Services outside the edition's list stay null.
    ServiceTable table{};
    if (global) {
        for (ServiceId id : edition().acquiredServices) {
            store(table, id, global(serviceName(id), 0));
        }
    }
    st.services = table;
}

}  // namespace qr
