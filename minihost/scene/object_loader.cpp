// Objects of a scene: their meshes (OBJ files or primitives), bones, weight
// maps and surfaces with their shader lists.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "host/item_services.h"
#include "host/module_descriptor.h"
#include "minihost/assets/asset_formats.h"
#include "minihost/assets/asset_reader.h"
#include "minihost/scene/asset_mesh.h"
#include "minihost/scene/obj_mesh.h"
#include "minihost/scene/primitives.h"
#include "minihost/scene/scene_loader_parts.h"

namespace minihost {

namespace {

constexpr double kHuge = 1e12;

// The meshes of a scene by what they were made from: objects that read the
// same file or make the same primitive with the same settings share one.
class MeshCache {
public:
    template <typename Make>
    std::shared_ptr<const Mesh> get(const std::string &key, Make make) {
        auto &slot = meshes_[key];
        if (!slot) slot = std::make_shared<const Mesh>(make());
        return slot;
    }
    // The model file, read once however many objects name it.
    const Asset &asset(const std::string &path) {
        auto &slot = assets_[path];
        if (!slot) slot = std::make_shared<const Asset>(readAsset(path));
        return *slot;
    }

private:
    std::map<std::string, std::shared_ptr<const Mesh>> meshes_;
    std::map<std::string, std::shared_ptr<const Asset>> assets_;
};

// The exact bits of a number, for a cache key: "%a" round-trips every double.
std::string keyNumber(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%a|", v);
    return text;
}

std::shared_ptr<const Mesh> readPrimitive(JsonObject &p, const std::string &surface, MeshCache &cache) {
    const std::string type = p.requiredString("type");
    std::string key = type + "|";
    std::function<Mesh()> make;
    if (type == "sphere") {
        const double radius = p.number("radius", 1, 1e-6, kHuge);
        const int segments = p.integer("segments", 32, 3, 4096), rings = p.integer("rings", 16, 2, 4096);
        key += keyNumber(radius) + keyNumber(segments) + keyNumber(rings);
        make = [=] { return makeSphere(radius, segments, rings, surface); };
    } else if (type == "box") {
        const Vec3 size = p.vec3OrNumber("size", {1, 1, 1});
        key += keyNumber(size.x) + keyNumber(size.y) + keyNumber(size.z);
        make = [=] { return makeBox(size, surface); };
    } else if (type == "torus") {
        const double major = p.number("major_radius", 1, 1e-6, kHuge);
        const double minor = p.number("minor_radius", 0.25, 1e-6, kHuge);
        const int segments = p.integer("segments", 48, 3, 4096), sides = p.integer("sides", 24, 3, 4096);
        key += keyNumber(major) + keyNumber(minor) + keyNumber(segments) + keyNumber(sides);
        make = [=] { return makeTorus(major, minor, segments, sides, surface); };
    } else if (type == "plane") {
        const double width = p.number("width", 10, 1e-6, kHuge), depth = p.number("depth", 10, 1e-6, kHuge);
        const int divisions = p.integer("divisions", 1, 1, 1000);
        key += keyNumber(width) + keyNumber(depth) + keyNumber(divisions);
        make = [=] { return makePlane(width, depth, divisions, surface); };
    } else {
        p.fail("type", "unknown primitive \"" + type + "\" (known: sphere, box, torus, plane)");
    }
    const Vec3 size = p.vec3OrNumber("size", {1, 1, 1});  // read for every type
    if (type != "box" && (size.x != 1 || size.y != 1 || size.z != 1))
        p.fail("size", "\"size\" belongs to boxes only");
    p.finish();
    // A shape is made once; the same shape with another surface name is a
    // copy with that name (the name takes no part in making it).
    return cache.get(key + "surface=" + surface, [&] {
        Mesh named = *cache.get(key, make);
        named.surfaceNames.assign(1, surface);
        return named;
    });
}

void readColor(JsonObject &s, const std::string &key, double out[3]) {
    const Vec3 c = s.vec3(key, load(out));
    store(c, out);
}

SceneImage *readImage(Scene &scene, JsonObject &s, const std::string &key) {
    if (!s.has(key)) return nullptr;
    const std::string file = readPath(scene, s, key);
    try {
        return scene.imageFromFile(file);
    } catch (const InputError &e) {
        s.fail(key, "image \"" + file + "\": " + e.withinFile());
    }
}

void readSurface(const JsonDocument &doc, JsonObject &s, Scene &scene, SceneSurface &surf) {
    readColor(s, "color", surf.color);
    surf.luminous = s.number("luminous", surf.luminous, 0, kHuge);
    surf.diffuse = s.number("diffuse", surf.diffuse, 0, kHuge);
    surf.specular = s.number("specular", surf.specular, 0, kHuge);
    surf.glossiness = s.number("glossiness", surf.glossiness, 0, 1);
    surf.mirror = s.number("mirror", surf.mirror, 0, 1);
    surf.transparency = s.number("transparency", surf.transparency, 0, 1);
    surf.eta = s.number("eta", surf.eta, 0.01, 10);
    surf.roughness = s.number("roughness", surf.roughness, 0, 1);
    surf.reflectionOptions = s.integer("reflection_options", surf.reflectionOptions, 0, 3);
    surf.refractionOptions = s.integer("refraction_options", surf.refractionOptions, 0, 3);
    surf.reflectionImage = readImage(scene, s, "reflection_image");
    surf.refractionImage = readImage(scene, s, "refraction_image");
    const auto &shaders = s.array("shaders");
    for (size_t i = 0; i < shaders.size(); ++i)
        surf.shaders.push_back(readServerUse(doc, shaders[i], s.pointer("shaders") + "/" + std::to_string(i),
                                             CLASS_SHADER_HANDLER));
    s.finish();
    surf.channels["BaseColor"] = {surf.color[0], surf.color[1], surf.color[2]};
    surf.channels["Luminosity"] = {surf.luminous};
    surf.channels["Diffuse"] = {surf.diffuse};
    surf.channels["Specularity"] = {surf.specular};
    surf.channels["Glossiness"] = {surf.glossiness};
    surf.channels["Reflectivity"] = {surf.mirror};
    surf.channels["Transparency"] = {surf.transparency};
    surf.channels["RefractiveIndex"] = {surf.eta};
}

void readBones(const JsonDocument &doc, JsonObject &o, Scene &scene, SceneObject &obj) {
    const auto &bones = o.array("bones");
    for (size_t i = 0; i < bones.size(); ++i) {
        JsonObject b(doc, bones[i], o.pointer("bones") + "/" + std::to_string(i));
        auto bone = std::make_unique<SceneBone>();
        bone->type = ITEM_TYPE_BONE;
        bone->id = 0x40000000u + static_cast<ItemID>(scene.bones.size() + 1);
        bone->parent = obj.id;
        bone->name = b.string("name", obj.name + " Bone" + std::to_string(i + 1));
        bone->restLength = b.number("length", 1, 0, kHuge);
        readMotion(doc, b, scene, bone->motion, false);
        b.finish();
        scene.bones.push_back(std::move(bone));
    }
}

// Weight maps are the object's own: an object with maps gets its own copy
// of the mesh it would otherwise share.
void readWeightMaps(const JsonDocument &doc, JsonObject &o, SceneObject &obj) {
    const auto &maps = o.array("weight_maps");
    std::vector<WeightMap> made;
    for (size_t i = 0; i < maps.size(); ++i) {
        JsonObject m(doc, maps[i], o.pointer("weight_maps") + "/" + std::to_string(i));
        const std::string name = m.requiredString("name");
        const std::string axis = m.string("axis", "y");
        const int a = axis == "x" ? 0 : axis == "y" ? 1 : axis == "z" ? 2 : -1;
        if (a < 0) m.fail("axis", "\"axis\" is \"x\", \"y\" or \"z\"");
        m.finish();
        made.push_back(axisGradientMap(*obj.mesh, name, a));
    }
    if (made.empty()) return;
    auto own = std::make_shared<Mesh>(*obj.mesh);
    for (auto &map : made) own->weightMaps.push_back(std::move(map));
    obj.mesh = std::move(own);
}

void readObject(const JsonDocument &doc, JsonObject &o, Scene &scene, SceneObject &obj, MeshCache &cache) {
    obj.name = o.requiredString("name");
    const bool hasMesh = o.has("mesh"), hasPrimitive = o.has("primitive");
    if (hasMesh == hasPrimitive) doc.fail(o.pointer(), "an object needs either \"mesh\" or \"primitive\"");
    const double crease = radians(o.number("smoothing_angle", 60, 0, 180));
    if (hasMesh) {
        obj.filename = readPath(scene, o, "mesh");
        try {
            if (isAssetFile(obj.filename)) {
                const Asset &asset = cache.asset(obj.filename);
                if (o.has("mesh_node")) {
                    // One node's meshes alone, which the object's motion places.
                    const std::string node = o.requiredString("mesh_node");
                    const int index = assetNodeNamed(asset, node);
                    if (index < 0) throw InputError({obj.filename}, "no node named \"" + node + "\"");
                    obj.mesh = cache.get(
                        "asset|" + obj.filename + "|" + std::to_string(index) + "|" + keyNumber(crease),
                        [&] { return meshFromAssetNode(asset, index, crease); });
                } else {
                    obj.mesh = cache.get("asset|" + obj.filename + "||" + keyNumber(crease),
                                         [&] { return meshFromAsset(asset, crease); });
                }
            } else if (isObjFile(obj.filename)) {
                obj.mesh = cache.get("obj|" + obj.filename + "|" + keyNumber(crease),
                                     [&] { return loadObjMesh(obj.filename, crease); });
            } else {
                throw InputError({obj.filename},
                                 "not a mesh format minihost reads (it reads " + meshFormatsText() + ")");
            }
            for (const auto &notice : obj.mesh->notices)
                scene.notice("mesh \"" + obj.filename + "\": " + notice);
        } catch (const InputError &e) {
            o.fail("mesh", "mesh \"" + obj.filename + "\": " + e.withinFile());
        }
    } else {
        JsonObject p = o.object("primitive");
        const std::string surface = p.string("surface", obj.name);
        obj.filename = p.string("type", "") + ":" + obj.name;
        obj.mesh = readPrimitive(p, surface, cache);
    }
    readMotion(doc, o, scene, obj.motion, true);
    if (o.has("parent")) o.raw("parent");
    obj.selected = o.boolean("selected", false);
    readWeightMaps(doc, o, obj);
    readBones(doc, o, scene, obj);

    for (const auto &name : obj.mesh->surfaceNames) {
        auto surf = std::make_unique<SceneSurface>();
        surf->name = name;
        surf->object = &obj;
        // The mesh file's colour, unless the scene gives its own.
        const auto color = obj.mesh->surfaceColors.find(name);
        if (color != obj.mesh->surfaceColors.end())
            std::copy(color->second.begin(), color->second.end(), surf->color);
        obj.surfaces.push_back(std::move(surf));
    }
    JsonObject surfaces = o.object("surfaces");
    for (auto &surf : obj.surfaces)
        if (surfaces.has(surf->name)) {
            JsonObject s = surfaces.object(surf->name);
            readSurface(doc, s, scene, *surf);
        }
    std::string known;
    for (const auto &n : obj.mesh->surfaceNames) known += (known.empty() ? "" : ", ") + n;
    const auto &given = o.raw("surfaces");
    if (given.is_object())
        for (auto it = given.begin(); it != given.end(); ++it)
            if (std::find(obj.mesh->surfaceNames.begin(), obj.mesh->surfaceNames.end(), it.key()) ==
                obj.mesh->surfaceNames.end())
                surfaces.fail(it.key(), "object \"" + obj.name + "\" has no surface \"" + it.key() +
                                            "\" (its surfaces: " + known + ")");
}

}  // namespace

void readObjects(const JsonDocument &doc, JsonObject &root, Scene &scene) {
    const auto &objects = root.array("objects");
    MeshCache meshes;
    // Objects are read first; exclusions name lights that are read already.
    for (size_t i = 0; i < objects.size(); ++i) {
        JsonObject o(doc, objects[i], root.pointer("objects") + "/" + std::to_string(i));
        auto obj = std::make_unique<SceneObject>();
        obj->type = ITEM_TYPE_OBJECT;
        obj->id = 0x10000000u + static_cast<ItemID>(i + 1);
        readObject(doc, o, scene, *obj, meshes);
        const auto &excl = o.array("exclude_lights");
        for (size_t k = 0; k < excl.size(); ++k) {
            const std::string ptr = o.pointer("exclude_lights") + "/" + std::to_string(k);
            if (!excl[k].is_string()) doc.fail(ptr, "\"exclude_lights\" lists light names");
            const std::string name = excl[k].get<std::string>();
            if (name == "ambient") {
                obj->excludedLights.push_back(ITEM_INDIRECT_LIGHT);
                continue;
            }
            ItemID found = ITEM_NULL;
            for (const auto &l : scene.lights)
                if (l->name == name) found = l->id;
            if (found == ITEM_NULL) doc.fail(ptr, "no light named \"" + name + "\"");
            obj->excludedLights.push_back(found);
        }
        o.finish();
        scene.objects.push_back(std::move(obj));
    }
}

}  // namespace minihost
