// The run report of a render that fails before its scene is loaded (a bad
// frame list, a missing output folder, a scene that does not load): written
// at the start and with the error, so that a farm finds a report for every
// run. Before the scene is loaded its inputs are not known, so the report is
// written then only where it cannot replace one of them.
#pragma once

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>

namespace minihost::cli {

// Whether `report` may be written before the scene's inputs are known: it is
// not the scene, its folder exists, and it is not there yet or holds an
// earlier run report (a file of any other kind waits for the output checks).
bool reportMayBeWrittenEarly(const std::string &report, const std::string &scene);

// The command's error stream, copied: what a failing check printed becomes
// the report's error.
class RecordedErrors : public std::streambuf {
public:
    explicit RecordedErrors(std::ostream &out) : out_(out) {}
    // The last line printed, without "minihost: ".
    std::string lastMessage() const;

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char *s, std::streamsize n) override;

private:
    void keep(const char *s, std::size_t n);

    std::ostream &out_;
    std::string text_;
};

}  // namespace minihost::cli
