#include "minihost/studio/studio_server.h"

#include <httplib.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "minihost/studio/page_files.h"
#include "minihost/studio/request_checks.h"
#include "minihost/studio/studio.h"

namespace minihost::studio {

using nlohmann::json;

namespace {

// How long a request for a newer frame waits before answering "none yet".
constexpr long kLongestFrameWaitMs = 10000;

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
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty())
            answerError(res, res.status, res.status == 413 ? "the request body is too large" : "refused");
    });

    for (const PageFile &f : pageFiles()) {
        const std::string path = f.path;
        auto serve = [f](const httplib::Request &, httplib::Response &res) {
            res.set_content(f.body, f.contentType);
        };
        http.Get(path, serve);
        if (path == "/index.html") http.Get("/", serve);
    }

    http.Get("/api/scene", [this](const httplib::Request &, httplib::Response &res) {
        answer(res, [&] { return studio.sceneJson(); });
    });
    http.Get("/api/panel", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return studio.panel(queryNumber<int>(req, "use")); });
    });
    http.Post("/api/panel/set", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.setValue(smallInt(body, "use"), static_cast<uint32_t>(smallInt(body, "control")),
                                   field(body, "value"));
        });
    });
    http.Post("/api/panel/press", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.press(smallInt(body, "use"), static_cast<uint32_t>(smallInt(body, "control")));
        });
    });
    http.Post("/api/panel/popup", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.popup(smallInt(body, "use"), static_cast<uint32_t>(smallInt(body, "control")),
                                smallInt(body, "entry"), textField(body, "path", false),
                                flagField(body, "overwrite"));
        });
    });
    http.Post("/api/dialog", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.confirmDialog(smallInt(body, "use"), field(body, "values"));
        });
    });
    http.Get("/api/utility", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return studio.utility(req.get_param_value("server")); });
    });
    http.Post("/api/utility", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.runUtility(textField(body, "server", true), field(body, "values"));
        });
    });
    http.Post("/api/select", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return studio.select(field(bodyOf(req), "objects")); });
    });
    http.Post("/api/show", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.show(smallInt(body, "frame"), textField(body, "view", true));
        });
    });
    http.Post("/api/save", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] {
            const json body = bodyOf(req);
            return studio.saveScene(textField(body, "path", true), flagField(body, "overwrite"));
        });
    });
    http.Get("/api/files", [this](const httplib::Request &req, httplib::Response &res) {
        answer(res, [&] { return studio.listFiles(req.get_param_value("ext")); });
    });
    http.Get("/api/frame", [this](const httplib::Request &req, httplib::Response &res) { frame(req, res); });
}

// The newest frame as raw RGBA bytes, described in headers; the request
// waits (up to `wait` ms) for one newer than `since`, so the page learns of a
// new image as soon as it is there. 204 when there is none yet.
void StudioServer::Impl::frame(const httplib::Request &req, httplib::Response &res) {
    try {
        const auto since = req.has_param("since") ? queryNumber<uint64_t>(req, "since") : 0;
        long waitMs = req.has_param("wait") ? queryNumber<long>(req, "wait") : kLongestFrameWaitMs;
        if (waitMs < 0 || waitMs > kLongestFrameWaitMs) throw StudioError(400, "\"wait\" is 0 to 10000 ms");
        const auto image = studio.renderer().newerThan(since, std::chrono::milliseconds(waitMs));
        if (!image) {
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
        if (!image->error.empty()) res.set_header("X-Frame-Error", image->error);
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
    impl_->checks = std::make_unique<RequestChecks>(address, bound);
    impl_->routes();
    return true;
}

int StudioServer::port() const { return impl_->port; }

std::string StudioServer::url() const { return impl_->checks ? impl_->checks->url() : std::string(); }

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
