// The bounding box of a surface over every polygon that carries it in every
// scene object: the answer to a texture's bounding-box request.
#include <cstring>

#include "module_base/callback_guard.h"
#include "texlib/shader_texture_support.h"
#include "texlib/support_services.h"

namespace qr {

namespace {

constexpr uint32_t kSurfaceTag = HOST_FOURCC('S', 'U', 'R', 'F');
// Polygons of more vertices than this are taken as damaged and skipped.
constexpr int kMaxPolygonVertices = 1 << 20;
// Layer counts beyond this are taken as damaged: the walk stops there.
constexpr int kMaxLayers = 1 << 12;

struct ScanContext {
    const char *surfaceName;
    MeshInfo *mesh;
    double *box;
};

int extendByPolygon(void *data, PolygonID polygon) {
    auto &ctx = *static_cast<ScanContext *>(data);
    MeshInfo *mesh = ctx.mesh;
    const char *tag = mesh->polTag ? mesh->polTag(mesh, polygon, kSurfaceTag) : nullptr;
    const bool matches =
        (!tag && !ctx.surfaceName) || (tag && ctx.surfaceName && std::strcmp(tag, ctx.surfaceName) == 0);
    if (!matches || !mesh->polSize || !mesh->polVertex || !mesh->pntBasePos) return 0;
    const int n = mesh->polSize(mesh, polygon);
    if (n <= 0 || n > kMaxPolygonVertices) return 0;
    for (int v = 0; v < n; ++v) {
        float p[3] = {0, 0, 0};
        mesh->pntBasePos(mesh, mesh->polVertex(mesh, polygon, v), p);
        for (int a = 0; a < 3; ++a) {
            if (p[a] < ctx.box[2 * a]) ctx.box[2 * a] = p[a];
            if (p[a] > ctx.box[2 * a + 1]) ctx.box[2 * a + 1] = p[a];
        }
    }
    return 0;
}

bool listed(const SurfaceID *list, SurfaceID surface) {
    for (; *list; ++list)
        if (*list == surface) return true;
    return false;
}

}  // namespace

bool surfaceBoundingBox(SurfaceID surface, double box[6]) {
    if (!box) return false;
    for (int a = 0; a < 3; ++a) {
        box[2 * a] = 1e16;
        box[2 * a + 1] = -1e16;
    }
    acquireSupportServices();
    const SupportServices &s = supportServices();
    const SceneObjects *objects = s.sceneObjects;
    const SurfaceFuncs *surfaces = s.surfaceFuncs;
    if (objects && surfaces && objects->numObjects && objects->filename && surfaces->byObject) {
        const char *surfaceName = surfaces->name ? surfaces->name(surface) : nullptr;
        const int count = objects->numObjects();
        for (int i = 0; i < count; ++i) {
            const char *file = objects->filename(i);
            const SurfaceID *list = file ? surfaces->byObject(file) : nullptr;
            if (!list || !listed(list, surface)) continue;
            int layers = objects->maxLayers ? objects->maxLayers(i) : 0;
            if (layers > kMaxLayers) layers = kMaxLayers;
            for (int layer = 0; layer < layers; ++layer) {
                if (!objects->layerExists || !objects->layerExists(i, layer) || !objects->layerMesh) continue;
                MeshInfo *mesh = objects->layerMesh(i, layer);
                if (!mesh) continue;
                ScanContext ctx{surfaceName, mesh, box};
                if (mesh->scanPolys) mesh->scanPolys(mesh, guarded<extendByPolygon>, &ctx);
                if (mesh->destroy) mesh->destroy(mesh);
            }
        }
    }
    if (box[0] <= box[1] && box[2] <= box[3] && box[4] <= box[5]) return true;
    for (int a = 0; a < 3; ++a) {
        box[2 * a] = -0.5;
        box[2 * a + 1] = 0.5;
    }
    return false;
}

}  // namespace qr
