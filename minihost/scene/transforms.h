// Item motion: a position, a rotation (heading, pitch, bank) and a scale,
// each optionally keyed over time with linear interpolation between keys and
// the end values held outside them.
//
// Rotations follow the host's left-handed frame (+X right, +Y up, +Z forward):
// heading turns about +Y (a positive heading turns +Z towards +X), pitch about
// the item's X axis (a positive pitch tips +Z downwards), bank about its Z axis
// (a positive bank tips +Y towards +X). The rotation matrix is
// heading * pitch * bank, applied to column vectors.
#pragma once

#include <vector>

#include "minihost/scene/vec_math.h"

namespace minihost {

// One keyed channel of three values; empty when the channel is not animated.
class VectorTrack {
public:
    struct Key {
        double time;
        Vec3 value;
    };
    // Keys may be added in any order; equal times keep the later key.
    void addKey(double time, Vec3 value);
    bool empty() const { return keys_.empty(); }
    const std::vector<Key> &keys() const { return keys_; }
    // Linear between keys, constant before the first and after the last.
    Vec3 valueAt(double time, Vec3 fallback) const;

private:
    std::vector<Key> keys_;
};

struct Motion {
    Vec3 position;
    Vec3 rotation;  // heading, pitch, bank in radians
    Vec3 scale{1, 1, 1};
    VectorTrack positionKeys, rotationKeys, scaleKeys;

    Vec3 positionAt(double t) const { return positionKeys.valueAt(t, position); }
    Vec3 rotationAt(double t) const { return rotationKeys.valueAt(t, rotation); }
    Vec3 scaleAt(double t) const { return scaleKeys.valueAt(t, scale); }
    // local-to-parent transform at t: translate * rotate * scale
    Affine localAt(double t) const;
};

Mat3 rotationMatrix(Vec3 headingPitchBank);
// Heading and pitch that turn +Z towards `direction` (bank 0).
Vec3 headingPitchTowards(Vec3 direction);
Mat3 scaleMatrix(Vec3 s);

}  // namespace minihost
