// The preset file requester over a scripted host requester, and "Find unused
// ID" over the module's shader instance list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/messages_files.h"
#include "module_base/module_state.h"
#include "paramlib/file_requester.h"
#include "shader/edge_line_settings.h"
#include "shader/shader_instance_list.h"

namespace {

using namespace qr;

// What the host requester saw and answers.
struct Host {
    std::string pattern, folderIn;
    bool choose = true;
    std::string name, folder, path;
} host;

int requester(const char *, char *name, char *folder, char *fullName, int bufLen) {
    host.pattern = name;
    host.folderIn = folder;
    if (!host.choose) return 0;
    std::snprintf(name, static_cast<size_t>(bufLen), "%s", host.name.c_str());
    std::snprintf(folder, static_cast<size_t>(bufLen), "%s", host.folder.c_str());
    std::snprintf(fullName, static_cast<size_t>(bufLen), "%s", host.path.c_str());
    // A path too long for the buffer fills it without its NUL.
    if (host.path.size() >= static_cast<size_t>(bufLen))
        std::memcpy(fullName, host.path.data(), static_cast<size_t>(bufLen));
    return 1;
}

void *lookup(const char *name, int) {
    return std::strcmp(name, SERVICE_FILE_REQUEST) == 0 ? reinterpret_cast<void *>(&requester) : nullptr;
}

class PresetRequester : public ::testing::Test {
protected:
    void SetUp() override {
        host = Host{};
        moduleState().global = lookup;
    }
    void TearDown() override { moduleState().global = nullptr; }
    bool choose(const std::string &name, const char *ext = "qvx") {
        host.name = name;
        host.path = "/p/" + name;
        return requester_.request("Open", ext, false);
    }
    FileRequester requester_;
};

TEST_F(PresetRequester, PatternSuffixDotAndCase) {
    EXPECT_TRUE(choose("ink"));
    EXPECT_EQ(host.pattern, "<*.qvx");
    EXPECT_EQ(requester_.fileName(), "ink.qvx");
    EXPECT_EQ(requester_.fullPath(), "/p/ink.qvx");
    EXPECT_TRUE(choose("ink."));  // the typed dot goes before the test
    EXPECT_EQ(requester_.fullPath(), "/p/ink.qvx");
    EXPECT_TRUE(choose("INK.QVX"));  // already carries it, in other letters
    EXPECT_EQ(requester_.fileName(), "INK.QVX");
    EXPECT_TRUE(choose("x", ".qvx"));  // the same pattern with a leading dot
    EXPECT_EQ(host.pattern, "<*.qvx");
    EXPECT_EQ(requester_.fileName(), "x.qvx");
    EXPECT_TRUE(choose("plain", nullptr));  // no extension: as chosen
    EXPECT_EQ(host.pattern, "<");
    EXPECT_EQ(requester_.fileName(), "plain");
    host.name = host.path = "s";
    EXPECT_TRUE(requester_.request("Save", "qvy", true));
    EXPECT_EQ(host.pattern, ">*.qvy");
}

TEST_F(PresetRequester, CancelEmptiesAndTheFolderCarriesOver) {
    host.folder = "/presets";
    EXPECT_TRUE(choose("ink"));
    host.choose = false;
    EXPECT_FALSE(requester_.request("Open", "qvx", false));
    EXPECT_EQ(host.folderIn, "/presets");  // offered again
    EXPECT_EQ(requester_.fileName(), "");
    EXPECT_EQ(requester_.fullPath(), "");
}

TEST_F(PresetRequester, CompletedPathsMustFitTheBuffers) {
    // Paths of 258, 259 and 260 characters once completed, chosen with and
    // without the suffix: 259 fit the 260-byte buffers with the NUL, 260 do
    // not and are refused rather than cut.
    for (size_t length : {258u, 259u, 260u}) {
        for (bool withSuffix : {true, false}) {
            host.name = withSuffix ? "a.qvx" : "a";
            host.path = "/" + std::string(length - 5, 'a') + ".qvx";
            if (!withSuffix) host.path.resize(length - 4);
            const bool chosen = requester_.request("Open", "qvx", false);
            EXPECT_EQ(chosen, length <= 259) << length << (withSuffix ? " with" : " without") << " suffix";
            EXPECT_EQ(requester_.fullPath().size(), chosen ? length : 0u);
        }
    }
    moduleState().global = nullptr;  // no requester at all
    EXPECT_FALSE(choose("ink"));
}

TEST(FindUnusedId, SmallestFreeIdAmongTheOthers) {
    EdgeLineSettings a{0, 0, 0, 1}, b{0, 0, 0, 2}, c{0, 0, 0, 4}, d{0, 0, 0, 9};
    ASSERT_TRUE(addShaderInstance(&d));
    EXPECT_EQ(unusedMaterialId(&d), 1);  // alone: 1, whatever it holds
    for (EdgeLineSettings *s : {&a, &b, &c}) addShaderInstance(s);
    EXPECT_EQ(unusedMaterialId(&d), 3);
    EXPECT_EQ(unusedMaterialId(&c), 3);  // its own 4 plays no part
    for (EdgeLineSettings *s : {&a, &b, &c, &d}) removeShaderInstance(s);

    std::vector<EdgeLineSettings> all(kMaxMaterialId);
    for (int i = 0; i < kMaxMaterialId; ++i) {
        all[static_cast<size_t>(i)].mat_id = i + 1;
        addShaderInstance(&all[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(unusedMaterialId(nullptr), 0);
    for (auto &s : all) removeShaderInstance(&s);
}

}  // namespace
