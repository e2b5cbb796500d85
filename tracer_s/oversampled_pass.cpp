#include "tracer_s/oversampled_pass.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "texlib/vector.h"

namespace qr::tracer_s {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr uint32_t kHashSeed = 2380466065u;  // 0x8DE30791
constexpr uint32_t kHashStep = 1566083941u;  // 0x5D588B65
constexpr double kTwoToMinus32 = 2.3283064365386963e-10;
constexpr char kMonitorText[] = "Oversampling pixels.";

// Whether larger / smaller - 1 < 0.01, for 0 < smaller < larger. Far from
// the threshold a product decides it (its rounding is some 1e-16 of the
// depths, the margin 1e-4 of them); near it the quotient is made as stated.
bool withinOnePercent(double larger, double smaller) {
    if (larger < smaller * 1.0099) return true;
    if (larger > smaller * 1.0101) return false;
    return larger / smaller - 1.0 < 0.01;
}

// Whether a neighbour's depth n agrees with the cell's depth c.
bool similarDepth(double c, double n) {
    if (c < 0.0) return n < 0.0;
    if (!(n > 0.0)) return false;
    return n > c ? withinOnePercent(n, c) : withinOnePercent(c, n);
}

// The monitor of one pass, created only when the host has the service.
class PassMonitor {
public:
    PassMonitor(const MonitorFuncs *funcs, const char *title, unsigned int rows) {
        if (!funcs || !funcs->create) return;
        mon_ = funcs->create();
        if (!mon_) return;
        funcs_ = funcs;
        if (funcs_->setup) funcs_->setup(mon_, title, 0, nullptr);
        if (funcs_->init) funcs_->init(mon_, rows, kMonitorText);
    }
    ~PassMonitor() {
        if (!mon_) return;
        if (funcs_->done) funcs_->done(mon_);
        if (funcs_->destroy) funcs_->destroy(mon_);
    }
    PassMonitor(const PassMonitor &) = delete;
    PassMonitor &operator=(const PassMonitor &) = delete;

    // One row done; true when the user asked to abort.
    bool stepAborts() { return mon_ && funcs_->step && funcs_->step(mon_, 1, nullptr) != 0; }

private:
    const MonitorFuncs *funcs_ = nullptr;
    MonitorID mon_ = nullptr;
};

}  // namespace

CellHash cellHash(int col, int row) {
    CellHash h;
    h.r[0] = static_cast<uint32_t>(col) * static_cast<uint32_t>(row) * kHashSeed;
    for (int k = 1; k < 4; ++k) h.r[k] = h.r[k - 1] * kHashStep + 1u;
    for (int k = 0; k < 4; ++k) h.u[k] = h.r[k] * kTwoToMinus32;
    return h;
}

namespace {

// Bit for bit, so that -0.0 and 0.0 (or two NaNs) are not taken for each other.
bool sameBits(const double *a, const double *b, size_t count) {
    bool same = true;
    for (size_t k = 0; k < count; ++k) same &= std::bit_cast<uint64_t>(a[k]) == std::bit_cast<uint64_t>(b[k]);
    return same;
}

// Right, up and forward normalised to unit length (a zero vector stays zero).
void unitAxes(const double raw[3][3], Vector unit[3]) {
    Vector scratch;
    for (int k = 0; k < 3; ++k) {
        unit[k] = Vector{raw[k][0], raw[k][1], raw[k][2]};
        normalizeInPlace(unit[k], scratch);
    }
}

}  // namespace

bool makeCellRay(const PassHost &host, int col, int row, int gridWidth, int gridHeight, double jitter,
                 double origin[3], double direction[3], CameraMemo *memo) {
    if (!host.scene || !host.scene->renderCamera || !host.items || !host.items->param || !host.camera ||
        !host.camera->fovAngles)
        return false;
    const ItemID cam = host.scene->renderCamera(host.time);
    double raw[3][3] = {}, pos[3] = {0, 0, 0};
    host.items->param(cam, ITEM_PARAM_RIGHT, host.time, raw[0]);
    host.items->param(cam, ITEM_PARAM_UP, host.time, raw[1]);
    host.items->param(cam, ITEM_PARAM_FORWARD, host.time, raw[2]);
    host.items->param(cam, ITEM_PARAM_W_POSITION, host.time, pos);
    Vector axes[3];
    if (memo && memo->axesKnown && sameBits(&memo->raw[0][0], &raw[0][0], 9)) {
        for (int k = 0; k < 3; ++k) axes[k] = memo->unit[k];
    } else {
        unitAxes(raw, axes);
        if (memo) {
            std::memcpy(memo->raw, raw, sizeof raw);
            for (int k = 0; k < 3; ++k) memo->unit[k] = axes[k];
            memo->axesKnown = true;
        }
    }
    const Vector &r = axes[0], &u = axes[1], &f = axes[2];

    double hfov = 0.0, vfov = 0.0;
    host.camera->fovAngles(cam, host.time, &hfov, &vfov);
    if (!(hfov < kPi) || !(vfov < kPi)) return false;
    double th, tv;
    const double angles[2] = {hfov, vfov};
    if (memo && memo->anglesKnown && sameBits(&memo->hfov, &angles[0], 1) &&
        sameBits(&memo->vfov, &angles[1], 1)) {
        th = memo->tanHalfH;
        tv = memo->tanHalfV;
    } else {
        th = std::tan(hfov / 2.0);
        tv = std::tan(vfov / 2.0);
        if (memo) {
            memo->hfov = hfov;
            memo->vfov = vfov;
            memo->tanHalfH = th;
            memo->tanHalfV = tv;
            memo->anglesKnown = true;
        }
    }

    const CellHash h = cellHash(col, row);
    const double sx = 2.0 * ((col + jitter * (2.0 * h.u[0] - 1.0) + 0.01 * h.u[2]) / gridWidth - 0.5);
    const double sy = 2.0 * (0.5 - (row + jitter * (2.0 * h.u[1] - 1.0) + 0.01 * h.u[3]) / gridHeight);
    Vector d{f.x + sx * th * r.x + sy * tv * u.x, f.y + sx * th * r.y + sy * tv * u.y,
             f.z + sx * th * r.z + sy * tv * u.z};
    Vector unit;
    normalizedCopy(unit, d);
    origin[0] = pos[0];
    origin[1] = pos[1];
    origin[2] = pos[2];
    direction[0] = unit.x;
    direction[1] = unit.y;
    direction[2] = unit.z;
    return true;
}

bool runOversampledPass(StrokeStoreHeader &header, const TraceStep1Instance &settings, const PassHost &host) {
    const StrokeStoreView store = viewOf(header);
    if (!store.valid()) return false;
    {
        PassMonitor monitor(host.monitor, host.title, static_cast<unsigned int>(store.gridHeight));
        header.passRunning = 1;
        // The host fills this record for every ray; the pass never reads it.
        ShaderAccess shading{};
        CameraMemo memo;
        for (int row = 0; row < store.gridHeight; ++row) {
            for (int col = 0; col < store.gridWidth; ++col) {
                const double jitter = settings.aa_sample >= 2 ? settings.aa_jitter : 0.0;
                double origin[3], direction[3];
                if (!makeCellRay(host, col, row, store.gridWidth, store.gridHeight, jitter, origin, direction,
                                 &memo))
                    continue;
                header.currentColumn = col;
                header.currentRow = row;
                if (!host.rayShade) continue;
                const double distance = host.rayShade(origin, direction, &shading);
                store.depth[store.index(col, row)] = static_cast<float>(distance);
            }
            if (monitor.stepAborts()) {
                header.failed = 1;
                break;
            }
        }
    }
    if (header.failed != 0) return false;
    markIsolatedSamples(store);
    header.passRunning = 0;
    header.passDone = 1;
    return true;
}

void markIsolatedSamples(const StrokeStoreView &store) {
    // Only whether fewer than two neighbours agree matters, so the count
    // stops at two; every neighbour test is the one the rule states.
    const int w = store.gridWidth, h = store.gridHeight;
    for (int y = 0; y < h; ++y) {
        const bool innerRow = y > 0 && y + 1 < h;
        for (int x = 0; x < w; ++x) {
            const size_t i = store.index(x, y);
            const double c = store.depth[i];
            int similar = 0;
            if (innerRow && x > 0 && x + 1 < w) {
                const float *above = store.depth + (i - static_cast<size_t>(w));
                const float *here = store.depth + i;
                const float *below = store.depth + (i + static_cast<size_t>(w));
                const float *rows[3] = {above, here, below};
                for (int dy = 0; dy < 3 && similar < 2; ++dy)
                    for (int dx = -1; dx <= 1 && similar < 2; ++dx)
                        if ((dy != 1 || dx != 0) && similarDepth(c, rows[dy][dx])) ++similar;
            } else {
                for (int dy = -1; dy <= 1 && similar < 2; ++dy)
                    for (int dx = -1; dx <= 1 && similar < 2; ++dx) {
                        if ((dx == 0 && dy == 0) || !store.inside(x + dx, y + dy)) continue;
                        if (similarDepth(c, store.depth[store.index(x + dx, y + dy)])) ++similar;
                    }
            }
            if (similar < 2) store.marks[i] |= qr::kIsolatedMark;
        }
    }
}

}  // namespace qr::tracer_s
