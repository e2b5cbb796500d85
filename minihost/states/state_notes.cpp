// Comments that say what a parameter block holds, and the readable text of
// saved data in either representation.
#include <charconv>
#include <cstring>

#include "host/host_types.h"
#include "minihost/states/readable_state.h"
#include "minihost/states/text_quoting.h"

namespace minihost {

namespace {

using Kind = StateItem::Kind;

std::string fourcc(uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        s += (c >= ' ' && c <= '~') ? c : '?';
    }
    return s;
}

std::string number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// An 8-byte item as the parameter library writes a double: most significant
// byte first.
bool asDouble(const StateItem &item, double &out) {
    if (item.kind != Kind::Bytes || item.data.size() != 8) return false;
    uint64_t bits = 0;
    for (unsigned char c : item.data) bits = (bits << 8) | c;
    std::memcpy(&out, &bits, sizeof out);
    return true;
}

std::string joined(const std::vector<std::string> &parts, const char *separator) {
    std::string out;
    for (const std::string &p : parts) out += (out.empty() ? "" : separator) + p;
    return out;
}

// "colour (r, g, b)" or the value, from a "VPRM" block's parameter record;
// empty when the record is not minihost's.
std::string vparamText(const StateItem &block) {
    const auto &c = block.children;
    if (c.size() < 4 || c[1].kind != Kind::I4 || c[1].ints.empty() || c[1].ints[0] != 1 || c[3].ints.empty())
        return "";
    const int64_t channels = c[3].ints[0];
    if (channels < 1 || channels > 3 || c.size() < 4 + 2 * static_cast<std::size_t>(channels)) return "";
    std::vector<std::string> values;
    bool animated = false;
    for (int64_t i = 0; i < channels; ++i) {
        double v = 0;
        const auto at = 4 + 2 * static_cast<std::size_t>(i);
        if (!asDouble(c[at], v)) return "";
        values.push_back(number(v));
        animated = animated || (!c[at + 1].ints.empty() && c[at + 1].ints[0] != 0);
    }
    std::string text = channels == 3 ? "colour (" + joined(values, ", ") + ")" : joined(values, ", ");
    return animated ? text + ", animated" : text;
}

// The value of a "PDPR" block, from its items after the name and type code.
std::string valueText(const StateItem &entry, uint32_t type) {
    std::vector<std::string> parts;
    for (std::size_t i = 2; i < entry.children.size(); ++i) {
        const StateItem &v = entry.children[i];
        double d = 0;
        if (type == HOST_FOURCC('P', 'D', 'B', 'L') && asDouble(v, d)) {
            parts.push_back(number(d));
        } else if (v.kind == Kind::Block && v.id == HOST_FOURCC('V', 'P', 'R', 'M')) {
            const std::string text = vparamText(v);
            parts.push_back(text.empty() ? "(a variant parameter)" : text);
        } else if (v.kind == Kind::Str) {
            parts.push_back(quoteStateString(v.data));
        } else if (isIntegerKind(v.kind)) {
            for (int64_t n : v.ints) parts.push_back(std::to_string(n));
        } else if (v.kind == Kind::FP) {
            for (float f : v.floats) parts.push_back(number(f));
        }
    }
    return joined(parts, ", ");
}

void annotate(std::vector<StateItem> &items, int depth) {
    if (depth > 256) return;
    for (StateItem &item : items) {
        if (item.kind != Kind::Block) continue;
        const auto &c = item.children;
        if (item.id == HOST_FOURCC('P', 'D', 'P', 'R') && c.size() >= 2 && c[0].kind == Kind::Str &&
            c[1].kind == Kind::U4 && !c[1].ints.empty()) {
            const auto type = static_cast<uint32_t>(c[1].ints[0]);
            item.note = c[0].data + " (" + fourcc(type) + ") = " + valueText(item, type);
        }
        annotate(item.children, depth + 1);
    }
}

}  // namespace

void annotateState(StateItem &root) { annotate(root.children, 0); }

std::string readableStateText(const std::string &bytes) {
    StateItem root;
    // Binary data begins with a block identifier or a version word, so it
    // always holds a NUL byte; text data never does.
    if (bytes.find('\0') != std::string::npos)
        root = decodeBinaryState(bytes);
    else
        parseStateText(bytes, root);
    annotateState(root);
    return stateTextFrom(root);
}

}  // namespace minihost
