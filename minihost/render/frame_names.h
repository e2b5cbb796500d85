// The file name of each frame of a sequence. A name may carry a frame
// pattern: a run of '#' (padded to as many digits as there are '#', so
// "shot.####.png" gives "shot.0007.png") or a printf-style "%d" or "%04d".
// A name without a pattern keeps the older rule: a single frame is written
// to the name itself, a range adds the number (four digits at least) before
// the extension.
#pragma once

#include <string>

namespace minihost {

// Whether the file name part of `name` holds a frame pattern.
bool hasFramePattern(const std::string &name);

// The output name of `frame`; `range` says whether more than one frame is
// written: "out.png" -> "out.0007.png", "out" -> "out.0007.png".
std::string frameFileName(const std::string &base, int frame, bool range);

// Where a frame whose modules failed is written instead of its own name, so
// that the final name only ever holds a whole frame: "shot.0007.png" ->
// "shot.0007.failed.png" (the extension kept, so the format is the same).
std::string failedFrameName(const std::string &file);

}  // namespace minihost
