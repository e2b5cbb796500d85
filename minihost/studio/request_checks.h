// Who may talk to the studio. A page served by another site, or a name that
// a foreign DNS server points at this machine, must not drive it: a request is
// refused unless its Host header names the studio itself, and, when it has an
// Origin header, that origin is the studio's own page.
#pragma once

#include <string>
#include <vector>

namespace minihost::studio {

class RequestChecks {
public:
    // `listen` is the address the server is bound to; `port` its port.
    RequestChecks(const std::string &listen, int port);

    // The Host header's value is one of the studio's own names with its port.
    bool hostAllowed(const std::string &host) const;
    // An empty Origin (none sent) is allowed; otherwise "http://" + one of the
    // allowed hosts.
    bool originAllowed(const std::string &origin) const;

    // The address to print for users: http://HOST:PORT/
    std::string url() const { return "http://" + hosts_.front() + "/"; }

private:
    std::vector<std::string> hosts_;  // "127.0.0.1:8765", "localhost:8765", ...
};

}  // namespace minihost::studio
