// Who may talk to the studio. A page served by another site, or a name that
// a foreign DNS server points at this machine, must not drive it: a request is
// refused unless its Host header names the studio itself, and, when it has an
// Origin header, that origin is the studio's own page. Every request must
// also carry the run's secret token, printed in the address the command
// shows: another local process or a guessed port gets nowhere without it.
// Bodies are looked at for their nesting before any parser walks them.
#pragma once

#include <string>
#include <vector>

namespace minihost::studio {

class RequestChecks {
public:
    // `listen` is the address the server is bound to; `port` its port;
    // `token` the run's secret.
    RequestChecks(const std::string &listen, int port, std::string token);

    // The Host header's value is one of the studio's own names with its port.
    bool hostAllowed(const std::string &host) const;
    // An empty Origin (none sent) is allowed; otherwise "http://" + one of the
    // allowed hosts.
    bool originAllowed(const std::string &origin) const;

    // The token, from the X-Studio-Token header or the "token" query
    // parameter, compared in constant time.
    bool tokenAllowed(const std::string &header, const std::string &query) const;
    const std::string &token() const { return token_; }

    // The address to print for users: http://HOST:PORT/?token=TOKEN
    std::string url() const { return "http://" + hosts_.front() + "/?token=" + token_; }
    // Whether the address reaches beyond this machine.
    bool beyondLoopback() const { return !loopbackOnly_; }

private:
    std::vector<std::string> hosts_;  // "127.0.0.1:8765", "localhost:8765", ...
    std::string token_;
    bool loopbackOnly_ = true;
};

// A new secret: 32 random bytes from the system, as 64 hexadecimal digits.
// Throws std::runtime_error when the system gives none.
std::string newToken();

// Whether a JSON text nests objects and arrays no deeper than `depth`
// (strings and their escapes are skipped), so a parser or writer that
// recurses cannot be driven into the stack's end.
bool nestingWithin(const std::string &text, int depth);

}  // namespace minihost::studio
