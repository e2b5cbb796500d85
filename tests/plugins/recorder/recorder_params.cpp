// A small parameter-block writer and reader ("PDLB" / "PDPR"), so that the
// host's settings by key can be exercised with every value type.
#include <cstring>
#include <vector>

#include "host/host_types.h"
#include "host/io_state.h"
#include "recorder.h"

namespace recorder {

namespace {

const BlockIdent kLib[] = {{HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"}, {0, nullptr}};
const BlockIdent kParam[] = {{HOST_FOURCC('P', 'D', 'P', 'R'), "PluginDataParam"}, {0, nullptr}};
constexpr uint32_t PINT = HOST_FOURCC('P', 'I', 'N', 'T');
constexpr uint32_t PDBL = HOST_FOURCC('P', 'D', 'B', 'L');
constexpr uint32_t PFLT = HOST_FOURCC('P', 'F', 'L', 'T');
constexpr uint32_t PSTR = HOST_FOURCC('P', 'S', 'T', 'R');
constexpr uint32_t PUNT = HOST_FOURCC('P', 'U', 'N', 'T');

struct Entry {
    const char *name;
    uint32_t type;
    void *value;
};

std::vector<Entry> table(Instance &i) {
    std::vector<Entry> t = {{"tag", PINT, &i.tag}};
    switch (i.kind) {
    case KIND_SHADER:
        t.push_back({"mirror", PDBL, &i.mirror});
        t.push_back({"replace", PDBL, &i.replace});
        t.push_back({"gain", PFLT, &i.gain});
        t.push_back({"mask", PUNT, &i.mask});
        t.push_back({"label", PSTR, i.label});
        break;
    case KIND_PIXEL:
        t.push_back({"probe_x", PINT, &i.probeX});
        t.push_back({"probe_y", PINT, &i.probeY});
        t.push_back({"paint", PINT, &i.paint});
        t.push_back({"gain", PFLT, &i.gain});
        break;
    case KIND_IMAGE: t.push_back({"invert", PINT, &i.invert}); break;
    }
    return t;
}

void toBytes(double d, char out[8]) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int b = 0; b < 8; ++b) out[b] = static_cast<char>((bits >> (56 - 8 * b)) & 0xFF);
}

double fromBytes(const char in[8]) {
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits = (bits << 8) | static_cast<unsigned char>(in[b]);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

}  // namespace

void save(const Instance &cinst, const SaveState *ss) {
    Instance &inst = const_cast<Instance &>(cinst);
    const int32_t version = 256;
    ss->writeI4(ss->writeData, &version, 1);
    const auto t = table(inst);
    ss->beginBlock(ss->writeData, kLib, 0);
    const auto n = static_cast<int32_t>(t.size());
    ss->writeI4(ss->writeData, &n, 1);
    for (const Entry &e : t) {
        ss->beginBlock(ss->writeData, kParam, 0);
        ss->writeStr(ss->writeData, e.name);
        ss->writeU4(ss->writeData, &e.type, 1);
        if (e.type == PINT) ss->writeI4(ss->writeData, static_cast<int32_t *>(e.value), 1);
        if (e.type == PUNT) ss->writeU4(ss->writeData, static_cast<uint32_t *>(e.value), 1);
        if (e.type == PFLT) ss->writeFP(ss->writeData, static_cast<float *>(e.value), 1);
        if (e.type == PSTR) ss->writeStr(ss->writeData, static_cast<char *>(e.value));
        if (e.type == PDBL) {
            char bytes[8];
            toBytes(*static_cast<double *>(e.value), bytes);
            ss->writeBytes(ss->writeData, bytes, 8);
        }
        ss->endBlock(ss->writeData);
    }
    ss->endBlock(ss->writeData);
}

void load(Instance &inst, const LoadState *ls) {
    int32_t version = 0;
    ls->readI4(ls->readData, &version, 1);
    if (version != 256) return;
    if (ls->findBlock(ls->readData, kLib) != kLib[0].id) {
        ls->endBlock(ls->readData);
        return;
    }
    int32_t n = 0;
    if (ls->readI4(ls->readData, &n, 1) != 1) n = 0;
    const auto t = table(inst);
    for (int32_t k = 0; k < n; ++k) {
        if (ls->findBlock(ls->readData, kParam) != kParam[0].id) {
            ls->endBlock(ls->readData);
            continue;
        }
        char name[512] = {0};
        uint32_t type = 0;
        if (ls->readStr(ls->readData, name, sizeof name) > 0 && ls->readU4(ls->readData, &type, 1) == 1) {
            for (const Entry &e : t) {
                if (std::strcmp(e.name, name) != 0 || e.type != type) continue;
                if (type == PINT) ls->readI4(ls->readData, static_cast<int32_t *>(e.value), 1);
                if (type == PUNT) ls->readU4(ls->readData, static_cast<uint32_t *>(e.value), 1);
                if (type == PFLT) ls->readFP(ls->readData, static_cast<float *>(e.value), 1);
                if (type == PSTR) ls->readStr(ls->readData, static_cast<char *>(e.value), sizeof inst.label);
                if (type == PDBL) {
                    char bytes[8];
                    if (ls->readBytes(ls->readData, bytes, 8) == 8)
                        *static_cast<double *>(e.value) = fromBytes(bytes);
                }
                break;
            }
        }
        ls->endBlock(ls->readData);
    }
    ls->endBlock(ls->readData);
}

}  // namespace recorder
