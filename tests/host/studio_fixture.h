// A studio served on a free loopback port over a test scene, and raw HTTP
// exchanges with it, so any header (or garbage) can be sent.
#pragma once

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
#include "minihost/services/core_services.h"
#include "minihost/studio/studio.h"
#include "minihost/studio/studio_server.h"

namespace studio_test {

namespace fs = std::filesystem;
using nlohmann::json;

struct Answer {
    int status = 0;  // -1: no connection
    std::string head, body;
};

// One raw HTTP exchange; the whole answer when `whole`, else its status line.
inline Answer exchange(const char *address, int port, const std::string &request, bool whole = false) {
    Answer a;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &to.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        close(fd);
        a.status = -1;
        return a;
    }
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    std::string got;
    char buffer[65536];
    for (;;) {
        const ssize_t n = recv(fd, buffer, whole ? sizeof buffer : 12 - got.size(), whole ? 0 : MSG_WAITALL);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
        if (!whole && got.size() >= 12) break;
    }
    close(fd);
    if (got.size() >= 12) a.status = std::atoi(got.c_str() + 9);
    const size_t end = got.find("\r\n\r\n");
    a.head = got.substr(0, end);
    if (end != std::string::npos) a.body = got.substr(end + 4);
    return a;
}

// A scene of the edge examples with the module built beside the tests, in a
// folder of its own that is the studio's files folder.
class Served : public ::testing::Test {
protected:
    void start(const std::string &example, const char *module, int width, int height, int preview,
               const json &firstShaderSettings = json()) {
        root = fs::path(QR_BINARY_DIR) / "studio_test" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root / "files");
        json scene = json::parse(std::ifstream(fs::path(QR_TEST_DATA_DIR) / "scenes" / example));
        scene["modules"] = {module};
        scene["render"]["width"] = width;
        scene["render"]["height"] = height;
        if (!firstShaderSettings.is_null()) {
            json &settings = scene["objects"][0]["surfaces"].begin().value()["shaders"][0]["settings"];
            settings.update(firstShaderSettings);
        }
        std::ofstream(root / "files" / "scene.json") << scene.dump(1);
        minihost::installCoreServices();
        std::ostringstream err;
        ASSERT_TRUE(session.load((root / "files" / "scene.json").string(), err) && session.start(err))
            << err.str();
        minihost::studio::StudioOptions options;
        options.root = (root / "files").string();
        options.previewWidth = options.previewHeight = preview;
        options.threads = threads;
        studio = std::make_unique<minihost::studio::Studio>(session.scene(), session.servers(), options);
        server = std::make_unique<minihost::studio::StudioServer>(*studio);
        std::string error;
        ASSERT_TRUE(server->bind("127.0.0.1", 0, error)) << error;
        serving = std::thread([this] { server->run(); });
        studio->start();
        host = "127.0.0.1:" + std::to_string(server->port());
        token = server->token();
    }

    void TearDown() override {
        if (studio) studio->stop();
        if (server) server->stop();
        if (serving.joinable()) serving.join();
    }

    int send(const std::string &request) { return exchange("127.0.0.1", server->port(), request).status; }
    Answer whole(const std::string &request) { return exchange("127.0.0.1", server->port(), request, true); }

    std::string post(const std::string &path, const std::string &body, const std::string &headers = "",
                     const std::string &type = "application/json") {
        return "POST " + path + " HTTP/1.1\r\nHost: " + host + "\r\nX-Studio-Token: " + token + "\r\n" +
               headers + "Content-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }
    std::string get(const std::string &path, const std::string &headers = "") {
        return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nX-Studio-Token: " + token + "\r\n" +
               headers + "Connection: close\r\n\r\n";
    }

    // A control's value in the use's panel, opened if need be.
    json value(int use, uint32_t control) {
        const json panel = studio->openPanel(use);
        for (const json &c : panel["controls"])
            if (c["id"] == control) return c["value"];
        return nullptr;
    }

    // The id of the first filter whose server ends with `name`.
    int filterId(const std::string &name) {
        const json scene = studio->sceneJson();
        for (const json &f : scene["filters"]) {
            const std::string named = f["server"];
            if (named.size() >= name.size() &&
                named.compare(named.size() - name.size(), name.size(), name) == 0)
                return f["id"];
        }
        return -1;
    }

    // The full-size image of `view` of frame 1, once the studio shows it.
    std::vector<uint8_t> shown(minihost::studio::View view) {
        studio->show(1, minihost::studio::viewName(view));
        auto image = studio->renderer().newerThan(0, std::chrono::seconds(120));
        while (!image->full || image->view != view)
            image = studio->renderer().newerThan(image->version, std::chrono::seconds(120));
        EXPECT_EQ(image->error, "");
        return image->rgba;
    }

    int threads = 0;  // of the studio's renders; 0: every core
    fs::path root;
    minihost::cli::SceneSession session;
    std::unique_ptr<minihost::studio::Studio> studio;
    std::unique_ptr<minihost::studio::StudioServer> server;
    std::thread serving;
    std::string host, token;
};

}  // namespace studio_test
