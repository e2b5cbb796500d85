// minihost's one guard on its side of the contract: a service whose inner
// work throws (memory running out, a callback that throws) answers as its
// record documents a failure, writes one line to stderr naming the function,
// and leaves the service whole for the next call.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/service_guard.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/file_io.h"
#include "minihost/textures/texture_service.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_service.h"
#include "tests/unit/failing_allocations.h"

namespace {

using namespace minihost;
using alloctest::ThrowingAllocations;

// The lines the guard wrote to stderr while `call` ran.
template <typename Call>
std::string logOf(Call call) {
    ::testing::internal::CaptureStderr();
    call();
    return ::testing::internal::GetCapturedStderr();
}

// A state whose every read throws, as a reader that fails half-way would.
[[noreturn]] void fail() { throw std::runtime_error("the reader broke"); }
LoadState throwingLoadState() {
    LoadState ls{};
    ls.ioMode = IO_MODE_BINARY;
    ls.readBytes = [](void *, char *, int) -> int { fail(); };
    ls.readI1 = [](void *, int8_t *, int) -> int { fail(); };
    ls.readI2 = [](void *, int16_t *, int) -> int { fail(); };
    ls.readI4 = [](void *, int32_t *, int) -> int { fail(); };
    ls.readU1 = [](void *, uint8_t *, int) -> int { fail(); };
    ls.readU2 = [](void *, uint16_t *, int) -> int { fail(); };
    ls.readU4 = [](void *, uint32_t *, int) -> int { fail(); };
    ls.readFP = [](void *, float *, int) -> int { fail(); };
    ls.readStr = [](void *, char *, int) -> int { fail(); };
    ls.findBlock = [](void *, const BlockIdent *) -> uint32_t { fail(); };
    ls.endBlock = [](void *) { fail(); };
    ls.depth = [](void *) -> int { fail(); };
    return ls;
}

TEST(ServiceGuard, MemoryRunningOutGivesTheFailureAnswerAndOneLogLine) {
    RenderMemory *memory = renderMemoryRecord();
    void *block = &block;
    std::string log = logOf([&] {
        ThrowingAllocations out(1);
        block = memory->create("guarded-block", 64);
    });
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(log, "minihost: RenderMemory.create failed: std::bad_alloc\n");
    // The store stays whole: nothing was half made, and the next try works.
    EXPECT_EQ(memory->find("guarded-block"), nullptr);
    EXPECT_NE(memory->create("guarded-block", 64), nullptr);
    discardRenderMemory();

    void *found = &found;
    log = logOf([&] {
        ThrowingAllocations out(1);
        found = globalLookup()(SERVICE_RENDER_MEMORY, 0);
    });
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(log, "minihost: GlobalFunc failed: std::bad_alloc\n");

    // A monitor step that fails still carries a request to stop.
    MonitorFuncs *monitor = monitorRecord();
    MonitorID id = monitor->create();
    ASSERT_NE(id, nullptr);
    for (const bool abort : {false, true}) {
        if (abort) requestAbort();
        int answer = -1;
        log = logOf([&] {
            ThrowingAllocations out(1);
            answer = monitor->step(id, 1, nullptr);
        });
        EXPECT_EQ(answer, abort ? 1 : 0);
        EXPECT_EQ(log, "minihost: MonitorFuncs.step failed: std::bad_alloc\n");
    }
    clearAbort();
    monitor->destroy(id);
}

TEST(ServiceGuard, AWriteLostToAnExceptionRefusesTheSave) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("minihost_guard_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string longText(4096, 'x');
    for (const int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        const std::string path = (dir / ("lost" + std::to_string(mode))).string();
        FileIOFuncs *io = fileIORecord();
        SaveState *ss = io->openSave(path.c_str(), mode);
        ASSERT_NE(ss, nullptr);
        ss->writeStr(ss->writeData, "kept");
        const std::string log = logOf([&] {
            ThrowingAllocations out(1024);
            ss->writeStr(ss->writeData, longText.c_str());
        });
        EXPECT_EQ(log, "minihost: SaveState.writeStr failed: std::bad_alloc\n") << mode;
        clearFileIOError();
        io->closeSave(ss);
        EXPECT_NE(lastFileIOError().find("data was lost while saving"), std::string::npos)
            << lastFileIOError();
        EXPECT_FALSE(std::filesystem::exists(path)) << "a save missing a write was kept";
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "a temporary file was left behind";
    std::filesystem::remove_all(dir);
}

TEST(ServiceGuard, ACallbackThatThrowsGivesTheDocumentedAnswer) {
    const LoadState broken = throwingLoadState();

    TextureFuncs *textures = textureFuncsRecord();
    TextureID texture = textures->create(VPTEX_COLOR, "guarded", nullptr);
    ASSERT_NE(texture, nullptr);
    const char *answer = nullptr;
    std::string log = logOf([&] { answer = textures->load(texture, &broken); });
    EXPECT_STREQ(answer, "not enough memory");
    EXPECT_EQ(log, "minihost: TextureFuncs.load failed: the reader broke\n");
    textures->destroy(texture);

    VParmFuncs *vparms = vparmFuncsRecord();
    VParmID vp = vparms->create(VPTYPE_PERCENT, VPTEX_NONE);
    ASSERT_NE(vp, nullptr);
    log = logOf([&] { answer = vparms->load(vp, &broken); });
    EXPECT_STREQ(answer, "not enough memory");
    EXPECT_EQ(log, "minihost: VParmFuncs.load failed: the reader broke\n");
    vparms->destroy(vp);

    EnvelopeFuncs *envelopes = envelopeFuncsRecord();
    EnvelopeID envelope = envelopes->create(nullptr, "guarded", 0);
    ASSERT_NE(envelope, nullptr);
    int loaded = -1;
    log = logOf([&] { loaded = envelopes->load(envelope, &broken); });
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(log, "minihost: EnvelopeFuncs.load failed: the reader broke\n");
    envelopes->destroy(envelope);

    // A panel whose get callback throws: the refresh does nothing else.
    XPanelFuncs *xp = xpanelRecord();
    const XPanelControl controls[] = {{0x8001, "Size : ", "float"}, {0, nullptr, nullptr}};
    const XPanelData data[] = {{0x8001, "size", "float"}, {0, nullptr, nullptr}};
    XPanelID panel = xp->create(XPANEL_VIEW, controls);
    ASSERT_NE(panel, nullptr);
    int instance = 0;
    xp->describe(
        panel, data, [](void *, uint32_t) -> void * { fail(); }, nullptr);
    xp->viewInst(panel, &instance);
    log = logOf([&] { xp->viewRefresh(panel); });
    EXPECT_EQ(log, "minihost: XPanelFuncs.viewRefresh failed: the reader broke\n");
    EXPECT_EQ(xpanelRecordOf(panel)->refreshes, 1);
    xp->destroy(panel);
    clearXPanels();

    // An image's save writes its one string even when the first write fails;
    // when the second fails too, the call still returns, with both logged.
    static int writes = 0;
    static std::vector<std::string> written;
    SaveState ss{};
    ss.writeStr = [](void *, const char *s) {
        if (writes-- > 0) fail();
        written.emplace_back(s);
    };
    for (const int failing : {1, 2}) {
        writes = failing;
        written.clear();
        log = logOf([&] { imageListRecord()->sceneSave(&ss, nullptr); });
        EXPECT_EQ(written, failing == 1 ? std::vector<std::string>{""} : std::vector<std::string>{});
        std::string expected;
        for (int i = 0; i < failing; ++i)
            expected += "minihost: ImageList.sceneSave failed: the reader broke\n";
        EXPECT_EQ(log, expected);
    }
}

}  // namespace
