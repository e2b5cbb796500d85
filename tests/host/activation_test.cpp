// The built modules as a host sees them: loaded through minihost's loader and
// activated with a lookup that records what each activation asks for.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/handler.h"
#include "minihost/core/loader.h"
#include "minihost/core/service_registry.h"
#include "minihost/services/core_services.h"

namespace {

// Answers from minihost's registry, minus the withheld names, and records
// every name asked for with its mode.
struct RecordingHost {
    static inline std::vector<std::string> lookups;
    static inline std::vector<int> modes;
    static inline std::set<std::string> missing;

    static void *lookup(const char *name, int mode) {
        lookups.emplace_back(name);
        modes.push_back(mode);
        if (missing.count(name)) return nullptr;
        return minihost::globalLookup()(name, mode);
    }
    static void reset() {
        lookups.clear();
        modes.clear();
        missing.clear();
    }
};

const std::vector<std::string> kStrokeServices = {
    "LW Item Info 3",   "LW Light Info 3",      "LW Object Info 4", "LW Scene Info 3",
    "LW Camera Info 2", "Global Render Memory", "LW Image List 3",  "Surface Functions 2",
    "Scene Objects 4",  "LW Interface Info 3",  "Info Messages 2",  "LWLMonFuncs",
    "File IO"};
const std::vector<std::string> kLineServices = {
    "LW Item Info 3",   "LW Light Info 3",      "LW Object Info 4", "LW Scene Info 3",
    "LW Camera Info 2", "Global Render Memory", "LW Image List 3",  "Surface Functions 2",
    "Scene Objects 4",  "LW Interface Info 3",  "File IO"};

struct Records {
    InstanceFuncs inst{};
    ItemFuncs item{};
    RenderFuncs rend{};
    PixelFilterHandler pixel{&inst, &item, &rend, nullptr, nullptr};
    ShaderHandler shader{&inst, &item, &rend, nullptr, nullptr};
    ImageFilterHandler image{&inst, &item, nullptr, nullptr};
    InterfaceRecord iface{};
    LayoutGeneric generic{};

    void *localFor(const std::string &cls) {
        if (cls == "ShaderHandler") return &shader;
        if (cls == "PixelFilterHandler") return &pixel;
        if (cls == "ImageFilterHandler") return &image;
        if (cls == "LayoutGeneric") return &generic;
        return &iface;
    }
};

int versionFor(const std::string &cls) { return cls == "LayoutGeneric" ? 1 : 4; }

class ModuleActivation : public ::testing::Test {
protected:
    void SetUp() override {
        minihost::installCoreServices();
        RecordingHost::reset();
    }
    void TearDown() override { RecordingHost::reset(); }

    static std::unique_ptr<minihost::LoadedModule> load(const char *path) {
        std::string error;
        auto module = minihost::LoadedModule::open(path, error);
        EXPECT_TRUE(module) << error;
        return module;
    }
};

TEST_F(ModuleActivation, WrongVersionsAreRefusedAndTheRecordIsUntouched) {
    for (const char *path : {QR_MODULE_S, QR_MODULE_P}) {
        auto module = load(path);
        ASSERT_TRUE(module);
        for (const auto &server : module->servers()) {
            const int good = versionFor(server.className);
            for (int version : {good - 1, good + 1}) {
                alignas(std::max_align_t) unsigned char record[128];
                std::memset(record, 0x5A, sizeof record);
                unsigned char before[sizeof record];
                std::memcpy(before, record, sizeof record);
                EXPECT_EQ(module->activateWith(server.className, server.name, version, RecordingHost::lookup,
                                               record),
                          1)
                    << server.name << " v" << version;
                EXPECT_EQ(std::memcmp(record, before, sizeof record), 0) << server.name;
            }
            // The same server then activates with the right version.
            Records r;
            EXPECT_EQ(module->activateWith(server.className, server.name, good, RecordingHost::lookup,
                                           r.localFor(server.className)),
                      0)
                << server.name;
        }
    }
}

TEST_F(ModuleActivation, EachHandlerAsksForItsEditionsServicesInOrder) {
    struct Case {
        const char *path;
        const std::vector<std::string> &services;
    };
    for (const Case &c : {Case{QR_MODULE_S, kStrokeServices}, Case{QR_MODULE_P, kLineServices}}) {
        auto module = load(c.path);
        ASSERT_TRUE(module);
        for (const auto &server : module->servers()) {
            if (server.className.find("Handler") == std::string::npos) continue;
            RecordingHost::reset();
            Records r;
            ASSERT_EQ(module->activateWith(server.className, server.name, 4, RecordingHost::lookup,
                                           r.localFor(server.className)),
                      0);
            EXPECT_EQ(RecordingHost::lookups, c.services) << server.name;
            for (int mode : RecordingHost::modes) EXPECT_EQ(mode, 0);
            // Every slot of the handler record is filled.
            EXPECT_TRUE(r.inst.create && r.inst.destroy && r.inst.copy && r.inst.load && r.inst.save &&
                        r.inst.describe)
                << server.name;
            EXPECT_TRUE(r.item.useItems && r.item.changeID) << server.name;
        }
    }
}

TEST_F(ModuleActivation, AHandlerRecordWithoutItemRecordIsFilledElsewhere) {
    for (const char *path : {QR_MODULE_S, QR_MODULE_P}) {
        auto module = load(path);
        ASSERT_TRUE(module);
        for (const auto &server : module->servers()) {
            if (server.className.find("Handler") == std::string::npos) continue;
            Records r;
            r.pixel.item = r.shader.item = r.image.item = nullptr;
            ASSERT_EQ(module->activateWith(server.className, server.name, 4, RecordingHost::lookup,
                                           r.localFor(server.className)),
                      0);
            EXPECT_TRUE(r.inst.create && r.inst.destroy && r.inst.copy && r.inst.load && r.inst.save &&
                        r.inst.describe);
            if (server.className == "ImageFilterHandler") {
                EXPECT_TRUE(r.image.process && r.image.flags);
            } else if (server.className == "ShaderHandler") {
                EXPECT_TRUE(r.shader.evaluate && r.shader.flags && r.rend.init && r.rend.cleanup &&
                            r.rend.newTime);
            } else {
                EXPECT_TRUE(r.pixel.evaluate && r.pixel.flags && r.rend.init && r.rend.cleanup &&
                            r.rend.newTime);
            }
        }
    }
}

TEST_F(ModuleActivation, AHostWithoutMessagesAndMonitorActivatesEveryStrokeServer) {
    auto module = load(QR_MODULE_S);
    ASSERT_TRUE(module);
    RecordingHost::missing = {"Info Messages 2", "LWLMonFuncs"};
    ASSERT_EQ(module->servers().size(), 6u);
    for (const auto &server : module->servers()) {
        Records r;
        EXPECT_EQ(module->activateWith(server.className, server.name, versionFor(server.className),
                                       RecordingHost::lookup, r.localFor(server.className)),
                  0)
            << server.name;
    }
}

// Each module has its own copy of every module-wide variable: the edition the
// shared code reads, the stored lookup and service table.
TEST_F(ModuleActivation, TwoModulesInOneProcessKeepSeparateState) {
    auto stroke = load(QR_MODULE_S);
    auto line = load(QR_MODULE_P);
    ASSERT_TRUE(stroke && line);
    Records s, p;
    ASSERT_EQ(stroke->activateWith("PixelFilterHandler", "QM_Quillrim_S:TraceStep1", 4, RecordingHost::lookup,
                                   &s.pixel),
              0);
    ASSERT_EQ(
        line->activateWith("PixelFilterHandler", "QM_Quillrim_P:Tracer", 4, RecordingHost::lookup, &p.pixel),
        0);
    EXPECT_NE(s.inst.create, p.inst.create);
    const char *err = nullptr;
    Instance si = s.inst.create(nullptr, nullptr, &err);
    Instance pi = p.inst.create(nullptr, nullptr, &err);
    ASSERT_TRUE(si && pi);
    EXPECT_STREQ(s.inst.describe(si), "QM_Quillrim_S:TraceStep1");
    EXPECT_STREQ(p.inst.describe(pi), "QM_Quillrim_P:Tracer");
    s.inst.destroy(si);
    p.inst.destroy(pi);
}

}  // namespace
