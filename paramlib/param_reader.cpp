#include <cstring>

#include "paramlib/param_block.h"
#include "paramlib/param_elements.h"
#include "paramlib/param_idents.h"

namespace qr {

namespace {

const ParamEntry *findEntry(const ParamEntry *table, const char *name, uint32_t type) {
    for (const ParamEntry *e = table; e && e->name; ++e) {
        if (e->type == type && std::strcmp(e->name, name) == 0) return e;
    }
    return nullptr;
}

// Reads straight into the entry's storage; the host's reads leave what they
// could not read untouched.
void readValue(const LoadState *ls, const ParamEntry &e) {
    const int n = elementCount(e);
    void *rd = ls->readData;
    switch (e.type) {
    case SETTINGS_TYPE_INT:
        if (n) ls->readI4(rd, static_cast<int32_t *>(e.value), n);
        break;
    case SETTINGS_TYPE_UINT:
        if (n) ls->readU4(rd, static_cast<uint32_t *>(e.value), n);
        break;
    case SETTINGS_TYPE_FLOAT:
        if (n) ls->readFP(rd, static_cast<float *>(e.value), n);
        break;
    case SETTINGS_TYPE_DOUBLE: readDoubles(ls, static_cast<double *>(e.value), n); break;
    case SETTINGS_TYPE_BINARY:
        if (n) ls->readBytes(rd, static_cast<char *>(e.value), n);
        break;
    case SETTINGS_TYPE_STRING:
        if (n) ls->readStr(rd, static_cast<char *>(e.value), n);
        break;
    case SETTINGS_TYPE_USER:
        if (e.load) e.load(ls, e.value);
        break;
    case SETTINGS_TYPE_VPARAM: loadVparams(ls, static_cast<Vparam *>(e.value), n); break;
    case SETTINGS_TYPE_VPARAM_REF: {
        const auto *slots = static_cast<const VparamSlot *>(e.value);
        for (int i = 0; i < n; ++i) {
            if (slots[i].vparam) loadVparams(ls, slots[i].vparam, 1);
        }
        break;
    }
    case SETTINGS_TYPE_TEXTURE: loadTextureHolders(ls, static_cast<TextureHolder *>(e.value), n); break;
    default: break;  // an unknown type code reads nothing
    }
}

// One "PDPR" block; false when no further one follows at this level.
bool readParam(const LoadState *ls, const ParamEntry *table) {
    void *rd = ls->readData;
    if (ls->findBlock(rd, kParamItemTable) != SETTINGS_PARAM_ENTRY) {
        ls->endBlock(rd);
        return false;
    }
    char name[kParamNameSize] = {};
    uint32_t type = 0;
    const int nameRead = ls->readStr(rd, name, kParamNameSize);
    name[kParamNameSize - 1] = '\0';
    // A name that fills the buffer may have been cut short: it matches nothing.
    const bool nameUsable = nameRead > 0 && std::strlen(name) < kParamNameSize - 1;
    if (nameUsable && ls->readU4(rd, &type, 1) == 1) {
        const ParamEntry *e = findEntry(table, name, type);
        if (e && e->value) readValue(ls, *e);
    }
    ls->endBlock(rd);
    return true;
}

}  // namespace

void readParamBlock(const LoadState *ls, const ParamEntry *table) {
    if (!ls) return;
    void *rd = ls->readData;
    if (ls->findBlock(rd, kParamBlockTable) == SETTINGS_PARAM_BLOCK) {
        int32_t count = 0;
        if (ls->readI4(rd, &count, 1) != 1) count = 0;
        // find-block skips to the next "PDPR" of this level, so once it finds
        // none no later repetition can: a count promising more than follows
        // ends there instead of spinning through the promised number.
        for (int32_t i = 0; i < count; ++i) {
            if (!readParam(ls, table)) break;
        }
    }
    ls->endBlock(rd);
}

bool readVersionedParamBlock(const LoadState *ls, const ParamEntry *table) {
    if (!ls) return false;
    int32_t version = 0;
    if (ls->readI4(ls->readData, &version, 1) != 1 || version != SETTINGS_VERSION) return false;
    readParamBlock(ls, table);
    return true;
}

}  // namespace qr
