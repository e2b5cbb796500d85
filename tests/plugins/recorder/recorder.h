// The recorder plug-in: a shader, a pixel filter and an image filter that
// write one log line per call they get. The log is read by the tests through
// the exported recorder_log_text().
#pragma once

#include <cstdint>
#include <string>

#include "host/handler.h"
#include "host/module_descriptor.h"

namespace recorder {

enum Kind { KIND_SHADER, KIND_PIXEL, KIND_IMAGE };

struct Instance {
    Kind kind = KIND_SHADER;
    int32_t tag = 0;
    // shader: mirror level to set (< 0 leaves it), replacement to set (< 0 none)
    double mirror = -1;
    double replace = -1;
    float gain = 1.0f;
    uint32_t mask = 0;
    char label[64] = "recorder";
    // pixel filter: the pixel whose camera ray it shades through the host
    int32_t probeX = -1, probeY = -1;
    int32_t paint = 0;  // pixel filter: write (gain, 0, 0, 1) into every pixel
    // image filter
    int32_t invert = 0;
};

void log(const std::string &line);

// Settings as a parameter block after the version 256.
void save(const Instance &inst, const SaveState *ss);
void load(Instance &inst, const LoadState *ls);

extern GlobalFunc *global;

int activateShader(int version, GlobalFunc *g, void *local, void *);
int activatePixel(int version, GlobalFunc *g, void *local, void *);
int activateImage(int version, GlobalFunc *g, void *local, void *);

}  // namespace recorder
