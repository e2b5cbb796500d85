#include "minihost/studio/studio_server.h"

#include <httplib.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>

#include "minihost/studio/page_files.h"
#include "minihost/studio/request_checks.h"
#include "minihost/studio/studio.h"

namespace minihost::studio {

using nlohmann::json;

namespace {

// Request bodies nest no deeper than this (the deepest the API takes is a
// colour in a body: 2).
constexpr int kDeepestBody = 4;

std::string dumped(const json &j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

void answerJson(httplib::Response &res, int status, const json &body) {
    res.status = status;
    res.set_content(dumped(body), "application/json");
}

void answerError(httplib::Response &res, int status, const std::string &message,
                 const json &details = nullptr) {
    json body = details.is_object() ? details : json::object();
    body["error"] = message;
    answerJson(res, status, body);
}

// Runs a studio call and answers with its JSON, or with the status of the
// error it raised.
template <typename Call>
void answer(httplib::Response &res, Call call) {
    try {
        answerJson(res, 200, call());
    } catch (const StudioError &e) {
        answerError(res, e.status, e.what(), e.details);
    } catch (const std::exception &e) {
        answerError(res, 500, e.what());
    }
}

// A whole decimal number, nothing else.
template <typename T>
std::optional<T> wholeNumber(const std::string &text) {
    T v{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

template <typename T>
T queryNumber(const httplib::Request &req, const char *name) {
    const auto v = wholeNumber<T>(req.get_param_value(name));
    if (!v) throw StudioError(400, std::string("the query needs a whole number \"") + name + "\"");
    return *v;
}

json bodyOf(const httplib::Request &req) {
    const std::string type = req.get_header_value("Content-Type");
    if (type.rfind("application/json", 0) != 0) throw StudioError(415, "the body must be JSON");
    if (!nestingWithin(req.body, kDeepestBody))
        throw StudioError(400, "the body nests deeper than " + std::to_string(kDeepestBody) + " levels");
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) throw StudioError(400, "the body is not a JSON object");
    return body;
}

long long intField(const json &body, const char *name) {
    const auto it = body.find(name);
    if (it == body.end() || !it->is_number_integer())
        throw StudioError(400, std::string("\"") + name + "\" must be a whole number");
    return it->get<long long>();
}

int smallInt(const json &body, const char *name) {
    const long long v = intField(body, name);
    if (v < -1000000000LL || v > 1000000000LL)
        throw StudioError(400, std::string("\"") + name + "\" is out of range");
    return static_cast<int>(v);
}

std::string textField(const json &body, const char *name, bool required) {
    const auto it = body.find(name);
    if (it == body.end() && !required) return std::string();
    if (it == body.end() || !it->is_string())
        throw StudioError(400, std::string("\"") + name + "\" must be a text");
    return it->get<std::string>();
}

bool flagField(const json &body, const char *name) {
    const auto it = body.find(name);
    if (it == body.end()) return false;
    if (!it->is_boolean()) throw StudioError(400, std::string("\"") + name + "\" must be true or false");
    return it->get<bool>();
}

const json &field(const json &body, const char *name) {
    const auto it = body.find(name);
    if (it == body.end()) throw StudioError(400, std::string("\"") + name + "\" is missing");
    return *it;
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

// Text for a header: one line of printable ASCII.
std::string headerText(const std::string &text) {
    std::string out = text.substr(0, 2000);
    for (char &c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = ' ';
    return out;
}

// The page, with the run's token where it asks for it.
std::string withToken(std::string body, const std::string &token) {
    const std::string mark = "{{token}}";
    for (size_t at = body.find(mark); at != std::string::npos; at = body.find(mark, at + token.size()))
        body.replace(at, mark.size(), token);
    return body;
}

}  // namespace

struct StudioServer::Impl {
    explicit Impl(Studio &s) : studio(s) {}

    Studio &studio;
    httplib::Server http;
    std::string address;
    int port = 0;
    std::unique_ptr<RequestChecks> checks;
    std::atomic<bool> started{false}, stopped{false}, finished{false};

    void routes();
    void frame(const httplib::Request &req, httplib::Response &res);
    void post(const std::string &path, std::function<json(const json &)> call);
};

void StudioServer::Impl::routes() {
    http.set_payload_max_length(kMaxRequestBody);
    http.set_default_headers({{"Cache-Control", "no-store"},
                              {"X-Content-Type-Options", "nosniff"},
                              {"X-Frame-Options", "DENY"},
                              {"Referrer-Policy", "no-referrer"},
                              {"Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'"}});
    // The door: nothing below runs for a request from elsewhere.
    http.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        if (!checks->hostAllowed(req.get_header_value("Host"))) {
            answerError(res, 403, "the Host header does not name this studio");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!checks->originAllowed(req.get_header_value("Origin"))) {
            answerError(res, 403, "requests from another origin are refused");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!checks->tokenAllowed(req.get_header_value("X-Studio-Token"), req.get_param_value("token"))) {
            answerError(res, 403, "this studio answers only with the token of the address it printed");
            return httplib::Server::HandlerResponse::Handled;
        }
        // Nothing the studio serves is worth a part: a request for ranges,
        // which the library would answer with one copy per range, is refused.
        if (req.has_header("Range")) {
            // The library would cut even this answer into the ranges asked
            // for: they are dropped first.
            const_cast<httplib::Request &>(req).ranges.clear();
            answerError(res, 416, "the studio serves whole answers only");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty())
            answerError(res, res.status, res.status == 413 ? "the request body is too large" : "refused");
    });

    for (const PageFile &f : pageFiles()) {
        const std::string path = f.path;
        auto serve = [this, f](const httplib::Request &, httplib::Response &res) {
            res.set_content(withToken(f.body, checks->token()), f.contentType);
        };
        http.Get(path, serve);
        if (path == "/index.html") http.Get("/", serve);
    }

    // Reads answer from the studio's snapshot; every effect is a POST with
    // a JSON body.
    http.Get("/api/scene", [this](const httplib::Request &, httplib::Response &res) {
        answer(res, [&] { return studio.sceneJson(); });
    });
    http.Get("/api/panel", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return studio.panel(queryNumber<int>(req, "use")); });
    });
    http.Get("/api/files", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return studio.listFiles(req.get_param_value("ext")); });
    });
    http.Get("/api/frame", [this](const httplib::Request &req, httplib::Response &res) { frame(req, res); });

    post("/api/panel/open", [this](const json &body) { return studio.openPanel(smallInt(body, "use")); });
    post("/api/panel/set", [this](const json &body) {
        return studio.setValue(smallInt(body, "use"), static_cast<uint32_t>(smallInt(body, "control")),
                               field(body, "value"), flagField(body, "key"));
    });
    post("/api/panel/press", [this](const json &body) {
        return studio.press(smallInt(body, "use"), static_cast<uint32_t>(smallInt(body, "control")));
    });
    post("/api/panel/popup", [this](const json &body) {
        return studio.popup(smallInt(body, "use"), static_cast<uint32_t>(smallInt(body, "control")),
                            smallInt(body, "entry"), textField(body, "path", false),
                            flagField(body, "overwrite"));
    });
    post("/api/dialog", [this](const json &body) {
        return studio.confirmDialog(smallInt(body, "use"), field(body, "values"));
    });
    post("/api/utility/dialog",
         [this](const json &body) { return studio.utility(textField(body, "server", true)); });
    post("/api/utility", [this](const json &body) {
        return studio.runUtility(textField(body, "server", true), field(body, "values"));
    });
    post("/api/select", [this](const json &body) { return studio.select(field(body, "objects")); });
    post("/api/show", [this](const json &body) {
        return studio.show(smallInt(body, "frame"), textField(body, "view", true));
    });
    post("/api/save", [this](const json &body) {
        return studio.saveScene(textField(body, "path", true), flagField(body, "overwrite"));
    });
    post("/api/undo", [this](const json &) { return studio.undo(); });
    post("/api/redo", [this](const json &) { return studio.redo(); });
    post("/api/cancel", [this](const json &) { return studio.cancel(); });
}

void StudioServer::Impl::post(const std::string &path, std::function<json(const json &)> call) {
    http.Post(path, [call](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return call(bodyOf(req)); });
    });
}

// The newest frame as raw RGBA bytes, described in headers, when it is newer
// than `since`; 204 at once when it is not: no request waits, so none holds a
// worker thread. Either way the headers say what the renderer is doing.
void StudioServer::Impl::frame(const httplib::Request &req, httplib::Response &res) {
    try {
        const auto since = req.has_param("since") ? queryNumber<uint64_t>(req, "since") : 0;
        const RenderStatus status = studio.renderer().status();
        res.set_header("X-Rendering", status.rendering ? "1" : "0");
        res.set_header("X-Rendering-Full", status.full ? "1" : "0");
        res.set_header("X-Rendering-Stage", headerText(status.stage));
        res.set_header("X-Rendering-Progress", seconds(status.progress));
        res.set_header("X-Rendering-Seconds", seconds(status.seconds));
        const auto image = studio.renderer().latest();
        if (!image || image->version <= since) {
            res.status = 204;
            return;
        }
        res.set_header("X-Frame-Version", std::to_string(image->version));
        res.set_header("X-Frame-Width", std::to_string(image->width));
        res.set_header("X-Frame-Height", std::to_string(image->height));
        res.set_header("X-Frame-Number", std::to_string(image->frame));
        res.set_header("X-Frame-View", viewName(image->view));
        res.set_header("X-Frame-Full", image->full ? "1" : "0");
        res.set_header("X-Render-Seconds", seconds(image->renderSeconds));
        res.set_header("X-Since-Change-Seconds", seconds(image->sinceChangeSeconds));
        if (!image->error.empty()) res.set_header("X-Frame-Error", headerText(image->error));
        if (!image->note.empty()) res.set_header("X-Frame-Note", headerText(image->note));
        res.set_content(std::string(image->rgba.begin(), image->rgba.end()), "application/octet-stream");
    } catch (const StudioError &e) {
        answerError(res, e.status, e.what());
    }
}

StudioServer::StudioServer(Studio &studio) : impl_(std::make_unique<Impl>(studio)) {}

StudioServer::~StudioServer() { stop(); }

bool StudioServer::bind(const std::string &address, int port, std::string &error) {
    if (port < 0 || port > 65535) {
        error = "the port " + std::to_string(port) + " is not 0 to 65535";
        return false;
    }
    // Reuse of an address in TIME_WAIT, so a studio can restart at once; but
    // not the shared port that the library's default asks for, with which a
    // second studio on the same port would quietly take half the requests.
    impl_->http.set_socket_options([](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    const int bound = port == 0 ? impl_->http.bind_to_any_port(address)
                                : (impl_->http.bind_to_port(address, port) ? port : -1);
    if (bound <= 0) {
        error = "cannot listen on " + address + " port " + std::to_string(port) +
                " (in use, or not an address of this machine)";
        return false;
    }
    impl_->address = address;
    impl_->port = bound;
    try {
        impl_->checks = std::make_unique<RequestChecks>(address, bound, newToken());
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
    impl_->routes();
    return true;
}

int StudioServer::port() const { return impl_->port; }

std::string StudioServer::url() const { return impl_->checks ? impl_->checks->url() : std::string(); }

std::string StudioServer::token() const { return impl_->checks ? impl_->checks->token() : std::string(); }

bool StudioServer::beyondLoopback() const { return impl_->checks && impl_->checks->beyondLoopback(); }

void StudioServer::run() {
    impl_->started = true;
    if (!impl_->stopped) impl_->http.listen_after_bind();
    impl_->finished = true;
}

void StudioServer::stop() {
    impl_->stopped = true;
    // run() may be between its check and the start of listening: wait until
    // it listens or has returned, or the stop would be lost.
    while (impl_->started && !impl_->finished && !impl_->http.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (impl_->http.is_running()) impl_->http.stop();
}

}  // namespace minihost::studio
