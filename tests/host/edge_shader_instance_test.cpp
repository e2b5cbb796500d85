// The edge shader's instance through the loaded modules: defaults, describe,
// flags, persistence in both representations and across editions, versions
// other than 256, and copy.
#include "tests/host/edge_shader_fixture.h"

namespace shadertest {
namespace {

struct Defaults {
    Ed ed;
    double normErr, second;
    unsigned flags;
    const char *title;
    const char *secondKey;
};

const Defaults kStroke{Ed::Stroke, 0.1, 0.0, 1082, "QM's Quill-Rim (Grade-S) version 0.18a", "boost"};
const Defaults kLine{Ed::Line, 0.15, 1.0, 1026, "QM's Quill-Rim (Grade-P) version 0.16a", "lpow"};

// The line settings and values an instance records for a sample.
struct Recorded {
    uint8_t color[3];
    float second;
};

Recorded recordOnce(EdgeShaderScene &s, Instance inst) {
    s.newFrame();
    ShaderAccess sa = s.sample(3, 2);
    if (s.edition() == Ed::Stroke) {
        StrokeHeader *h = s.strokeStore();
        EXPECT_NE(h, nullptr);
        if (!h) return {};
        h->passRunning = 1;
        h->currentColumn = 3;
        h->currentRow = 2;
        s.evaluate(inst, sa);
        h->passRunning = 0;
        const size_t i = size_t(2 * h->gridWidth + 3);
        EXPECT_EQ(h->buff6[i], inst);
        return {{h->buff4[3 * i], h->buff4[3 * i + 1], h->buff4[3 * i + 2]}, h->buff5[i]};
    }
    LineHeader *h = s.lineStore();
    EXPECT_NE(h, nullptr);
    if (!h) return {};
    s.evaluate(inst, sa);
    const size_t i = size_t(2 * h->width + 3);
    EXPECT_EQ(h->buff1[i], inst);
    return {{h->buff4[3 * i], h->buff4[3 * i + 1], h->buff4[3 * i + 2]}, h->buff5[i]};
}

class EdgeShaderInstanceTest : public ::testing::TestWithParam<Defaults> {};

TEST_P(EdgeShaderInstanceTest, NewInstanceHasTheEditionsDefaults) {
    const Defaults d = GetParam();
    EdgeShaderScene s(d.ed);
    Instance inst = s.create();
    ASSERT_NE(inst, nullptr);
    EXPECT_STREQ(s.handler().inst->describe(inst), d.title);
    EXPECT_EQ(s.handler().flags(inst), d.flags);

    const minihost::StateItem root = parsed(s.save(inst, IO_MODE_TEXT));
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].ints, std::vector<int64_t>{256});
    EXPECT_EQ(savedInt(savedParam(root, "override_f")), 0);
    EXPECT_EQ(savedInt(savedParam(root, "mat_id")), 0);
    EXPECT_DOUBLE_EQ(savedDouble(savedParam(root, "norm_err")), d.normErr);
    EXPECT_DOUBLE_EQ(savedDouble(savedParam(root, "dist_err")), 0.02);
    ASSERT_NE(savedParam(root, "lcol"), nullptr);
    ASSERT_NE(savedParam(root, d.secondKey), nullptr);

    const Recorded r = recordOnce(s, inst);
    EXPECT_EQ(r.color[0], 0);
    EXPECT_EQ(r.color[1], 0);
    EXPECT_EQ(r.color[2], 0);
    EXPECT_FLOAT_EQ(r.second, float(d.second));
}

TEST_P(EdgeShaderInstanceTest, SaveAndLoadReproduceEverySettingInBothRepresentations) {
    const Defaults d = GetParam();
    EdgeShaderScene s(d.ed);
    Instance a = s.create();
    s.set(a, {{"lcol", {1.0, 0.5, 0.2}},
              {d.secondKey, 0.4},
              {"mat_id", 7},
              {"override_f", 1},
              {"norm_err", 0.3},
              {"dist_err", 0.05}});
    const std::string text = s.save(a, IO_MODE_TEXT);
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        Instance b = s.create();
        s.load(b, mode, s.save(a, mode));
        EXPECT_EQ(s.save(b, IO_MODE_TEXT), text) << "mode " << mode;
        const Recorded r = recordOnce(s, b);
        EXPECT_EQ(r.color[0], 255);
        EXPECT_EQ(r.color[1], 127);
        EXPECT_EQ(r.color[2], 51);
        EXPECT_FLOAT_EQ(r.second, 0.4f);
    }
    const minihost::StateItem root = parsed(text);
    EXPECT_EQ(savedInt(savedParam(root, "mat_id")), 7);
    EXPECT_EQ(savedInt(savedParam(root, "override_f")), 1);
    EXPECT_DOUBLE_EQ(savedDouble(savedParam(root, "norm_err")), 0.3);
    EXPECT_DOUBLE_EQ(savedDouble(savedParam(root, "dist_err")), 0.05);
}

TEST_P(EdgeShaderInstanceTest, VersionsOtherThan256LoadNothing) {
    const Defaults d = GetParam();
    EdgeShaderScene s(d.ed);
    Instance a = s.create();
    s.set(a, {{"mat_id", 7}, {"norm_err", 0.3}, {"lcol", {1.0, 1.0, 1.0}}});
    const std::string saved = s.save(a, IO_MODE_TEXT);
    Instance fresh = s.create();
    const std::string defaults = s.save(fresh, IO_MODE_TEXT);
    for (const char *version : {"I4 255", "I4 257"}) {
        std::string text = saved;
        text.replace(text.find("I4 256"), 6, version);
        Instance b = s.create();
        s.load(b, IO_MODE_TEXT, text);
        EXPECT_EQ(s.save(b, IO_MODE_TEXT), defaults) << version;
    }
    // An empty or cut stream leaves the instance as it was, too.
    Instance c = s.create();
    s.load(c, IO_MODE_BINARY, "");
    s.load(c, IO_MODE_BINARY, s.save(a, IO_MODE_BINARY).substr(0, 9));
    EXPECT_EQ(s.save(c, IO_MODE_TEXT), defaults);
}

TEST_P(EdgeShaderInstanceTest, CopyTakesTheSettingsAndKeepsItsOwnParameters) {
    const Defaults d = GetParam();
    EdgeShaderScene s(d.ed);
    Instance from = s.create();
    Instance to = s.create();
    s.set(from, {{"lcol", {0.0, 1.0, 0.0}}, {d.secondKey, 0.25}, {"mat_id", 5}, {"dist_err", 0.07}});
    EXPECT_EQ(s.handler().inst->copy(to, from), nullptr);
    EXPECT_EQ(s.save(to, IO_MODE_TEXT), s.save(from, IO_MODE_TEXT));
    // The target's variant parameters are its own: changing the source's
    // colour afterwards leaves the copy's alone.
    s.set(from, {{"lcol", {1.0, 0.0, 0.0}}});
    const Recorded r = recordOnce(s, to);
    EXPECT_EQ(r.color[0], 0);
    EXPECT_EQ(r.color[1], 255);
    EXPECT_FLOAT_EQ(r.second, 0.25f);
    // A copy onto itself changes nothing.
    const std::string before = s.save(to, IO_MODE_TEXT);
    s.handler().inst->copy(to, to);
    EXPECT_EQ(s.save(to, IO_MODE_TEXT), before);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, EdgeShaderInstanceTest, ::testing::Values(kStroke, kLine),
                         [](const auto &p) { return p.param.ed == Ed::Stroke ? "Stroke" : "Line"; });

TEST(EdgeShaderAcrossEditions, AStreamOfTheOtherEditionLoadsAllButTheSecondSetting) {
    std::string fromLine, fromStroke;
    {
        EdgeShaderScene p(Ed::Line);
        Instance a = p.create();
        p.set(a, {{"lcol", {1.0, 1.0, 0.0}},
                  {"lpow", 0.5},
                  {"mat_id", 3},
                  {"override_f", 1},
                  {"norm_err", 0.25},
                  {"dist_err", 0.04}});
        fromLine = p.save(a, IO_MODE_BINARY);
    }
    {
        EdgeShaderScene s(Ed::Stroke);
        Instance b = s.create();
        s.load(b, IO_MODE_BINARY, fromLine);
        const minihost::StateItem root = parsed(s.save(b, IO_MODE_TEXT));
        EXPECT_EQ(savedInt(savedParam(root, "mat_id")), 3);
        EXPECT_EQ(savedInt(savedParam(root, "override_f")), 1);
        EXPECT_DOUBLE_EQ(savedDouble(savedParam(root, "norm_err")), 0.25);
        EXPECT_DOUBLE_EQ(savedDouble(savedParam(root, "dist_err")), 0.04);
        const Recorded r = recordOnce(s, b);
        EXPECT_EQ(r.color[0], 255);
        EXPECT_EQ(r.color[1], 255);
        EXPECT_EQ(r.color[2], 0);
        EXPECT_FLOAT_EQ(r.second, 0.0f);  // "lpow" is not "boost": the boost keeps its value
        s.set(b, {{"boost", 0.75}});
        fromStroke = s.save(b, IO_MODE_TEXT);
    }
    EdgeShaderScene p(Ed::Line);
    Instance c = p.create();
    p.load(c, IO_MODE_TEXT, fromStroke);
    const Recorded r = recordOnce(p, c);
    EXPECT_EQ(r.color[0], 255);
    EXPECT_FLOAT_EQ(r.second, 1.0f);  // the density keeps its default
}

}  // namespace
}  // namespace shadertest
