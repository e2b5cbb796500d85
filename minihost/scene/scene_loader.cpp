#include "minihost/scene/scene_loader.h"

#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "host/item_services.h"
#include "host/module_descriptor.h"
#include "minihost/files/checked_read.h"
#include "minihost/files/module_search.h"
#include "minihost/scene/scene_key_budget.h"
#include "minihost/scene/scene_loader_parts.h"

namespace minihost {

namespace fs = std::filesystem;

std::string readPath(Scene &scene, JsonObject &obj, const std::string &key) {
    const std::string given = obj.string(key, "");
    if (given.empty()) obj.fail(key, "\"" + key + "\" must name a file");
    scene.pathPointers.push_back(obj.pointer(key));
    const fs::path p(given);
    return p.is_absolute() ? p.string() : (fs::path(scene.dir) / p).lexically_normal().string();
}

namespace {

constexpr double kHuge = 1e12;

Vec3 degrees3(Vec3 v) { return {radians(v.x), radians(v.y), radians(v.z)}; }

double keyTime(const JsonDocument &doc, JsonObject &key, const Scene &scene) {
    const bool byFrame = key.has("frame"), byTime = key.has("time");
    if (byFrame == byTime) doc.fail(key.pointer(), "a key needs either \"frame\" or \"time\"");
    return byFrame ? key.number("frame", 0, -kHuge, kHuge) / scene.fps : key.number("time", 0, -kHuge, kHuge);
}

}  // namespace

void readMotion(const JsonDocument &doc, JsonObject &obj, const Scene &scene, Motion &motion,
                bool allowScale) {
    motion.position = obj.vec3("position", {});
    if (obj.has("target") && obj.has("rotation"))
        obj.fail("target", "give either \"target\" or \"rotation\", not both");
    if (obj.has("target"))
        motion.rotation = headingPitchTowards(obj.vec3("target", {}) - motion.position);
    else
        motion.rotation = degrees3(obj.vec3("rotation", {}));
    if (allowScale) motion.scale = obj.vec3OrNumber("scale", {1, 1, 1});

    const auto &keys = obj.array("keys");
    for (size_t i = 0; i < keys.size(); ++i) {
        JsonObject key(doc, keys[i], obj.pointer("keys") + "/" + std::to_string(i));
        const double t = keyTime(doc, key, scene);
        if (key.has("position")) motion.positionKeys.addKey(t, key.vec3("position", {}));
        if (key.has("target") && key.has("rotation"))
            key.fail("target", "give either \"target\" or \"rotation\", not both");
        if (key.has("target")) {
            const Vec3 from = motion.positionKeys.valueAt(t, motion.position);
            motion.rotationKeys.addKey(t, headingPitchTowards(key.vec3("target", {}) - from));
        } else if (key.has("rotation")) {
            motion.rotationKeys.addKey(t, degrees3(key.vec3("rotation", {})));
        }
        if (allowScale && key.has("scale")) motion.scaleKeys.addKey(t, key.vec3OrNumber("scale", {1, 1, 1}));
        key.finish();
    }
}

ServerUse readServerUse(const JsonDocument &doc, const nlohmann::json &value, const std::string &pointer,
                        const char *className) {
    ServerUse use;
    use.className = className;
    use.pointer = pointer;
    use.where = doc.where(pointer);
    if (value.is_string()) {  // just the server's name
        use.server = value.get<std::string>();
        if (use.server.empty()) doc.fail(pointer, "a server name must not be empty");
        return use;
    }
    JsonObject obj(doc, value, pointer);
    use.server = obj.requiredString("server");
    use.where = obj.where("server");
    if (obj.has("settings")) {
        const auto &s = obj.raw("settings");
        if (!s.is_object()) obj.fail("settings", "\"settings\" must be an object of keys and values");
        for (auto it = s.begin(); it != s.end(); ++it)
            use.settingWhere[it.key()] = doc.where(obj.pointer("settings") + "/" + pointerToken(it.key()));
        use.settings = doc.take(s);
    }
    if (obj.has("data")) {  // one string, or its lines as an array
        use.hasData = true;
        const auto &d = obj.raw("data");
        if (d.is_string()) {
            use.data = d.get<std::string>();
        } else if (d.is_array()) {
            for (const auto &line : d) {
                if (!line.is_string()) obj.fail("data", "\"data\" is a string or an array of lines");
                use.data += line.get<std::string>() + "\n";
            }
        } else {
            obj.fail("data", "\"data\" is a string or an array of lines");
        }
    }
    obj.finish();
    return use;
}

namespace {

void readRender(JsonObject &root, Scene &scene) {
    JsonObject r = root.object("render");
    scene.width = r.integer("width", scene.width, 1, kMaxFrameSide);
    scene.height = r.integer("height", scene.height, 1, kMaxFrameSide);
    if (static_cast<long long>(scene.width) * scene.height > kMaxFramePixels)
        r.fail("height", "frame of " + std::to_string(scene.width) + " x " + std::to_string(scene.height) +
                             " pixels is too large");
    scene.fps = r.number("fps", scene.fps, 1e-3, 1e4);
    scene.firstFrame = r.integer("first_frame", scene.firstFrame, -1000000, 1000000);
    scene.lastFrame = r.integer("last_frame", scene.firstFrame, -1000000, 1000000);
    if (scene.lastFrame < scene.firstFrame)
        r.fail("last_frame", "\"last_frame\" comes before \"first_frame\"");
    scene.maxBounces = r.integer("max_bounces", scene.maxBounces, 0, 32);
    store(r.vec3("background", load(scene.background)), scene.background);
    r.finish();
}

void readAmbient(JsonObject &root, Scene &scene) {
    JsonObject a = root.object("ambient");
    scene.ambientColor = a.vec3("color", scene.ambientColor);
    scene.ambientIntensity = a.number("intensity", scene.ambientIntensity, 0, kHuge);
    a.finish();
}

void readCamera(const JsonDocument &doc, const nlohmann::json &value, const std::string &pointer,
                Scene &scene) {
    JsonObject c(doc, value, pointer);
    auto cam = std::make_unique<SceneCamera>();
    cam->type = ITEM_TYPE_CAMERA;
    cam->id = 0x30000000u + static_cast<ItemID>(scene.cameras.size() + 1);
    cam->name = c.string(
        "name", scene.cameras.empty() ? "Camera" : "Camera" + std::to_string(scene.cameras.size() + 1));
    const double hfov = c.number("hfov", 60, 1e-3, 179.9);
    cam->hfov = radians(hfov);
    cam->selected = c.boolean("selected", false);
    if (c.has("parent")) c.raw("parent");  // resolved with the other parents
    readMotion(doc, c, scene, cam->motion, false);
    c.finish();
    scene.cameras.push_back(std::move(cam));
}

void readLights(const JsonDocument &doc, JsonObject &root, Scene &scene) {
    const auto &lights = root.array("lights");
    for (size_t i = 0; i < lights.size(); ++i) {
        JsonObject l(doc, lights[i], root.pointer("lights") + "/" + std::to_string(i));
        auto light = std::make_unique<SceneLight>();
        light->type = ITEM_TYPE_LIGHT;
        light->id = 0x20000000u + static_cast<ItemID>(i + 1);
        light->name = l.string("name", "Light" + std::to_string(i + 1));
        const std::string type = l.string("type", "distant");
        if (type == "distant")
            light->lightType = LIGHT_TYPE_DISTANT;
        else if (type == "point")
            light->lightType = LIGHT_TYPE_POINT;
        else if (type == "spot")
            light->lightType = LIGHT_TYPE_SPOT;
        else
            l.fail("type", "unknown light type \"" + type + "\" (known: distant, point, spot)");
        light->color = l.vec3("color", light->color);
        light->intensity = l.number("intensity", light->intensity, 0, kHuge);
        light->coneAngle = radians(l.number("cone", 30, 0.01, 89.9));
        light->edgeAngle = radians(l.number("edge", 5, 0, 89.9));
        light->shadows = l.boolean("shadows", true);
        if (l.boolean("no_diffuse", false)) light->flags |= LIGHT_FLAG_NO_DIFFUSE;
        if (l.boolean("no_specular", false)) light->flags |= LIGHT_FLAG_NO_SPECULAR;
        light->selected = l.boolean("selected", false);
        if (l.has("projection_image")) {
            const std::string file = readPath(scene, l, "projection_image");
            try {
                light->projection = scene.imageFromFile(file);
            } catch (const InputError &e) {
                l.fail("projection_image", "image \"" + file + "\": " + e.withinFile());
            }
        }
        if (l.has("parent")) l.raw("parent");
        readMotion(doc, l, scene, light->motion, false);
        l.finish();
        scene.lights.push_back(std::move(light));
    }
}

void readModules(const JsonDocument &doc, JsonObject &root, Scene &scene) {
    const auto &mods = root.array("modules");
    for (size_t i = 0; i < mods.size(); ++i) {
        const std::string ptr = root.pointer("modules") + "/" + std::to_string(i);
        if (!mods[i].is_string() || mods[i].get<std::string>().empty())
            root.fail("modules", "\"modules\" lists module files as strings");
        const std::string given = mods[i].get<std::string>();
        if (isModuleName(given)) {
            // Found where it is now; the scene keeps the name, so it is not
            // among the paths rewritten when the scene is saved elsewhere.
            const auto folders = moduleFolders(scene.dir);
            const std::string found = findModule(given, folders);
            if (found.empty()) {
                std::string looked;
                for (const auto &folder : folders) looked += (looked.empty() ? "" : ", ") + folder.path;
                doc.fail(ptr, "no module \"" + given + "\" (looked for " + given + ".so in " + looked +
                                  "; --module-path adds a folder" +
                                  (sceneModulesAllowed() ? "" : ", --allow-scene-modules the scene's") + ")");
            }
            scene.modulePaths.push_back(found);
        } else {
            const fs::path p(given);
            const std::string path =
                p.is_absolute() ? p.string() : (fs::path(scene.dir) / p).lexically_normal().string();
            // A module runs with the user's rights: one the scene brings
            // along is loaded only when the user says so.
            if (!isTrustedModulePath(path))
                doc.fail(ptr, "module \"" + given +
                                  "\" lies outside the trusted module folders (--module-path, " +
                                  kModulePathVariable +
                                  ", the build's); --allow-scene-modules loads it all the same");
            scene.modulePaths.push_back(path);
            scene.pathPointers.push_back(ptr);
        }
        scene.moduleWhere.push_back(doc.where(ptr));
    }
}

void readFilters(const JsonDocument &doc, JsonObject &root, const std::string &key, const char *className,
                 std::vector<ServerUse> &out) {
    const auto &list = root.array(key);
    for (size_t i = 0; i < list.size(); ++i)
        out.push_back(readServerUse(doc, list[i], root.pointer(key) + "/" + std::to_string(i), className));
}

// Registers every item by identifier, resolves "parent" names and refuses
// duplicate names and cycles.
void linkItems(const JsonDocument &doc, Scene &scene) {
    std::vector<std::pair<SceneItem *, std::string>> all;  // item, its pointer
    const auto &root = doc.root();
    for (size_t i = 0; i < scene.objects.size(); ++i)
        all.push_back({scene.objects[i].get(), "/objects/" + std::to_string(i)});
    for (size_t i = 0; i < scene.lights.size(); ++i)
        all.push_back({scene.lights[i].get(), "/lights/" + std::to_string(i)});
    for (size_t i = 0; i < scene.cameras.size(); ++i)
        all.push_back(
            {scene.cameras[i].get(), root.contains("cameras") ? "/cameras/" + std::to_string(i) : "/camera"});
    // Names looked up in a table, not by walking the items, so that a scene
    // of thousands of objects loads in time linear in its items.
    std::unordered_set<std::string_view> names;
    for (const auto &[item, ptr] : all) {
        if (!names.insert(item->name).second) doc.fail(ptr, "two items are named \"" + item->name + "\"");
        scene.items[item->id] = item;
    }
    for (const auto &bone : scene.bones) scene.items[bone->id] = bone.get();
    // A parent is the first item of that name in identifier order, as
    // Scene::itemNamed finds it.
    std::unordered_map<std::string_view, SceneItem *> byName;
    for (const auto &[id, it] : scene.items) byName.try_emplace(it->name, it);

    for (const auto &[item, ptr] : all) {
        const nlohmann::json &v = root.at(nlohmann::json::json_pointer(ptr));
        if (!v.contains("parent")) continue;
        if (!v["parent"].is_string()) doc.fail(ptr + "/parent", "\"parent\" names an item");
        const std::string name = v["parent"].get<std::string>();
        const auto found = byName.find(name);
        SceneItem *parent = found == byName.end() ? nullptr : found->second;
        if (!parent || parent->type == ITEM_TYPE_BONE)
            doc.fail(ptr + "/parent", "no item named \"" + name + "\"");
        item->parent = parent->id;
    }
    for (const auto &[item, ptr] : all) {
        ItemID at = item->parent;
        for (size_t steps = 0; at != ITEM_NULL; ++steps) {
            if (at == item->id || steps > scene.items.size())
                doc.fail(ptr + "/parent", "\"" + item->name + "\" is its own ancestor");
            at = scene.item(at)->parent;
        }
    }
}

}  // namespace

std::unique_ptr<Scene> loadSceneText(const std::string &text, const std::string &path) {
    auto scene = std::make_unique<Scene>();
    scene->path = path;
    scene->dir = fs::path(path).parent_path().string();
    scene->name = fs::path(path).filename().string();
    JsonDocument doc(path, text);
    checkSceneKeys(doc);
    scene->document.setText(text);
    JsonObject root(doc, doc.root(), "");

    readRender(root, *scene);
    readModules(doc, root, *scene);
    readAmbient(root, *scene);
    if (root.has("camera") && root.has("cameras"))
        root.fail("cameras", "give either \"camera\" or \"cameras\", not both");
    if (root.has("camera")) {
        readCamera(doc, root.raw("camera"), "/camera", *scene);
    } else {
        const auto &cams = root.array("cameras");
        for (size_t i = 0; i < cams.size(); ++i)
            readCamera(doc, cams[i], "/cameras/" + std::to_string(i), *scene);
    }
    if (scene->cameras.empty()) root.fail("camera", "the scene has no camera");
    readLights(doc, root, *scene);
    readObjects(doc, root, *scene);
    readFilters(doc, root, "pixel_filters", CLASS_PIXEL_FILTER_HANDLER, scene->pixelFilters);
    readFilters(doc, root, "image_filters", CLASS_IMAGE_FILTER_HANDLER, scene->imageFilters);
    linkItems(doc, *scene);

    scene->renderCamera = scene->cameras.front()->id;
    if (root.has("render_camera")) {
        const std::string name = root.string("render_camera", "");
        SceneItem *cam = scene->itemNamed(name);
        if (!cam || cam->type != ITEM_TYPE_CAMERA)
            root.fail("render_camera", "no camera named \"" + name + "\"");
        scene->renderCamera = cam->id;
    }
    root.finish();
    return scene;
}

std::unique_ptr<Scene> loadScene(const std::string &path) {
    std::string text, error;
    if (!readRegularFile(path, kMaxSceneFileBytes, text, error))
        throw InputError({path}, "cannot open the scene file: " + error);
    return loadSceneText(text, path);
}

}  // namespace minihost
