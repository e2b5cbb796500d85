#include "minihost/scene/obj_materials.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "minihost/files/input_error.h"
#include "minihost/scene/text_encoding.h"

namespace minihost {

std::string objLineName(std::string_view rest) {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r'))
        rest.remove_suffix(1);
    return utf8FromUtf8OrLatin1(rest);
}

std::vector<ObjMaterial> parseObjMaterials(const std::string &text, const std::string &file) {
    std::vector<ObjMaterial> out;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string_view view(line);
        const size_t hash = view.find('#');
        if (hash != std::string_view::npos) view = view.substr(0, hash);
        while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) view.remove_prefix(1);
        const size_t end = view.find_first_of(" \t");
        const std::string_view keyword = view.substr(0, end);
        const std::string_view rest = end == std::string_view::npos ? std::string_view() : view.substr(end);
        if (keyword == "newmtl") {
            out.push_back({objLineName(rest)});
        } else if (keyword == "Kd" && !out.empty()) {
            const std::string numbers(rest);
            const char *at = numbers.c_str();
            std::array<double, 3> c{};
            for (size_t k = 0; k < 3; ++k) {
                char *next = nullptr;
                errno = 0;
                c[k] = std::strtod(at, &next);
                // "Kd r" alone is a grey of r.
                if (k > 0 && next == at &&
                    std::string_view(at).find_first_not_of(" \t\r") == std::string_view::npos) {
                    c[k] = c[0];
                    continue;
                }
                if (next == at || errno == ERANGE || !std::isfinite(c[k]))
                    throw InputError({file, number}, "\"Kd\" needs three finite numbers");
                at = next;
            }
            out.back().hasColor = true;
            out.back().color = c;
        }
    }
    return out;
}

}  // namespace minihost
