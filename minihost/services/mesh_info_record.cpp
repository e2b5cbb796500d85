// Mesh records handed to modules. Points and polygons are named by their
// index plus one, so that null stays "none"; weight maps by their number in
// the scene (weightMapNumber).
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

struct MeshHandle {
    MeshInfo record;
    const Mesh *mesh;
    int selectedMap = -1;
    std::vector<uint32_t> mapNumbers;  // the scene's number of each of the mesh's maps
};

const Mesh *meshOf(MeshInfo *info) {
    return info && info->priv ? static_cast<MeshHandle *>(info->priv)->mesh : nullptr;
}

// index of a handle, or -1 outside 0 .. count - 1
template <typename Handle>
int indexOf(Handle h, int count) {
    const auto v = reinterpret_cast<uintptr_t>(h);
    if (v == 0 || v > static_cast<uintptr_t>(count)) return -1;
    return static_cast<int>(v - 1);
}

// Released records kept for reuse by the same thread: a shader may ask for a
// mesh for every sample it shades. A fixed array, so that keeping one never
// allocates.
struct HandlePool {
    static constexpr size_t kSize = 8;
    std::array<MeshHandle *, kSize> free{};
    size_t count = 0;
    ~HandlePool() {
        for (size_t i = 0; i < count; ++i) delete free[i];
    }
};
thread_local HandlePool tPool;

void destroy(MeshInfo *info) {
    if (!info) return;
    auto *h = static_cast<MeshHandle *>(info->priv);
    if (tPool.count < HandlePool::kSize)
        tPool.free[tPool.count++] = h;
    else
        delete h;
}

int numPoints(MeshInfo *info) {
    const Mesh *m = meshOf(info);
    return m ? m->numPoints() : 0;
}

int numPolygons(MeshInfo *info) {
    const Mesh *m = meshOf(info);
    return m ? m->numPolygons() : 0;
}

int scanPoints(MeshInfo *info, PointScanFunc *func, void *data) {
    const Mesh *m = meshOf(info);
    if (!m || !func) return 0;
    for (int i = 0; i < m->numPoints(); ++i)
        if (int r = func(data, pointHandle(i))) return r;
    return 0;
}

int scanPolys(MeshInfo *info, PolygonScanFunc *func, void *data) {
    const Mesh *m = meshOf(info);
    if (!m || !func) return 0;
    for (int i = 0; i < m->numPolygons(); ++i)
        if (int r = func(data, polygonHandle(i))) return r;
    return 0;
}

void pntBasePos(MeshInfo *info, PointID point, float pos[3]) {
    const Mesh *m = meshOf(info);
    if (!m || !pos) return;
    const int i = indexOf(point, m->numPoints());
    if (i < 0) return;
    std::memcpy(pos, m->points[static_cast<size_t>(i)].data(), sizeof(float) * 3);
}

int polSize(MeshInfo *info, PolygonID polygon) {
    const Mesh *m = meshOf(info);
    if (!m) return 0;
    const int p = indexOf(polygon, m->numPolygons());
    return p < 0 ? 0 : m->polySize(p);
}

PointID polVertex(MeshInfo *info, PolygonID polygon, int vertex) {
    const Mesh *m = meshOf(info);
    if (!m) return nullptr;
    const int p = indexOf(polygon, m->numPolygons());
    if (p < 0 || vertex < 0 || vertex >= m->polySize(p)) return nullptr;
    return pointHandle(m->corner(p, vertex));
}

const char *polTag(MeshInfo *info, PolygonID polygon, uint32_t tagType) {
    const Mesh *m = meshOf(info);
    if (!m || tagType != POLY_TAG_SURF) return nullptr;
    const int p = indexOf(polygon, m->numPolygons());
    if (p < 0) return nullptr;
    return m->surfaceNames[static_cast<size_t>(m->polySurface[static_cast<size_t>(p)])].c_str();
}

VMapID pntVLookup(MeshInfo *info, uint32_t type, const char *name) {
    const Mesh *m = meshOf(info);
    if (!m || type != VMAP_WGHT || !name) return nullptr;
    const auto *h = static_cast<MeshHandle *>(info->priv);
    for (size_t i = 0; i < m->weightMaps.size(); ++i)
        if (m->weightMaps[i].name == name) return reinterpret_cast<VMapID>(uintptr_t{h->mapNumbers[i]});
    return nullptr;
}

int pntVSelect(MeshInfo *info, VMapID vmap) {
    const Mesh *m = meshOf(info);
    if (!m) return 0;
    auto *h = static_cast<MeshHandle *>(info->priv);
    h->selectedMap = -1;
    for (size_t i = 0; i < h->mapNumbers.size(); ++i)
        if (vmap && reinterpret_cast<uintptr_t>(vmap) == h->mapNumbers[i])
            h->selectedMap = static_cast<int>(i);
    return h->selectedMap >= 0 ? 1 : 0;  // the map's dimension
}

int pntVGet(MeshInfo *info, PointID point, float *values) {
    const Mesh *m = meshOf(info);
    if (!m || !values) return 0;
    const int sel = static_cast<MeshHandle *>(info->priv)->selectedMap;
    const int i = indexOf(point, m->numPoints());
    if (sel < 0 || i < 0) return 0;
    const WeightMap &map = m->weightMaps[static_cast<size_t>(sel)];
    if (!map.has[static_cast<size_t>(i)]) return 0;
    values[0] = map.values[static_cast<size_t>(i)];
    return 1;
}

}  // namespace

MeshInfo *newMeshInfo(const SceneObject &object) {
    std::unique_ptr<MeshHandle> h;
    if (tPool.count > 0) {
        h.reset(tPool.free[--tPool.count]);
        *h = MeshHandle{};
    } else {
        h.reset(new (std::nothrow) MeshHandle{});
    }
    if (!h) return nullptr;
    h->mesh = object.mesh.get();
    // Should this throw, the handle is freed and the service's guard answers.
    const Scene *scene = activeScenePtr();
    for (size_t i = 0; i < object.mesh->weightMaps.size(); ++i)
        h->mapNumbers.push_back(scene ? weightMapNumber(*scene, object.mesh->weightMaps[i].name)
                                      : static_cast<uint32_t>(i + 1));
    h->record = MeshInfo{h.get(),
                         guardedService<"MeshInfo.destroy", destroy>,
                         guardedService<"MeshInfo.numPoints", numPoints>,
                         guardedService<"MeshInfo.numPolygons", numPolygons>,
                         guardedService<"MeshInfo.scanPoints", scanPoints>,
                         guardedService<"MeshInfo.scanPolys", scanPolys>,
                         guardedService<"MeshInfo.pntBasePos", pntBasePos>,
                         guardedService<"MeshInfo.polSize", polSize>,
                         guardedService<"MeshInfo.polVertex", polVertex>,
                         guardedService<"MeshInfo.polTag", polTag>,
                         guardedService<"MeshInfo.pntVLookup", pntVLookup>,
                         guardedService<"MeshInfo.pntVSelect", pntVSelect>,
                         guardedService<"MeshInfo.pntVGet", pntVGet>};
    return &h.release()->record;
}

}  // namespace minihost

namespace minihost {

uint32_t weightMapNumber(const Scene &scene, const std::string &name) {
    std::vector<const std::string *> seen;
    for (const auto &object : scene.objects)
        for (const WeightMap &map : object->mesh->weightMaps) {
            bool known = false;
            for (const std::string *s : seen) known = known || *s == map.name;
            if (known) continue;
            seen.push_back(&map.name);
            if (map.name == name) return static_cast<uint32_t>(seen.size());
        }
    return 0;
}

}  // namespace minihost
