#include "minihost/studio/request_checks.h"

#include <algorithm>
#include <cctype>

namespace minihost::studio {

namespace {

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

RequestChecks::RequestChecks(const std::string &listen, int port) {
    const std::string p = ":" + std::to_string(port);
    const bool v6 = listen.find(':') != std::string::npos;
    const bool anyAddress = listen == "0.0.0.0" || listen == "::";
    const bool loopback = listen == "127.0.0.1" || listen == "::1" || anyAddress;
    if (!anyAddress) hosts_.push_back(lower(v6 ? "[" + listen + "]" + p : listen + p));
    if (loopback) {
        for (const char *name : {"127.0.0.1", "localhost", "[::1]"}) {
            const std::string h = name + p;
            if (std::find(hosts_.begin(), hosts_.end(), h) == hosts_.end()) hosts_.push_back(h);
        }
    }
}

bool RequestChecks::hostAllowed(const std::string &host) const {
    return std::find(hosts_.begin(), hosts_.end(), lower(host)) != hosts_.end();
}

bool RequestChecks::originAllowed(const std::string &origin) const {
    if (origin.empty()) return true;
    const std::string o = lower(origin);
    const std::string scheme = "http://";
    return o.compare(0, scheme.size(), scheme) == 0 && hostAllowed(o.substr(scheme.size()));
}

}  // namespace minihost::studio
