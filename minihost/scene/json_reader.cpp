#include "minihost/scene/json_reader.h"

#include <cmath>
#include <limits>

namespace minihost {

namespace {
const nlohmann::json kNull;
const nlohmann::json kEmptyArray = nlohmann::json::array();

// A key the object does not have. A key given as null is present, and is
// then the wrong type for whatever is read from it.
bool absent(const nlohmann::json &v) { return &v == &kNull; }

std::string bound(double d) { return nlohmann::json(d).dump(); }

// The offset of the first bracket nested deeper than `limit`, or npos. A
// plain scan, so that a hostile document meets no recursion at all.
size_t tooDeepAt(const std::string &text, int limit) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > limit) return i;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return std::string::npos;
}

}  // namespace

void checkJsonNesting(const std::string &file, const std::string &text) {
    const size_t at = tooDeepAt(text, kMaxJsonDepth);
    if (at == std::string::npos) return;
    const TextPosition p = positionOfOffset(text, at);
    throw InputError({file, p.line, p.column},
                     "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
}

JsonDocument::JsonDocument(std::string file, const std::string &text) : file_(std::move(file)) {
    checkJsonNesting(file_, text);
    try {
        root_ = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error &e) {
        // e.byte is one past the offending character.
        const size_t offset = e.byte > 0 ? e.byte - 1 : 0;
        const TextPosition p = positionOfOffset(text, offset);
        std::string what = e.what();
        const size_t colon = what.find("syntax error");
        if (colon != std::string::npos) what = what.substr(colon);
        throw InputError({file_, p.line, p.column}, what);
    } catch (const nlohmann::json::exception &e) {
        // A number beyond the range of a double, say: the library names the
        // text but not its place.
        std::string what = e.what();
        const size_t bracket = what.find("] ");
        throw InputError({file_}, bracket == std::string::npos ? what : what.substr(bracket + 2));
    }
    if (!root_.is_object()) fail("", "a scene is a JSON object");
    positions_.index(text);
}

FilePosition JsonDocument::where(const std::string &pointer) const {
    const TextPosition p = positions_.at(pointer);
    if (p.line == 0) return {file_};
    return {file_, p.line, p.column};
}

void JsonDocument::fail(const std::string &pointer, const std::string &message) const {
    throw InputError(where(pointer), message);
}

nlohmann::json JsonDocument::take(const nlohmann::json &value) const {
    // The value lies within root_, which this document owns and never
    // shares as const: moving from it is moving from what is ours.
    return std::move(const_cast<nlohmann::json &>(value));
}

JsonObject::JsonObject(const JsonDocument &doc, const nlohmann::json &value, std::string pointer)
        : doc_(doc), value_(value), pointer_(std::move(pointer)) {
    if (!value_.is_object()) doc_.fail(pointer_, "expected an object");
}

bool JsonObject::has(const std::string &key) {
    read_.insert(key);
    return value_.contains(key);
}

const nlohmann::json &JsonObject::raw(const std::string &key) {
    read_.insert(key);
    auto it = value_.find(key);
    return it == value_.end() ? kNull : *it;
}

double JsonObject::number(const std::string &key, double fallback, double lo, double hi) {
    const auto &v = raw(key);
    if (absent(v)) return fallback;
    if (!v.is_number()) fail(key, "\"" + key + "\" must be a number");
    const double d = v.get<double>();
    if (!std::isfinite(d) || d < lo || d > hi)
        fail(key, "\"" + key + "\" must lie between " + bound(lo) + " and " + bound(hi));
    return d;
}

int JsonObject::integer(const std::string &key, int fallback, int lo, int hi) {
    const auto &v = raw(key);
    if (absent(v)) return fallback;
    if (!v.is_number_integer()) fail(key, "\"" + key + "\" must be an integer");
    const auto i = v.get<int64_t>();
    if (i < lo || i > hi)
        fail(key, "\"" + key + "\" must lie between " + std::to_string(lo) + " and " + std::to_string(hi));
    return static_cast<int>(i);
}

bool JsonObject::boolean(const std::string &key, bool fallback) {
    const auto &v = raw(key);
    if (absent(v)) return fallback;
    if (!v.is_boolean()) fail(key, "\"" + key + "\" must be true or false");
    return v.get<bool>();
}

std::string JsonObject::string(const std::string &key, const std::string &fallback) {
    const auto &v = raw(key);
    if (absent(v)) return fallback;
    if (!v.is_string()) fail(key, "\"" + key + "\" must be a string");
    return v.get<std::string>();
}

std::string JsonObject::requiredString(const std::string &key) {
    if (!value_.contains(key)) doc_.fail(pointer_, "missing \"" + key + "\"");
    std::string s = string(key, "");
    if (s.empty()) fail(key, "\"" + key + "\" must not be empty");
    return s;
}

Vec3 jsonVec3(const JsonDocument &doc, const nlohmann::json &v, const std::string &pointer) {
    if (!v.is_array() || v.size() != 3) doc.fail(pointer, "expected an array of three numbers");
    double c[3];
    for (size_t i = 0; i < 3; ++i) {
        if (!v[i].is_number()) doc.fail(pointer, "expected an array of three numbers");
        c[i] = v[i].get<double>();
        if (!(std::fabs(c[i]) <= kMaxSceneCoordinate))
            doc.fail(pointer, "numbers must lie between " + bound(-kMaxSceneCoordinate) + " and " +
                                  bound(kMaxSceneCoordinate));
    }
    return {c[0], c[1], c[2]};
}

Vec3 JsonObject::vec3(const std::string &key, Vec3 fallback) {
    const auto &v = raw(key);
    if (absent(v)) return fallback;
    return jsonVec3(doc_, v, pointer(key));
}

Vec3 JsonObject::vec3OrNumber(const std::string &key, Vec3 fallback) {
    const auto &v = raw(key);
    if (v.is_number()) {
        const double d = number(key, 0, -kMaxSceneCoordinate, kMaxSceneCoordinate);
        return {d, d, d};
    }
    return vec3(key, fallback);
}

JsonObject JsonObject::object(const std::string &key) {
    const auto &v = raw(key);
    if (absent(v)) {
        static const nlohmann::json empty = nlohmann::json::object();
        return JsonObject(doc_, empty, pointer(key));
    }
    return JsonObject(doc_, v, pointer(key));
}

const nlohmann::json &JsonObject::array(const std::string &key) {
    const auto &v = raw(key);
    if (absent(v)) return kEmptyArray;
    if (!v.is_array()) fail(key, "\"" + key + "\" must be an array");
    return v;
}

void JsonObject::finish() const {
    std::string known;
    for (const auto &k : read_) known += (known.empty() ? "" : ", ") + k;
    for (auto it = value_.begin(); it != value_.end(); ++it)
        if (!read_.count(it.key()))
            doc_.fail(pointer(it.key()), "unknown key \"" + it.key() + "\" (known: " + known + ")");
}

}  // namespace minihost
