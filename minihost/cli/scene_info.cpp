#include "minihost/cli/scene_info.h"

#include <algorithm>
#include <limits>
#include <set>
#include <sstream>

#include "host/item_services.h"

namespace minihost::cli {

namespace {

std::string text(Vec3 v) {
    std::ostringstream out;
    out.precision(4);
    out << '[' << v.x << ", " << v.y << ", " << v.z << ']';
    return out.str();
}

std::string quoted(const std::string &name) { return "\"" + name + "\""; }

const char *lightKind(int type) {
    switch (type) {
    case LIGHT_TYPE_POINT: return "point";
    case LIGHT_TYPE_SPOT: return "spot";
    default: return "distant";
    }
}

void printObject(const Scene &scene, const SceneObject &obj, std::ostream &out) {
    const Mesh &mesh = *obj.mesh;
    const Affine toWorld = scene.worldTransform(obj.id, scene.frameTime(scene.firstFrame));
    Vec3 lo{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
            std::numeric_limits<double>::max()};
    Vec3 hi = -lo;
    for (int i = 0; i < mesh.numPoints(); ++i) {
        const Vec3 w = toWorld.apply(mesh.point(i));
        lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
        hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
    }
    out << "  object " << quoted(obj.name) << " (" << obj.filename << "): " << mesh.numPolygons()
        << " faces, " << mesh.numPoints() << " points";
    if (mesh.numPoints() > 0) out << ", from " << text(lo) << " to " << text(hi);
    out << '\n';
    for (size_t s = 0; s < mesh.surfaceNames.size(); ++s) {
        int faces = 0;
        std::set<int> points;
        for (int p = 0; p < mesh.numPolygons(); ++p) {
            if (mesh.polySurface[static_cast<size_t>(p)] != static_cast<int>(s)) continue;
            ++faces;
            for (int k = 0; k < mesh.polySize(p); ++k) points.insert(mesh.corner(p, k));
        }
        out << "    surface " << quoted(mesh.surfaceNames[s]) << ": " << faces << " faces, " << points.size()
            << " points";
        const SceneSurface &surf = *obj.surfaces[s];
        if (!surf.shaders.empty()) {
            out << "; shaders:";
            for (const ServerUse &u : surf.shaders) out << ' ' << u.server;
        }
        out << '\n';
    }
}

}  // namespace

void printSceneInfo(const Scene &scene, std::ostream &out) {
    out << scene.path << ": frames " << scene.firstFrame << '-' << scene.lastFrame << " at " << scene.fps
        << " fps, " << scene.width << " x " << scene.height << " pixels\n";
    for (const auto &obj : scene.objects) printObject(scene, *obj, out);
    const double t = scene.frameTime(scene.firstFrame);
    for (const auto &cam : scene.cameras) {
        double at[3];
        scene.itemParam(cam->id, ITEM_PARAM_W_POSITION, t, at);
        out << "  camera " << quoted(cam->name) << ": at " << text(load(at)) << ", hfov "
            << cam->hfov * 180 / kPi << (cam->id == scene.renderCamera ? ", renders" : "") << '\n';
    }
    for (const auto &light : scene.lights) {
        double at[3];
        scene.itemParam(light->id, ITEM_PARAM_W_POSITION, t, at);
        out << "  light " << quoted(light->name) << ": " << lightKind(light->lightType) << ", at "
            << text(load(at)) << '\n';
    }
    for (const ServerUse &u : scene.pixelFilters) out << "  pixel filter " << u.server << '\n';
    for (const ServerUse &u : scene.imageFilters) out << "  image filter " << u.server << '\n';
}

}  // namespace minihost::cli
