#include "minihost/studio/request_checks.h"

#include <sys/random.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace minihost::studio {

namespace {

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

RequestChecks::RequestChecks(const std::string &listen, int port, std::string token)
        : token_(std::move(token)) {
    const std::string p = ":" + std::to_string(port);
    const bool v6 = listen.find(':') != std::string::npos;
    const bool anyAddress = listen == "0.0.0.0" || listen == "::";
    const bool loopback = listen == "127.0.0.1" || listen == "::1" || anyAddress;
    loopbackOnly_ = listen == "127.0.0.1" || listen == "::1" || listen == "localhost";
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

bool RequestChecks::tokenAllowed(const std::string &header, const std::string &query) const {
    const std::string &given = header.empty() ? query : header;
    if (given.size() != token_.size() || token_.empty()) return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < given.size(); ++i) differ |= static_cast<unsigned char>(given[i] ^ token_[i]);
    return differ == 0;
}

std::string newToken() {
    unsigned char bytes[32];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n <= 0) throw std::runtime_error("the system gives no random bytes for the studio's token");
        got += static_cast<size_t>(n);
    }
    static const char hex[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += hex[b >> 4];
        token += hex[b & 15];
    }
    return token;
}

bool nestingWithin(const std::string &text, int depth) {
    int level = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '[' || c == '{') {
            if (++level > depth) return false;
        }
        if (c == ']' || c == '}') --level;
    }
    return true;
}

}  // namespace minihost::studio
