// Checks of an OBJ file's text before it is turned into a mesh, so that a
// damaged file is refused with the line at fault instead of loading as
// zeros, wrapped indices or missing faces.
#pragma once

#include <string>

namespace minihost {

// "" for a sound file; otherwise "line 12: ..." naming the first fault:
// a vertex, normal or texture coordinate that is not a finite number, a
// face with fewer than three corners, or a corner index that is not an
// integer or names no element of the file.
std::string objTextFault(const std::string &text);

}  // namespace minihost
