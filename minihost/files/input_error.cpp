#include "minihost/files/input_error.h"

#include <utility>

namespace minihost {

namespace {

std::string joined(const std::string &position, const std::string &message) {
    return position.empty() ? message : position + ": " + message;
}

}  // namespace

std::string positionText(const FilePosition &at) {
    if (at.file.empty()) return at.line > 0 ? "line " + std::to_string(at.line) : std::string();
    std::string text = at.file;
    if (at.line > 0) {
        text += ":" + std::to_string(at.line);
        if (at.column > 0) text += ":" + std::to_string(at.column);
    }
    return text;
}

InputError::InputError(FilePosition at, const std::string &message)
        : std::runtime_error(joined(positionText(at), message)), at_(std::move(at)), message_(message) {}

std::string InputError::withinFile() const {
    return joined(positionText(FilePosition{std::string(), at_.line, at_.column}), message_);
}

}  // namespace minihost
