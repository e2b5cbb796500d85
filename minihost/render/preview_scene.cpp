#include "minihost/render/preview_scene.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "minihost/files/input_error.h"
#include "minihost/scene/scene_loader.h"

namespace minihost {

namespace {

// The stage as a scene description: the camera looks along +Z at a unit
// sphere 3.2 units away (the sphere fills about four fifths of the frame),
// and a distant light shines from the upper left, over the camera's shoulder.
const char *const kStage = R"({
  "camera": {"position": [0, 0, -3.2], "target": [0, 0, 0], "hfov": 45},
  "ambient": {"color": [1, 1, 1], "intensity": 0.15},
  "lights": [{"name": "PreviewLight", "type": "distant", "rotation": [30, 35, 0], "intensity": 0.95,
              "shadows": false}],
  "objects": [{"name": "PreviewSphere",
               "primitive": {"type": "sphere", "radius": 1, "segments": 64, "rings": 32, "surface": "Preview"}}]
})";

constexpr double kBackground = 0.5;  // neutral grey

}  // namespace

SceneSurface *findPreviewSurface(const Scene &scene, const std::string &name) {
    for (const auto &obj : scene.objects)
        for (const auto &s : obj->surfaces)
            if (s->name == name) return s.get();
    // "OBJECT/NAME": split at the last '/', so object names may hold one.
    const size_t slash = name.rfind('/');
    if (slash == std::string::npos) return nullptr;
    const std::string object = name.substr(0, slash), surface = name.substr(slash + 1);
    for (const auto &obj : scene.objects)
        if (obj->name == object)
            for (const auto &s : obj->surfaces)
                if (s->name == surface) return s.get();
    return nullptr;
}

std::vector<std::string> surfaceNames(const Scene &scene) {
    std::vector<std::string> names;
    for (const SceneSurface *s : scene.allSurfaces())
        if (std::find(names.begin(), names.end(), s->name) == names.end()) names.push_back(s->name);
    return names;
}

ItemID unusedObjectID(const Scene &scene) {
    // Objects are numbered 0x10000001 upwards; the first number after them
    // that no item uses.
    ItemID id = 0x10000000u + static_cast<ItemID>(scene.objects.size()) + 1;
    while (scene.items.count(id) != 0 || id == ITEM_NULL) ++id;
    return id;
}

std::unique_ptr<Scene> makePreviewStage(const Scene &scene, int size) {
    nlohmann::json doc = nlohmann::json::parse(kStage);
    doc["render"] = {{"width", size},
                     {"height", size},
                     {"fps", scene.fps > 0 ? scene.fps : 24.0},
                     {"max_bounces", scene.maxBounces},
                     {"background", {kBackground, kBackground, kBackground}}};
    std::unique_ptr<Scene> stage = loadSceneText(doc.dump(), "<preview stage>");
    if (stage->objects.size() != 1) throw InputError({"<preview stage>"}, "the preview sphere is missing");

    // Give the sphere an identifier that the loaded scene does not use, so
    // that no shader can take it for one of the scene's objects.
    SceneObject &sphere = *stage->objects.front();
    const ItemID id = unusedObjectID(scene);
    stage->items.erase(sphere.id);
    sphere.id = id;
    stage->items[id] = &sphere;
    return stage;
}

}  // namespace minihost
