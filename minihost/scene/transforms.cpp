#include "minihost/scene/transforms.h"

#include <algorithm>

namespace minihost {

Mat3 inverted(const Mat3 &a) {
    const double c00 = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1);
    const double c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2);
    const double c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
    const double det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
    if (det == 0 || !std::isfinite(det)) return Mat3{};
    const double k = 1.0 / det;
    Mat3 r;
    r(0, 0) = c00 * k;
    r(0, 1) = (a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2)) * k;
    r(0, 2) = (a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)) * k;
    r(1, 0) = c01 * k;
    r(1, 1) = (a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0)) * k;
    r(1, 2) = (a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)) * k;
    r(2, 0) = c02 * k;
    r(2, 1) = (a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)) * k;
    r(2, 2) = (a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)) * k;
    return r;
}

void VectorTrack::addKey(double time, Vec3 value) {
    auto it =
        std::lower_bound(keys_.begin(), keys_.end(), time, [](const Key &k, double t) { return k.time < t; });
    if (it != keys_.end() && it->time == time)
        it->value = value;
    else
        keys_.insert(it, Key{time, value});
}

Vec3 VectorTrack::valueAt(double time, Vec3 fallback) const {
    if (keys_.empty()) return fallback;
    if (!(time > keys_.front().time)) return keys_.front().value;
    if (!(time < keys_.back().time)) return keys_.back().value;
    auto hi =
        std::upper_bound(keys_.begin(), keys_.end(), time, [](double t, const Key &k) { return t < k.time; });
    auto lo = hi - 1;
    const double f = (time - lo->time) / (hi->time - lo->time);
    return lerp(lo->value, hi->value, f);
}

Mat3 rotationMatrix(Vec3 hpb) {
    const double ch = std::cos(hpb.x), sh = std::sin(hpb.x);
    const double cp = std::cos(hpb.y), sp = std::sin(hpb.y);
    const double cb = std::cos(hpb.z), sb = std::sin(hpb.z);
    Mat3 heading, pitch, bank;
    heading.m = {ch, 0, sh, 0, 1, 0, -sh, 0, ch};
    pitch.m = {1, 0, 0, 0, cp, -sp, 0, sp, cp};
    bank.m = {cb, sb, 0, -sb, cb, 0, 0, 0, 1};
    return heading * pitch * bank;
}

Vec3 headingPitchTowards(Vec3 direction) {
    const Vec3 d = normalized(direction);
    if (length(d) == 0) return {};
    const double heading = std::atan2(d.x, d.z);
    const double pitch = -std::asin(std::clamp(d.y, -1.0, 1.0));
    return {heading, pitch, 0};
}

Mat3 scaleMatrix(Vec3 s) {
    Mat3 m;
    m.m = {s.x, 0, 0, 0, s.y, 0, 0, 0, s.z};
    return m;
}

Affine Motion::localAt(double t) const {
    return {rotationMatrix(rotationAt(t)) * scaleMatrix(scaleAt(t)), positionAt(t)};
}

}  // namespace minihost
