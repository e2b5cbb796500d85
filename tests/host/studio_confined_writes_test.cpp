// The studio's writes while another process swaps a folder of the root
// between a real folder and a symbolic link to a folder outside: scene saves
// and preset saves land inside the root or are refused, never outside, and
// leave no temporary file anywhere.
#include <atomic>
#include <chrono>
#include <map>

#include "studio_fixture.h"

namespace {

using namespace studio_test;
using minihost::studio::StudioError;

constexpr uint32_t kPreset = 0x8009;  // the shader panel's "Preset" pop-up

int filesIn(const fs::path &folder) {
    int n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        n += it->is_regular_file() ? 1 : 0;
    return n;
}

TEST_F(Served, WritesStayInsideTheRootWhileAFolderIsSwappedForALink) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const fs::path files = root / "files", outside = root / "outside";
    fs::create_directories(outside);
    fs::create_directories(files / "sub");
    fs::create_directory_symlink(outside, files / "link");
    fs::create_directories(files / "real");
    ASSERT_EQ(studio->openPanel(1)["kind"], "xpanel");

    std::atomic<bool> swapping{true};
    std::thread swapper([&] {
        // "sub" is a folder, then the link to outside, then the folder again.
        while (swapping) {
            fs::rename(files / "sub", files / "real-sub");
            fs::rename(files / "link", files / "sub");
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            fs::rename(files / "sub", files / "link");
            fs::rename(files / "real-sub", files / "sub");
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    int saved = 0, refused = 0;
    std::map<std::string, int> why;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until) {
        for (int kind = 0; kind < 2; ++kind) {
            try {
                if (kind == 0)
                    studio->saveScene("sub/scene.json", true);
                else
                    studio->popup(1, kPreset, 1, "sub/preset", true);
                ++saved;
            } catch (const StudioError &e) {
                ++refused;
                ++why[std::to_string(kind) + " " + std::to_string(e.status) + " " + e.what()];
            }
        }
    }
    swapping = false;
    swapper.join();
    std::string reasons;
    for (const auto &[text, n] : why) reasons += "\n" + std::to_string(n) + " x " + text;
    EXPECT_EQ(filesIn(outside), 0) << saved << " saves, " << refused << " refused:" << reasons;
    EXPECT_GT(saved, 0);
    // No temporary is left behind, inside or out.
    for (auto &entry : fs::recursive_directory_iterator(root))
        EXPECT_EQ(entry.path().filename().string().rfind(".qr-", 0), std::string::npos) << entry.path();
    EXPECT_TRUE(fs::exists(files / "sub" / "scene.json"));
    EXPECT_TRUE(fs::exists(files / "sub" / "preset.qvy")) << reasons;
}

TEST_F(Served, PresetsLoadThroughTheRootOnly) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    ASSERT_EQ(studio->openPanel(1)["kind"], "xpanel");
    studio->setValue(1, 0x8003, 42);
    studio->popup(1, kPreset, 1, "kept", false);
    ASSERT_TRUE(fs::exists(root / "files" / "kept.qvy"));
    // A link in the root, even to a preset inside it, is not followed.
    fs::create_symlink(root / "files" / "kept.qvy", root / "files" / "linked.qvy");
    studio->setValue(1, 0x8003, 7);
    EXPECT_THROW(studio->popup(1, kPreset, 0, "linked.qvy", false), StudioError);
    EXPECT_EQ(value(1, 0x8003), 7);
    studio->popup(1, kPreset, 0, "kept.qvy", false);
    EXPECT_EQ(value(1, 0x8003), 42);
    // Listings leave links out too.
    const json listed = studio->listFiles("qvy")["files"];
    EXPECT_EQ(listed, json::array({"kept.qvy"}));
}

}  // namespace
