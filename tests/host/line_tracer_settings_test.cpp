// The line tracer's instance through the host records: activation, defaults,
// description, flags, copy, persistence in both representations, new-time.
#include <cstring>

#include "host/io_state.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"
#include "tests/host/line_tracer_fixture.h"

namespace linetest {
namespace {

struct Settings {
    int line_only = -1;
    double norm_err = -1.0, dist_err = -1.0;
};

double doubleFromBigEndian(const std::string &b) {
    uint64_t bits = 0;
    for (unsigned char ch : b) bits = bits << 8 | ch;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::string bigEndianOf(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof d);
    std::string out(8, '\0');
    for (int i = 7; i >= 0; --i, bits >>= 8) out[size_t(i)] = char(bits & 0xFF);
    return out;
}

// Reads the settings back from a text save, without the tracer's reader.
Settings parsed(const std::string &text) {
    minihost::StateItem root;
    EXPECT_NO_THROW(minihost::parseStateText(text, root));
    Settings s;
    EXPECT_GE(root.children.size(), 2u);
    if (root.children.size() < 2) return s;
    EXPECT_EQ(root.children[0].ints, std::vector<int64_t>{256});
    const minihost::StateItem &block = root.children[1];
    EXPECT_EQ(block.id, HOST_FOURCC('P', 'D', 'L', 'B'));
    for (const minihost::StateItem &p : block.children) {
        if (p.kind != minihost::StateItem::Kind::Block || p.children.size() < 3) continue;
        const std::string &name = p.children[0].data;
        if (name == "line_only")
            s.line_only = int(p.children[2].ints.at(0));
        else if (name == "norm_err")
            s.norm_err = doubleFromBigEndian(p.children[2].data);
        else if (name == "dist_err")
            s.dist_err = doubleFromBigEndian(p.children[2].data);
    }
    return s;
}

using LineTracerSettings = LineTracerHost;

TEST_F(LineTracerSettings, ActivationChecksTheVersionAndFillsEverySlot) {
    PixelFilterHandler h{};
    InstanceFuncs inst{};
    RenderFuncs rend{};
    h.inst = &inst;
    h.rend = &rend;  // no item record
    for (int v : {3, 5})
        EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_HANDLER, kTracer, v, &h), AFUNC_BADVERSION);
    EXPECT_EQ(inst.create, nullptr);
    EXPECT_EQ(h.evaluate, nullptr);
    EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_HANDLER, kTracer, 4, &h), AFUNC_OK);
    EXPECT_TRUE(inst.create && inst.destroy && inst.copy && inst.load && inst.save && inst.describe &&
                rend.init && rend.cleanup && rend.newTime && h.evaluate && h.flags);
    EXPECT_EQ(itemFuncs_.useItems(nullptr), nullptr);

    InterfaceRecord rec{nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(module_->activate(CLASS_PIXEL_FILTER_INTERFACE, kTracer, 3, &rec), AFUNC_BADVERSION);
}

TEST_F(LineTracerSettings, NewInstanceDefaultsDescriptionAndFlags) {
    Instance t = create();
    EXPECT_STREQ(instFuncs_.describe(t), "QM_Quillrim_P:Tracer");
    EXPECT_EQ(handler_.flags(t), 0x8000002Fu);
    Settings s = parsed(save(t, IO_MODE_TEXT));
    EXPECT_EQ(s.line_only, 0);
    EXPECT_EQ(s.norm_err, 0.15);
    EXPECT_EQ(s.dist_err, 0.02);
    EXPECT_EQ(rendFuncs_.init(t, 0), nullptr);
    rendFuncs_.cleanup(t);
}

TEST_F(LineTracerSettings, RoundTripsInBothRepresentationsAndCopies) {
    // Settings reach the instance through a hand-written text block.
    Instance src = create();
    load(src, IO_MODE_TEXT,
         "I4 256\n"
         "{ PluginDataLib 0x50444C42\n"
         "  I4 3\n"
         "  { PluginDataParam 0x50445052\n    S \"line_only\"\n    U4 0x50494E54\n    I4 1\n  }\n"
         "  { PluginDataParam 0x50445052\n    S \"norm_err\"\n    U4 0x5044424C\n"
         "    B 3FD3333333333333\n  }\n"
         "  { PluginDataParam 0x50445052\n    S \"dist_err\"\n    U4 0x5044424C\n"
         "    B 3FA999999999999A\n  }\n"
         "}\n");
    Settings s = parsed(save(src, IO_MODE_TEXT));
    EXPECT_EQ(s.line_only, 1);
    EXPECT_EQ(s.norm_err, 0.3);
    EXPECT_EQ(s.dist_err, 0.05);

    // Binary: the doubles are their 8 bytes, most significant first.
    std::string bin = save(src, IO_MODE_BINARY);
    EXPECT_NE(bin.find(bigEndianOf(0.3)), std::string::npos);
    EXPECT_NE(bin.find(bigEndianOf(0.05)), std::string::npos);
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        Instance fresh = create();
        load(fresh, mode, save(src, mode));
        Settings r = parsed(save(fresh, IO_MODE_TEXT));
        EXPECT_EQ(r.line_only, 1) << mode;
        EXPECT_EQ(r.norm_err, 0.3) << mode;
        EXPECT_EQ(r.dist_err, 0.05) << mode;
    }

    Instance copy = create();
    instFuncs_.describe(src);
    EXPECT_EQ(instFuncs_.copy(copy, src), nullptr);
    Settings c = parsed(save(copy, IO_MODE_TEXT));
    EXPECT_EQ(c.line_only, 1);
    EXPECT_EQ(c.norm_err, 0.3);
    EXPECT_EQ(c.dist_err, 0.05);
    EXPECT_STREQ(instFuncs_.describe(copy), "QM_Quillrim_P:Tracer");
    EXPECT_EQ(instFuncs_.copy(copy, copy), nullptr);
}

TEST_F(LineTracerSettings, PartialUnknownAndForeignBlocks) {
    // A block lacking "dist_err", with an unknown parameter and "norm_err"
    // under a float type code, written in binary.
    minihost::MemorySaveState ss(IO_MODE_BINARY);
    const SaveState *st = ss.state();
    const int32_t version = 256, count = 3, one = 1;
    const BlockIdent pdlb{HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"};
    const BlockIdent pdpr{HOST_FOURCC('P', 'D', 'P', 'R'), "PluginDataParam"};
    const uint32_t pint = HOST_FOURCC('P', 'I', 'N', 'T'), pflt = HOST_FOURCC('P', 'F', 'L', 'T');
    const float f = 0.5f;
    st->writeI4(st->writeData, &version, 1);
    st->beginBlock(st->writeData, &pdlb, 0);
    st->writeI4(st->writeData, &count, 1);
    st->beginBlock(st->writeData, &pdpr, 0);
    st->writeStr(st->writeData, "line_only");
    st->writeU4(st->writeData, &pint, 1);
    st->writeI4(st->writeData, &one, 1);
    st->endBlock(st->writeData);
    st->beginBlock(st->writeData, &pdpr, 0);
    st->writeStr(st->writeData, "brush_min");
    st->writeU4(st->writeData, &pint, 1);
    st->writeI4(st->writeData, &one, 1);
    st->endBlock(st->writeData);
    st->beginBlock(st->writeData, &pdpr, 0);
    st->writeStr(st->writeData, "norm_err");
    st->writeU4(st->writeData, &pflt, 1);
    st->writeFP(st->writeData, &f, 1);
    st->endBlock(st->writeData);
    st->endBlock(st->writeData);

    Instance t = create();
    load(t, IO_MODE_BINARY, ss.bytes());
    Settings s = parsed(save(t, IO_MODE_TEXT));
    EXPECT_EQ(s.line_only, 1);
    EXPECT_EQ(s.norm_err, 0.15);
    EXPECT_EQ(s.dist_err, 0.02);

    // Version 255: nothing is read, and the load still succeeds.
    std::string text = save(t, IO_MODE_TEXT);
    text.replace(text.find("I4 256"), 6, "I4 255");
    Instance other = create();
    load(other, IO_MODE_TEXT, text);
    EXPECT_EQ(parsed(save(other, IO_MODE_TEXT)).line_only, 0);

    // Damaged streams: empty, truncated, noise. Nothing changes, nothing
    // crashes.
    std::string bin = save(t, IO_MODE_BINARY);
    for (const std::string &bad : {std::string(), bin.substr(0, bin.size() / 2), std::string(64, '\xFF')}) {
        Instance d = create();
        load(d, IO_MODE_BINARY, bad);
        EXPECT_EQ(parsed(save(d, IO_MODE_TEXT)).dist_err, 0.02);
    }
}

TEST_F(LineTracerSettings, NewTimeCreatesTheStoreOnceAndClearsIt) {
    Instance t = create();
    StoreHeader *h = newFrame(t, 6, 4, 1.5);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->width, 6);
    EXPECT_EQ(h->height, 4);
    EXPECT_EQ(minihost::renderMemoryBlockSize(std::string(kStoreHeader) + ":Buff1"), 24 * sizeof(void *));
    ShaderSettings s;
    record(5, 3, Sample{&s, 3.0f});
    h->buff5[0] = 0.25f;
    // The next frame clears every cell and keeps the grid, whatever the
    // frame size is now.
    StoreHeader *again = newFrame(t, 9, 9, 2.0);
    EXPECT_EQ(again, h);
    EXPECT_EQ(h->width, 6);
    for (size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(h->buff1[i], nullptr);
        EXPECT_EQ(h->buff2[i], -1.0f);
        EXPECT_EQ(h->buff3[3 * i], 0.0f);
        EXPECT_EQ(h->buff4[3 * i], 0);
        EXPECT_EQ(h->buff5[i], 1.0f);
    }
}

}  // namespace
}  // namespace linetest
