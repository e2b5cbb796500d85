// The gradient inputs that sum the light arriving at the spot: the ambient
// light (23) and the diffuse, specular and Phong terms of every light (24 to
// 26), through the spot's illuminate function.
#include "texlib/gradient_input_terms.h"

namespace qr {

namespace {

Vector unit(const Vector &v) {
    Vector out;
    return normalizedCopy(out, v);
}

double positive(double v) { return v > 0 ? v : 0.0; }

void ambientColor(const InputTerms &t, double c[3]) {
    c[0] = c[1] = c[2] = 0.0;
    if (t.services.lightInfo && t.services.lightInfo->ambient) t.services.lightInfo->ambient(t.time(), c);
}

// 23: the indirect light reaching the spot, else the scene's ambient colour.
double gradientAmbient(const InputTerms &t) {
    if (!t.known(t.object)) return 0.0;
    const ObjectInfo *objects = t.services.objectInfo;
    double c[3];
    if (objects && t.spot.illuminate) {
        if (objects->excluded && objects->excluded(t.object, ITEM_INDIRECT_LIGHT)) {
            ambientColor(t, c);
        } else {
            double direction[3] = {t.n.x, t.n.y, t.n.z};
            if (!t.spot.illuminate(ITEM_INDIRECT_LIGHT, t.spot.wPos, direction, c)) ambientColor(t, c);
        }
    } else {
        ambientColor(t, c);
    }
    return intensity(c);
}

// 24 to 26: every light that is not flagged off for the term, not excluded
// from the spot's object and reaches the spot adds its term.
double lightSum(const InputTerms &t, int number) {
    const ItemInfo *items = t.services.itemInfo;
    if (!items || !items->first || !items->next || !t.spot.illuminate) return 0.0;
    const unsigned skipFlag = number == 24 ? LIGHT_FLAG_NO_DIFFUSE : LIGHT_FLAG_NO_SPECULAR;
    const LightInfo *lights = t.services.lightInfo;
    const ObjectInfo *objects = t.services.objectInfo;
    const bool objectKnown = objects && objects->excluded && t.known(t.object);
    Vector mirror{};
    if (number == 26) {
        Vector m;
        reflect(m, t.r, t.n);
        mirror = unit(m);
    }
    double sum = 0.0;
    for (ItemID light = items->first(ITEM_TYPE_LIGHT, ITEM_NULL); light != ITEM_NULL;
         light = items->next(light)) {
        if (lights && lights->flags && (lights->flags(light) & skipFlag)) continue;
        if (objectKnown && objects->excluded(t.object, light)) continue;
        double direction[3] = {0.0, 0.0, 0.0}, color[3] = {0.0, 0.0, 0.0};
        if (!t.spot.illuminate(light, t.spot.wPos, direction, color)) continue;
        // The light travels along `direction`: L points back at the light.
        const Vector L = negated(unit({direction[0], direction[1], direction[2]}));
        const double i = intensity(color);
        if (number == 24) {
            sum += positive(dot(t.n, L)) * i;
        } else if (number == 25) {
            const double s = positive(dot(t.n, unit(minus(L, t.r))));
            sum += s * s * s * s * i;
        } else {
            sum += positive(dot(mirror, L)) * i;
        }
    }
    return sum;
}

}  // namespace

double lightInput(const InputTerms &t, int number) {
    return number == 23 ? gradientAmbient(t) : lightSum(t, number);
}

}  // namespace qr
