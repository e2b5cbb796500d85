#include "texlib/vector.h"

#include <cmath>

namespace qr {

namespace {

// The divisor of a normalisation, or 0 when the vector has no direction: a
// zero length, or one that is NaN or infinite (dividing by it would give NaN
// components, or zeros that are not a unit vector either).
double usableLength(const Vector &v) {
    const double len = length(v);
    return std::isfinite(len) ? len : 0.0;
}

}  // namespace

double length(const Vector &v) { return std::sqrt((v.x * v.x + v.y * v.y) + v.z * v.z); }

double dot(const Vector &a, const Vector &b) { return (a.z * b.z + a.y * b.y) + a.x * b.x; }

Vector &cross(Vector &out, const Vector &a, const Vector &b) {
    const Vector r = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    out = r;
    return out;
}

Vector &normalizeInPlace(Vector &v, Vector &out) {
    const double len = usableLength(v);
    if (len != 0.0) {
        v.x /= len;
        v.y /= len;
        v.z /= len;
    } else {
        v = {0.0, 0.0, 0.0};
    }
    out = v;
    return out;
}

Vector &normalizedCopy(Vector &out, const Vector &v) {
    const double len = usableLength(v);
    if (len != 0.0) {
        out = {v.x / len, v.y / len, v.z / len};
    } else {
        out = {0.0, 0.0, 0.0};
    }
    return out;
}

Vector &reflect(Vector &out, const Vector &d, const Vector &n) {
    Vector dn, nn;
    normalizedCopy(dn, d);
    normalizedCopy(nn, n);
    const double k = 2.0 * dot(dn, nn);
    out = {dn.x - k * nn.x, dn.y - k * nn.y, dn.z - k * nn.z};
    return out;
}

}  // namespace qr
