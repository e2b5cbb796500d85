// The texture spot of a shaded sample, for evaluating the edge shader's
// variant parameters at that sample.
#include <cstring>

#include "texlib/polygon_table.h"
#include "texlib/shader_texture_support.h"
#include "texlib/support_services.h"

namespace qr {

namespace {

void copy3(double to[3], const double from[3]) { std::memcpy(to, from, 3 * sizeof(double)); }

// What each thread keeps per polygon: the geometric normal normalised, with
// its world axis, and the object axis of the polygon's normal.
struct PolygonAxes {
    bool gKnown;
    double gNorm[3];  // as the sample gave it
    Vector g;
    int wAxis;
    bool oKnown;
    Vector normal;  // the polygon's normal
    int oAxis;
};
thread_local PolygonTable<PolygonAxes> tAxes;

// The dominant axis of the polygon's normal in object coordinates; from the
// world transform's columns when the mesh or the polygon gives no normal.
// The mesh is asked for every sample; the axis of the normal it gives is
// kept with that normal.
int objectAxis(const ShaderAccess &sa, const TexturedSpot &spot, const Vector &g, PolygonAxes &kept) {
    const SupportServices &s = supportServices();
    Vector polyNormal{};
    bool found = false;
    if (s.objectInfo && s.objectInfo->meshInfo && sa.polygon) {
        if (MeshInfo *mesh = s.objectInfo->meshInfo(sa.objID, 1)) {
            found = polygonNormal(mesh, sa.polygon, polyNormal);
            if (mesh->destroy) mesh->destroy(mesh);
        }
    }
    if (found) {
        if (!kept.oKnown || std::memcmp(&kept.normal, &polyNormal, sizeof polyNormal) != 0) {
            kept.normal = polyNormal;
            kept.oAxis = dominantAxis(polyNormal, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
            kept.oKnown = true;
        }
        return kept.oAxis;
    }
    const double *m = spot.wXfrm;
    Vector c0, c1, c2;
    normalizedCopy(c0, {m[0], m[3], m[6]});
    normalizedCopy(c1, {m[1], m[4], m[7]});
    normalizedCopy(c2, {m[2], m[5], m[8]});
    return dominantAxis(g, c0, c1, c2);
}

}  // namespace

void buildTextureSpot(TexturedSpot *spot, const ShaderAccess *sa, SurfaceID surface) {
    if (!spot || !sa) return;
    acquireSupportServices();
    const SupportServices &s = supportServices();
    if (s.vparmFuncs && s.vparmFuncs->initSpot) s.vparmFuncs->initSpot(spot);

    copy3(spot->oPos, sa->oPos);
    copy3(spot->wPos, sa->wPos);
    spot->oScl[0] = spot->oScl[1] = spot->oScl[2] = 1.0;
    copy3(spot->gNorm, sa->gNorm);
    copy3(spot->wNorm, sa->wNorm);
    for (int k = 0; k < 3; ++k) spot->ray[k] = sa->wPos[k] - sa->raySource[k];  // not normalised
    spot->bumpHeight = sa->bumpHeight;
    spot->spotSize = sa->spotSize;
    copy3(spot->raySource, sa->raySource);
    spot->rayLength = sa->rayLength;
    spot->cosine = sa->cosine;
    std::memcpy(spot->oXfrm, sa->oXfrm, sizeof spot->oXfrm);
    std::memcpy(spot->wXfrm, sa->wXfrm, sizeof spot->wXfrm);
    spot->objID = sa->objID;
    spot->surfID = surface;
    std::memcpy(spot->verts, sa->verts, sizeof spot->verts);
    std::memcpy(spot->weights, sa->weights, sizeof spot->weights);
    std::memcpy(spot->vertsWPos, sa->vertsWPos, sizeof spot->vertsWPos);
    spot->polNum = sa->polNum;

    // The geometric normal is the same for every sample of a polygon.
    PolygonAxes &kept = tAxes.slotFor(sa->polygon);
    if (!kept.gKnown || std::memcmp(kept.gNorm, sa->gNorm, sizeof kept.gNorm) != 0) {
        copy3(kept.gNorm, sa->gNorm);
        normalizedCopy(kept.g, {sa->gNorm[0], sa->gNorm[1], sa->gNorm[2]});
        kept.wAxis = dominantAxis(kept.g, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
        kept.gKnown = true;
    }
    const int wAxis = kept.wAxis;
    spot->oAxis = objectAxis(*sa, *spot, kept.g, kept);
    spot->wAxis = wAxis;
    spot->context = 0;
    spot->illuminate = sa->illuminate;
    spot->rayTrace = sa->rayTrace;
    spot->rayCast = sa->rayCast;
    spot->rayShade = sa->rayShade;
    spot->txFlags = 0;
    spot->polygon = sa->polygon;
}

}  // namespace qr
