// Loading models: triangles per second for an OBJ file and for a glTF file
// of the same wavy grid (about 200 k triangles), each read into a mesh with
// smoothed normals on one core. The baseline is reading the same file's bytes
// alone. Aim: the 972 k triangles of eight copies of the test models' engine
// load in at most 0.6 s, that is at least 1.6 M triangles per second. That
// model is made here where Debian's assimp-testmodels is installed: the
// two-cylinder engine exported to OBJ by the importer's own library (121 496
// triangles with their normals, 115 materials), written eight times over.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include "minihost/assets/asset_reader.h"
#include "minihost/files/checked_read.h"
#include "minihost/scene/asset_mesh.h"
#include "minihost/scene/obj_mesh.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSide = 317;  // quads per side: 2 * 316 * 316 = 199712 triangles
constexpr int64_t kTriangles = 2ll * (kSide - 1) * (kSide - 1);

struct Files {
    fs::path dir, obj, gltf;
    Files() {
        dir = fs::temp_directory_path() / ("qr_model_load_bench_" + std::to_string(getpid()));
        fs::create_directories(dir);
        obj = dir / "grid.obj";
        gltf = dir / "grid.gltf";
        std::vector<float> points;
        std::vector<uint32_t> indices;
        for (int z = 0; z < kSide; ++z)
            for (int x = 0; x < kSide; ++x)
                points.insert(points.end(),
                              {x * 0.01f, 0.05f * std::sin(x * 0.1f) * std::cos(z * 0.1f), z * 0.01f});
        for (int z = 0; z + 1 < kSide; ++z)
            for (int x = 0; x + 1 < kSide; ++x) {
                const uint32_t a = static_cast<uint32_t>(z * kSide + x), b = a + 1, c = a + kSide, d = c + 1;
                indices.insert(indices.end(), {a, c, b, b, c, d});
            }
        std::ofstream o(obj);
        for (size_t i = 0; i < points.size(); i += 3)
            o << "v " << points[i] << ' ' << points[i + 1] << ' ' << points[i + 2] << '\n';
        for (size_t i = 0; i < indices.size(); i += 3)
            o << "f " << indices[i] + 1 << ' ' << indices[i + 1] + 1 << ' ' << indices[i + 2] + 1 << '\n';
        std::ofstream bin(dir / "grid.bin", std::ios::binary);
        bin.write(reinterpret_cast<const char *>(points.data()),
                  static_cast<std::streamsize>(points.size() * 4));
        bin.write(reinterpret_cast<const char *>(indices.data()),
                  static_cast<std::streamsize>(indices.size() * 4));
        const size_t pointBytes = points.size() * 4, indexBytes = indices.size() * 4;
        std::ofstream(gltf) << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
            "nodes": [{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
            "buffers": [{"uri": "grid.bin", "byteLength": )"
                            << pointBytes + indexBytes << R"(}],
            "bufferViews": [{"buffer": 0, "byteLength": )"
                            << pointBytes << R"(}, {"buffer": 0, "byteOffset": )" << pointBytes
                            << R"(, "byteLength": )" << indexBytes << R"(}],
            "accessors": [{"bufferView": 0, "componentType": 5126, "count": )"
                            << points.size() / 3 << R"(, "type": "VEC3", "min": [0, -1, 0], "max": [4, 1, 4]},
                          {"bufferView": 1, "componentType": 5125, "count": )"
                            << indices.size() << R"(, "type": "SCALAR"}]})";
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const Files &files() {
    static const Files f;
    return f;
}

const char *const kEngine = "/usr/share/assimp/models/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb";

// Each corner "v/vt/vn" of a face line with the indices moved on by a copy's
// offsets; the other lines as they are.
std::string shiftedFace(const std::string &line, const long long offsets[3]) {
    std::istringstream in(line.substr(1));
    std::string out = "f", corner;
    while (in >> corner) {
        out += ' ';
        size_t start = 0;
        for (int part = 0; part < 3; ++part) {
            const size_t slash = std::min(corner.find('/', start), corner.size());
            if (slash > start)
                out += std::to_string(std::stoll(corner.substr(start, slash - start)) + offsets[part]);
            if (slash == corner.size()) break;
            out += '/';
            start = slash + 1;
        }
    }
    return out;
}

// The engine as one OBJ file eight times over; "" where the test models are
// not installed.
struct EngineFile {
    fs::path obj;
    long long triangles = 0;
    EngineFile() {
        std::error_code ec;
        if (!fs::exists(kEngine, ec)) return;
        const fs::path dir = files().dir;
        Assimp::Importer importer;
        const aiScene *scene = importer.ReadFile(kEngine, 0);
        if (!scene || Assimp::Exporter().Export(scene, "obj", (dir / "engine.obj").string()) != AI_SUCCESS)
            return;
        std::ifstream in(dir / "engine.obj");
        std::vector<std::string> lines;
        long long counts[3] = {0, 0, 0};  // v, vt, vn
        for (std::string line; std::getline(in, line);) {
            counts[0] += line.rfind("v ", 0) == 0;
            counts[1] += line.rfind("vt ", 0) == 0;
            counts[2] += line.rfind("vn ", 0) == 0;
            triangles += line.rfind("f ", 0) == 0;
            lines.push_back(std::move(line));
        }
        obj = dir / "engine8.obj";
        std::ofstream out(obj);
        for (long long copy = 0; copy < 8; ++copy) {
            const long long offsets[3] = {copy * counts[0], copy * counts[1], copy * counts[2]};
            for (const std::string &line : lines) {
                if (line.rfind("mtllib", 0) == 0 && copy > 0) continue;
                out << (line.rfind("f ", 0) == 0 ? shiftedFace(line, offsets) : line) << '\n';
            }
        }
        triangles *= 8;
    }
};

const EngineFile &engine() {
    static const EngineFile e;
    return e;
}

void BM_ReadBytesOfObj(benchmark::State &state) {
    std::string text, error;
    for (auto _ : state) {
        minihost::readRegularFile(files().obj.string(), minihost::kMaxMeshFileBytes, text, error);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
}

void BM_LoadObj(benchmark::State &state) {
    for (auto _ : state) {
        const minihost::Mesh mesh = minihost::loadObjMesh(files().obj.string(), 1.0);
        benchmark::DoNotOptimize(mesh.polyVerts.data());
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
}

void BM_LoadGltf(benchmark::State &state) {
    for (auto _ : state) {
        const minihost::Mesh mesh = minihost::meshFromAsset(minihost::readAsset(files().gltf.string()), 1.0);
        benchmark::DoNotOptimize(mesh.polyVerts.data());
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
}

// The engine file's bytes alone: the baseline of the load below.
void BM_ReadBytesOfObjEngineEightTimes(benchmark::State &state) {
    if (engine().obj.empty()) {
        state.SkipWithError("assimp-testmodels is not installed");
        return;
    }
    std::string text, error;
    for (auto _ : state) {
        minihost::readRegularFile(engine().obj.string(), minihost::kMaxMeshFileBytes, text, error);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * engine().triangles);
}

// The aim's own model: a real OBJ file with normals and many materials.
void BM_LoadObjEngineEightTimes(benchmark::State &state) {
    if (engine().obj.empty()) {
        state.SkipWithError("assimp-testmodels is not installed");
        return;
    }
    for (auto _ : state) {
        const minihost::Mesh mesh = minihost::loadObjMesh(engine().obj.string(), 1.0);
        benchmark::DoNotOptimize(mesh.polyVerts.data());
    }
    state.SetItemsProcessed(state.iterations() * engine().triangles);
}

}  // namespace

BENCHMARK(BM_ReadBytesOfObjEngineEightTimes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LoadObjEngineEightTimes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ReadBytesOfObj)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_LoadObj)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LoadGltf)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_MAIN();
