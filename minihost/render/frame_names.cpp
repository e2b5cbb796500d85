#include "minihost/render/frame_names.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace minihost {

namespace {

// Where the pattern lies in `name` and how many digits it asks for.
struct Pattern {
    std::size_t at = std::string::npos, length = 0;
    int digits = 0;
};

// The first pattern of the file name part ('#' runs, "%d", "%0Nd").
Pattern findPattern(const std::string &name) {
    const std::size_t slash = name.rfind('/');
    for (std::size_t i = slash == std::string::npos ? 0 : slash + 1; i < name.size(); ++i) {
        if (name[i] == '#') {
            std::size_t end = name.find_first_not_of('#', i);
            if (end == std::string::npos) end = name.size();
            return {i, end - i, static_cast<int>(end - i)};
        }
        if (name[i] != '%') continue;
        std::size_t j = i + 1;
        int digits = 0;
        if (j < name.size() && name[j] == '0') {
            for (++j; j < name.size() && name[j] >= '0' && name[j] <= '9' && digits < 1000; ++j)
                digits = digits * 10 + (name[j] - '0');
        }
        if (j < name.size() && name[j] == 'd') return {i, j + 1 - i, digits};
    }
    return {};
}

std::string padded(int frame, int digits) {
    // As printf pads: the width counts a minus sign. A frame needs at most
    // eleven characters; a wider pattern is padded no further than 16.
    std::string number = std::to_string(std::abs(static_cast<long long>(frame)));
    const std::size_t width =
        static_cast<std::size_t>(std::max(0, std::min(digits, 16) - (frame < 0 ? 1 : 0)));
    if (number.size() < width) number.insert(0, width - number.size(), '0');
    return (frame < 0 ? "-" : "") + number;
}

}  // namespace

bool hasFramePattern(const std::string &name) { return findPattern(name).at != std::string::npos; }

std::string frameFileName(const std::string &base, int frame, bool range) {
    const Pattern pattern = findPattern(base);
    if (pattern.at != std::string::npos)
        return base.substr(0, pattern.at) + padded(frame, pattern.digits) +
               base.substr(pattern.at + pattern.length);
    if (!range) return base;
    const std::filesystem::path p(base);
    const std::string stem = p.stem().string(), ext = p.extension().string();
    return (p.parent_path() / (stem + "." + padded(frame, 4) + (ext.empty() ? ".png" : ext))).string();
}

std::string failedFrameName(const std::string &file) {
    const std::filesystem::path p(file);
    return (p.parent_path() / (p.stem().string() + ".failed" + p.extension().string())).string();
}

}  // namespace minihost
