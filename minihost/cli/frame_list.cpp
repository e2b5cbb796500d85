#include "minihost/cli/frame_list.h"

#include <algorithm>

namespace minihost::cli {

namespace {

bool parseInt(const std::string &s, int &out) {
    if (s.empty()) return false;
    size_t used = 0;
    try {
        const long v = std::stol(s, &used);
        if (used != s.size() || v < -1000000 || v > 1000000) return false;
        out = static_cast<int>(v);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

struct Span {
    int first = 0, last = 0, step = 1;
};

bool parseSpan(const std::string &text, Span &span) {
    const size_t x = text.find('x');
    std::string range = text.substr(0, x);
    if (x != std::string::npos && (!parseInt(text.substr(x + 1), span.step) || span.step < 1)) return false;
    if (x != std::string::npos && range.find('-', 1) == std::string::npos) return false;  // "5x2"
    return parseFrameRange(range, span.first, span.last);
}

}  // namespace

bool parseFrameRange(const std::string &text, int &first, int &last) {
    const size_t dash = text.find('-', 1);  // a leading '-' is a sign
    if (dash == std::string::npos) {
        if (!parseInt(text, first)) return false;
        last = first;
        return true;
    }
    return parseInt(text.substr(0, dash), first) && parseInt(text.substr(dash + 1), last) && first <= last;
}

bool parseFrameList(const std::string &text, std::vector<int> &frames, std::string &error) {
    const std::string usage =
        "--frames \"" + text +
        "\": expected a frame (-1000000 to 1000000), a range A-B with A <= B, a range with a " +
        "step A-BxN, or a list of them separated by commas (\"1-240\", \"1-240x10\", \"1,5,9-12\")";
    std::vector<Span> spans;
    long long count = 0;
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        Span span;
        if (!parseSpan(text.substr(start, comma - start), span)) {
            error = usage;
            return false;
        }
        count += (static_cast<long long>(span.last) - span.first) / span.step + 1;
        if (count > kMaxFrameCount) {
            error = "--frames \"" + text + "\": more than " + std::to_string(kMaxFrameCount) + " frames";
            return false;
        }
        spans.push_back(span);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    frames.clear();
    for (const Span &span : spans)
        for (long long f = span.first; f <= span.last; f += span.step) frames.push_back(static_cast<int>(f));
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return true;
}

}  // namespace minihost::cli
