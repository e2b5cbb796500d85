#include "minihost/cli/asset_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "minihost/assets/asset_formats.h"
#include "minihost/assets/asset_reader.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/asset_mesh.h"
#include "minihost/scene/obj_mesh.h"
#include "minihost/scene/text_encoding.h"
#include "minihost/scene/transforms.h"

namespace minihost::cli {

namespace {

constexpr int kWidth = 640;
constexpr double kDefaultHfov = 45;  // degrees

using Json = nlohmann::ordered_json;

// Rounded so that the scene reads well; far finer than a pixel.
double tidy(double v) { return std::round(v * 1e5) / 1e5 + 0.0; }
Json vec(Vec3 v) { return Json::array({tidy(v.x), tidy(v.y), tidy(v.z)}); }
Json colour(const Double3 &c) { return Json::array({tidy(c[0]), tidy(c[1]), tidy(c[2])}); }

struct Box {
    Vec3 lo{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
            std::numeric_limits<double>::max()};
    Vec3 hi = -lo;
    Vec3 centre() const { return (lo + hi) * 0.5; }
    double radius() const { return std::max(length(hi - lo) * 0.5, 1e-6); }
};

Box boundsOf(const Asset &asset) {
    Box box;
    for (size_t n = 0; n < asset.nodes.size(); ++n) {
        if (asset.nodes[n].meshes.empty()) continue;
        const Affine toRoot = assetNodeToRoot(asset, static_cast<int>(n));
        for (const int m : asset.nodes[n].meshes)
            for (const Float3 &p : asset.meshes[static_cast<size_t>(m)].points) {
                const Vec3 w = toRoot.apply(load(p.data()));
                box.lo = {std::min(box.lo.x, w.x), std::min(box.lo.y, w.y), std::min(box.lo.z, w.z)};
                box.hi = {std::max(box.hi.x, w.x), std::max(box.hi.y, w.y), std::max(box.hi.z, w.z)};
            }
    }
    if (box.lo.x > box.hi.x) box = Box{{-1, -1, -1}, {1, 1, 1}};
    return box;
}

// Where a camera or light of the file stands and looks, in the model's frame.
void placeView(const Asset &asset, const AssetView &view, Vec3 &position, Vec3 &forward) {
    const Affine toRoot = view.node >= 0 ? assetNodeToRoot(asset, view.node) : Affine{};
    position = toRoot.apply(load(view.position.data()));
    forward = normalized(toRoot.linear * load(view.forward.data()));
    if (length(forward) == 0) forward = {0, 0, 1};
}

bool viewAnimated(const Asset &asset, const AssetView &view) {
    return view.node >= 0 && assetNodeAnimated(asset, view.node);
}

// The same at `time` seconds of the animation, as an item's position and
// rotation: +Z along the view's forward, +Y as near its up as can be, so
// that a camera that rolls keeps its roll.
ItemPose viewPoseAt(const Asset &asset, const AssetView &view, double time) {
    const Affine toRoot = assetNodeToRootAt(asset, view.node, time);
    Vec3 forward = normalized(toRoot.linear * load(view.forward.data()));
    if (length(forward) == 0) forward = {0, 0, 1};
    Vec3 right = normalized(cross(toRoot.linear * load(view.up.data()), forward));
    if (length(right) == 0) right = normalized(cross(Vec3{0, 1, 0}, forward));
    if (length(right) == 0) right = {1, 0, 0};
    const Vec3 up = cross(forward, right);
    Mat3 frame;  // columns: right, up, forward
    frame.m = {right.x, up.x, forward.x, right.y, up.y, forward.y, right.z, up.z, forward.z};
    ItemPose pose = poseOf({frame, Vec3{}});
    pose.position = toRoot.apply(load(view.position.data()));
    return pose;
}

// A camera that has the whole model in view, from the front, to the right
// and above (three-quarter view), at the frame's aspect.
Json framingCamera(const Box &box, double aspect) {
    const double hfov = radians(kDefaultHfov);
    const double vfov = 2 * std::atan(std::tan(hfov / 2) / aspect);
    const double distance = box.radius() / std::sin(std::min(hfov, vfov) / 2) * 1.05;
    const Vec3 from = box.centre() + normalized({0.65, 0.5, -1}) * distance;
    return {
        {"name", "Framing"}, {"position", vec(from)}, {"target", vec(box.centre())}, {"hfov", kDefaultHfov}};
}

void addPose(Json &item, const ItemPose &pose) {
    const double deg = 180 / kPi;
    item["position"] = vec(pose.position);
    item["rotation"] = vec(pose.rotation * deg);
    item["scale"] = vec(pose.scale);
}

// The same angles a whole number of turns away, nearest to the previous key,
// so that interpolation between keys never spins the long way round.
Vec3 nearestTurn(Vec3 angles, Vec3 previous) {
    auto nearest = [](double a, double p) { return a + 2 * kPi * std::round((p - a) / (2 * kPi)); };
    return {nearest(angles.x, previous.x), nearest(angles.y, previous.y), nearest(angles.z, previous.z)};
}

// An item's pose on every frame from 1 to `last` (the animation's time
// (frame - 1) / fps), its angles kept continuous; `write` puts a pose into a
// key.
template <typename PoseAt, typename Write>
Json keysOnEveryFrame(int last, double fps, PoseAt poseAt, Write write) {
    Json keys = Json::array();
    Vec3 previous = poseAt(0.0).rotation;
    for (int f = 1; f <= last; ++f) {
        ItemPose pose = poseAt((f - 1) / fps);
        pose.rotation = nearestTurn(pose.rotation, previous);
        previous = pose.rotation;
        Json key = {{"frame", f}};
        write(key, pose);
        keys.push_back(key);
    }
    return keys;
}

// A camera or light that its node's keys move: placed as at the start, and
// keyed on every frame. A point light has no direction to key, a distant one
// no position.
void keyView(Json &item, const Asset &asset, const AssetView &view, bool where, bool which, int last,
             double fps) {
    const auto write = [&](Json &to, const ItemPose &pose) {
        if (where) to["position"] = vec(pose.position);
        if (which) to["rotation"] = vec(pose.rotation * (180 / kPi));
    };
    item.erase("target");  // the rotation, with its bank, instead
    const auto poseAt = [&](double t) { return viewPoseAt(asset, view, t); };
    write(item, poseAt(0));
    item["keys"] = keysOnEveryFrame(last, fps, poseAt, write);
}

Json fileCamera(const Asset &asset, const AssetCamera &cam, int last, double fps) {
    Vec3 position, forward;
    placeView(asset, cam, position, forward);
    Json camera = {{"name", utf8FromUtf8OrLatin1(cam.name.empty() ? "Camera" : cam.name)},
                   {"position", vec(position)},
                   {"target", vec(position + forward)},
                   {"hfov", tidy(std::clamp(cam.hfov * 180 / kPi, 1.0, 170.0))}};
    if (viewAnimated(asset, cam)) keyView(camera, asset, cam, true, true, last, fps);
    return camera;
}

Json fileLights(const Asset &asset, int last, double fps) {
    Json lights = Json::array();
    for (const AssetLight &l : asset.lights) {
        Vec3 position, forward;
        placeView(asset, l, position, forward);
        // The file's colour is kept and its strength is not: the units of
        // the formats differ, and minihost's lights do not fall off.
        const double peak = std::max({l.color[0], l.color[1], l.color[2], 1e-9});
        Json light = {{"name", utf8FromUtf8OrLatin1(l.name.empty() ? "Light" : l.name)}};
        light["type"] = l.kind == AssetLight::Kind::directional ? "distant"
                        : l.kind == AssetLight::Kind::spot      ? "spot"
                                                                : "point";
        if (l.kind != AssetLight::Kind::directional) light["position"] = vec(position);
        if (l.kind != AssetLight::Kind::point) light["target"] = vec(position + forward);
        light["color"] = colour({l.color[0] / peak, l.color[1] / peak, l.color[2] / peak});
        if (l.kind == AssetLight::Kind::spot) {
            light["cone"] = tidy(l.cone * 180 / kPi);
            light["edge"] = tidy(l.edge * 180 / kPi);
        }
        if (viewAnimated(asset, l))
            keyView(light, asset, l, l.kind != AssetLight::Kind::directional,
                    l.kind != AssetLight::Kind::point, last, fps);
        lights.push_back(light);
    }
    return lights;
}

// An OBJ mesh as the records of a model file: one mesh per surface, all at
// the root, enough to frame it and to list its surfaces.
Asset assetOfObj(const std::string &path) {
    const Mesh mesh = loadObjMesh(path, radians(60));
    Asset asset;
    asset.path = path;
    asset.notices = mesh.notices;
    asset.nodes.emplace_back();
    for (size_t s = 0; s < mesh.surfaceNames.size(); ++s) {
        AssetMaterial material;
        material.name = mesh.surfaceNames[s];
        const auto colour = mesh.surfaceColors.find(material.name);
        material.hasColor = colour != mesh.surfaceColors.end();
        if (material.hasColor) material.color = colour->second;
        asset.materials.push_back(material);
        AssetMesh part;
        part.material = static_cast<int>(s);
        part.points = mesh.points;
        for (int p = 0; p < mesh.numPolygons(); ++p)
            if (mesh.polySurface[static_cast<size_t>(p)] == static_cast<int>(s))
                part.triangles.push_back({mesh.corner(p, 0), mesh.corner(p, 1), mesh.corner(p, 2)});
        asset.nodes[0].meshes.push_back(static_cast<int>(asset.meshes.size()));
        asset.meshes.push_back(std::move(part));
    }
    return asset;
}

// The nodes that place meshes, when one of them is keyed; else none. Nodes
// are found by name in the scene, so names that repeat keep the model whole.
std::vector<int> animatedMeshNodes(const Asset &asset) {
    std::vector<int> nodes;
    std::set<std::string> seen;
    bool keyed = false;
    for (size_t n = 0; n < asset.nodes.size(); ++n) {
        if (asset.nodes[n].meshes.empty()) continue;
        if (!seen.insert(asset.nodes[n].name).second) return {};
        keyed = keyed || assetNodeAnimated(asset, static_cast<int>(n));
        nodes.push_back(static_cast<int>(n));
    }
    return keyed ? nodes : std::vector<int>{};
}

std::string uniqueName(const std::string &wanted, std::set<std::string> &names) {
    const std::string base = wanted.empty() ? "Object" : wanted;
    std::string name = base;
    for (int k = 2; names.count(name); ++k) name = base + " " + std::to_string(k);
    names.insert(name);
    return name;
}

// The surfaces of a node's meshes (-1: of every node), with their colours and
// the edition's shader (`module` "" for none).
Json surfacesOf(const Asset &asset, int node, const std::string &module) {
    Json surfaces = Json::object();
    for (size_t n = 0; n < asset.nodes.size(); ++n) {
        if (node >= 0 && static_cast<int>(n) != node) continue;
        for (const int k : asset.nodes[n].meshes) {
            const AssetMesh &mesh = asset.meshes[static_cast<size_t>(k)];
            const AssetMaterial &m = asset.materials[static_cast<size_t>(mesh.material)];
            const std::string name = m.name.empty() ? "Default" : utf8FromUtf8OrLatin1(m.name);
            if (mesh.triangles.empty() || surfaces.contains(name)) continue;
            Json surface = {{"color", colour(m.color)}};
            if (!module.empty()) surface["shaders"] = Json::array({module + ":Shader"});
            surfaces[name] = surface;
        }
    }
    return surfaces;
}

}  // namespace

Asset readModel(const std::string &path) { return isObjFile(path) ? assetOfObj(path) : readAsset(path); }

std::string editionModule(const std::string &edition) {
    if (edition == "stroke") return "QM_Quillrim_S";
    if (edition == "line") return "QM_Quillrim_P";
    return {};
}

Json sceneOfAsset(const Asset &asset, const std::string &meshPath, const AssetSceneOptions &options) {
    const std::string module = editionModule(options.edition);
    const AssetCamera *camera = nullptr;
    std::string names;
    for (const AssetCamera &c : asset.cameras) {
        names += (names.empty() ? "" : ", ") + c.name;
        if (!camera && (options.camera.empty() || c.name == options.camera)) camera = &c;
    }
    if (!options.camera.empty() && !camera)
        throw InputError({asset.path}, "no camera named \"" + options.camera +
                                           "\" (its cameras: " + (names.empty() ? "none" : names) + ")");
    const double aspect = camera && camera->aspect > 0 ? std::clamp(camera->aspect, 0.25, 4.0) : 4.0 / 3.0;

    // Anything keyed in the file makes a shot of the animation's length.
    const double fps = 24;
    const std::vector<int> meshNodes = animatedMeshNodes(asset);
    bool keyed = !meshNodes.empty() || (camera && viewAnimated(asset, *camera));
    for (const AssetLight &l : asset.lights) keyed = keyed || viewAnimated(asset, l);
    const int last = keyed ? 1 + std::max(0, static_cast<int>(std::ceil(asset.duration * fps - 1e-6))) : 1;

    Json scene;
    scene["render"] = {
        {"width", kWidth},  {"height", std::max(1, static_cast<int>(std::lround(kWidth / aspect)))},
        {"first_frame", 1}, {"last_frame", last},
        {"fps", 24},        {"background", {0.92, 0.93, 0.95}}};
    scene["modules"] = Json::array({module});
    scene["camera"] = camera ? fileCamera(asset, *camera, last, fps) : framingCamera(boundsOf(asset), aspect);
    scene["ambient"] = {{"color", {1, 1, 1}}, {"intensity", 0.2}};
    scene["lights"] = fileLights(asset, last, fps);
    if (scene["lights"].empty())
        scene["lights"].push_back(
            {{"name", "Key"}, {"type", "distant"}, {"rotation", {-30, 45, 0}}, {"intensity", 0.9}});

    std::set<std::string> taken;
    taken.insert(scene["camera"]["name"].get<std::string>());
    for (const auto &light : scene["lights"]) taken.insert(light["name"].get<std::string>());
    const std::string shader = options.shaders ? module : "";
    if (meshNodes.empty()) {
        // A still model is one object: the whole file at rest.
        Json object = {{"name", uniqueName("Model", taken)}, {"mesh", meshPath}};
        object["surfaces"] = surfacesOf(asset, -1, shader);
        scene["objects"] = Json::array({object});
    } else {
        // Each node of meshes is an object that its node's keys move, keyed
        // on every frame of the animation.
        scene["objects"] = Json::array();
        for (size_t n = 0; n < asset.nodes.size(); ++n) {
            const int node = static_cast<int>(n);
            const Json surfaces = surfacesOf(asset, node, shader);
            if (surfaces.empty()) continue;
            const std::string name = utf8FromUtf8OrLatin1(asset.nodes[n].name);
            Json object = {{"name", uniqueName(name, taken)}, {"mesh", meshPath}, {"mesh_node", name}};
            addPose(object, poseOf(assetNodeToRootAt(asset, node, 0)));
            if (assetNodeAnimated(asset, node))
                object["keys"] = keysOnEveryFrame(
                    last, fps, [&](double t) { return poseOf(assetNodeToRootAt(asset, node, t)); }, addPose);
            object["surfaces"] = surfaces;
            scene["objects"].push_back(object);
        }
    }
    if (options.edition == "stroke") {
        scene["pixel_filters"] = Json::array({module + ":TraceStep1"});
        scene["image_filters"] = Json::array({module + ":TraceStep2"});
    } else {
        scene["pixel_filters"] = Json::array({module + ":Tracer"});
    }
    return scene;
}

}  // namespace minihost::cli
