// The studio over HTTP: the page and a small JSON API on a cpp-httplib
// server. Safety at the door, before anything else runs: only requests whose
// Host (and Origin, when sent) name the studio itself and that carry the
// run's token; no ranges; bodies up to a small limit, in JSON, shallow; a
// malformed request gets a 4xx answer and changes nothing. GETs only read;
// every effect is a POST. No request waits for a render.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace minihost::studio {

class Studio;

// The largest request body the studio reads; larger ones get 413.
constexpr std::size_t kMaxRequestBody = 64 * 1024;

class StudioServer {
public:
    explicit StudioServer(Studio &studio);
    ~StudioServer();
    StudioServer(const StudioServer &) = delete;
    StudioServer &operator=(const StudioServer &) = delete;

    // Binds to `address` and `port` (0: a free port); false with `error`
    // set when the address cannot be bound.
    bool bind(const std::string &address, int port, std::string &error);
    int port() const;
    // http://ADDRESS:PORT/?token=TOKEN
    std::string url() const;
    // The run's secret, made at bind().
    std::string token() const;
    // Whether the bound address reaches beyond this machine.
    bool beyondLoopback() const;

    // Serves until stop(); call after bind().
    void run();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace minihost::studio
