// The gradient inputs 1 to 22: the spot's own values, distances and axes of
// the chosen item, weight maps, and the incidence of a chosen light. The
// light sums (23 to 26) are in light_inputs.cpp, occlusion (27 to 36) in
// occlusion_inputs.cpp.
#include <cmath>

#include "texlib/gradient_input_terms.h"
#include "texlib/item_snapshot.h"

namespace qr {

namespace {

Vector fromArray(const double v[3]) { return {v[0], v[1], v[2]}; }

Vector unit(const Vector &v) {
    Vector out;
    return normalizedCopy(out, v);
}

const Vector kWorldAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// 1 - the object's Y axis . n, against the world Y axis when the spot's
// object is not a scene object.
double slope(const InputTerms &t) {
    Vector a{0, 1, 0};
    if (t.services.itemInfo && t.object != ITEM_NULL && t.known(t.object)) a = t.snapshot(t.object, 3);
    return 1.0 - dot(unit(a), t.n);
}

// Inputs 4, 21 and 22 need the item and light services and a chosen light.
bool lightDirection(const InputTerms &t, Vector &L) {
    const LightInfo *lights = t.services.lightInfo;
    if (!t.services.itemInfo || !lights || t.chosen == 0) return false;
    const ItemID light = t.chosen;
    Vector L0;
    if (lights->type && lights->type(light) != LIGHT_TYPE_DISTANT)
        L0 = minus(t.p, t.snapshot(light, 8));  // from the light to the spot
    else
        L0 = t.snapshot(light, 4);
    L = negated(unit(L0));
    return true;
}

double lightIncidence(const InputTerms &t) {
    Vector L;
    if (!lightDirection(t, L)) return 0.0;
    const double d = dot(L, t.n);
    return d > 0 ? d * kHalfPi : 0.0;
}

double lightSpecular(const InputTerms &t) {
    Vector L;
    if (!lightDirection(t, L)) return 0.0;
    const double s = dot(t.n, unit(minus(L, t.r)));
    return s > 0 ? s * s * s * s : 0.0;
}

double lightPhong(const InputTerms &t) {
    Vector L, m;
    if (!lightDirection(t, L)) return 0.0;
    reflect(m, t.r, t.n);
    const double s = dot(unit(m), L);
    return s > 0 ? s : 0.0;
}

// 6 to 9 and 18 to 20: D = (the chosen object's position, else the origin) - p;
// `drop` is the component set to 0 before the length (-1: none).
Vector toChosen(const InputTerms &t) {
    const Vector q = t.known(t.item) ? t.snapshot(t.item, 8) : Vector{0, 0, 0};
    return minus(q, t.p);
}

double distance(const InputTerms &t, int drop) {
    if (!t.services.itemInfo) return 0.0;
    Vector D = toChosen(t);
    if (drop == 0) D.x = 0;
    if (drop == 1) D.y = 0;
    if (drop == 2) D.z = 0;
    return length(D);
}

double axisDistance(const InputTerms &t, int axis) {
    if (!t.services.itemInfo) return 0.0;
    const Vector D = toChosen(t);
    return std::fabs(axis == 0 ? D.x : axis == 1 ? D.y : D.z);
}

// 10: the selected weight map's values at the spot's points, weighted.
double weightMap(const InputTerms &t) {
    const ObjectInfo *objects = t.services.objectInfo;
    if (!objects || !objects->meshInfo || t.chosen == 0) return 0.0;
    MeshInfo *mesh = objects->meshInfo(t.object, 1);
    if (!mesh) return 0.0;
    if (mesh->pntVSelect) mesh->pntVSelect(mesh, TXTR_INPUT_VMAP(t.chosen));
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
        float value[16] = {};  // room for a map of more dimensions
        if (t.spot.verts[k] && mesh->pntVGet && mesh->pntVGet(mesh, t.spot.verts[k], value))
            sum += value[0] * t.spot.weights[k];
    }
    if (mesh->destroy) mesh->destroy(mesh);
    return sum;
}

// 11: how far the ray goes on through the surface.
double thickness(const InputTerms &t) {
    if (!t.spot.rayCast) return 0.0;
    const double d = t.spot.rayCast(t.spot.wPos, t.spot.ray);
    return d >= 0 ? d : 0.0;
}

// 12 to 14: the chosen object's axis against the normal, else the world axis.
double objectAxis(const InputTerms &t, int axis) {
    if (!t.services.itemInfo) return 0.0;
    const Vector a = t.known(t.item) ? t.snapshot(t.item, 2 + axis) : kWorldAxes[axis];
    return dot(negated(unit(a)), t.n) * kHalfPi;
}

double worldAxis(const InputTerms &t, int axis) { return dot(negated(kWorldAxes[axis]), t.n) * kHalfPi; }

}  // namespace

InputTerms::InputTerms(const TxtrInputParam *param, const TexturedSpot &s, const InputTimeRecord *rec)
        : services(supportServices()),
          spot(s),
          record(rec),
          n(unit(fromArray(s.wNorm))),
          r(unit(fromArray(s.ray))),
          p(fromArray(s.wPos)),
          object(s.objID),
          chosen(param ? param->itemID : 0),
          item(chosen != 0 ? chosen : s.objID) {}

bool InputTerms::known(ItemID x) const {
    const ItemInfo *items = services.itemInfo;
    if (!items || !items->first || !items->next || x == ITEM_NULL) return false;
    for (ItemID id = items->first(ITEM_TYPE_OBJECT, ITEM_NULL); id != ITEM_NULL; id = items->next(id))
        if (id == x) return true;
    return false;
}

Vector InputTerms::snapshot(ItemID x, int code) const {
    double v[3] = {0.0, 0.0, 0.0};
    lookupItemSnapshot(record ? record->snapshot : nullptr, x, code, v);
    return fromArray(v);
}

double evaluateGradientInput(const TxtrInputParam *param, int number, const TexturedSpot &spot,
                             const InputTimeRecord *record) {
    if (number < 1 || number > kGradientInputCount) return 1.0;
    const InputTerms t(param, spot, record);
    switch (number) {
    case 1: return spot.bumpHeight;
    case 2: return slope(t);
    case 3: return spot.cosine * kHalfPi;
    case 4: return lightIncidence(t);
    case 5: return spot.rayLength;  // the chosen camera plays no part
    case 6: return distance(t, -1);
    case 7:
    case 8:
    case 9: return axisDistance(t, number - 7);
    case 10: return weightMap(t);
    case 11: return thickness(t);
    case 12:
    case 13:
    case 14: return objectAxis(t, number - 12);
    case 15:
    case 16:
    case 17: return worldAxis(t, number - 15);
    case 18: return distance(t, 2);  // XY: without the Z difference
    case 19: return distance(t, 0);  // YZ
    case 20: return distance(t, 1);  // ZX
    case 21: return lightSpecular(t);
    case 22: return lightPhong(t);
    default: return number <= 26 ? lightInput(t, number) : occlusionInput(t, number);
    }
}

}  // namespace qr
