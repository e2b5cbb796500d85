// Checks the render and preview commands make before loading anything: a
// thread count in range, and an output whose folder exists and which, when it
// exists, may be written (files/atomic_file.h: a regular file is replaced, a
// character device written in place, anything else refused). Each prints its
// message and returns false on a fault.
#pragma once

#include <ostream>
#include <string>

namespace minihost::cli {

bool checkThreadCount(int threads, std::ostream &err);
bool checkOutputPath(const std::string &output, std::ostream &err);
// Only the target itself: false, with the message, when it exists and is a
// folder, a FIFO, a socket or a block device.
bool checkOutputTarget(const std::string &output, std::ostream &err);

}  // namespace minihost::cli
