#include "minihost/states/records.h"

#include "minihost/states/binary_reader.h"
#include "minihost/states/binary_writer.h"
#include "minihost/states/text_reader.h"
#include "minihost/states/text_writer.h"

namespace minihost {
namespace {

using Kind = StateItem::Kind;

StateWriter *writerOf(void *data) {
    return data ? static_cast<SaveStateRecord *>(data)->writer.get() : nullptr;
}

template <typename Body>
void guarded(Body &&body) {
    try {
        body();
    } catch (...) {
    }
}

void writeIntegers(void *data, Kind kind, const void *vals, int count) {
    guarded([&] {
        if (StateWriter *w = writerOf(data)) w->writeIntegers(kind, vals, count);
    });
}

void sWriteBytes(void *d, const char *buf, int n) {
    guarded([&] {
        if (StateWriter *w = writerOf(d)) w->writeBytes(buf, n);
    });
}
void sWriteI1(void *d, const int8_t *v, int n) { writeIntegers(d, Kind::I1, v, n); }
void sWriteI2(void *d, const int16_t *v, int n) { writeIntegers(d, Kind::I2, v, n); }
void sWriteI4(void *d, const int32_t *v, int n) { writeIntegers(d, Kind::I4, v, n); }
void sWriteU1(void *d, const uint8_t *v, int n) { writeIntegers(d, Kind::U1, v, n); }
void sWriteU2(void *d, const uint16_t *v, int n) { writeIntegers(d, Kind::U2, v, n); }
void sWriteU4(void *d, const uint32_t *v, int n) { writeIntegers(d, Kind::U4, v, n); }
void sWriteFP(void *d, const float *v, int n) {
    guarded([&] {
        if (StateWriter *w = writerOf(d)) w->writeFloats(v, n);
    });
}
void sWriteStr(void *d, const char *str) {
    guarded([&] {
        if (StateWriter *w = writerOf(d)) w->writeString(str);
    });
}
void sBeginBlock(void *d, const BlockIdent *ident, int leaf) {
    guarded([&] {
        StateWriter *w = writerOf(d);
        if (w && ident) w->beginBlock(ident->id, ident->token, leaf != 0);
    });
}
void sEndBlock(void *d) {
    guarded([&] {
        if (StateWriter *w = writerOf(d)) w->endBlock();
    });
}
int sDepth(void *d) {
    StateWriter *w = writerOf(d);
    return w ? w->depth() : 0;
}

// Every load operation but endBlock clears the failed-find mark.
StateReader *readerOf(void *data) {
    if (!data) return nullptr;
    auto *record = static_cast<LoadStateRecord *>(data);
    record->afterFailedFind = false;
    return record->reader.get();
}

template <typename Body>
int guardedCount(Body &&body) {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

int readIntegers(void *d, Kind kind, void *vals, int count) {
    return guardedCount([&] {
        StateReader *r = readerOf(d);
        return r ? r->readIntegers(kind, vals, count) : 0;
    });
}

int lReadBytes(void *d, char *buf, int n) {
    return guardedCount([&] {
        StateReader *r = readerOf(d);
        return r ? r->readBytes(buf, n) : 0;
    });
}
int lReadI1(void *d, int8_t *v, int n) { return readIntegers(d, Kind::I1, v, n); }
int lReadI2(void *d, int16_t *v, int n) { return readIntegers(d, Kind::I2, v, n); }
int lReadI4(void *d, int32_t *v, int n) { return readIntegers(d, Kind::I4, v, n); }
int lReadU1(void *d, uint8_t *v, int n) { return readIntegers(d, Kind::U1, v, n); }
int lReadU2(void *d, uint16_t *v, int n) { return readIntegers(d, Kind::U2, v, n); }
int lReadU4(void *d, uint32_t *v, int n) { return readIntegers(d, Kind::U4, v, n); }
int lReadFP(void *d, float *v, int n) {
    return guardedCount([&] {
        StateReader *r = readerOf(d);
        return r ? r->readFloats(v, n) : 0;
    });
}
int lReadStr(void *d, char *buf, int max) {
    return guardedCount([&] {
        StateReader *r = readerOf(d);
        return r ? r->readString(buf, max) : 0;
    });
}
uint32_t lFindBlock(void *d, const BlockIdent *table) {
    try {
        StateReader *r = readerOf(d);
        if (!r) return 0;
        const uint32_t found = r->findBlock(table);
        static_cast<LoadStateRecord *>(d)->afterFailedFind = found == 0;
        return found;
    } catch (...) {
        return 0;
    }
}
void lEndBlock(void *d) {
    if (!d) return;
    auto *record = static_cast<LoadStateRecord *>(d);
    // The endBlock that answers a failed findBlock has no block to leave.
    if (record->afterFailedFind) {
        record->afterFailedFind = false;
        return;
    }
    guarded([&] {
        if (record->reader) record->reader->endBlock();
    });
}
int lDepth(void *d) {
    if (!d) return 0;
    auto *record = static_cast<LoadStateRecord *>(d);
    return record->reader ? record->reader->depth() : 0;
}

}  // namespace

SaveStateRecord::SaveStateRecord(int ioMode, std::unique_ptr<StateWriter> w) : writer(std::move(w)) {
    state.ioMode = ioMode;
    state.writeData = this;
    state.writeBytes = &sWriteBytes;
    state.writeI1 = &sWriteI1;
    state.writeI2 = &sWriteI2;
    state.writeI4 = &sWriteI4;
    state.writeU1 = &sWriteU1;
    state.writeU2 = &sWriteU2;
    state.writeU4 = &sWriteU4;
    state.writeFP = &sWriteFP;
    state.writeStr = &sWriteStr;
    state.beginBlock = &sBeginBlock;
    state.endBlock = &sEndBlock;
    state.depth = &sDepth;
}

LoadStateRecord::LoadStateRecord(int ioMode, std::unique_ptr<StateReader> r) : reader(std::move(r)) {
    state.ioMode = ioMode;
    state.readData = this;
    state.readBytes = &lReadBytes;
    state.readI1 = &lReadI1;
    state.readI2 = &lReadI2;
    state.readI4 = &lReadI4;
    state.readU1 = &lReadU1;
    state.readU2 = &lReadU2;
    state.readU4 = &lReadU4;
    state.readFP = &lReadFP;
    state.readStr = &lReadStr;
    state.findBlock = &lFindBlock;
    state.endBlock = &lEndBlock;
    state.depth = &lDepth;
}

std::unique_ptr<StateWriter> makeStateWriter(int ioMode) {
    if (ioMode == IO_MODE_TEXT) return std::make_unique<TextStateWriter>();
    return std::make_unique<BinaryStateWriter>();
}

std::unique_ptr<StateReader> makeStateReader(int ioMode, std::string bytes) {
    if (ioMode == IO_MODE_TEXT) return std::make_unique<TextStateReader>(bytes);
    return std::make_unique<BinaryStateReader>(std::move(bytes));
}

}  // namespace minihost
