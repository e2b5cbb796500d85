// The layers a frame may carry besides its finished picture, for
// compositing: the outlines alone, the frame before the filters, the shading
// normal, ID mattes of objects and surfaces. Chosen by name
// ("lines,base,N,id"); only OpenEXR files hold them.
#pragma once

#include <string>
#include <vector>

namespace minihost {

struct LayerChoice {
    bool lines = false;   // lines.R/G/B/A (premultiplied) and lines.Z
    bool base = false;    // base.R/G/B/A: the frame before the pixel and image filters
    bool normal = false;  // N.X/Y/Z: the shading normal in world space
    bool ids = false;     // ID mattes of objects and surfaces (render/id_mattes.h)
    bool any() const { return lines || base || normal || ids; }
};

// Reads a comma-separated list of layer names; false with `error` set for
// an unknown or repeated name.
bool parseLayerChoice(const std::string &list, LayerChoice &choice, std::string &error);

// The chosen layers' names, in the order the files list them.
std::vector<std::string> layerNames(const LayerChoice &choice);

// The chosen layers' planes, one value per pixel, rows from the top. Planes
// of layers not chosen stay empty.
struct FrameLayers {
    LayerChoice chosen;
    std::vector<float> base[4];     // straight colour and alpha, as shaded
    std::vector<float> lines[4];    // premultiplied colour and coverage
    std::vector<float> linesDepth;  // see linesDepthOf
    std::vector<float> normal[3];   // unit, world space; 0 where nothing was hit
    // The ID (mattesId) of the object and of the surface each pixel's ray
    // hit, 0 where it hit nothing; the names the IDs come from.
    std::vector<float> objectIds, surfaceIds;
    std::vector<std::string> objectNames, surfaceNames;
};

// The depth of each line pixel: that of the pixel itself where a surface was
// hit, else that of the nearest pixel (in the frame) that hit one, within
// `reach` pixels, so that a merge by depth keeps a stroke drawn just outside
// a silhouette with its object. Depths beyond 1e14 mean nothing was hit;
// pixels without line coverage, or with no hit in reach, get that too.
std::vector<float> linesDepthOf(const std::vector<float> &depth, const std::vector<float> &coverage,
                                int width, int height, int reach);

}  // namespace minihost
