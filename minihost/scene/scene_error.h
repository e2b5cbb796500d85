// The one error of scene reading: a message that already names the file and
// the position ("trio.json:14:9: unknown key ...").
#pragma once

#include <stdexcept>
#include <string>

namespace minihost {

class SceneError : public std::runtime_error {
public:
    explicit SceneError(const std::string &message) : std::runtime_error(message) {}
};

}  // namespace minihost
