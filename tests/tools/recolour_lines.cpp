// A compositor's view of a frame's layers, from its OpenEXR file alone: the
// `lines` layer laid over the `base` layer with the lines given a new colour
// (their coverage kept), written as a PNG.
//
//   recolour_lines FRAME.exr R G B OUT.png
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <vector>

namespace {

unsigned char toByte(double v) { return static_cast<unsigned char>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); }

}  // namespace

int main(int argc, char **argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s FRAME.exr R G B OUT.png\n", argv[0]);
        return 2;
    }
    const double colour[3] = {std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4])};
    try {
        Imf::InputFile exr(argv[1]);
        const Imath::Box2i window = exr.header().dataWindow();
        if (window.min.x != 0 || window.min.y != 0) {
            std::fprintf(stderr, "%s: the data window does not start at (0, 0)\n", argv[1]);
            return 1;
        }
        const int w = window.max.x + 1, h = window.max.y + 1;
        const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        std::map<std::string, std::vector<float>> planes;
        Imf::FrameBuffer buffer;
        for (const char *name : {"base.R", "base.G", "base.B", "base.A", "lines.A"}) {
            if (!exr.header().channels().findChannel(name)) {
                std::fprintf(stderr, "%s: no channel %s (render with --layers lines,base)\n", argv[1], name);
                return 1;
            }
            std::vector<float> &plane = planes[name];
            plane.resize(pixels);
            // minihost's frames start at (0, 0).
            buffer.insert(name, Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(plane.data()), sizeof(float),
                                           sizeof(float) * static_cast<std::size_t>(w)));
        }
        exr.setFrameBuffer(buffer);
        exr.readPixels(0, window.max.y);

        // Premultiplied "over": the new lines (colour x coverage) over the base.
        std::vector<unsigned char> out(4 * pixels);
        const char *base[3] = {"base.R", "base.G", "base.B"};
        for (std::size_t i = 0; i < pixels; ++i) {
            const double a = planes["lines.A"][i];
            const double alpha = a + planes["base.A"][i] * (1.0 - a);
            for (int c = 0; c < 3; ++c) {
                const double premultiplied = colour[c] * a + planes[base[c]][i] * (1.0 - a);
                out[4 * i + c] = toByte(alpha > 0 ? premultiplied / alpha : 0.0);  // PNG is straight
            }
            out[4 * i + 3] = toByte(alpha);
        }
        if (!stbi_write_png(argv[5], w, h, 4, out.data(), 4 * w)) {
            std::fprintf(stderr, "%s: cannot write\n", argv[5]);
            return 1;
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
