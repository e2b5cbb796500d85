#include <cstring>
#include <memory>
#include <new>

#include "paramlib/param_block.h"
#include "paramlib/param_elements.h"
#include "paramlib/param_idents.h"

namespace qr {

namespace {

// A string entry with a buffer size is written from within that buffer, also
// when the buffer holds no NUL.
void writeString(const SaveState *ss, const char *text, int bufferSize) {
    if (bufferSize <= 0) {
        ss->writeStr(ss->writeData, text);
        return;
    }
    const std::size_t size = static_cast<std::size_t>(bufferSize);
    if (std::memchr(text, '\0', size)) {
        ss->writeStr(ss->writeData, text);
        return;
    }
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (!copy) return;
    std::memcpy(copy.get(), text, size - 1);
    copy[size - 1] = '\0';
    ss->writeStr(ss->writeData, copy.get());
}

void writeValue(const SaveState *ss, const ParamEntry &e) {
    const int n = elementCount(e);
    void *wd = ss->writeData;
    switch (e.type) {
    case SETTINGS_TYPE_INT:
        if (n) ss->writeI4(wd, static_cast<const int32_t *>(e.value), n);
        break;
    case SETTINGS_TYPE_UINT:
        if (n) ss->writeU4(wd, static_cast<const uint32_t *>(e.value), n);
        break;
    case SETTINGS_TYPE_FLOAT:
        if (n) ss->writeFP(wd, static_cast<const float *>(e.value), n);
        break;
    case SETTINGS_TYPE_DOUBLE: writeDoubles(ss, static_cast<const double *>(e.value), n); break;
    case SETTINGS_TYPE_BINARY:
        if (n) ss->writeBytes(wd, static_cast<const char *>(e.value), n);
        break;
    case SETTINGS_TYPE_STRING: writeString(ss, static_cast<const char *>(e.value), e.count); break;
    case SETTINGS_TYPE_USER:
        if (e.save) e.save(ss, e.value);
        break;
    case SETTINGS_TYPE_VPARAM: saveVparams(ss, static_cast<Vparam *>(e.value), n); break;
    case SETTINGS_TYPE_VPARAM_REF: {
        const auto *slots = static_cast<const VparamSlot *>(e.value);
        for (int i = 0; i < n; ++i) {
            if (slots[i].vparam) saveVparams(ss, slots[i].vparam, 1);
        }
        break;
    }
    case SETTINGS_TYPE_TEXTURE: saveTextureHolders(ss, static_cast<TextureHolder *>(e.value), n); break;
    default: break;  // an unknown type code writes no value
    }
}

}  // namespace

void writeParamBlock(const SaveState *ss, const ParamEntry *table) {
    if (!ss) return;
    int32_t count = 0;
    for (const ParamEntry *e = table; e && e->name; ++e) {
        if (e->value) ++count;
    }
    ss->beginBlock(ss->writeData, &kParamBlockTable[0], 0);
    ss->writeI4(ss->writeData, &count, 1);
    for (const ParamEntry *e = table; e && e->name; ++e) {
        if (!e->value) continue;
        ss->beginBlock(ss->writeData, &kParamItemTable[0], 0);
        ss->writeStr(ss->writeData, e->name);
        ss->writeU4(ss->writeData, &e->type, 1);
        writeValue(ss, *e);
        ss->endBlock(ss->writeData);
    }
    ss->endBlock(ss->writeData);
}

void writeVersionedParamBlock(const SaveState *ss, const ParamEntry *table) {
    if (!ss) return;
    const int32_t version = SETTINGS_VERSION;
    ss->writeI4(ss->writeData, &version, 1);
    writeParamBlock(ss, table);
}

}  // namespace qr
