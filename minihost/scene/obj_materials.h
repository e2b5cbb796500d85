// Material files of OBJ meshes (".mtl"): the names of their materials and
// the diffuse colour of each, the rest of a material being the scene's.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace minihost {

struct ObjMaterial {
    std::string name;  // UTF-8, spaces kept
    bool hasColor = false;
    std::array<double, 3> color{0.8, 0.8, 0.8};  // "Kd"
};

// Throws InputError naming `file` and the line of a "Kd" that is not three
// finite numbers.
std::vector<ObjMaterial> parseObjMaterials(const std::string &text, const std::string &file);

// The rest of an OBJ or material line after its keyword, without the spaces
// around it and read as UTF-8 (Latin-1 converted): a name as the file gives it.
std::string objLineName(std::string_view rest);

}  // namespace minihost
