// Checks of an OBJ file's text before it is turned into a mesh, so that a
// damaged file is refused with the line at fault instead of loading as
// zeros, wrapped indices or missing faces.
#pragma once

#include <string>
#include <string_view>

namespace minihost {

// Throws InputError at the line of the first fault (in `file`, which may be
// empty for text of no file): a vertex, normal or texture coordinate that is
// not a finite number, a face with fewer than three corners, or a corner
// index that is not an integer or names no element of the file.
// Returns what the text holds, for the reader to make room for.
struct ObjTextCounts {
    long long points = 0, normals = 0, faces = 0, corners = 0;
};
ObjTextCounts checkObjText(std::string_view text, const std::string &file);

// A whole token as a number, exactly as strtod reads it; false when it is
// not one, is not finite, or is out of range (strtod's ERANGE).
bool objNumber(std::string_view token, double &value);

}  // namespace minihost
