// The operations behind a save or a load state, one implementation per
// representation (binary, text). records.h turns them into the host's
// SaveState and LoadState records.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "host/io_state.h"
#include "minihost/states/tree.h"

namespace minihost {

class StateWriter {
public:
    virtual ~StateWriter() = default;
    virtual void beginBlock(uint32_t id, const char *token, bool leaf) = 0;
    // Ignored when no block is open.
    virtual void endBlock() = 0;
    virtual int depth() const = 0;
    // `vals` holds `count` values of the integer kind's C type.
    virtual void writeIntegers(StateItem::Kind kind, const void *vals, int count) = 0;
    virtual void writeFloats(const float *vals, int count) = 0;
    virtual void writeBytes(const char *buf, int count) = 0;
    virtual void writeString(const char *str) = 0;
    // The stream so far, with blocks still open closed at the end.
    virtual std::string bytes() const = 0;
    // True once a write was lost (memory, size limits).
    bool failed() const { return failed_; }
    // A write that could not finish (it threw) is lost as well.
    void markFailed() { failed_ = true; }

protected:
    bool failed_ = false;
};

class StateReader {
public:
    virtual ~StateReader() = default;
    // The identifier of the table entry whose block is next at the current
    // level (non-matching blocks are skipped), entering it; 0 when none, and
    // then the position is unchanged.
    virtual uint32_t findBlock(const BlockIdent *table) = 0;
    // Leaves the innermost entered block, skipping what was not read; ignored
    // at the top level.
    virtual void endBlock() = 0;
    virtual int depth() const = 0;
    // Each read stops at the end of the current block (or at an item of
    // another type in text) and returns how many elements it stored.
    virtual int readIntegers(StateItem::Kind kind, void *vals, int count) = 0;
    virtual int readFloats(float *vals, int count) = 0;
    virtual int readBytes(char *buf, int count) = 0;
    // Host readStr semantics: stored length plus one, or 0 when nothing was
    // read; a longer string is truncated to max - 1 bytes and consumed whole.
    virtual int readString(char *buf, int max) = 0;
};

// Element i of an array of the integer kind's C type, widened.
inline int64_t loadInteger(StateItem::Kind kind, const void *vals, int i) {
    const auto *bytes = static_cast<const unsigned char *>(vals);
    const int width = integerWidth(kind);
    const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
    using K = StateItem::Kind;
    switch (kind) {
    case K::I1: {
        int8_t v;
        std::memcpy(&v, bytes + at, 1);
        return v;
    }
    case K::I2: {
        int16_t v;
        std::memcpy(&v, bytes + at, 2);
        return v;
    }
    case K::I4: {
        int32_t v;
        std::memcpy(&v, bytes + at, 4);
        return v;
    }
    case K::U1: {
        uint8_t v;
        std::memcpy(&v, bytes + at, 1);
        return v;
    }
    case K::U2: {
        uint16_t v;
        std::memcpy(&v, bytes + at, 2);
        return v;
    }
    case K::U4: {
        uint32_t v;
        std::memcpy(&v, bytes + at, 4);
        return v;
    }
    default: return 0;
    }
}

// Stores a value into element i, wrapped to the kind's width.
inline void storeInteger(StateItem::Kind kind, void *vals, int i, int64_t value) {
    auto *bytes = static_cast<unsigned char *>(vals);
    const int width = integerWidth(kind);
    const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
    const auto bits = static_cast<uint64_t>(value);
    switch (width) {
    case 1: {
        auto v = static_cast<uint8_t>(bits);
        std::memcpy(bytes + at, &v, 1);
        break;
    }
    case 2: {
        auto v = static_cast<uint16_t>(bits);
        std::memcpy(bytes + at, &v, 2);
        break;
    }
    case 4: {
        auto v = static_cast<uint32_t>(bits);
        std::memcpy(bytes + at, &v, 4);
        break;
    }
    default: break;
    }
}

}  // namespace minihost
