// Frames as OpenEXR files: R, G, B and A in half floats (or 32-bit floats),
// Z from the depth buffer in 32-bit floats with +infinity where nothing was
// hit, ZIP compression, and the frame's tags in the header. Colours are
// those of the PNG before it clamps them (values above 1 are kept, the alpha
// is the same), multiplied by the alpha as OpenEXR readers expect, unless
// straight colour is asked for.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "minihost/render/frame_buffer.h"
#include "minihost/render/frame_tags.h"

namespace minihost {

// The channels as written, taken from a frame.
struct ExrImage {
    int width = 0, height = 0;
    bool fullFloat = false;
    bool straight = false;              // colour not multiplied by the alpha ("alphaMode" in the header)
    std::vector<uint16_t> halfRgba[4];  // R, G, B, A as half floats' bits, unless fullFloat
    std::vector<float> floatRgba[4];    // R, G, B, A when fullFloat
    std::vector<float> depth;           // Z

    // The frame's layers: "base.R", "lines.Z", "N.X", ...
    struct Channel {
        std::string name;
        bool fullFloat = true;  // else written as half floats
        std::vector<float> values;
    };
    std::vector<Channel> layers;
    // Header strings the layers need (the ID mattes' names and manifests).
    std::vector<std::pair<std::string, std::string>> layerTexts;
};

struct ExrChoices {
    bool fullFloat = false;  // 32-bit colour channels, else half floats
    bool straight = false;   // colour as shaded, not multiplied by the alpha
};

// Colour channels follow the choices, the lines layer included (it is made
// premultiplied; straight divides it by its coverage); depths and normals
// are 32-bit floats. The ID mattes are "CryptoObject" (objects) and
// "CryptoMaterial" (surfaces): one ray per pixel makes them hard-edged, so
// each pixel holds one (ID, coverage 1) pair in rank 0 and an empty rank 1
// (channels NAME00.R/G/B/A, 32-bit), and the header the matte's name, hash,
// conversion and manifest under "cryptomatte/KEY/".

ExrImage toExrImage(const FrameBuffer &frame, const ExrChoices &choices);

// Writes beside the target and renames it when complete, as for PNG files.
// The header holds "frame" (int), "camera", "scene" and "pixelHash"
// (strings) when the tags have them, and the camera's "worldToCamera" and
// "worldToNDC" (OpenEXR's standard matrices) with "fovHorizontal" and
// "fovVertical" (degrees) when it is known.
bool writeExr(const ExrImage &image, const FrameTags &tags, const std::string &path, std::string &error);

// Whether `path` is an OpenEXR file of `width` x `height` pixels whose every
// pixel is there and decodes; where it holds a pixel hash and 32-bit colour,
// the hash must match its pixels.
bool isCompleteExr(const std::string &path, int width, int height);

}  // namespace minihost
