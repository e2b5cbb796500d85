// The scene minihost renders: items with time-dependent transforms, meshes,
// surfaces with their shader lists, lights, images and the filters of a frame.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/host_types.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/mesh.h"
#include "minihost/scene/scene_image.h"
#include "minihost/scene/transforms.h"

namespace minihost {

// A server used by the scene: a shader of a surface, a pixel filter or an
// image filter, with its settings as written in the scene file. The handler
// and instance made from it live beside the scene (servers/live_uses.h).
struct ServerUse {
    std::string server;                                  // e.g. "QM_Quillrim_S:Shader"
    std::string className;                               // CLASS_SHADER_HANDLER, ...
    nlohmann::json settings = nlohmann::json::object();  // by key
    std::map<std::string, FilePosition> settingWhere;    // where each key stands
    bool hasData = false;
    std::string data;     // the instance's saved data, text representation
    FilePosition where;   // where the entry stands
    std::string pointer;  // JSON pointer of the entry in the scene document
};

// The scene file's document with its key order, for saving: parsed from the
// text only when first asked for. Most commands never save, and for a scene
// of long key lists the parse takes as long and as much memory as the
// reading itself.
class SceneDocument {
public:
    void setText(std::string text);
    const nlohmann::ordered_json &get() const;
    nlohmann::ordered_json &edit();

private:
    mutable std::mutex mutex_;
    mutable std::string text_;
    mutable nlohmann::ordered_json json_;
};

struct SceneItem {
    ItemID id = ITEM_NULL;
    int type = ITEM_TYPE_OBJECT;
    std::string name;
    ItemID parent = ITEM_NULL;
    Motion motion;
    bool selected = false;
    virtual ~SceneItem() = default;
};

struct SceneObject;

struct SceneSurface {
    std::string name;
    SceneObject *object = nullptr;
    double color[3] = {0.8, 0.8, 0.8};
    double luminous = 0, diffuse = 1, specular = 0, glossiness = 0.4, mirror = 0;
    double transparency = 0, eta = 1, roughness = 0;
    int reflectionOptions = 1;  // 0 backdrop, 1 ray trace + backdrop, 2 image, 3 ray trace + image
    int refractionOptions = 1;
    SceneImage *reflectionImage = nullptr;
    SceneImage *refractionImage = nullptr;
    std::vector<ServerUse> shaders;  // evaluated in this order
    // Channel values by name for the surface service's getFlt.
    std::map<std::string, std::vector<double>> channels;
};

struct SceneObject : SceneItem {
    std::string filename;  // the mesh file, or "<primitive>:<name>"
    // Objects that read the same file or make the same primitive with the
    // same settings share one mesh; never null.
    std::shared_ptr<const Mesh> mesh = std::make_shared<const Mesh>();
    // One per mesh surface name, in the same order.
    std::vector<std::unique_ptr<SceneSurface>> surfaces;
    std::vector<ItemID> excludedLights;  // ITEM_INDIRECT_LIGHT for the ambient light
};

struct SceneLight : SceneItem {
    int lightType = 0;  // LIGHT_TYPE_...
    Vec3 color{1, 1, 1};
    double intensity = 1;
    unsigned int flags = 0;
    double coneAngle = radians(30);  // spot: half angle of the full beam
    double edgeAngle = radians(5);   // spot: soft edge outside the cone
    bool shadows = true;
    SceneImage *projection = nullptr;
};

struct SceneCamera : SceneItem {
    double hfov = radians(60);
};

struct SceneBone : SceneItem {
    double restLength = 1;
};

// A number no other scene of the process has had, for caches keyed by scene.
uint64_t newSceneSerial();

struct Scene {
    const uint64_t serial = newSceneSerial();
    std::string path;  // the scene file as given
    std::string dir;   // its folder, for relative paths
    std::string name;  // the file's name without folder

    int width = 320, height = 240;
    int firstFrame = 1, lastFrame = 1;
    double fps = 24;
    int maxBounces = 4;
    double background[3] = {0, 0, 0};
    Vec3 ambientColor{1, 1, 1};
    double ambientIntensity = 0.05;

    std::vector<std::string> modulePaths;   // resolved
    std::vector<FilePosition> moduleWhere;  // where each is named
    std::vector<std::unique_ptr<SceneObject>> objects;
    std::vector<std::unique_ptr<SceneLight>> lights;
    std::vector<std::unique_ptr<SceneCamera>> cameras;
    std::vector<std::unique_ptr<SceneBone>> bones;
    std::vector<std::unique_ptr<SceneImage>> images;
    std::vector<ServerUse> pixelFilters;
    std::vector<ServerUse> imageFilters;
    ItemID renderCamera = ITEM_NULL;

    // The document as read, and where it names files (for saving elsewhere).
    SceneDocument document;
    std::vector<std::string> pathPointers;

    // What the user should hear about the scene as read, each said once.
    std::vector<std::string> notices;
    void notice(const std::string &text);

    std::map<ItemID, SceneItem *> items;
    mutable std::mutex imageMutex;  // images may be added while rendering

    double frameTime(int frame) const { return fps > 0 ? frame / fps : 0.0; }
    SceneItem *item(ItemID id) const;
    SceneItem *itemNamed(const std::string &name) const;
    // Object-to-world transform at t, parents applied.
    Affine worldTransform(ItemID id, double t) const;
    // The item parameter `code` (ITEM_PARAM_...) at t; false for an unknown
    // item or code.
    bool itemParam(ItemID id, int code, double t, double vec[3]) const;
    // Every surface of every object, in scene order.
    std::vector<SceneSurface *> allSurfaces() const;
    // Every server use of the scene: surface shaders, then pixel, then image filters.
    std::vector<ServerUse *> allServerUses();
    // Finds an image by path, or loads it and adds it to the list; throws
    // InputError when it cannot be read or memory does not hold it.
    SceneImage *imageFromFile(const std::string &path);
};

// Whether memory holds an image that takes `bytes` to decode beside what
// drawing the scene needs: "" when it does, else the budget it would pass.
// The scene layer cannot see the process's memory budget, so the commands set
// this from it; while none is set every image is admitted.
using SceneImageMemoryCheck = std::function<std::string(const Scene &scene, std::size_t bytes)>;
void setSceneImageMemoryCheck(SceneImageMemoryCheck check);

}  // namespace minihost
