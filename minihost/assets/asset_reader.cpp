#include "minihost/assets/asset_reader.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include "minihost/assets/asset_formats.h"
#include "minihost/files/checked_read.h"
#include "minihost/files/input_error.h"

namespace minihost {

namespace {

// Deeper node trees than this are taken as damaged (a node within itself).
constexpr int kMaxNodeDepth = 1000;

// The importer's right-handed frame to minihost's: Z turned round.
Float3 flipped(const aiVector3D &v) { return {v.x, v.y, -v.z}; }
Double3 flippedD(const aiVector3D &v) { return {v.x, v.y, -static_cast<double>(v.z)}; }

Matrix4 flippedMatrix(const aiMatrix4x4 &m) {
    const ai_real *in = m[0];
    Matrix4 out{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const double sign = (r == 2) != (c == 2) ? -1 : 1;
            out[static_cast<size_t>(r * 4 + c)] = sign * in[r * 4 + c];
        }
    return out;
}

bool finite(const aiVector3D &v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string text(const aiString &s) { return std::string(s.C_Str(), s.length); }

class Reader {
public:
    Reader(const aiScene &scene, Asset &out, bool gltf) : scene_(scene), out_(out), gltf_(gltf) {}

    void read() {
        materials();
        meshes();
        if (!scene_.mRootNode) fail("the file has no node tree");
        node(*scene_.mRootNode, -1, 0);
        views();
        animations();
    }

private:
    [[noreturn]] void fail(const std::string &why) const { throw InputError({out_.path}, why); }

    void materials() {
        for (unsigned i = 0; i < scene_.mNumMaterials; ++i) {
            const aiMaterial &m = *scene_.mMaterials[i];
            AssetMaterial mat;
            aiString name;
            if (m.Get(AI_MATKEY_NAME, name) == AI_SUCCESS) mat.name = text(name);
            if (mat.name == AI_DEFAULT_MATERIAL_NAME) mat.name.clear();
            aiColor4D c;
            if (m.Get(AI_MATKEY_BASE_COLOR, c) == AI_SUCCESS ||
                m.Get(AI_MATKEY_COLOR_DIFFUSE, c) == AI_SUCCESS) {
                if (std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b)) {
                    mat.hasColor = true;
                    mat.color = {c.r, c.g, c.b};
                }
            }
            out_.materials.push_back(mat);
        }
        if (out_.materials.empty()) out_.materials.push_back({});
    }

    void meshes() {
        size_t pointsAndLines = 0, triangles = 0;
        for (unsigned i = 0; i < scene_.mNumMeshes; ++i) {
            const aiMesh &m = *scene_.mMeshes[i];
            AssetMesh mesh;
            mesh.name = text(m.mName);
            mesh.material = m.mMaterialIndex < out_.materials.size() ? static_cast<int>(m.mMaterialIndex) : 0;
            mesh.skinned = m.HasBones();
            if (m.mPrimitiveTypes & (aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON)) {
                for (unsigned v = 0; v < m.mNumVertices; ++v) {
                    if (!finite(m.mVertices[v]))
                        fail("mesh \"" + mesh.name + "\" has a point that is not finite");
                    mesh.points.push_back(flipped(m.mVertices[v]));
                }
                bool normals = m.mNormals != nullptr;
                for (unsigned v = 0; normals && v < m.mNumVertices; ++v) normals = finite(m.mNormals[v]);
                for (unsigned v = 0; normals && v < m.mNumVertices; ++v)
                    mesh.normals.push_back(flipped(m.mNormals[v]));
                for (unsigned f = 0; f < m.mNumFaces; ++f) {
                    const aiFace &face = m.mFaces[f];
                    if (face.mNumIndices != 3) continue;
                    for (unsigned k = 0; k < 3; ++k)
                        if (face.mIndices[k] >= m.mNumVertices)
                            fail("mesh \"" + mesh.name + "\" names point " +
                                 std::to_string(face.mIndices[k]) + " of " + std::to_string(m.mNumVertices));
                    // Reversed with the frame, so that the face keeps its side.
                    mesh.triangles.push_back({static_cast<int>(face.mIndices[0]),
                                              static_cast<int>(face.mIndices[2]),
                                              static_cast<int>(face.mIndices[1])});
                }
            } else {
                ++pointsAndLines;
            }
            triangles += mesh.triangles.size();
            if (mesh.skinned && !mesh.triangles.empty() && !skinnedNoticed_) {
                out_.notices.push_back("skinned meshes are drawn in their bind pose");
                skinnedNoticed_ = true;
            }
            out_.meshes.push_back(std::move(mesh));
        }
        if (triangles == 0)
            fail(pointsAndLines > 0 ? "the file has only points and lines, no faces to render"
                                    : "the file has no faces");
    }

    void node(const aiNode &n, int parent, int depth) {
        if (depth > kMaxNodeDepth || !visited_.insert(&n).second) fail("a node of the file contains itself");
        AssetNode out;
        out.name = text(n.mName);
        out.parent = parent;
        out.local = flippedMatrix(n.mTransformation);
        for (const double v : out.local)
            if (!std::isfinite(v)) fail("node \"" + out.name + "\" has a transform that is not finite");
        for (unsigned k = 0; k < n.mNumMeshes; ++k)
            if (n.mMeshes[k] < out_.meshes.size())
                out.meshes.push_back(static_cast<int>(n.mMeshes[k]));
            else
                fail("node \"" + out.name + "\" names a mesh the file does not have");
        const int index = static_cast<int>(out_.nodes.size());
        out_.nodes.push_back(std::move(out));
        for (unsigned c = 0; c < n.mNumChildren; ++c)
            if (n.mChildren[c]) node(*n.mChildren[c], index, depth + 1);
    }

    int nodeNamed(const std::string &name) const {
        for (size_t i = 0; i < out_.nodes.size(); ++i)
            if (out_.nodes[i].name == name) return static_cast<int>(i);
        return -1;
    }

    // A camera's or light's position within its node. Some importers copy
    // the node's own translation there as well; it is counted once.
    Double3 ownPosition(int node, const aiVector3D &position) const {
        const Double3 p = flippedD(position);
        if (node < 0) return p;
        const Matrix4 &m = out_.nodes[static_cast<size_t>(node)].local;
        const double tolerance = 1e-6 * (1 + std::fabs(m[3]) + std::fabs(m[7]) + std::fabs(m[11]));
        if (std::fabs(p[0] - m[3]) + std::fabs(p[1] - m[7]) + std::fabs(p[2] - m[11]) < tolerance &&
            (p[0] != 0 || p[1] != 0 || p[2] != 0))
            return {0, 0, 0};
        return p;
    }

    void views() {
        for (unsigned i = 0; i < scene_.mNumCameras; ++i) {
            const aiCamera &c = *scene_.mCameras[i];
            AssetCamera cam;
            cam.name = text(c.mName);
            cam.node = nodeNamed(cam.name);
            cam.position = ownPosition(cam.node, c.mPosition);
            cam.forward = flippedD(c.mLookAt);
            cam.up = flippedD(c.mUp);
            if (std::isfinite(c.mAspect) && c.mAspect > 0) cam.aspect = c.mAspect;
            double hfov = c.mHorizontalFOV;
            // The glTF importer gives the vertical angle times the aspect.
            if (gltf_ && cam.aspect > 0) hfov = 2 * std::atan(cam.aspect * std::tan(hfov / cam.aspect / 2));
            if (std::isfinite(hfov) && hfov > 0.01 && hfov < 3.1) cam.hfov = hfov;
            out_.cameras.push_back(cam);
        }
        for (unsigned i = 0; i < scene_.mNumLights; ++i) {
            const aiLight &l = *scene_.mLights[i];
            AssetLight light;
            light.name = text(l.mName);
            light.node = nodeNamed(light.name);
            light.position = ownPosition(light.node, l.mPosition);
            light.forward = flippedD(l.mDirection);
            light.up = flippedD(l.mUp);
            light.color = {l.mColorDiffuse.r, l.mColorDiffuse.g, l.mColorDiffuse.b};
            switch (l.mType) {
            case aiLightSource_DIRECTIONAL: light.kind = AssetLight::Kind::directional; break;
            case aiLightSource_SPOT: light.kind = AssetLight::Kind::spot; break;
            case aiLightSource_POINT: light.kind = AssetLight::Kind::point; break;
            default: continue;  // ambient and area lights have no counterpart
            }
            if (light.kind == AssetLight::Kind::spot && std::isfinite(l.mAngleOuterCone)) {
                light.cone = std::clamp(static_cast<double>(l.mAngleInnerCone), 0.0, 1.5);
                light.edge = std::clamp(static_cast<double>(l.mAngleOuterCone) - light.cone, 0.0, 1.5);
            }
            out_.lights.push_back(light);
        }
    }

    void animations() {
        for (unsigned a = 0; a < scene_.mNumAnimations; ++a) {
            const aiAnimation &anim = *scene_.mAnimations[a];
            const double tps = anim.mTicksPerSecond > 0 ? anim.mTicksPerSecond : 25.0;
            for (unsigned c = 0; c < anim.mNumChannels; ++c) {
                const aiNodeAnim &ch = *anim.mChannels[c];
                const int n = nodeNamed(text(ch.mNodeName));
                if (n < 0) continue;
                AssetNodeKeys &keys = out_.nodes[static_cast<size_t>(n)].keys;
                auto time = [&](double ticks) {
                    const double t = ticks / tps;
                    if (std::isfinite(t)) out_.duration = std::max(out_.duration, t);
                    return t;
                };
                for (unsigned k = 0; k < ch.mNumPositionKeys; ++k)
                    if (finite(ch.mPositionKeys[k].mValue))
                        keys.positions.push_back(
                            {time(ch.mPositionKeys[k].mTime), flippedD(ch.mPositionKeys[k].mValue)});
                for (unsigned k = 0; k < ch.mNumScalingKeys; ++k)
                    if (finite(ch.mScalingKeys[k].mValue)) {
                        const aiVector3D &s = ch.mScalingKeys[k].mValue;
                        keys.scales.push_back({time(ch.mScalingKeys[k].mTime), {s.x, s.y, s.z}});
                    }
                for (unsigned k = 0; k < ch.mNumRotationKeys; ++k) {
                    const aiQuaternion &q = ch.mRotationKeys[k].mValue;
                    // The same turn seen with Z turned round.
                    keys.rotations.push_back({time(ch.mRotationKeys[k].mTime), {q.w, -q.x, -q.y, q.z}});
                }
            }
        }
    }

    const aiScene &scene_;
    Asset &out_;
    const bool gltf_;
    std::set<const aiNode *> visited_;
    bool skinnedNoticed_ = false;
};

}  // namespace

Asset readAsset(const std::string &path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw InputError({path}, "no such mesh file");
    if (!isAssetFile(path))
        throw InputError({path}, "not a mesh format minihost reads (it reads " + meshFormatsText() + ")");
    if (!std::filesystem::is_regular_file(path, ec)) throw InputError({path}, "not a regular file");
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxMeshFileBytes) throw InputError({path}, "larger than the limit of 1024 MB");
    if (size == 0) throw InputError({path}, "the file is empty");

    Assimp::Importer importer;
    const aiScene *scene = nullptr;
    try {
        scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                            aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    } catch (const std::exception &e) {
        throw InputError({path}, std::string("cannot be read: ") + e.what());
    }
    if (!scene) {
        std::string why = importer.GetErrorString();
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        throw InputError({path}, "cannot be read: " + (why.empty() ? std::string("damaged file") : why));
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)
        throw InputError({path}, "the file holds no complete scene");
    Asset out;
    out.path = path;
    Reader(*scene, out, isGltfFile(path)).read();
    return out;
}

}  // namespace minihost
