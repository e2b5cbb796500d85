// An image's size is read from its header before it is decoded: a file of a
// few bytes that claims 9,000 x 9,000 pixels is refused naming the file and
// the size, and a FIFO is refused without waiting on it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "minihost/files/input_error.h"
#include "minihost/scene/scene_image.h"

namespace {

namespace fs = std::filesystem;

void bigEndian(std::string &out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xff);
}

TEST(SceneImageLimits, HugeHeadersAndNodesAreRefusedBeforeDecoding) {
    const fs::path dir = fs::temp_directory_path() / ("qr_image_limits_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // The signature and an IHDR chunk alone: 8-bit RGB, 26,700 pixels square.
    std::string png("\x89PNG\r\n\x1a\n", 8);
    bigEndian(png, 13);
    png += "IHDR";
    bigEndian(png, 9000);
    bigEndian(png, 9000);
    png += std::string("\x08\x02\x00\x00\x00", 5);
    bigEndian(png, 0);  // a CRC, not looked at before the size is
    std::ofstream(dir / "huge.png", std::ios::binary) << png;
    ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0644), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"huge.png", "huge.png: an image of 9000 x 9000 pixels is larger than the limit of 67108864 pixels"},
        {"fifo.png", "fifo.png: not a regular file"},
    };
    for (const auto &[name, message] : cases) {
        try {
            minihost::loadSceneImage((dir / name).string());
            ADD_FAILURE() << name << " was loaded";
        } catch (const minihost::InputError &e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    // Within the pixel limit, the memory check sees the size before any
    // decoding: refused, the message gives the need and the budget; admitted,
    // the decoder then finds the file is a header and nothing more.
    std::string header = png;
    header.replace(16, 8, std::string("\x00\x00\x0f\xa0\x00\x00\x0f\xa0", 8));  // 4000 x 4000
    std::ofstream(dir / "large.png", std::ios::binary) << header;
    std::size_t asked = 0;
    const auto refuse = [&](std::size_t bytes) {
        asked = bytes;
        return std::string("the 100 MB budget (set by a test)");
    };
    try {
        minihost::loadSceneImage((dir / "large.png").string(), refuse);
        ADD_FAILURE() << "large.png was loaded";
    } catch (const minihost::InputError &e) {
        EXPECT_EQ(asked, minihost::imageDecodeBytes(4000, 4000));
        EXPECT_NE(std::string(e.what()).find("large.png: an image of 4000 x 4000 pixels needs 290 MB to "
                                             "decode, more than the 100 MB budget (set by a test)"),
                  std::string::npos)
            << e.what();
    }
    try {
        minihost::loadSceneImage((dir / "large.png").string(), [](std::size_t) { return std::string(); });
        ADD_FAILURE() << "a header alone was loaded";
    } catch (const minihost::InputError &e) {
        EXPECT_NE(std::string(e.what()).find("not a readable image"), std::string::npos) << e.what();
    }
    fs::remove_all(dir);
}

}  // namespace
