// Mesh records handed to modules. Points and polygons are named by their
// index plus one, so that null stays "none"; weight maps by their number in
// the scene (weightMapNumber).
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

struct MeshHandle {
    MeshInfo record;
    const Mesh *mesh = nullptr;
    const Scene *scene = nullptr;  // the active scene when the record was made
    int selectedMap = -1;
    // The scene's number of each of the mesh's maps, found on the first
    // question about maps (most records are asked only for points and
    // polygons).
    bool numbered = false;
    std::vector<uint32_t> mapNumbers;
};

// The scene's numbers of a mesh's maps. Each thread keeps those of the last
// mesh it numbered, with the scene they belong to (scenes do not change
// their maps once loaded, and every scene has a serial of its own).
const std::vector<uint32_t> &mapNumbersOf(MeshHandle &h) {
    if (h.numbered) return h.mapNumbers;
    thread_local struct {
        uint64_t serial = 0;
        const Mesh *mesh = nullptr;
        std::vector<uint32_t> numbers;
    } last;
    const std::vector<WeightMap> &maps = h.mesh->weightMaps;
    if (!h.scene || last.serial != h.scene->serial || last.mesh != h.mesh ||
        last.numbers.size() != maps.size()) {
        last.serial = 0;  // until the numbers are complete
        last.numbers.clear();
        for (size_t i = 0; i < maps.size(); ++i)
            last.numbers.push_back(h.scene ? weightMapNumber(*h.scene, maps[i].name)
                                           : static_cast<uint32_t>(i + 1));
        last.mesh = h.mesh;
        if (h.scene) last.serial = h.scene->serial;
    }
    h.mapNumbers.assign(last.numbers.begin(), last.numbers.end());
    h.numbered = true;
    return h.mapNumbers;
}

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
    const std::vector<uint32_t> &numbers = mapNumbersOf(*static_cast<MeshHandle *>(info->priv));
    for (size_t i = 0; i < m->weightMaps.size(); ++i)
        if (m->weightMaps[i].name == name) return reinterpret_cast<VMapID>(uintptr_t{numbers[i]});
    return nullptr;
}

int pntVSelect(MeshInfo *info, VMapID vmap) {
    const Mesh *m = meshOf(info);
    if (!m) return 0;
    auto *h = static_cast<MeshHandle *>(info->priv);
    h->selectedMap = -1;
    const std::vector<uint32_t> &numbers = mapNumbersOf(*h);
    for (size_t i = 0; i < numbers.size(); ++i)
        if (vmap && reinterpret_cast<uintptr_t>(vmap) == numbers[i]) h->selectedMap = static_cast<int>(i);
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

// The functions every record carries; a kept record gets them again, in case
// the module that held it wrote over its copy.
const MeshInfo kRecordFunctions = {nullptr,
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

}  // namespace

MeshInfo *newMeshInfo(const SceneObject &object) {
    MeshHandle *h = nullptr;
    if (tPool.count > 0) {
        h = tPool.free[--tPool.count];
    } else {
        h = new (std::nothrow) MeshHandle{};
        if (!h) return nullptr;
    }
    // A kept record is made as new again, keeping the room of its map
    // numbers: a record made for every sample allocates nothing.
    h->record = kRecordFunctions;
    h->record.priv = h;
    h->mesh = object.mesh.get();
    h->scene = activeScenePtr();
    h->selectedMap = -1;
    h->numbered = false;
    h->mapNumbers.clear();
    return &h->record;
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
