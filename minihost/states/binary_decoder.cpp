// Binary-representation data read back into typed items, guided by how the
// modules write their parameter blocks and how minihost writes variant
// parameters and envelopes.
#include <cstring>

#include "host/host_types.h"
#include "minihost/states/readable_state.h"

namespace minihost {

namespace {

using Kind = StateItem::Kind;

constexpr uint32_t kParamBlock = HOST_FOURCC('P', 'D', 'L', 'B');
constexpr uint32_t kParamEntry = HOST_FOURCC('P', 'D', 'P', 'R');
constexpr uint32_t kVparam = HOST_FOURCC('V', 'P', 'R', 'M');
constexpr uint32_t kEnvelope = HOST_FOURCC('V', 'E', 'N', 'V');
constexpr uint32_t kTexture = HOST_FOURCC('P', 'T', 'E', 'X');

// Deeper nesting is kept as bytes: damaged data cannot exhaust the stack.
constexpr int kMaxDepth = 64;

const char *tokenOf(uint32_t id) {
    switch (id) {
    case kParamBlock: return "PluginDataLib";
    case kParamEntry: return "PluginDataParam";
    case kVparam: return "Vparam";
    case kEnvelope: return "VparamEnv";
    case kTexture: return "Texture";
    default: return nullptr;
    }
}

class Decoder {
public:
    explicit Decoder(const std::string &data) : d_(data) {}

    // The top level: blocks, and 4-byte integers between them (version words).
    std::vector<StateItem> topLevel() {
        std::vector<StateItem> out;
        std::size_t pos = 0;
        while (pos < d_.size()) {
            if (blockAt(pos, d_.size())) {
                out.push_back(block(pos, 0));
            } else if (d_.size() - pos >= 4) {
                out.push_back(integer(Kind::I4, pos));
            } else {
                out.push_back(bytes(pos, d_.size() - pos));
            }
        }
        return out;
    }

private:
    uint32_t u32(std::size_t at) const {
        const auto *p = reinterpret_cast<const unsigned char *>(d_.data() + at);
        return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    }

    // A block header: a four-character identifier of capitals and digits,
    // then a length that stays inside [pos, end).
    bool blockAt(std::size_t pos, std::size_t end) const {
        if (end - pos < 8) return false;
        for (int i = 0; i < 4; ++i) {
            const char c = d_[pos + static_cast<std::size_t>(i)];
            if (!((c >= 'A' && c <= 'Z') || (i > 0 && c >= '0' && c <= '9'))) return false;
        }
        return u32(pos + 4) <= end - pos - 8;
    }

    StateItem integer(Kind kind, std::size_t &pos) {
        StateItem item;
        item.kind = kind;
        const uint32_t v = u32(pos);
        item.ints.push_back(kind == Kind::I4 ? static_cast<int64_t>(static_cast<int32_t>(v)) : int64_t{v});
        pos += 4;
        return item;
    }

    StateItem bytes(std::size_t &pos, std::size_t n) {
        StateItem item;
        item.kind = Kind::Bytes;
        item.data = d_.substr(pos, n);
        pos += n;
        return item;
    }

    // Fixed-width values while they last; a tail too short for one is bytes.
    void values(std::vector<StateItem> &out, Kind kind, std::size_t &pos, std::size_t end) {
        while (end - pos >= 4) {
            if (kind == Kind::FP) {
                StateItem item;
                item.kind = Kind::FP;
                const uint32_t bits = u32(pos);
                float f;
                std::memcpy(&f, &bits, 4);
                item.floats.push_back(f);
                pos += 4;
                out.push_back(item);
            } else {
                out.push_back(integer(kind, pos));
            }
        }
        if (pos < end) out.push_back(bytes(pos, end - pos));
    }

    // A NUL-terminated string, or false (nothing read) when there is none.
    bool string(std::vector<StateItem> &out, std::size_t &pos, std::size_t end) {
        const void *nul = std::memchr(d_.data() + pos, '\0', end - pos);
        if (!nul) return false;
        const auto length = static_cast<std::size_t>(static_cast<const char *>(nul) - (d_.data() + pos));
        StateItem item;
        item.kind = Kind::Str;
        item.data = d_.substr(pos, length);
        pos += length + 1;
        out.push_back(item);
        return true;
    }

    // Blocks, with bytes for whatever lies between them.
    void blocks(std::vector<StateItem> &out, std::size_t &pos, std::size_t end, int depth) {
        while (pos < end) {
            if (blockAt(pos, end)) {
                out.push_back(block(pos, depth));
                continue;
            }
            std::size_t next = pos + 1;
            while (next < end && !blockAt(next, end)) ++next;
            out.push_back(bytes(pos, next - pos));
        }
    }

    // Reads `count` items of the given kinds in turn ("I4", 8 bytes, ...);
    // false, with nothing consumed, when the data does not have them.
    bool record(std::vector<StateItem> &out, std::size_t &pos, std::size_t end, const char *layout) {
        std::vector<StateItem> items;
        std::size_t at = pos;
        for (const char *k = layout; *k; ++k) {
            const std::size_t width = *k == 'D' ? 8 : 4;
            if (end - at < width) return false;
            items.push_back(*k == 'D' ? bytes(at, 8) : integer(Kind::I4, at));
        }
        out.insert(out.end(), items.begin(), items.end());
        pos = at;
        return true;
    }

    void paramEntry(std::vector<StateItem> &out, std::size_t &pos, std::size_t end, int depth) {
        if (!string(out, pos, end) || end - pos < 4) return;
        out.push_back(integer(Kind::U4, pos));
        const auto type = static_cast<uint32_t>(out.back().ints[0]);
        switch (type) {
        case HOST_FOURCC('P', 'I', 'N', 'T'): values(out, Kind::I4, pos, end); break;
        case HOST_FOURCC('P', 'U', 'N', 'T'): values(out, Kind::U4, pos, end); break;
        case HOST_FOURCC('P', 'F', 'L', 'T'): values(out, Kind::FP, pos, end); break;
        case HOST_FOURCC('P', 'D', 'B', 'L'):
            while (end - pos >= 8) out.push_back(bytes(pos, 8));  // one item per double
            break;
        case HOST_FOURCC('P', 'S', 'T', 'R'): string(out, pos, end); break;
        case HOST_FOURCC('P', 'V', 'P', 'R'):
        case HOST_FOURCC('P', 'V', 'E', 'V'):
        case HOST_FOURCC('P', 'V', 'T', 'X'): blocks(out, pos, end, depth); break;
        default: break;
        }
    }

    // The version, minihost's parameter record (format, value type, channel
    // count, per channel a value and an envelope flag), then the envelopes.
    void vparam(std::vector<StateItem> &out, std::size_t &pos, std::size_t end, int depth) {
        if (!record(out, pos, end, "I")) return;
        std::size_t at = pos;
        std::vector<StateItem> head;
        if (record(head, at, end, "III") && head[0].ints[0] == 1 && head[2].ints[0] >= 1 &&
            head[2].ints[0] <= 3) {
            const std::string channels[3] = {"DI", "DIDI", "DIDIDI"};
            if (record(head, at, end, channels[head[2].ints[0] - 1].c_str())) {
                out.insert(out.end(), head.begin(), head.end());
                pos = at;
            }
        }
        blocks(out, pos, end, depth);
    }

    void envelope(std::vector<StateItem> &out, std::size_t &pos, std::size_t end) {
        std::size_t at = pos;
        std::vector<StateItem> head;
        if (!record(head, at, end, "IDI") || head[0].ints[0] != 1 || head[2].ints[0] < 0) return;
        const int64_t keys = head[2].ints[0];
        if (static_cast<uint64_t>(keys) > (end - at) / 16) return;  // not that many keys here
        for (int64_t k = 0; k < keys; ++k) record(head, at, end, "DD");
        out.insert(out.end(), head.begin(), head.end());
        pos = at;
    }

    StateItem block(std::size_t &pos, int depth) {
        StateItem item;
        item.kind = Kind::Block;
        item.id = u32(pos);
        const char *token = tokenOf(item.id);
        item.token = token ? token : d_.substr(pos, 4);
        const std::size_t end = pos + 8 + u32(pos + 4);
        std::size_t at = pos + 8;
        pos = end;
        if (depth >= kMaxDepth) {
            if (at < end) item.children.push_back(bytes(at, end - at));
            return item;
        }
        switch (item.id) {
        case kParamBlock:
            if (end - at >= 4) item.children.push_back(integer(Kind::I4, at));
            break;
        case kParamEntry: paramEntry(item.children, at, end, depth + 1); break;
        case kVparam: vparam(item.children, at, end, depth + 1); break;
        case kEnvelope: envelope(item.children, at, end); break;
        case kTexture: record(item.children, at, end, "I"); break;
        default: break;
        }
        blocks(item.children, at, end, depth + 1);
        return item;
    }

    const std::string &d_;
};

}  // namespace

StateItem decodeBinaryState(const std::string &bytes) {
    StateItem root;
    root.children = Decoder(bytes).topLevel();
    return root;
}

}  // namespace minihost
