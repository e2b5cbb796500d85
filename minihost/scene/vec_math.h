// Small double-precision vector and matrix helpers of the scene and renderer.
#pragma once

#include <array>
#include <cmath>

namespace minihost {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
// The zero vector (or one whose length is not a number) stays zero.
inline Vec3 normalized(Vec3 a) {
    const double len = length(a);
    if (!(len > 0) || !std::isfinite(len)) return {};
    return a * (1.0 / len);
}
inline Vec3 lerp(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }
inline void store(Vec3 v, double out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}
inline Vec3 load(const double in[3]) { return {in[0], in[1], in[2]}; }
inline Vec3 load(const float in[3]) { return {in[0], in[1], in[2]}; }

// A 3 x 3 matrix, row major, acting on column vectors.
struct Mat3 {
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
    double operator()(int r, int c) const { return m[static_cast<size_t>(r * 3 + c)]; }
    double &operator()(int r, int c) { return m[static_cast<size_t>(r * 3 + c)]; }
    Vec3 column(int c) const { return {(*this)(0, c), (*this)(1, c), (*this)(2, c)}; }
};

inline Mat3 operator*(const Mat3 &a, const Mat3 &b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r(i, j) = a(i, 0) * b(0, j) + a(i, 1) * b(1, j) + a(i, 2) * b(2, j);
    return r;
}
inline Vec3 operator*(const Mat3 &a, Vec3 v) {
    return {a(0, 0) * v.x + a(0, 1) * v.y + a(0, 2) * v.z, a(1, 0) * v.x + a(1, 1) * v.y + a(1, 2) * v.z,
            a(2, 0) * v.x + a(2, 1) * v.y + a(2, 2) * v.z};
}
inline Mat3 transposed(const Mat3 &a) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r(i, j) = a(j, i);
    return r;
}
// The inverse, or the identity for a singular matrix.
Mat3 inverted(const Mat3 &a);

// An affine transform: world = linear * local + offset.
struct Affine {
    Mat3 linear;
    Vec3 offset;
    Vec3 apply(Vec3 p) const { return linear * p + offset; }
};
inline Affine operator*(const Affine &a, const Affine &b) {
    return {a.linear * b.linear, a.linear * b.offset + a.offset};
}

constexpr double kPi = 3.141592653589793;
inline double radians(double degrees) { return degrees * (kPi / 180.0); }

}  // namespace minihost
