#include "minihost/render/camera_matrices.h"

#include <cmath>

namespace minihost {

namespace {

// Row-vector products: out = a * b.
void multiply(const double a[4][4], const double b[4][4], float out[4][4]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[i][k] * b[k][j];
            out[i][j] = static_cast<float>(sum);
        }
}

double degrees(double radians) { return radians * 180.0 / 3.14159265358979323846; }

}  // namespace

CameraMatrices cameraMatricesOf(const CameraFrame &camera) {
    CameraMatrices m;
    if (!(camera.tanHalfH > 0) || !(camera.tanHalfV > 0)) return m;
    m.known = true;
    const Vec3 axes[3] = {camera.right, camera.up, camera.forward};
    double view[4][4] = {};
    for (int j = 0; j < 3; ++j) {
        view[0][j] = axes[j].x;
        view[1][j] = axes[j].y;
        view[2][j] = axes[j].z;
        view[3][j] = -dot(camera.position, axes[j]);
    }
    view[3][3] = 1;
    // Camera space to the frame, as projectToFrame does it: x/z and y/z
    // scaled by the tangents of the half angles, then shifted to 0..1 with y
    // down. The third column keeps the matrix invertible (1/z after the divide).
    double project[4][4] = {};
    project[0][0] = 0.5 / camera.tanHalfH;
    project[1][1] = -0.5 / camera.tanHalfV;
    project[2][0] = 0.5;
    project[2][1] = 0.5;
    project[2][3] = 1;
    project[3][2] = 1;
    double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    multiply(view, identity, m.worldToCamera);
    multiply(view, project, m.worldToNDC);
    m.hfovDegrees = static_cast<float>(degrees(2 * std::atan(camera.tanHalfH)));
    m.vfovDegrees = static_cast<float>(degrees(2 * std::atan(camera.tanHalfV)));
    return m;
}

}  // namespace minihost
