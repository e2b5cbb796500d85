// The studio's page: its HTML, CSS and JavaScript, built into the program
// from minihost/studio/page/ (see CMakeLists.txt).
#pragma once

#include <string>
#include <vector>

namespace minihost::studio {

struct PageFile {
    const char *path;         // "/index.html", "/studio.css", "/studio.js"
    const char *contentType;  // for the Content-Type header
    const char *body;
};

const std::vector<PageFile> &pageFiles();

}  // namespace minihost::studio
