// A line colour set from the panel between two renders of the studio shows
// in the very next image, with several render threads: whatever the render
// threads keep of a parameter's value from one frame to the next is read
// again after a change.
#include "studio_fixture.h"

namespace {

using namespace studio_test;

constexpr uint32_t kLineColor = 0x8001;

// Pixels of the line colour (r, g, b are 0 or 1) among an RGBA image's.
int pixelsOf(const std::vector<uint8_t> &rgba, int r, int g, int b) {
    int n = 0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const int want[3] = {r, g, b};
        bool match = true;
        for (int k = 0; k < 3; ++k) match = match && (want[k] ? rgba[i + k] > 200 : rgba[i + k] < 40);
        n += match;
    }
    return n;
}

TEST_F(Served, ALineColourSetBetweenRendersShowsInTheNextImage) {
    threads = 4;
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    auto nextFull = [&](uint64_t since) {
        auto image = studio->renderer().newerThan(since, std::chrono::seconds(120));
        while (!image->full) image = studio->renderer().newerThan(image->version, std::chrono::seconds(120));
        return image;
    };
    auto image = nextFull(0);
    const int colours[3][3] = {{1, 0, 0}, {0, 0, 1}, {1, 0, 0}};
    for (const auto &c : colours) {
        studio->setValue(1, kLineColor, json::array({c[0], c[1], c[2]}));
        image = nextFull(image->version);
        ASSERT_EQ(image->error, "");
        EXPECT_GT(pixelsOf(image->rgba, c[0], c[1], c[2]), 0) << "the new colour";
        EXPECT_EQ(pixelsOf(image->rgba, c[2], c[1], c[0]), 0) << "the colour before";
    }
}

}  // namespace
