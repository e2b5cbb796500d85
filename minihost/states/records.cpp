#include "minihost/states/records.h"

#include "minihost/core/service_guard.h"
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

void writeIntegers(void *data, Kind kind, const void *vals, int count) {
    if (StateWriter *w = writerOf(data)) w->writeIntegers(kind, vals, count);
}

void sWriteBytes(void *d, const char *buf, int n) {
    if (StateWriter *w = writerOf(d)) w->writeBytes(buf, n);
}
void sWriteI1(void *d, const int8_t *v, int n) { writeIntegers(d, Kind::I1, v, n); }
void sWriteI2(void *d, const int16_t *v, int n) { writeIntegers(d, Kind::I2, v, n); }
void sWriteI4(void *d, const int32_t *v, int n) { writeIntegers(d, Kind::I4, v, n); }
void sWriteU1(void *d, const uint8_t *v, int n) { writeIntegers(d, Kind::U1, v, n); }
void sWriteU2(void *d, const uint16_t *v, int n) { writeIntegers(d, Kind::U2, v, n); }
void sWriteU4(void *d, const uint32_t *v, int n) { writeIntegers(d, Kind::U4, v, n); }
void sWriteFP(void *d, const float *v, int n) {
    if (StateWriter *w = writerOf(d)) w->writeFloats(v, n);
}
void sWriteStr(void *d, const char *str) {
    if (StateWriter *w = writerOf(d)) w->writeString(str);
}
void sBeginBlock(void *d, const BlockIdent *ident, int leaf) {
    StateWriter *w = writerOf(d);
    if (w && ident) w->beginBlock(ident->id, ident->token, leaf != 0);
}
void sEndBlock(void *d) {
    if (StateWriter *w = writerOf(d)) w->endBlock();
}
int sDepth(void *d) {
    StateWriter *w = writerOf(d);
    return w ? w->depth() : 0;
}

// A write that failed on an exception is lost: the writer is marked failed,
// so that the save is refused when it closes rather than kept without it.
constexpr auto writeLost = [](void *d, auto...) {
    if (StateWriter *w = writerOf(d)) w->markFailed();
};

// Every load operation but endBlock clears the failed-find mark.
StateReader *readerOf(void *data) {
    if (!data) return nullptr;
    auto *record = static_cast<LoadStateRecord *>(data);
    record->afterFailedFind = false;
    return record->reader.get();
}

int readIntegers(void *d, Kind kind, void *vals, int count) {
    StateReader *r = readerOf(d);
    return r ? r->readIntegers(kind, vals, count) : 0;
}

int lReadBytes(void *d, char *buf, int n) {
    StateReader *r = readerOf(d);
    return r ? r->readBytes(buf, n) : 0;
}
int lReadI1(void *d, int8_t *v, int n) { return readIntegers(d, Kind::I1, v, n); }
int lReadI2(void *d, int16_t *v, int n) { return readIntegers(d, Kind::I2, v, n); }
int lReadI4(void *d, int32_t *v, int n) { return readIntegers(d, Kind::I4, v, n); }
int lReadU1(void *d, uint8_t *v, int n) { return readIntegers(d, Kind::U1, v, n); }
int lReadU2(void *d, uint16_t *v, int n) { return readIntegers(d, Kind::U2, v, n); }
int lReadU4(void *d, uint32_t *v, int n) { return readIntegers(d, Kind::U4, v, n); }
int lReadFP(void *d, float *v, int n) {
    StateReader *r = readerOf(d);
    return r ? r->readFloats(v, n) : 0;
}
int lReadStr(void *d, char *buf, int max) {
    StateReader *r = readerOf(d);
    return r ? r->readString(buf, max) : 0;
}
uint32_t lFindBlock(void *d, const BlockIdent *table) {
    StateReader *r = readerOf(d);
    if (!r) return 0;
    const uint32_t found = r->findBlock(table);
    auto *record = static_cast<LoadStateRecord *>(d);
    record->afterFailedFind = found == 0;
    ++record->finds;
    if (found != 0) ++record->blocksFound;
    return found;
}
void lEndBlock(void *d) {
    if (!d) return;
    auto *record = static_cast<LoadStateRecord *>(d);
    // The endBlock that answers a failed findBlock has no block to leave.
    if (record->afterFailedFind) {
        record->afterFailedFind = false;
        return;
    }
    if (record->reader) record->reader->endBlock();
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
    state.writeBytes = guardedService<"SaveState.writeBytes", sWriteBytes, writeLost>;
    state.writeI1 = guardedService<"SaveState.writeI1", sWriteI1, writeLost>;
    state.writeI2 = guardedService<"SaveState.writeI2", sWriteI2, writeLost>;
    state.writeI4 = guardedService<"SaveState.writeI4", sWriteI4, writeLost>;
    state.writeU1 = guardedService<"SaveState.writeU1", sWriteU1, writeLost>;
    state.writeU2 = guardedService<"SaveState.writeU2", sWriteU2, writeLost>;
    state.writeU4 = guardedService<"SaveState.writeU4", sWriteU4, writeLost>;
    state.writeFP = guardedService<"SaveState.writeFP", sWriteFP, writeLost>;
    state.writeStr = guardedService<"SaveState.writeStr", sWriteStr, writeLost>;
    state.beginBlock = guardedService<"SaveState.beginBlock", sBeginBlock, writeLost>;
    state.endBlock = guardedService<"SaveState.endBlock", sEndBlock>;
    state.depth = guardedService<"SaveState.depth", sDepth>;
}

LoadStateRecord::LoadStateRecord(int ioMode, std::unique_ptr<StateReader> r) : reader(std::move(r)) {
    state.ioMode = ioMode;
    state.readData = this;
    state.readBytes = guardedService<"LoadState.readBytes", lReadBytes>;
    state.readI1 = guardedService<"LoadState.readI1", lReadI1>;
    state.readI2 = guardedService<"LoadState.readI2", lReadI2>;
    state.readI4 = guardedService<"LoadState.readI4", lReadI4>;
    state.readU1 = guardedService<"LoadState.readU1", lReadU1>;
    state.readU2 = guardedService<"LoadState.readU2", lReadU2>;
    state.readU4 = guardedService<"LoadState.readU4", lReadU4>;
    state.readFP = guardedService<"LoadState.readFP", lReadFP>;
    state.readStr = guardedService<"LoadState.readStr", lReadStr>;
    state.findBlock = guardedService<"LoadState.findBlock", lFindBlock>;
    state.endBlock = guardedService<"LoadState.endBlock", lEndBlock>;
    state.depth = guardedService<"LoadState.depth", lDepth>;
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
