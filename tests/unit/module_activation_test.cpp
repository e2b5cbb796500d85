// Server activation seen from inside the module: the server tables, version
// checks that leave the record alone, the records each activation fills, the
// acquisition order of the services and a service table that does not depend
// on the order in which servers are activated.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "module/activation.h"
#include "module/server_tables.h"
#include "module_base/callback_guard.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"

namespace qr {
namespace {

// A host whose services are distinct dummy addresses, one per name of the
// acquisition list; names in `absent` and all other names are missing.
struct FakeHost {
    static inline std::vector<std::string> lookups;
    static inline std::vector<int> modes;
    static inline std::set<std::string> absent;
    static inline std::array<char, 13> records{};

    static void *lookup(const char *name, int mode) {
        lookups.emplace_back(name);
        modes.push_back(mode);
        if (absent.count(name)) return nullptr;
        for (int i = 0; i < 13; ++i) {
            if (std::strcmp(name, serviceName(static_cast<ServiceId>(i))) == 0) return &records[i];
        }
        return nullptr;
    }
    static void reset() {
        lookups.clear();
        modes.clear();
        absent.clear();
    }
};

std::vector<std::string> namesOf(const Edition &ed) {
    std::vector<std::string> names;
    for (ServiceId id : ed.acquiredServices) names.emplace_back(serviceName(id));
    return names;
}

// Big enough for any record an activation fills.
struct RecordBytes {
    alignas(std::max_align_t) unsigned char bytes[256];
};

class Activation : public ::testing::TestWithParam<const Edition *> {
protected:
    void SetUp() override {
        setEdition(GetParam());
        moduleState() = {};
        FakeHost::reset();
    }
    void TearDown() override {
        moduleState() = {};
        FakeHost::reset();
    }
    const Edition &ed() const { return *GetParam(); }
    const ServerRecord *servers() const {
        return ed().kind == EditionKind::Stroke ? kStrokeServers : kLineServers;
    }
    int requiredVersion(const ServerRecord &s) const {
        return std::strcmp(s.className, CLASS_LAYOUT_GENERIC) == 0 ? GENERIC_VERSION : HANDLER_VERSION;
    }
    bool isHandler(const ServerRecord &s) const { return std::strstr(s.className, "Handler") != nullptr; }
};

INSTANTIATE_TEST_SUITE_P(Editions, Activation, ::testing::Values(&kStrokeEdition, &kLineEdition),
                         [](const auto &param) {
                             return std::string(param.param == &kStrokeEdition ? "Stroke" : "Line");
                         });

TEST(ServerTables, ClassesAndNamesInTableOrder) {
    const std::vector<std::pair<std::string, std::string>> stroke = {
        {"ShaderHandler", "QM_Quillrim_S:Shader"},
        {"ShaderInterface", "QM_Quillrim_S:Shader"},
        {"PixelFilterHandler", "QM_Quillrim_S:TraceStep1"},
        {"PixelFilterInterface", "QM_Quillrim_S:TraceStep1"},
        {"ImageFilterHandler", "QM_Quillrim_S:TraceStep2"},
        {"LayoutGeneric", "QM_Quillrim_S:ShaderUtil"}};
    const std::vector<std::pair<std::string, std::string>> line = {
        {"ShaderHandler", "QM_Quillrim_P:Shader"},
        {"ShaderInterface", "QM_Quillrim_P:Shader"},
        {"PixelFilterHandler", "QM_Quillrim_P:Tracer"},
        {"PixelFilterInterface", "QM_Quillrim_P:Tracer"},
        {"LayoutGeneric", "QM_Quillrim_P:ShaderUtil"}};
    for (auto [table, expected] :
         {std::pair{&kStrokeServers[0], stroke}, std::pair{&kLineServers[0], line}}) {
        std::vector<std::pair<std::string, std::string>> actual;
        const ServerRecord *s = table;
        for (; s->className; ++s) {
            actual.emplace_back(s->className, s->name);
            EXPECT_NE(s->activate, nullptr);
            EXPECT_EQ(s->tagInfo, nullptr);
        }
        EXPECT_EQ(s->name, nullptr);
        EXPECT_EQ(s->activate, nullptr);
        EXPECT_EQ(actual, expected);
    }
    EXPECT_EQ(moduleStartup(), 4);
}

TEST_P(Activation, WrongVersionsInstallNothing) {
    for (const ServerRecord *s = servers(); s->className; ++s) {
        const int good = requiredVersion(*s);
        for (int version : {good - 1, good + 1, 0, -1}) {
            RecordBytes record;
            std::memset(record.bytes, 0xAB, sizeof record.bytes);
            RecordBytes before = record;
            EXPECT_EQ(s->activate(version, FakeHost::lookup, record.bytes, nullptr), AFUNC_BADVERSION)
                << s->className << " " << version;
            EXPECT_EQ(std::memcmp(record.bytes, before.bytes, sizeof record.bytes), 0);
        }
    }
    EXPECT_TRUE(FakeHost::lookups.empty());
    EXPECT_EQ(moduleState().global, nullptr);
    // A host that passes no record at all gets a refusal, not a crash.
    for (const ServerRecord *s = servers(); s->className; ++s) {
        if (isHandler(*s) || std::strstr(s->className, "Interface")) {
            EXPECT_EQ(s->activate(requiredVersion(*s), FakeHost::lookup, nullptr, nullptr), AFUNC_BADVERSION);
        }
    }
}

TEST_P(Activation, HandlersAcquireTheEditionsServicesInOrder) {
    const std::vector<std::string> expected = namesOf(ed());
    EXPECT_EQ(expected.size(), ed().kind == EditionKind::Stroke ? 13u : 11u);
    for (const ServerRecord *s = servers(); s->className; ++s) {
        FakeHost::reset();
        RecordBytes record{};
        InstanceFuncs inst{};
        ItemFuncs item{};
        RenderFuncs rend{};
        void *local = record.bytes;
        if (std::strcmp(s->className, CLASS_SHADER_HANDLER) == 0 ||
            std::strcmp(s->className, CLASS_PIXEL_FILTER_HANDLER) == 0) {
            // ShaderHandler and PixelFilterHandler begin with the same three pointers.
            auto *h = reinterpret_cast<PixelFilterHandler *>(record.bytes);
            *h = {&inst, &item, &rend, nullptr, nullptr};
        } else if (std::strcmp(s->className, CLASS_IMAGE_FILTER_HANDLER) == 0) {
            auto *h = reinterpret_cast<ImageFilterHandler *>(record.bytes);
            *h = {&inst, &item, nullptr, nullptr};
        } else if (std::strcmp(s->className, CLASS_LAYOUT_GENERIC) != 0) {
            continue;  // interfaces acquire nothing from the list
        }
        ASSERT_EQ(s->activate(requiredVersion(*s), FakeHost::lookup, local, nullptr), AFUNC_OK);
        ASSERT_GE(FakeHost::lookups.size(), expected.size()) << s->className;
        EXPECT_EQ(
            std::vector<std::string>(FakeHost::lookups.begin(), FakeHost::lookups.begin() + expected.size()),
            expected)
            << s->className;
        EXPECT_TRUE(
            std::all_of(FakeHost::modes.begin(), FakeHost::modes.end(), [](int m) { return m == 0; }));
        EXPECT_EQ(moduleState().global, &FakeHost::lookup);
    }
    // Services the edition does not ask for stay null.
    if (ed().kind == EditionKind::Line) {
        EXPECT_EQ(services().infoMessages, nullptr);
        EXPECT_EQ(services().monitor, nullptr);
    }
    EXPECT_NE(services().fileIO, nullptr);
}

TEST_P(Activation, HandlerRecordsAreFilledWithOrWithoutAnItemRecord) {
    for (bool withItems : {true, false}) {
        for (const ServerRecord *s = servers(); s->className; ++s) {
            if (!isHandler(*s)) continue;
            InstanceFuncs inst{};
            void *priv = &inst;
            inst.priv = priv;
            ItemFuncs item{};
            RenderFuncs rend{};
            ItemFuncs *items = withItems ? &item : nullptr;
            const bool image = std::strcmp(s->className, CLASS_IMAGE_FILTER_HANDLER) == 0;
            unsigned int (*flags)(Instance) = nullptr;
            if (image) {
                ImageFilterHandler h{&inst, items, nullptr, nullptr};
                ASSERT_EQ(s->activate(HANDLER_VERSION, FakeHost::lookup, &h, nullptr), AFUNC_OK);
                EXPECT_NE(h.process, nullptr);
                EXPECT_EQ(h.item, items);
                flags = h.flags;
            } else {
                PixelFilterHandler h{&inst, items, &rend, nullptr, nullptr};
                ASSERT_EQ(s->activate(HANDLER_VERSION, FakeHost::lookup, &h, nullptr), AFUNC_OK);
                EXPECT_NE(h.evaluate, nullptr);
                EXPECT_EQ(h.item, items);
                EXPECT_NE(rend.init, nullptr);
                EXPECT_NE(rend.cleanup, nullptr);
                EXPECT_NE(rend.newTime, nullptr);
                flags = h.flags;
            }
            EXPECT_EQ(inst.priv, priv) << "the host's private slot is left alone";
            EXPECT_TRUE(inst.create && inst.destroy && inst.copy && inst.load && inst.save && inst.describe)
                << s->className;
            ASSERT_NE(flags, nullptr);
            const unsigned expectedFlags = image ? ed().imageFilterFlags
                                           : std::strcmp(s->className, CLASS_SHADER_HANDLER) == 0
                                               ? ed().shaderFlags
                                               : ed().tracerFlags;
            EXPECT_EQ(flags(nullptr), expectedFlags) << s->className;
            if (withItems) {
                ASSERT_NE(item.useItems, nullptr);
                EXPECT_EQ(item.useItems(nullptr), nullptr);
                EXPECT_EQ(item.useItems, guarded<useNoItems>);  // one shared pair per module
                EXPECT_EQ(item.changeID, guarded<ignoreItemIdChange>);
                const ItemID ids[] = {1, 2, ITEM_NULL};
                item.changeID(nullptr, ids);
            }
        }
    }
}

TEST_P(Activation, InterfacesLookUpThePanelServiceWithTheirOwnLookup) {
    for (const ServerRecord *s = servers(); s->className; ++s) {
        if (!std::strstr(s->className, "Interface")) continue;
        FakeHost::reset();
        int marker = 0;
        InterfaceRecord record{nullptr, &marker, nullptr, nullptr};
        ASSERT_EQ(s->activate(INTERFACE_VERSION, FakeHost::lookup, &record, nullptr), AFUNC_OK);
        // No service of the list is asked for; no lookup is stored.
        for (const std::string &name : FakeHost::lookups) {
            EXPECT_TRUE(name == SERVICE_XPANEL || name == "LWPanelServices") << name;
        }
        EXPECT_EQ(moduleState().global, nullptr);
        EXPECT_EQ(record.options, nullptr);
        EXPECT_EQ(record.command, nullptr);
        if (std::strcmp(s->name, "QM_Quillrim_P:Tracer") != 0) {
            EXPECT_EQ(FakeHost::lookups, std::vector<std::string>{SERVICE_XPANEL});
        }
    }
}

TEST_P(Activation, AHostWithoutMessagesOrMonitorStillActivatesEveryServer) {
    FakeHost::absent = {SERVICE_INFO_MESSAGES, SERVICE_MONITOR};
    for (const ServerRecord *s = servers(); s->className; ++s) {
        InstanceFuncs inst{};
        ItemFuncs item{};
        RenderFuncs rend{};
        PixelFilterHandler handler{&inst, &item, &rend, nullptr, nullptr};
        InterfaceRecord iface{};
        LayoutGeneric generic{};
        void *local = isHandler(*s)                            ? static_cast<void *>(&handler)
                      : std::strstr(s->className, "Interface") ? static_cast<void *>(&iface)
                                                               : static_cast<void *>(&generic);
        EXPECT_EQ(s->activate(requiredVersion(*s), FakeHost::lookup, local, nullptr), AFUNC_OK)
            << s->className;
    }
    EXPECT_EQ(services().infoMessages, nullptr);
    EXPECT_EQ(services().monitor, nullptr);
    EXPECT_NE(services().renderMemory, nullptr);
}

TEST_P(Activation, TheServiceTableDoesNotDependOnActivationOrder) {
    std::vector<int> order(ed().kind == EditionKind::Stroke ? 6 : 5);
    std::iota(order.begin(), order.end(), 0);
    ServiceTable first{};
    bool haveFirst = false;
    int permutations = 0;
    do {
        moduleState() = {};
        for (int i : order) {
            const ServerRecord &s = servers()[i];
            InstanceFuncs inst{};
            ItemFuncs item{};
            RenderFuncs rend{};
            PixelFilterHandler handler{&inst, &item, &rend, nullptr, nullptr};
            InterfaceRecord iface{};
            LayoutGeneric generic{};
            void *local = isHandler(s)                            ? static_cast<void *>(&handler)
                          : std::strstr(s.className, "Interface") ? static_cast<void *>(&iface)
                                                                  : static_cast<void *>(&generic);
            ASSERT_EQ(s.activate(requiredVersion(s), FakeHost::lookup, local, nullptr), AFUNC_OK);
        }
        if (!haveFirst) {
            first = services();
            haveFirst = true;
        }
        ASSERT_EQ(std::memcmp(&first, &services(), sizeof first), 0) << permutations;
        ++permutations;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(permutations, ed().kind == EditionKind::Stroke ? 720 : 120);
    EXPECT_EQ(first.itemInfo, static_cast<void *>(&FakeHost::records[0]));
    EXPECT_EQ(first.fileIO, static_cast<void *>(&FakeHost::records[12]));
}

TEST_P(Activation, ANullLookupLeavesEveryServiceNull) {
    services().fileIO = reinterpret_cast<FileIOFuncs *>(&FakeHost::records[0]);
    acquireServices(nullptr);
    const ServiceTable none{};
    EXPECT_EQ(std::memcmp(&none, &services(), sizeof none), 0);
}

}  // namespace
}  // namespace qr
