// Checked reading of a scene document: typed fields, positions in messages,
// and an error for every key that nothing read.
#pragma once

#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "minihost/files/input_error.h"
#include "minihost/scene/json_positions.h"
#include "minihost/scene/vec_math.h"

namespace minihost {

// Documents nested deeper are refused before they are parsed.
inline constexpr int kMaxJsonDepth = 256;
// Every vector of a scene (positions, targets, angles, scales, colours) lies
// within this bound on each axis: far enough for any scene, near enough that
// the renderer's single-precision geometry still resolves it.
inline constexpr double kMaxSceneCoordinate = 1e6;

// Throws InputError ("file:line:col: nested deeper than 256 levels").
void checkJsonNesting(const std::string &file, const std::string &text);

class JsonDocument {
public:
    JsonDocument(std::string file, const std::string &text);  // throws InputError
    const nlohmann::json &root() const { return root_; }
    const std::string &file() const { return file_; }
    // The file, line and column of the value at pointer.
    FilePosition where(const std::string &pointer) const;
    [[noreturn]] void fail(const std::string &pointer, const std::string &message) const;
    // Moves a value of the document out, leaving null in its place: for a
    // value that is read once and kept whole (a server's settings, which a
    // texture's key lists can make most of the file), rather than a copy.
    // Positions are found from the text, so where() still knows its place.
    nlohmann::json take(const nlohmann::json &value) const;

private:
    std::string file_;
    nlohmann::json root_;
    JsonPositions positions_;
};

// One JSON object of the document. Every key must be read (or listed as
// known) before finish(), else finish() reports it.
class JsonObject {
public:
    JsonObject(const JsonDocument &doc, const nlohmann::json &value, std::string pointer);

    bool has(const std::string &key);
    const nlohmann::json &raw(const std::string &key);  // marks the key read
    std::string pointer(const std::string &key) const { return pointer_ + "/" + pointerToken(key); }
    const std::string &pointer() const { return pointer_; }
    FilePosition where(const std::string &key) const { return doc_.where(pointer(key)); }
    [[noreturn]] void fail(const std::string &key, const std::string &message) const {
        doc_.fail(pointer(key), message);
    }

    double number(const std::string &key, double fallback, double lo, double hi);
    int integer(const std::string &key, int fallback, int lo, int hi);
    bool boolean(const std::string &key, bool fallback);
    std::string string(const std::string &key, const std::string &fallback);
    std::string requiredString(const std::string &key);
    Vec3 vec3(const std::string &key, Vec3 fallback);
    // A number gives the same value on all three axes.
    Vec3 vec3OrNumber(const std::string &key, Vec3 fallback);
    JsonObject object(const std::string &key);
    const nlohmann::json &array(const std::string &key);  // empty when absent

    void finish() const;

private:
    const JsonDocument &doc_;
    const nlohmann::json &value_;
    std::string pointer_;
    std::set<std::string> read_;
};

Vec3 jsonVec3(const JsonDocument &doc, const nlohmann::json &v, const std::string &pointer);

}  // namespace minihost
