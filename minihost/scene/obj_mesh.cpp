#include "minihost/scene/obj_mesh.h"

#include <filesystem>
#include <map>
#include <sstream>

#include <tiny_obj_loader.h>

#include "minihost/files/checked_read.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/obj_text_checks.h"

namespace minihost {

namespace {

// Material files named by "mtllib", read like the mesh itself: a regular
// file within a size limit, relative to the mesh's folder. One that cannot
// be read is reported and its materials are missing, as the library does.
class CheckedMaterialReader : public tinyobj::MaterialReader {
public:
    CheckedMaterialReader(std::filesystem::path dir, std::vector<std::string> &read)
            : dir_(std::move(dir)), read_(read) {}

    bool operator()(const std::string &name, std::vector<tinyobj::material_t> *materials,
                    std::map<std::string, int> *matMap, std::string *warn, std::string *err) override {
        const std::string path = (dir_ / name).string();
        std::string text, why;
        if (!readRegularFile(path, kMaxMaterialFileBytes, text, why)) {
            if (err) *err += "material file \"" + path + "\": " + why + "\n";
            return false;
        }
        read_.push_back(path);
        std::istringstream in(text);
        tinyobj::LoadMtl(matMap, materials, &in, warn, err);
        return true;
    }

private:
    std::filesystem::path dir_;
    std::vector<std::string> &read_;
};

}  // namespace

Mesh loadObjMesh(const std::string &path, double creaseAngle) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw InputError({path}, "no such mesh file");
    std::string text, error;
    if (!readRegularFile(path, kMaxMeshFileBytes, text, error)) throw InputError({path}, error);
    return meshFromObjText(text, std::filesystem::path(path).parent_path().string(), creaseAngle, path);
}

Mesh meshFromObjText(const std::string &text, const std::string &folder, double creaseAngle,
                     const std::string &file) {
    checkObjText(text, file);

    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    std::istringstream in(text);
    std::vector<std::string> materialFiles;
    CheckedMaterialReader readMaterials(folder, materialFiles);
    const bool loaded = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, &readMaterials,
                                         /*triangulate=*/false, /*default_vcols_fallback=*/false);
    // A material file that cannot be read is an error, not a silent default.
    const size_t refused = err.find("material file \"");
    if (!loaded || refused != std::string::npos) {
        std::string error = refused != std::string::npos ? err.substr(refused)
                            : err.empty()                ? "cannot read the mesh"
                                                         : err;
        while (!error.empty() && error.back() == '\n') error.pop_back();
        throw InputError({file}, error.substr(0, error.find('\n')));
    }

    Mesh out;
    out.sideFiles = std::move(materialFiles);
    const size_t pointCount = attrib.vertices.size() / 3;
    for (size_t i = 0; i < pointCount; ++i)
        out.points.push_back(
            {attrib.vertices[3 * i], attrib.vertices[3 * i + 1], attrib.vertices[3 * i + 2]});

    // File normals by corner, applied after smoothing.
    std::vector<int> cornerNormalIndex;
    for (const auto &shape : shapes) {
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
    if (!fault.empty()) throw InputError({file}, fault);
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
    return out;
}

}  // namespace minihost
