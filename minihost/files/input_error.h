// The one error of reading what a user gives minihost (scene files, meshes,
// images, saved plug-in data and presets): what is wrong, in words, and
// where it stands, as a typed position. The command line prints it as
// "file:line:col: message", with the parts of the position that are known.
#pragma once

#include <stdexcept>
#include <string>

namespace minihost {

// Where a fault stands in an input. Line and column count from 1; 0 is "not
// known". A reader given text rather than a file leaves the file empty.
struct FilePosition {
    std::string file;
    int line = 0;
    int column = 0;
};

// "file:line:col", "file:line" or "file" as far as the position is known; a
// position in text without a file reads "line 12"; nothing known reads "".
std::string positionText(const FilePosition &at);

class InputError : public std::runtime_error {
public:
    // what() is the position's text, ": ", then the message (only the
    // message when no part of the position is known).
    InputError(FilePosition at, const std::string &message);

    const FilePosition &position() const { return at_; }
    const std::string &message() const { return message_; }
    // The error as a part of another message that names the file already:
    // "line 12: message", or the message alone.
    std::string withinFile() const;

private:
    FilePosition at_;
    std::string message_;
};

}  // namespace minihost
