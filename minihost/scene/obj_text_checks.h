// Checks of an OBJ file's text before it is turned into a mesh, so that a
// damaged file is refused with the line at fault instead of loading as
// zeros, wrapped indices or missing faces.
#pragma once

#include <string>

namespace minihost {

// Throws InputError at the line of the first fault (in `file`, which may be
// empty for text of no file): a vertex, normal or texture coordinate that is
// not a finite number, a face with fewer than three corners, or a corner
// index that is not an integer or names no element of the file.
void checkObjText(const std::string &text, const std::string &file);

}  // namespace minihost
