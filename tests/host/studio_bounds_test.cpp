// `minihost serve` against requests that would cost it: without the run's
// token nothing is served; a GET changes nothing; values a control cannot
// take, deep bodies and ranges are refused before any work; no request waits
// for a render, so many pending frame requests starve nothing.
#include <chrono>
#include <future>
#include <vector>

#include "minihost/core/system_memory.h"
#include "studio_fixture.h"

namespace {

using namespace studio_test;

constexpr uint32_t kAaSample = 0x8007;      // TraceStep1's "AA sample : " (three choices)
constexpr uint32_t kOnlyLines = 0x8006;     // TraceStep1's "Render only lines."
constexpr uint32_t kMaterialEdge = 0x800B;  // TraceStep1's "Material edge level [0-1] : "
constexpr uint32_t kMaterialId = 0x8003;    // the shader's "Material ID : "

TEST_F(Served, EveryRequestNeedsTheRunsToken) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    ASSERT_EQ(token.size(), 64u);
    EXPECT_NE(server->url().find("?token=" + token), std::string::npos);
    const std::string set = R"({"use": 1, "control": 32771, "value": 77})";
    const std::string wrong(64, '0');
    for (const std::string path : {"/", "/index.html", "/studio.js", "/api/scene", "/api/frame?since=0"}) {
        EXPECT_EQ(send("GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n"), 403)
            << path;
        EXPECT_EQ(send("GET " + path + (path.find('?') == std::string::npos ? "?" : "&") + "token=" + wrong +
                       " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n"),
                  403)
            << path;
    }
    std::string without = post("/api/panel/set", set);
    without.erase(without.find("X-Studio-Token"),
                  without.find("\r\n", without.find("X-Studio-Token")) + 2 - without.find("X-Studio-Token"));
    EXPECT_EQ(send(without), 403);
    EXPECT_NE(value(1, kMaterialId), 77);
    // The page, asked with the token in its address, carries it for its own
    // requests; its scripts and the API take it as a header.
    const Answer page =
        whole("GET /?token=" + token + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("content=\"" + token + "\""), std::string::npos);
    EXPECT_EQ(page.body.find("{{token}}"), std::string::npos);
    EXPECT_EQ(send(get("/studio.js")), 200);
    EXPECT_EQ(send(post("/api/panel/set", set)), 200);
    EXPECT_EQ(value(1, kMaterialId), 77);
}

TEST_F(Served, GetsOnlyRead) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    auto first = studio->renderer().newerThan(0, std::chrono::seconds(60));
    while (!first->full) first = studio->renderer().newerThan(first->version, std::chrono::seconds(60));
    // What used to open a dialog or a panel on a GET (and so stop the render)
    // is a POST now; a GET of a panel not yet opened says so.
    EXPECT_EQ(send(get("/api/utility?server=QM_Quillrim_P:ShaderUtil")), 404);
    EXPECT_EQ(studio->panel(1)["kind"], "closed");
    EXPECT_EQ(send(get("/api/panel?use=1")), 200);
    EXPECT_EQ(studio->panel(1)["kind"], "closed");
    for (const char *path :
         {"/api/save", "/api/panel/set", "/api/undo", "/api/cancel", "/api/utility/dialog"})
        EXPECT_EQ(send(get(path)), 404) << path;
    EXPECT_EQ(send(post("/api/utility/dialog", R"({"server": "QM_Quillrim_P:ShaderUtil"})")), 200);
    EXPECT_FALSE(studio->renderer().status().rendering);
    EXPECT_EQ(studio->renderer().latest()->version, first->version);
    EXPECT_EQ(send(post("/api/panel/open", R"({"use": 1})")), 200);
    EXPECT_EQ(studio->panel(1)["kind"], "xpanel");
}

TEST_F(Served, ValuesAreCheckedAgainstThePanelsDescription) {
    start("edges_stroke_edition.json", QR_MODULE_S, 80, 60, 0);
    const int tracer = filterId("TraceStep1");
    ASSERT_GT(tracer, 0);
    auto set = [&](uint32_t control, const std::string &v) {
        return send(post("/api/panel/set", R"({"use": )" + std::to_string(tracer) + R"(, "control": )" +
                                               std::to_string(control) + R"(, "value": )" + v + "}"));
    };
    const json aa = value(tracer, kAaSample);
    // A choice within its list, a switch 0 or 1, a whole number where one is
    // asked, a number where one is asked.
    for (const char *v : {"99", "3", "-1", "1.5", "true", "\"2\"", "[1, 2]"})
        EXPECT_EQ(set(kAaSample, v), 400) << v;
    EXPECT_EQ(value(tracer, kAaSample), aa);
    for (const char *v : {"5", "-1", "0.5", "\"on\""}) EXPECT_EQ(set(kOnlyLines, v), 400) << v;
    EXPECT_EQ(set(kMaterialEdge, "\"5\""), 400);
    EXPECT_EQ(set(kMaterialEdge, "null"), 400);
    EXPECT_EQ(value(tracer, kAaSample), aa);
    EXPECT_EQ(set(kAaSample, "2"), 200);
    EXPECT_EQ(value(tracer, kAaSample), 2);
    EXPECT_EQ(set(kOnlyLines, "true"), 200);
    EXPECT_EQ(set(kOnlyLines, "0"), 200);
    // Outside the labelled range: stored as typed (the modules do not
    // clamp); the panel tells the page the range, and the page asks first.
    EXPECT_EQ(set(kMaterialEdge, "5"), 200);
    EXPECT_EQ(value(tracer, kMaterialEdge), 5.0);
    const json panel = studio->openPanel(tracer);
    for (const json &c : panel["controls"]) {
        if (c["id"] == kMaterialEdge) {
            EXPECT_EQ(c["range"], json({{"min", 0.0}, {"max", 1.0}, {"labelled", true}}));
        } else if (c["id"] == 0x8004) {
            EXPECT_TRUE(c["range"]["max"].is_null());  // "[0-n]"
        } else if (c["id"] == 0x8002) {
            EXPECT_EQ(c["range"]["max"], 10);  // a percentage: 0 to 1000 %
        } else if (c["id"] == 0x8009) {
            EXPECT_TRUE(c["range"].is_null());  // "[pixel]" is no range
        }
    }
}

TEST_F(Served, BodiesAndRangesAreRefusedBeforeAnyWork) {
    start("edges_line_edition.json", QR_MODULE_P, 80, 60, 0);
    // Nested far deeper than any request needs, within the size limit: the
    // server answers 400 and lives on.
    const std::string deep = R"({"objects": )" + std::string(20000, '[') + std::string(20000, ']') + "}";
    EXPECT_EQ(send(post("/api/select", deep)), 400);
    EXPECT_EQ(send(post("/api/select", R"({"objects": [["Ball"]]})")), 400);
    const Answer named = whole(post("/api/select", R"({"objects": [{"a": [[1]]}]})"));
    EXPECT_EQ(named.status, 400);
    EXPECT_EQ(named.body.find("[[1]]"), std::string::npos);  // nothing sent is written back
    EXPECT_EQ(send(post("/api/select", R"({"objects": ["Ball"]})")), 200);
    // Ranges: one copy of the answer per range is not served.
    std::string ranges = "Range: bytes=0-";
    for (int i = 1; i < 2600; ++i) ranges += ",0-";
    const Answer ranged = whole(get("/studio.js", ranges + "\r\n"));
    EXPECT_EQ(ranged.status, 416);
    EXPECT_LT(ranged.body.size(), 1000u);
    EXPECT_EQ(send(get("/studio.js", "Range: bytes=0-10\r\n")), 416);
}

TEST_F(Served, PendingFrameRequestsAndRendersStarveNothing) {
    // A slow full size seen "outlines only", which writes to the filters
    // while it renders.
    start("edges_stroke_edition.json", QR_MODULE_S, 320, 240, 16);
    studio->show(1, "only");
    ASSERT_EQ(studio->openPanel(1)["kind"], "xpanel");
    const uint64_t future = 1u << 30;
    std::vector<std::future<int>> polls;
    for (int i = 0; i < 40; ++i)
        polls.push_back(std::async(std::launch::async, [&] {
            return send(get("/api/frame?since=" + std::to_string(future) + "&wait=10000"));
        }));
    studio->setValue(1, kMaterialId, 9);
    ASSERT_TRUE(studio->renderer().status().rendering);
    // Reads answer from the snapshot at once, whatever the renderer holds.
    const auto asked = std::chrono::steady_clock::now();
    std::vector<std::future<Answer>> reads;
    for (int i = 0; i < 4; ++i) {
        reads.push_back(std::async(std::launch::async, [&] { return whole(get("/api/scene")); }));
        reads.push_back(std::async(std::launch::async, [&] { return whole(get("/api/panel?use=1")); }));
    }
    for (auto &r : reads) {
        ASSERT_EQ(r.wait_until(asked + std::chrono::seconds(5)), std::future_status::ready);
        const Answer a = r.get();
        EXPECT_EQ(a.status, 200);
    }
    for (auto &p : polls) {
        ASSERT_EQ(p.wait_until(asked + std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(p.get(), 204);  // nothing newer than asked for: answered at once
    }
    EXPECT_NE(whole(get("/api/panel?use=1")).body.find("\"value\":9"), std::string::npos);
}

TEST_F(Served, ARenderTheMachineCannotHoldIsRefusedWithItsReason) {
    start("edges_stroke_edition.json", QR_MODULE_S, 80, 60, 0);
    auto full = [&](uint64_t since) {
        auto image = studio->renderer().newerThan(since, std::chrono::seconds(60));
        while (image && !image->full)
            image = studio->renderer().newerThan(image->version, std::chrono::seconds(60));
        return image;
    };
    auto image = full(0);
    ASSERT_TRUE(image->error.empty() && image->note.empty());
    struct MachineAsItIs {
        ~MachineAsItIs() { minihost::setAvailableMemoryForTests(0); }
    } restore;
    // Room for the frame, not for the stroke tracer's store: the frame is
    // drawn without strokes and says which memory it was refused.
    minihost::setAvailableMemoryForTests(200 * 1024);
    studio->setValue(1, kMaterialId, 8);
    image = full(image->version);
    EXPECT_NE(image->note.find("render memory refused"), std::string::npos) << image->note;
    const Answer frame = whole(get("/api/frame?since=0"));
    EXPECT_NE(frame.head.find("X-Frame-Note: render memory refused"), std::string::npos);
    // Not even room for the frame: refused before it starts, with the reason.
    minihost::setAvailableMemoryForTests(10 * 1024);
    studio->setValue(1, kMaterialId, 9);
    image = studio->renderer().newerThan(image->version, std::chrono::seconds(60));
    EXPECT_NE(image->error.find("more than the"), std::string::npos) << image->error;
}

}  // namespace
