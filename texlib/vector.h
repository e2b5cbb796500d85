// Three-component double vectors shared by the shader, the tracers and the
// texture code. The arithmetic is binding: other results (recorded normals,
// gradient inputs) depend on the order of every sum, so each operation is
// written exactly as the formula reads and compiled without fused
// multiply-add. Results go into a vector the caller provides, whose reference
// is returned for chaining; an output may be the same object as an input.
#pragma once

namespace qr {

struct Vector {
    double x, y, z;
};

// sqrt((x*x + y*y) + z*z)
double length(const Vector &v);

// (a.z*b.z + a.y*b.y) + a.x*b.x
double dot(const Vector &a, const Vector &b);

// The same sums for two stored normals, three floats each (x, y, z), taken
// as doubles: the tracers' normal test. Inline, for the tracers' cell loops.
inline double dotOfNormals(const float *a, const float *b) {
    const double ax = a[0], ay = a[1], az = a[2], bx = b[0], by = b[1], bz = b[2];
    return (az * bz + ay * by) + ax * bx;
}

// out = a x b
Vector &cross(Vector &out, const Vector &a, const Vector &b);

// Divides v by its length (v itself changes) and copies it to out. A vector of
// length 0, or whose length is not a finite number, becomes (0, 0, 0).
Vector &normalizeInPlace(Vector &v, Vector &out);

// out = v divided by its length, v unchanged; (0, 0, 0) where normalizeInPlace
// would give it.
Vector &normalizedCopy(Vector &out, const Vector &v);

// The mirror direction of d about n: d' - 2 (d'.n') n' with d', n' the
// normalized copies. A zero normal returns d' unchanged.
Vector &reflect(Vector &out, const Vector &d, const Vector &n);

}  // namespace qr
