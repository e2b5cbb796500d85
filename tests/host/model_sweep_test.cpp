// Every model of Debian's assimp-testmodels in the glTF2, OBJ, FBX, PLY and
// STL folders, rendered by minihost as a new user would: each either draws a
// frame that is not blank, or fails with a non-zero status and a message that
// names the file. Some files there are broken on purpose (indices out of
// range, a missing buffer, nodes within themselves, infinities). Skipped
// where the package is not installed.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path kModels = "/usr/share/assimp/models";

std::string quoted(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Exit status and stderr of a command.
int run(const std::string &command, std::string &output) {
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool drawsSomething(const std::string &png) {
    int w = 0, h = 0, n = 0;
    unsigned char *px = stbi_load(png.c_str(), &w, &h, &n, 4);
    if (!px) return false;
    int covered = 0;
    for (int i = 0; i < w * h; ++i) covered += px[4 * i + 3] > 0;
    stbi_image_free(px);
    return covered > 0;
}

TEST(ModelSweep, EveryTestModelRendersOrIsRefusedByName) {
    if (!fs::is_directory(kModels)) GTEST_SKIP() << kModels << " is not installed (assimp-testmodels)";
    const fs::path out = fs::temp_directory_path() / ("qr_model_sweep_" + std::to_string(getpid()));
    fs::create_directories(out);
    const std::string minihost = std::string(QR_BINARY_DIR) + "/minihost/minihost";
    std::vector<fs::path> files;
    for (const char *folder : {"glTF2", "OBJ", "FBX", "PLY", "STL"})
        for (const auto &e : fs::recursive_directory_iterator(kModels / folder)) {
            std::string ext = e.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            if (e.is_regular_file() && (ext == ".gltf" || ext == ".glb" || ext == ".obj" || ext == ".fbx" ||
                                        ext == ".ply" || ext == ".stl"))
                files.push_back(e.path());
        }
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 50u);
    int rendered = 0, refused = 0;
    for (const fs::path &file : files) {
        const std::string png = (out / "frame.png").string();
        fs::remove(png);
        std::string output;
        // An OBJ file alone has no camera to frame it; it comes in through
        // a scene that names it, as the others do through their importer.
        const int status = run("timeout 120 " + quoted(minihost) + " render " + quoted(file.string()) +
                                   " --edition line -q -o " + quoted(png),
                               output);
        EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << file << ":\n" << output;
        if (status == 0) {
            EXPECT_TRUE(drawsSomething(png)) << file << ": exit 0 with a blank frame";
            ++rendered;
        } else {
            EXPECT_LT(status, 128) << file << ": killed by a signal\n" << output;
            EXPECT_NE(output.find(file.string()), std::string::npos) << file << ": not named in\n" << output;
            ++refused;
        }
    }
    std::printf("models: %d rendered, %d refused, of %zu\n", rendered, refused, files.size());
    fs::remove_all(out);
}

}  // namespace
