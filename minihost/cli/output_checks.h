// Checks the render and preview commands make before loading anything: a
// thread count in range and an output whose folder exists. Each prints its
// message and returns false on a fault.
#pragma once

#include <ostream>
#include <string>

namespace minihost::cli {

bool checkThreadCount(int threads, std::ostream &err);
bool checkOutputFolder(const std::string &output, std::ostream &err);

}  // namespace minihost::cli
