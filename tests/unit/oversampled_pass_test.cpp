// TraceStep1's oversampled pass with a host of the test's own: the cell hash,
// the rays it casts (deterministic, jittered only for "3x3 HQ"), the depths it
// stores, the progress monitor and its abort, a field of view of pi, and the
// isolated-sample marking.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/stroke_store_builder.h"
#include "tracer_s/oversampled_pass.h"

namespace {

using namespace qr::tracer_s;
using storetest::StoreBuilder;

// The host of one pass: a camera looking down +Z with the given fields of
// view, and a ray-shade that answers from a depth function of the cell the
// store header names.
struct FakeHost {
    static FakeHost *current;
    double hfov = 1.5707963267948966, vfov = 1.0;
    qr::StrokeStoreHeader *header = nullptr;
    std::function<double(int, int)> depthAt = [](int, int) { return 10.0; };
    struct Ray {
        int col, row;
        double origin[3], dir[3];
    };
    std::vector<Ray> rays;
    std::vector<std::string> monitorEvents;
    int abortAtStep = 0;  // 0: never
    int steps = 0;

    SceneInfo scene{};
    ItemInfo items{};
    CameraInfo camera{};
    MonitorFuncs monitor{};

    FakeHost() {
        current = this;
        scene.renderCamera = [](double) -> ItemID { return 7; };
        items.param = [](ItemID id, int code, double, double v[3]) {
            if (id != 7) return;
            const double right[3] = {2, 0, 0}, up[3] = {0, 1, 0}, fwd[3] = {0, 0, 3}, pos[3] = {1, 2, -5};
            const double *src = code == ITEM_PARAM_RIGHT        ? right
                                : code == ITEM_PARAM_UP         ? up
                                : code == ITEM_PARAM_FORWARD    ? fwd
                                : code == ITEM_PARAM_W_POSITION ? pos
                                                                : nullptr;
            if (src)
                for (int k = 0; k < 3; ++k) v[k] = src[k];
        };
        camera.fovAngles = [](ItemID, double, double *h, double *v) {
            *h = current->hfov;
            *v = current->vfov;
        };
        monitor.create = []() -> MonitorID {
            current->monitorEvents.push_back("create");
            return reinterpret_cast<MonitorID>(current);
        };
        monitor.setup = [](MonitorID, const char *title, unsigned int flags, const char *history) {
            current->monitorEvents.push_back(std::string("setup ") + title + " " + std::to_string(flags) +
                                             (history ? " history" : ""));
        };
        monitor.init = [](MonitorID, unsigned int total, const char *text) {
            current->monitorEvents.push_back("init " + std::to_string(total) + " " + text);
        };
        monitor.step = [](MonitorID, unsigned int n, const char *text) -> int {
            current->monitorEvents.push_back("step " + std::to_string(n) + (text ? " text" : ""));
            ++current->steps;
            return current->abortAtStep != 0 && current->steps >= current->abortAtStep;
        };
        monitor.done = [](MonitorID) { current->monitorEvents.push_back("done"); };
        monitor.destroy = [](MonitorID) { current->monitorEvents.push_back("destroy"); };
    }

    static double rayShade(const double origin[3], const double dir[3], ShaderAccess *) {
        FakeHost &h = *current;
        Ray r{h.header->currentColumn, h.header->currentRow, {}, {}};
        for (int k = 0; k < 3; ++k) r.origin[k] = origin[k], r.dir[k] = dir[k];
        h.rays.push_back(r);
        return h.depthAt(r.col, r.row);
    }

    PassHost passHost(bool withMonitor = true) {
        PassHost p;
        p.scene = &scene;
        p.items = &items;
        p.camera = &camera;
        p.monitor = withMonitor ? &monitor : nullptr;
        p.rayShade = &FakeHost::rayShade;
        p.time = 0.5;
        p.title = "QM's Quill-Rim (Grade-S) version 0.18a";
        return p;
    }

    bool run(StoreBuilder &store, const TraceStep1Instance &settings, qr::StrokeStoreHeader &h,
             bool withMonitor = true) {
        h = store.header();
        header = &h;
        rays.clear();
        return runOversampledPass(h, settings, passHost(withMonitor));
    }
};
FakeHost *FakeHost::current = nullptr;

TEST(CellHash, RowAndColumnZeroShareOneHash) {
    const CellHash zero = cellHash(0, 0);
    for (int k = 0; k < 40; ++k) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(cellHash(k, 0).r[i], zero.r[i]);
            EXPECT_EQ(cellHash(0, k).r[i], zero.r[i]);
        }
    }
    EXPECT_EQ(zero.r[0], 0u);
    EXPECT_EQ(zero.r[1], 1u);
    EXPECT_EQ(zero.r[2], 1566083942u);
    EXPECT_EQ(cellHash(1, 1).r[0], 0x8DE30791u);
    EXPECT_EQ(cellHash(3, 5).r[0], cellHash(5, 3).r[0]);  // depends on col x row only
    for (int c = 0; c < 50; ++c)
        for (int r = 0; r < 50; ++r) {
            const CellHash h = cellHash(c, r);
            for (int i = 0; i < 4; ++i) {
                ASSERT_GE(h.u[i], 0.0);
                ASSERT_LT(h.u[i], 1.0);
                ASSERT_EQ(h.u[i], h.r[i] * 2.3283064365386963e-10);
            }
        }
}

TEST(OversampledPass, RaysComeFromTheCameraThroughEachCell) {
    FakeHost host;
    StoreBuilder store(8, 6, 2);
    TraceStep1Instance settings;
    qr::StrokeStoreHeader h;
    ASSERT_TRUE(host.run(store, settings, h));
    ASSERT_EQ(host.rays.size(), 48u);
    // Raster order, the header naming each cell just before its ray.
    for (size_t i = 0; i < host.rays.size(); ++i) {
        EXPECT_EQ(host.rays[i].col, int(i % 8));
        EXPECT_EQ(host.rays[i].row, int(i / 8));
    }
    // Cell (0, 0): no jitter with "2x2 Standard", 0.01 x u3 of a cell right of
    // the corner; axes normalised; origin at the camera's world position.
    const FakeHost::Ray &r = host.rays[0];
    const double u3 = 1566083942u * 2.3283064365386963e-10, u4 = cellHash(0, 0).u[3];
    const double sx = 2.0 * ((0.01 * u3) / 8 - 0.5), sy = 2.0 * (0.5 - (0.01 * u4) / 6);
    const double d[3] = {sx * std::tan(host.hfov / 2), sy * std::tan(host.vfov / 2), 1.0};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.dir[k], d[k] / len, 1e-15);
    EXPECT_EQ(r.origin[0], 1.0);
    EXPECT_EQ(r.origin[1], 2.0);
    EXPECT_EQ(r.origin[2], -5.0);
    // Depths are stored as floats; the flags say the pass is done.
    EXPECT_EQ(store.depth(3, 3), 10.0f);
    EXPECT_EQ(h.passRunning, 0);
    EXPECT_EQ(h.passDone, 1);
    EXPECT_EQ(h.failed, 0);
    // The monitor: one step per grid row.
    ASSERT_EQ(host.monitorEvents.size(), 3u + 6u + 2u);
    EXPECT_EQ(host.monitorEvents[0], "create");
    EXPECT_EQ(host.monitorEvents[1], "setup QM's Quill-Rim (Grade-S) version 0.18a 0");
    EXPECT_EQ(host.monitorEvents[2], "init 6 Oversampling pixels.");
    EXPECT_EQ(host.monitorEvents[3], "step 1");
    EXPECT_EQ(host.monitorEvents[9], "done");
    EXPECT_EQ(host.monitorEvents[10], "destroy");
}

TEST(OversampledPass, JitterOnlyWithThreeByThreeAndRaysRepeat) {
    auto raysWith = [](int aaSample, double jitter) {
        FakeHost host;
        StoreBuilder store(9, 6, 3);
        TraceStep1Instance settings;
        settings.aa_sample = aaSample;
        settings.aa_jitter = jitter;
        qr::StrokeStoreHeader h;
        host.run(store, settings, h, false);
        std::vector<double> dirs;
        for (const auto &r : host.rays) dirs.insert(dirs.end(), r.dir, r.dir + 3);
        return dirs;
    };
    EXPECT_EQ(raysWith(1, 0.5), raysWith(1, 0.9));
    EXPECT_EQ(raysWith(0, 0.5), raysWith(0, 0.0));
    EXPECT_NE(raysWith(2, 0.5), raysWith(2, 0.9));
    EXPECT_EQ(raysWith(2, 0.5), raysWith(2, 0.5));  // deterministic
    EXPECT_EQ(raysWith(2, 0.0), raysWith(1, 0.5));  // no jitter amount: the plain rays
}

TEST(OversampledPass, FieldOfViewOfPiGivesNoRays) {
    for (double fov : {3.141592653589793, 4.0, std::nan("")}) {
        FakeHost host;
        host.hfov = fov;
        StoreBuilder store(6, 4, 1);
        TraceStep1Instance settings;
        qr::StrokeStoreHeader h;
        EXPECT_TRUE(host.run(store, settings, h));
        EXPECT_TRUE(host.rays.empty());
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) EXPECT_EQ(store.depth(x, y), -1.0f);
        EXPECT_EQ(h.passDone, 1);
    }
    FakeHost host;
    host.vfov = 3.141592653589793;
    StoreBuilder store(6, 4, 1);
    qr::StrokeStoreHeader h;
    host.run(store, TraceStep1Instance{}, h);
    EXPECT_TRUE(host.rays.empty());
}

TEST(OversampledPass, AbortSetsTheFailureFlagAndSkipsTheMarking) {
    FakeHost host;
    host.abortAtStep = 2;
    host.depthAt = [](int col, int) { return col == 2 ? 10.0 : -1.0; };  // would mark
    StoreBuilder store(5, 4, 1);
    qr::StrokeStoreHeader h;
    EXPECT_FALSE(host.run(store, TraceStep1Instance{}, h));
    EXPECT_EQ(h.failed, 1);
    EXPECT_EQ(h.passRunning, 1);
    EXPECT_EQ(h.passDone, 0);
    EXPECT_EQ(host.rays.size(), 10u);  // two rows, then the user stopped it
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(store.mark(x, y), 0);
    EXPECT_EQ(host.monitorEvents.back(), "destroy");

    // Without a monitor service the pass cannot be stopped.
    FakeHost quiet;
    quiet.abortAtStep = 1;
    StoreBuilder again(5, 4, 1);
    qr::StrokeStoreHeader h2;
    EXPECT_TRUE(quiet.run(again, TraceStep1Instance{}, h2, false));
    EXPECT_EQ(quiet.rays.size(), 20u);
}

TEST(IsolatedMarking, LoneSamplesAndLineEnds) {
    // Depth rows: '.' a miss, a digit d the depth 10 + d / 100, 'F' the depth 20.
    auto marked = [](std::vector<std::string> rows) {
        StoreBuilder s(int(rows[0].size()), int(rows.size()), 1);
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const char c = rows[size_t(y)][size_t(x)];
                if (c == '.') continue;
                storetest::Hit hit;
                hit.depth = c == 'F' ? 20.0f : float(10.0 + (c - '0') / 100.0);
                s.set(x, y, hit);
            }
        s.markIsolated();
        std::vector<std::string> out(rows.size(), std::string(rows[0].size(), ' '));
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) out[size_t(y)][size_t(x)] = (s.mark(x, y) & 1) ? 'X' : '-';
        return out;
    };
    // A lone hit in background, and a lone hole in a surface.
    EXPECT_EQ(marked({".....", "..0..", "....."}), (std::vector<std::string>{"-----", "--X--", "-----"}));
    EXPECT_EQ(marked({"00000", "00.00", "00000"}), (std::vector<std::string>{"-----", "--X--", "-----"}));
    // A line one cell thin: its ends are marked, not its middle.
    EXPECT_EQ(marked({".......", ".00000.", "......."}),
              (std::vector<std::string>{"-------", "-X---X-", "-------"}));
    // An ordinary silhouette: no marks; depths within 1 % agree (10 and 10.09
    // is less than 1 %), so a small step is no isolation either.
    EXPECT_EQ(marked({"000...", "000...", "000..."}),
              (std::vector<std::string>{"------", "------", "------"}));
    EXPECT_EQ(marked({"0009", "0009", "0009"}), (std::vector<std::string>{"----", "----", "----"}));
    // Across a large step each side agrees only with itself: a corner cell of
    // the grid then has one agreeing neighbour of three and is marked, a
    // border cell two of five and is not.
    EXPECT_EQ(marked({"0F", "0F", "0F"}), (std::vector<std::string>{"XX", "--", "XX"}));
    EXPECT_EQ(marked({"00FF", "00FF", "00FF"}), (std::vector<std::string>{"----", "----", "----"}));
}

}  // namespace
