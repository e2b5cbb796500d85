// The terms the gradient inputs share: the spot's unit normal and ray, its
// position, its object and the chosen item, whether an item is one of the
// scene's objects, and item vectors from the record's snapshot.
#pragma once

#include "host/textures.h"
#include "texlib/gradient_inputs.h"
#include "texlib/support_services.h"
#include "texlib/vector.h"

namespace qr {

inline constexpr double kHalfPi = 1.5707963267948966;

struct InputTerms {
    InputTerms(const TxtrInputParam *param, const TexturedSpot &spot, const InputTimeRecord *record);

    const SupportServices &services;
    const TexturedSpot &spot;
    const InputTimeRecord *record;
    Vector n;         // the spot's normal, normalised
    Vector r;         // the ray, normalised
    Vector p;         // the spot's world position
    ItemID object;    // o: the object owning the spot
    uint32_t chosen;  // the descriptor's selected item (0: none)
    ItemID item;      // c: the selected item, else the spot's object

    // The item service is held and x is one of its objects (a light,
    // camera or bone never is).
    bool known(ItemID x) const;
    // The snapshot's vector of item x and code: 2, 3, 4 its axes, 8 its
    // world position; the zero vector when the snapshot has none.
    Vector snapshot(ItemID x, int code) const;
    double time() const { return record ? record->time : 0.0; }
};

// The inputs of each group; `number` is the input's number.
double lightInput(const InputTerms &t, int number);      // 23 to 26
double occlusionInput(const InputTerms &t, int number);  // 27 to 36

// (r + g + b) / 3, as the light inputs weigh a colour.
inline double intensity(const double c[3]) { return (c[0] + c[1] + c[2]) * 0.3333333333333333; }

inline Vector negated(const Vector &v) { return {-v.x, -v.y, -v.z}; }
inline Vector minus(const Vector &a, const Vector &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

}  // namespace qr
