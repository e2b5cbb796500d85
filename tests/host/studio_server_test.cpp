// `minihost serve` at its door and under load: requests from elsewhere, too
// large, malformed or reaching outside the files folder are refused with a
// 4xx and change nothing; the server is reachable on loopback alone unless
// told; a change made while the full-size render runs supersedes it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "minihost/cli/scene_session.h"
#include "minihost/cli/serve_command.h"
#include "minihost/services/core_services.h"
#include "minihost/studio/studio.h"
#include "minihost/studio/studio_server.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace minihost;

constexpr uint32_t kMaterialId = 0x8003;  // the shader panel's "Material ID : "

// One raw HTTP exchange, so that any header (or garbage) can be sent; the
// answer's status, or -1 when no connection could be made.
int exchange(const char *address, int port, const std::string &request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &to.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    char head[13] = {};
    const ssize_t got = recv(fd, head, 12, MSG_WAITALL);
    close(fd);
    return got == 12 ? std::atoi(head + 9) : 0;
}

// A scene of the edge examples with the module built beside the tests, in a
// folder of its own that is the studio's files folder.
class Served : public ::testing::Test {
protected:
    void start(const std::string &example, const char *module, int width, int height, int preview) {
        root = fs::path(QR_BINARY_DIR) / "studio_test" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root / "files");
        json scene = json::parse(std::ifstream(fs::path(QR_TEST_DATA_DIR) / "scenes" / example));
        scene["modules"] = {module};
        scene["render"]["width"] = width;
        scene["render"]["height"] = height;
        std::ofstream(root / "files" / "scene.json") << scene.dump(1);
        installCoreServices();
        std::ostringstream err;
        ASSERT_TRUE(session.load((root / "files" / "scene.json").string(), err) && session.start(err))
            << err.str();
        studio::StudioOptions options;
        options.root = (root / "files").string();
        options.previewWidth = options.previewHeight = preview;
        options.threads = threads;
        studio = std::make_unique<studio::Studio>(session.scene(), session.servers(), options);
        server = std::make_unique<studio::StudioServer>(*studio);
        std::string error;
        ASSERT_TRUE(server->bind("127.0.0.1", 0, error)) << error;
        serving = std::thread([this] { server->run(); });
        studio->start();
        host = "127.0.0.1:" + std::to_string(server->port());
    }

    void TearDown() override {
        if (studio) studio->stop();
        if (server) server->stop();
        if (serving.joinable()) serving.join();
    }

    int send(const std::string &request) { return exchange("127.0.0.1", server->port(), request); }

    std::string post(const std::string &path, const std::string &body, const std::string &headers = "",
                     const std::string &type = "application/json") {
        return "POST " + path + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "Content-Type: " + type +
               "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    int materialId() {
        const json panel = studio->panel(1);
        for (const json &c : panel["controls"])
            if (c["id"] == kMaterialId) return c["value"];
        return -1;
    }

    // The full-size image of `view` of frame 1, once the studio shows it.
    std::vector<uint8_t> shown(studio::View view) {
        studio->show(1, studio::viewName(view));
        auto image = studio->renderer().newerThan(0, std::chrono::seconds(120));
        while (!image->full || image->view != view)
            image = studio->renderer().newerThan(image->version, std::chrono::seconds(120));
        EXPECT_EQ(image->error, "");
        return image->rgba;
    }

    int threads = 0;  // of the studio's renders; 0: every core
    fs::path root;
    cli::SceneSession session;
    std::unique_ptr<studio::Studio> studio;
    std::unique_ptr<studio::StudioServer> server;
    std::thread serving;
    std::string host;
};

TEST_F(Served, RefusesRequestsThatDoNotNameTheStudio) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const int before = materialId();
    const std::string set = R"({"use": 1, "control": 32771, "value": 77})";
    const std::string port = std::to_string(server->port());
    EXPECT_EQ(send("GET / HTTP/1.1\r\nHost: attacker.example:" + port + "\r\nConnection: close\r\n\r\n"),
              403);
    EXPECT_EQ(send("GET /api/scene HTTP/1.1\r\nConnection: close\r\n\r\n"), 403);  // no Host at all
    for (const std::string &h :
         {"attacker.example:" + port, std::string("127.0.0.1:1"), std::string("localhost")}) {
        std::string request = post("/api/panel/set", set);
        request.replace(request.find(host), host.size(), h);
        EXPECT_EQ(send(request), 403) << h;
    }
    EXPECT_EQ(send(post("/api/panel/set", set, "Origin: http://attacker.example\r\n")), 403);
    EXPECT_EQ(send(post("/api/panel/set", set, "Origin: null\r\n")), 403);
    EXPECT_EQ(materialId(), before);
    // Its own name and origin pass.
    EXPECT_EQ(send(post("/api/panel/set", set, "Origin: http://" + host + "\r\n")), 200);
    EXPECT_EQ(materialId(), 77);
}

TEST_F(Served, MalformedOrOversizedRequestsGet4xxAndChangeNothing) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const int before = materialId();
    const std::string big = R"({"use": 1, "control": 32771, "value": 77, "pad": ")" +
                            std::string(studio::kMaxRequestBody, 'x') + "\"}";
    EXPECT_EQ(send(post("/api/panel/set", big)), 413);
    EXPECT_EQ(send(post("/api/panel/set", R"({"use": 1, "control": 32771, "value": 77})", "", "text/plain")),
              415);
    for (const std::string body :
         {"{", "[1, 2]", R"({"use": "1", "control": 32771, "value": 77})", R"({"use": 1, "control": 32771})",
          R"({"use": 1, "control": 32771, "value": {}})", R"({"use": 1, "control": 32771, "value": "seven"})",
          R"({"use": 1, "control": 32771, "value": 1e300})", R"({"use": 1, "control": 32775, "value": 77})"})
        EXPECT_EQ(send(post("/api/panel/set", body)), 400) << body;
    EXPECT_EQ(send(post("/api/panel/set", R"({"use": 999, "control": 32771, "value": 77})")), 404);
    EXPECT_EQ(send(post("/api/panel/set", R"({"use": 1, "control": 48879, "value": 77})")), 404);
    EXPECT_EQ(send(post("/api/panel/set", R"({"use": 1, "control": 32773, "value": 0.5})")),
              409);                                                                     // disabled
    EXPECT_EQ(send(post("/api/panel/press", R"({"use": 1, "control": 32771})")), 400);  // not a button
    EXPECT_EQ(send(post("/api/panel/popup", R"({"use": 1, "control": 32777, "entry": 7})")), 400);
    EXPECT_EQ(send(post("/api/dialog", R"({"use": 4, "values": [0.5, 0.5]})")), 400);
    EXPECT_EQ(send(post("/api/dialog", R"({"use": 4, "values": [0.5, "x", true]})")), 400);
    EXPECT_EQ(send(post("/api/show", R"({"frame": 99, "view": "with"})")), 400);
    EXPECT_EQ(send(post("/api/show", R"({"frame": 1, "view": "sideways"})")), 400);
    EXPECT_EQ(send(post("/api/select", R"({"objects": ["Nobody"]})")), 400);
    EXPECT_EQ(send("GET /api/frame?since=abc HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n"),
              400);
    EXPECT_EQ(send("BLAH\r\n\r\n"), 400);
    EXPECT_EQ(materialId(), before);
    const json dialog = studio->panel(4);
    ASSERT_EQ(dialog["kind"], "dialog");
    EXPECT_EQ(dialog["controls"][0]["value"], 0.15);  // the line tracer's default, untouched
}

TEST_F(Served, FilesAreReadAndWrittenOnlyUnderTheRoot) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    fs::create_symlink(root, root / "files" / "out");  // a link inside that leads outside
    std::ofstream(root / "files" / "kept.json") << "{}";
    for (const std::string path :
         {"../escape.json", "/tmp/escape.json", "out/escape.json", "sub/../../escape.json"})
        EXPECT_EQ(send(post("/api/save", R"({"path": ")" + path + "\"}")), 403) << path;
    EXPECT_EQ(send(post("/api/save", R"({"path": "kept.json"})")), 409);  // asks before overwriting
    EXPECT_EQ(send(post("/api/panel/popup", R"({"use": 1, "control": 32777, "entry": 1, "path": "../p"})")),
              403);
    EXPECT_EQ(
        send(post("/api/panel/popup", R"({"use": 1, "control": 32777, "entry": 0, "path": "/etc/passwd"})")),
        403);
    EXPECT_EQ(send(post("/api/utility", R"({"server": "QM_Quillrim_P:ShaderUtil",
                                           "values": [0, 0, null, "../../../etc/passwd"]})")),
              403);
    // A save the file services cannot make is reported, not taken for done.
    EXPECT_EQ(send(post("/api/panel/popup", R"({"use": 1, "control": 32777, "entry": 1, "path": "no/p"})")),
              500);
    EXPECT_FALSE(fs::exists(root / "escape.json"));
    EXPECT_FALSE(fs::exists(root / "p.qvy"));
    std::ifstream kept(root / "files" / "kept.json");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "{}");
    // Inside the root, with the overwrite confirmed, it is written.
    EXPECT_EQ(send(post("/api/save", R"({"path": "kept.json", "overwrite": true})")), 200);
    EXPECT_GT(fs::file_size(root / "files" / "kept.json"), 100u);
}

TEST_F(Served, ListensOnLoopbackAloneUnlessAnAddressIsGiven) {
    EXPECT_EQ(cli::ServeArgs{}.listen, "127.0.0.1");
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const std::string get = "GET /api/scene HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(exchange("127.0.0.1", server->port(), get), 200);
    EXPECT_EQ(exchange("127.0.0.2", server->port(), get), -1);  // another address of this machine
    std::string error;
    EXPECT_FALSE(studio::StudioServer(*studio).bind("127.0.0.1", server->port(), error));  // taken
}

TEST_F(Served, AChangeDuringTheFullRenderSupersedesIt) {
    // A tiny preview and a slow full size: the second change comes while
    // the first one's full-size render runs.
    start("edges_stroke_edition.json", QR_MODULE_S, 320, 240, 16);
    auto next = [&](uint64_t since) {
        return studio->renderer().newerThan(since, std::chrono::seconds(120));
    };
    auto image = next(0);
    while (!image->full) image = next(image->version);
    studio->setValue(1, kMaterialId, 5);
    image = next(image->version);
    ASSERT_FALSE(image->full);
    studio->setValue(1, kMaterialId, 6);
    image = next(image->version);
    EXPECT_FALSE(image->full) << "the first change's full-size image was published after the second change";
    image = next(image->version);
    EXPECT_TRUE(image->full);
    EXPECT_EQ(materialId(), 6);
}

TEST_F(Served, EachViewShowsItsFrameAndPutsTheInstancesBack) {
    // Without outlines the filters leave the frame as shaded; outlines only
    // switches the tracers' own setting for that render alone.
    threads = 1;
    start("edges_stroke_edition.json", QR_MODULE_S, 48, 36, 48);
    const auto with = shown(studio::View::WithOutlines);
    const auto without = shown(studio::View::WithoutOutlines);
    const auto only = shown(studio::View::OutlinesOnly);
    EXPECT_NE(with, without);
    EXPECT_NE(only, with);
    EXPECT_NE(only, without);
    EXPECT_EQ(shown(studio::View::WithOutlines), with);
    EXPECT_EQ(shown(studio::View::WithoutOutlines), without);
    EXPECT_EQ(studio->sceneJson()["filters"].size(), 2u);
}

}  // namespace
