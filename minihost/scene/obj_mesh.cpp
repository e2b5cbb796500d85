#include "minihost/scene/obj_mesh.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>

#include "minihost/files/checked_read.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/obj_materials.h"
#include "minihost/scene/obj_text_checks.h"
#include "minihost/scene/polygon_triangles.h"

namespace minihost {

namespace {

constexpr std::string_view kDefaultSurface = "Default";

// Statements of OBJ text; a file whose first statement is none of these is
// not OBJ text.
bool knownKeyword(std::string_view k) {
    static const std::set<std::string_view> kKnown = {
        "v",         "vt",    "vn",     "vp",     "f",        "l",        "p",    "o",
        "g",         "s",     "usemtl", "mtllib", "cstype",   "deg",      "bmat", "step",
        "curv",      "curv2", "surf",   "parm",   "trim",     "hole",     "scrv", "sp",
        "end",       "con",   "mg",     "bevel",  "c_interp", "d_interp", "lod",  "shadow_obj",
        "trace_obj", "ctech", "stech",  "maplib", "usemap",   "call",     "csh"};
    return kKnown.count(k) > 0;
}

// A byte that no text file holds (a NUL of UTF-16, binary data).
long long firstBinaryLine(std::string_view text) {
    long long line = 1;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n')
            ++line;
        else if (c < 0x20 && c != '\t' && c != '\r' && c != '\f' && c != '\v')
            return line;
    }
    return 0;
}

struct Line {
    long long number;
    std::string_view keyword, rest;
};

template <typename Each>
void forEachStatement(std::string_view text, Each each) {
    size_t start = 0;
    for (long long number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty()) continue;
        const size_t split = line.find_first_of(" \t");
        each(Line{number, line.substr(0, split),
                  split == std::string_view::npos ? std::string_view() : line.substr(split + 1)});
    }
}

// The next number of a line whose numbers are checked already; `rest` moves
// past it.
double number(std::string_view &rest) {
    size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    const size_t start = i;
    while (i < rest.size() && rest[i] != ' ' && rest[i] != '\t') ++i;
    double v = 0;
    objNumber(rest.substr(start, i - start), v);
    rest.remove_prefix(i);
    return v;
}

// A corner index as the file writes it (checked already): 1-based, or
// negative counting back from the last element seen.
int cornerIndex(std::string_view token, size_t seen) {
    if (token.empty()) return -1;
    long long i = 0;
    const auto [stop, ec] = std::from_chars(token.data(), token.data() + token.size(), i);
    if (ec != std::errc() || stop != token.data() + token.size())
        i = std::strtoll(std::string(token).c_str(), nullptr, 10);  // "+5", as the check read it
    return static_cast<int>(i > 0 ? i - 1 : static_cast<long long>(seen) + i);
}

struct Corner {
    int point = -1, normal = -1;
};

class ObjReader {
public:
    ObjReader(std::string folder, std::string file) : folder_(std::move(folder)), file_(std::move(file)) {}

    Mesh read(const std::string &text) {
        std::string_view body(text);
        if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);  // a UTF-8 byte order mark
        if (const long long line = firstBinaryLine(body))
            throw InputError(
                {file_, static_cast<int>(line)},
                "not OBJ text: the line holds binary data (a file in UTF-16 must be saved as UTF-8)");
        reserve(checkObjText(body, file_));
        forEachStatement(body, [&](const Line &l) { statement(l); });
        if (mesh_.numPolygons() == 0) throw InputError(noFacesPosition_, noFacesMessage());
        finish();
        return std::move(mesh_);
    }

private:
    // Room for what the text holds, so that the arrays grow once (polygons
    // cut into triangles may still add some).
    void reserve(const ObjTextCounts &n) {
        const auto size = [](long long count) { return static_cast<size_t>(count); };
        mesh_.points.reserve(size(n.points));
        normals_.reserve(size(n.normals));
        mesh_.polyStart.reserve(size(n.faces) + 1);
        mesh_.polySurface.reserve(size(n.faces));
        mesh_.polyVerts.reserve(size(n.corners));
        cornerNormals_.reserve(size(n.corners));
    }

    void statement(const Line &l) {
        if (firstKeyword_.empty()) {
            firstKeyword_ = std::string(l.keyword);
            firstLine_ = l.number;
        }
        if (l.keyword == "v") {
            std::string_view rest = l.rest;
            const float x = static_cast<float>(number(rest)), y = static_cast<float>(number(rest)),
                        z = static_cast<float>(number(rest));
            mesh_.points.push_back({x, y, z});
        } else if (l.keyword == "vn") {
            std::string_view rest = l.rest;
            const float x = static_cast<float>(number(rest)), y = static_cast<float>(number(rest)),
                        z = static_cast<float>(number(rest));
            normals_.push_back({x, y, z});
        } else if (l.keyword == "f") {
            face(l.rest);
        } else if (l.keyword == "l" || l.keyword == "p") {
            ++pointsAndLines_;
        } else if (l.keyword == "usemtl") {
            surface_ = objLineName(l.rest);
            if (surface_.empty()) surface_ = kDefaultSurface;
            surfaceIndex_ = -1;  // found at its first face, so that unused names make no surface
        } else if (l.keyword == "mtllib") {
            materialFiles(l);
        }
    }

    void face(std::string_view rest) {
        corners_.clear();
        size_t i = 0;
        while (i < rest.size()) {
            while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
            const size_t start = i;
            while (i < rest.size() && rest[i] != ' ' && rest[i] != '\t') ++i;
            if (i == start) break;
            const std::string_view token = rest.substr(start, i - start);
            const size_t s1 = token.find('/');
            const size_t s2 = s1 == std::string_view::npos ? s1 : token.find('/', s1 + 1);
            Corner c;
            c.point = cornerIndex(token.substr(0, s1), mesh_.points.size());
            if (s2 != std::string_view::npos) c.normal = cornerIndex(token.substr(s2 + 1), normals_.size());
            corners_.push_back(c);
        }
        if (surfaceIndex_ < 0) surfaceIndex_ = mesh_.surfaceIndex(surface_);
        const int surface = surfaceIndex_;
        // A polygon that names a point further down the file cannot be
        // looked at yet; it is kept whole.
        const auto ahead = [&](const Corner &c) {
            return static_cast<size_t>(c.point) >= mesh_.points.size();
        };
        if (corners_.size() == 3 || std::any_of(corners_.begin(), corners_.end(), ahead)) {
            addPolygon(corners_, surface);
            return;
        }
        std::vector<Vec3> at;
        at.reserve(corners_.size());
        for (const Corner &c : corners_) at.push_back(mesh_.point(c.point));
        if (fanCoversPolygon(at)) {
            addPolygon(corners_, surface);
            return;
        }
        const std::vector<Corner> whole = corners_;
        for (const auto &t : earClipPolygon(at))
            addPolygon({whole[static_cast<size_t>(t[0])], whole[static_cast<size_t>(t[1])],
                        whole[static_cast<size_t>(t[2])]},
                       surface);
    }

    void addPolygon(const std::vector<Corner> &corners, int surface) {
        verts_.clear();
        for (const Corner &c : corners) {
            verts_.push_back(c.point);
            cornerNormals_.push_back(c.normal);
        }
        mesh_.addPolygon(verts_, surface);
    }

    // "mtllib" names one file, or several separated by spaces; a name with
    // spaces in it is taken whole when such a file exists.
    void materialFiles(const Line &l) {
        const std::string whole = objLineName(l.rest);
        std::error_code ec;
        std::vector<std::string> names;
        if (std::filesystem::exists(std::filesystem::path(folder_) / whole, ec)) {
            names.push_back(whole);
        } else {
            size_t i = 0;
            while (i < whole.size()) {
                const size_t end = std::min(whole.find_first_of(" \t", i), whole.size());
                if (end > i) names.push_back(whole.substr(i, end - i));
                i = end + 1;
            }
        }
        for (const auto &name : names) {
            const std::string path = (std::filesystem::path(folder_) / name).string();
            std::string text, why;
            if (!readRegularFile(path, kMaxMaterialFileBytes, text, why))
                throw InputError({file_, static_cast<int>(l.number)},
                                 "material file \"" + path + "\": " + why);
            mesh_.sideFiles.push_back(path);  // an input no output may replace
            for (auto &m : parseObjMaterials(text, path)) materials_.emplace(m.name, m);
        }
    }

    std::string noFacesMessage() {
        if (!firstKeyword_.empty() && !knownKeyword(firstKeyword_)) {
            noFacesPosition_ = {file_, static_cast<int>(firstLine_)};
            return "not OBJ text: the line begins with \"" + firstKeyword_.substr(0, 24) + "\"";
        }
        noFacesPosition_ = {file_};
        if (pointsAndLines_ > 0) return "the mesh has only points and lines, no faces to render";
        return "the mesh has no faces";
    }

    void finish() {
        for (const auto &name : mesh_.surfaceNames) {
            const auto m = materials_.find(name);
            if (m != materials_.end()) {
                if (m->second.hasColor) mesh_.surfaceColors[name] = m->second.color;
            } else if (name != kDefaultSurface) {
                mesh_.notices.push_back("material \"" + name +
                                        "\" is used but not defined in a material file; its surface keeps "
                                        "the default settings");
            }
        }
    }

public:
    // The file's normal of each corner of the mesh read (-1: none), and the
    // file's normals.
    const std::vector<int> &cornerNormals() const { return cornerNormals_; }
    const std::vector<Vec3> &normals() const { return normals_; }

private:
    std::vector<int> cornerNormals_;
    std::vector<Vec3> normals_;
    std::string folder_, file_;
    Mesh mesh_;
    std::map<std::string, ObjMaterial> materials_;
    std::string surface_{kDefaultSurface};
    int surfaceIndex_ = -1;  // of surface_ in the mesh; -1 until a face uses it
    std::vector<Corner> corners_;
    std::vector<int> verts_;
    size_t pointsAndLines_ = 0;
    std::string firstKeyword_;
    long long firstLine_ = 0;
    FilePosition noFacesPosition_;
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
    ObjReader reader(folder, file);
    Mesh out = reader.read(text);
    const std::string fault = meshFault(out);
    if (!fault.empty()) throw InputError({file}, fault);
    // The file's own normals replace the smoothed ones where it gives them;
    // where it gives them at every corner, nothing is smoothed.
    const std::vector<Vec3> &normals = reader.normals();
    const std::vector<int> &given = reader.cornerNormals();
    std::vector<std::array<float, 3>> fileNormals(given.size());
    size_t missing = 0;
    for (size_t c = 0; c < given.size(); ++c) {
        const int n = given[c];
        const Vec3 v = n < 0 || static_cast<size_t>(n) >= normals.size()
                           ? Vec3{}
                           : normalized(normals[static_cast<size_t>(n)]);
        if (length(v) > 0)
            fileNormals[c] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
        else
            ++missing;
    }
    if (missing == 0 && fileNormals.size() == out.polyVerts.size()) {
        out.cornerNormals = std::move(fileNormals);
        return out;
    }
    computeSmoothNormals(out, creaseAngle);
    for (size_t c = 0; c < given.size(); ++c)
        if (fileNormals[c] != std::array<float, 3>{0, 0, 0}) out.cornerNormals[c] = fileNormals[c];
    return out;
}

}  // namespace minihost
