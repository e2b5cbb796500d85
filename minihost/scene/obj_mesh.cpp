#include "minihost/scene/obj_mesh.h"

#include <filesystem>

#include <tiny_obj_loader.h>

namespace minihost {

bool loadObjMesh(const std::string &path, double creaseAngle, Mesh &mesh, std::string &error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "no such mesh file";
        return false;
    }
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config)) {
        error = reader.Error().empty() ? "cannot read the mesh" : reader.Error();
        while (!error.empty() && error.back() == '\n') error.pop_back();
        return false;
    }
    const auto &attrib = reader.GetAttrib();
    const auto &materials = reader.GetMaterials();

    Mesh out;
    const size_t pointCount = attrib.vertices.size() / 3;
    for (size_t i = 0; i < pointCount; ++i)
        out.points.push_back(
            {attrib.vertices[3 * i], attrib.vertices[3 * i + 1], attrib.vertices[3 * i + 2]});

    // File normals by corner, applied after smoothing.
    std::vector<int> cornerNormalIndex;
    for (const auto &shape : reader.GetShapes()) {
        size_t offset = 0;
        for (size_t f = 0; f < shape.mesh.num_face_vertices.size(); ++f) {
            const size_t count = shape.mesh.num_face_vertices[f];
            const int mat = f < shape.mesh.material_ids.size() ? shape.mesh.material_ids[f] : -1;
            const std::string name = mat >= 0 && static_cast<size_t>(mat) < materials.size()
                                         ? materials[static_cast<size_t>(mat)].name
                                         : "Default";
            std::vector<int> verts;
            for (size_t k = 0; k < count; ++k) {
                const auto &idx = shape.mesh.indices[offset + k];
                verts.push_back(idx.vertex_index);
                cornerNormalIndex.push_back(idx.normal_index);
            }
            out.addPolygon(verts, out.surfaceIndex(name));
            offset += count;
        }
    }
    const std::string fault = meshFault(out);
    if (!fault.empty()) {
        error = fault;
        return false;
    }
    computeSmoothNormals(out, creaseAngle);
    const size_t normalCount = attrib.normals.size() / 3;
    for (size_t c = 0; c < cornerNormalIndex.size(); ++c) {
        const int n = cornerNormalIndex[c];
        if (n < 0 || static_cast<size_t>(n) >= normalCount) continue;
        const Vec3 v = normalized({attrib.normals[3 * static_cast<size_t>(n)],
                                   attrib.normals[3 * static_cast<size_t>(n) + 1],
                                   attrib.normals[3 * static_cast<size_t>(n) + 2]});
        if (length(v) > 0)
            out.cornerNormals[c] = {static_cast<float>(v.x), static_cast<float>(v.y),
                                    static_cast<float>(v.z)};
    }
    mesh = std::move(out);
    return true;
}

}  // namespace minihost
