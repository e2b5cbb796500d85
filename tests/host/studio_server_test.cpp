// `minihost serve` at its door and under load: requests from elsewhere, too
// large, malformed or reaching outside the files folder are refused with a
// 4xx and change nothing; the server is reachable on loopback alone unless
// told; a change made while the full-size render runs supersedes it; each
// view shows its own frame and leaves the instances as they were.
#include "minihost/cli/serve_command.h"
#include "studio_fixture.h"

namespace {

using namespace studio_test;
using minihost::studio::kMaxRequestBody;
using minihost::studio::View;

constexpr uint32_t kMaterialId = 0x8003;  // the shader panel's "Material ID : "

TEST_F(Served, RefusesRequestsThatDoNotNameTheStudio) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const json before = value(1, kMaterialId);
    const std::string set = R"({"use": 1, "control": 32771, "value": 77})";
    const std::string port = std::to_string(server->port());
    EXPECT_EQ(send("GET /?token=" + token + " HTTP/1.1\r\nHost: attacker.example:" + port +
                   "\r\nConnection: close\r\n\r\n"),
              403);
    EXPECT_EQ(send("GET /api/scene HTTP/1.1\r\nX-Studio-Token: " + token + "\r\nConnection: close\r\n\r\n"),
              403);  // no Host at all
    for (const std::string &h :
         {"attacker.example:" + port, std::string("127.0.0.1:1"), std::string("localhost")}) {
        std::string request = post("/api/panel/set", set);
        request.replace(request.find(host), host.size(), h);
        EXPECT_EQ(send(request), 403) << h;
    }
    EXPECT_EQ(send(post("/api/panel/set", set, "Origin: http://attacker.example\r\n")), 403);
    EXPECT_EQ(send(post("/api/panel/set", set, "Origin: null\r\n")), 403);
    EXPECT_EQ(value(1, kMaterialId), before);
    // Its own name and origin pass.
    EXPECT_EQ(send(post("/api/panel/set", set, "Origin: http://" + host + "\r\n")), 200);
    EXPECT_EQ(value(1, kMaterialId), 77);
}

TEST_F(Served, MalformedOrOversizedRequestsGet4xxAndChangeNothing) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    const json before = value(1, kMaterialId);
    const std::string big =
        R"({"use": 1, "control": 32771, "value": 77, "pad": ")" + std::string(kMaxRequestBody, 'x') + "\"}";
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
    EXPECT_EQ(send(get("/api/frame?since=abc")), 400);
    EXPECT_EQ(send("BLAH\r\n\r\n"), 400);
    EXPECT_EQ(value(1, kMaterialId), before);
    const json dialog = studio->openPanel(4);
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
    // A save into a folder that is not there is refused, not tried.
    EXPECT_EQ(send(post("/api/panel/popup", R"({"use": 1, "control": 32777, "entry": 1, "path": "no/p"})")),
              404);
    EXPECT_EQ(send(post("/api/save", R"({"path": "no/scene.json"})")), 404);
    // Names are one line of printable characters.
    EXPECT_EQ(send(post("/api/save", R"({"path": "two\nlines.json"})")), 400);
    EXPECT_EQ(send(post("/api/panel/popup", R"({"use": 1, "control": 32777, "entry": 1, "path": "a\tb"})")),
              400);
    EXPECT_FALSE(fs::exists(root / "escape.json"));
    EXPECT_FALSE(fs::exists(root / "p.qvy"));
    std::ifstream kept(root / "files" / "kept.json");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "{}");
    // Inside the root, with the overwrite confirmed, it is written.
    EXPECT_EQ(send(post("/api/save", R"({"path": "kept.json", "overwrite": true})")), 200);
    EXPECT_GT(fs::file_size(root / "files" / "kept.json"), 100u);
}

TEST_F(Served, ListensOnLoopbackAloneUnlessAnAddressIsGiven) {
    EXPECT_EQ(minihost::cli::ServeArgs{}.listen, "127.0.0.1");
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    EXPECT_EQ(exchange("127.0.0.1", server->port(), get("/api/scene")).status, 200);
    EXPECT_EQ(exchange("127.0.0.2", server->port(), get("/api/scene")).status,
              -1);  // another address of this machine
    std::string error;
    EXPECT_FALSE(minihost::studio::StudioServer(*studio).bind("127.0.0.1", server->port(), error));  // taken
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
    EXPECT_EQ(value(1, kMaterialId), 6);
}

TEST_F(Served, EachViewShowsItsFrameAndPutsTheInstancesBack) {
    // Without outlines the filters leave the frame as shaded; outlines only
    // switches the tracers' own setting for that render alone.
    threads = 1;
    start("edges_stroke_edition.json", QR_MODULE_S, 48, 36, 48);
    const auto with = shown(View::WithOutlines);
    const auto without = shown(View::WithoutOutlines);
    const auto only = shown(View::OutlinesOnly);
    EXPECT_NE(with, without);
    EXPECT_NE(only, with);
    EXPECT_NE(only, without);
    EXPECT_EQ(shown(View::WithOutlines), with);
    EXPECT_EQ(shown(View::WithoutOutlines), without);
    EXPECT_EQ(studio->sceneJson()["filters"].size(), 2u);
    // The lines layer: strokes over transparency, where the shaded frame is opaque.
    const auto lines = shown(View::LinesLayer);
    ASSERT_EQ(lines.size(), with.size());
    int clear = 0, stroked = 0;
    for (std::size_t i = 3; i < lines.size(); i += 4) {
        clear += lines[i] == 0 && without[i] == 255;
        stroked += lines[i] > 0;
    }
    EXPECT_GT(clear, 0);
    EXPECT_GT(stroked, 0);
    EXPECT_EQ(shown(View::WithOutlines), with);
}

}  // namespace
