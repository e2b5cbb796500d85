// The loader against small fixture modules and against files that are not
// modules: every fault is refused with a message naming the file, never a
// crash; a good module is listed, activated, and shut down when released.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "host/handler.h"
#include "minihost/core/loader.h"
#include "minihost/core/service_registry.h"

namespace {

namespace fs = std::filesystem;
using minihost::LoadedModule;

std::string fixture(const std::string &name) { return std::string(QR_TEST_PLUGIN_DIR) + "/" + name + ".so"; }

class ScratchDir {
public:
    ScratchDir() : path_(fs::temp_directory_path() / ("minihost_loader_" + std::to_string(::getpid()))) {
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    std::string file(const std::string &name, const std::string &data) const {
        const fs::path p = path_ / name;
        std::ofstream(p, std::ios::binary) << data;
        return p.string();
    }
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

// What the fixture reports at shutdown, through a service of the test's own.
struct FixtureHooks {
    void (*shutdownCalled)(int activations);
};
int shutdownActivations = -1;
void onShutdown(int activations) { shutdownActivations = activations; }
FixtureHooks hooks = {&onShutdown};

TEST(Loader, AGoodModuleIsListedActivatedAndShutDown) {
    minihost::registry().provide("Fixture Hooks", &hooks);
    shutdownActivations = -1;
    {
        std::string error;
        auto module = LoadedModule::open(fixture("fixture_good"), error);
        ASSERT_NE(module, nullptr) << error;
        EXPECT_TRUE(error.empty());
        EXPECT_EQ(module->path(), fixture("fixture_good"));
        EXPECT_EQ(module->descriptor().syncWord, MODULE_SYNC_WORD);
        EXPECT_EQ(module->descriptor().machine, MODULE_MACHINE_CODE);
        ASSERT_EQ(module->servers().size(), 2u);
        EXPECT_EQ(module->servers()[0].className, "PixelFilterHandler");
        EXPECT_EQ(module->servers()[0].name, "Fixture:Filter");
        EXPECT_EQ(module->servers()[1].className, "LayoutGeneric");
        EXPECT_EQ(module->servers()[1].name, "Fixture:Command");

        int local = 0;
        EXPECT_EQ(module->activate("PixelFilterHandler", "Fixture:Filter", 3, &local), AFUNC_BADVERSION);
        EXPECT_EQ(local, 0);
        EXPECT_EQ(module->activate("PixelFilterHandler", "Fixture:Filter", 4, &local), AFUNC_OK);
        EXPECT_EQ(local, 1);
        EXPECT_EQ(module->activate("LayoutGeneric", "Fixture:Command", 1, nullptr), AFUNC_OK);
        EXPECT_EQ(module->activate("LayoutGeneric", "Fixture:Filter", 1, nullptr), -1);  // class and name
        EXPECT_EQ(module->activate("PixelFilterHandler", "Nope", 4, &local), -1);
        EXPECT_EQ(shutdownActivations, -1);
    }
    EXPECT_EQ(shutdownActivations, 1);  // shutdown ran at release, with the module's state
    minihost::registry().remove("Fixture Hooks");
}

// Activation with the test's own global lookup.
void *ownLookup(const char *, int) { return nullptr; }

TEST(Loader, TwoModulesKeepSeparateState) {
    std::string error;
    auto a = LoadedModule::open(fixture("fixture_good"), error);
    ASSERT_NE(a, nullptr) << error;
    auto b = LoadedModule::open(fixture("fixture_good_twin"), error);
    ASSERT_NE(b, nullptr) << error;
    int local = 0;
    a->activateWith("PixelFilterHandler", "Fixture:Filter", 4, &ownLookup, &local);
    a->activateWith("PixelFilterHandler", "Fixture:Filter", 4, &ownLookup, &local);
    EXPECT_EQ(local, 2);
    b->activateWith("PixelFilterHandler", "Fixture:Filter", 4, &ownLookup, &local);
    EXPECT_EQ(local, 1);
}

TEST(Loader, FaultyModulesAreRefusedWithTheFileAndTheFault) {
    struct Case {
        const char *name;
        const char *fault;
    } cases[] = {
        {"fixture_wrong_sync", ": wrong synchronisation word 0x19940412 (expected 0x04121994)"},
        {"fixture_wrong_version", ": wrong descriptor version 2 (expected 3)"},
        {"fixture_no_descriptor", ": no _mod_descrip"},
        {"fixture_startup_fails", ": startup failed"},
        {"fixture_server_without_activation",
         ": server 2 (LayoutGeneric \"Fixture:Broken\") has no activation function"},
    };
    for (const Case &c : cases) {
        std::string error;
        EXPECT_EQ(LoadedModule::open(fixture(c.name), error), nullptr) << c.name;
        EXPECT_EQ(error, fixture(c.name) + c.fault);
    }
}

TEST(Loader, FilesThatAreNotModulesAreRefused) {
    ScratchDir scratch;
    std::string error;

    EXPECT_EQ(LoadedModule::open(scratch.path().string() + "/absent.so", error), nullptr);
    EXPECT_EQ(error, scratch.path().string() + "/absent.so: no such file");

    EXPECT_EQ(LoadedModule::open(scratch.path().string(), error), nullptr);
    EXPECT_EQ(error, scratch.path().string() + ": not a loadable module: not a regular file");

    const std::string text = scratch.file("notes.so", "this is not a module\n");
    EXPECT_EQ(LoadedModule::open(text, error), nullptr);
    EXPECT_EQ(error.rfind(text + ": not a loadable module: ", 0), 0u) << error;

    const std::string empty = scratch.file("empty.so", "");
    EXPECT_EQ(LoadedModule::open(empty, error), nullptr);
    EXPECT_EQ(error.rfind(empty + ": not a loadable module: ", 0), 0u) << error;

    std::mt19937 rng(11u);
    std::string noise(4096, '\0');
    for (char &c : noise) c = static_cast<char>(rng());
    const std::string random = scratch.file("random.so", noise);
    EXPECT_EQ(LoadedModule::open(random, error), nullptr);
    EXPECT_EQ(error.rfind(random + ": not a loadable module: ", 0), 0u) << error;

    // A real module cut short, and one whose ELF header is followed by noise.
    std::ifstream in(fixture("fixture_good"), std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    const std::string whole = read.str();
    ASSERT_GT(whole.size(), 1024u);
    const std::string cut = scratch.file("cut.so", whole.substr(0, 200));
    EXPECT_EQ(LoadedModule::open(cut, error), nullptr);
    EXPECT_EQ(error.rfind(cut + ": not a loadable module: ", 0), 0u) << error;
    const std::string headerOnly = scratch.file("header.so", whole.substr(0, 64) + noise);
    EXPECT_EQ(LoadedModule::open(headerOnly, error), nullptr);
    EXPECT_EQ(error.rfind(headerOnly + ": not a loadable module: ", 0), 0u) << error;
}

TEST(Loader, APathWithoutAFolderIsOpenedFromTheCurrentOne) {
    const fs::path before = fs::current_path();
    fs::current_path(QR_TEST_PLUGIN_DIR);
    std::string error;
    auto module = LoadedModule::open("fixture_good.so", error);
    fs::current_path(before);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_EQ(module->path(), "fixture_good.so");
}

// The real modules, once built: their tables in order.
TEST(Loader, TheModulesListTheirServersInTableOrder) {
    struct Expect {
        const char *path;
        std::vector<minihost::ServerEntry> servers;
    } modules[] = {
        {QR_MODULE_S,
         {{"ShaderHandler", "QM_Quillrim_S:Shader"},
          {"ShaderInterface", "QM_Quillrim_S:Shader"},
          {"PixelFilterHandler", "QM_Quillrim_S:TraceStep1"},
          {"PixelFilterInterface", "QM_Quillrim_S:TraceStep1"},
          {"ImageFilterHandler", "QM_Quillrim_S:TraceStep2"},
          {"LayoutGeneric", "QM_Quillrim_S:ShaderUtil"}}},
        {QR_MODULE_P,
         {{"ShaderHandler", "QM_Quillrim_P:Shader"},
          {"ShaderInterface", "QM_Quillrim_P:Shader"},
          {"PixelFilterHandler", "QM_Quillrim_P:Tracer"},
          {"PixelFilterInterface", "QM_Quillrim_P:Tracer"},
          {"LayoutGeneric", "QM_Quillrim_P:ShaderUtil"}}},
    };
    for (const Expect &m : modules) {
        if (!fs::exists(m.path)) GTEST_SKIP() << m.path << " is not built";
        std::string error;
        auto module = LoadedModule::open(m.path, error);
        ASSERT_NE(module, nullptr) << error;
        ASSERT_EQ(module->servers().size(), m.servers.size()) << m.path;
        for (std::size_t i = 0; i < m.servers.size(); ++i) {
            EXPECT_EQ(module->servers()[i].className, m.servers[i].className);
            EXPECT_EQ(module->servers()[i].name, m.servers[i].name);
        }
    }
}

}  // namespace
