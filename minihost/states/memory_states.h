// Save and load states held in memory, in either representation.
//
// Binary: integers big-endian, floats as IEEE big-endian, bytes raw, strings
// NUL-terminated; a block is its 4-byte identifier, a 4-byte length and its
// content. Text: the typed lines of tree.h. Blocks are matched by token
// in text and by identifier in binary.
//
// What modules rely on: findBlock with an identifier table returns the
// identifier found (0 if none, and the reader stays put); endBlock leaves the
// block, skipping what was not read, and does nothing right after a failed
// findBlock; a read past the end of a block reads nothing, returns 0 and
// leaves the destination untouched. Damaged input never makes a read go
// outside the buffer.
#pragma once

#include <memory>
#include <string>

#include "host/io_state.h"

namespace minihost {

struct SaveStateRecord;
struct LoadStateRecord;

class MemorySaveState {
public:
    // IO_MODE_TEXT writes text; any other mode writes binary.
    explicit MemorySaveState(int ioMode);
    ~MemorySaveState();
    MemorySaveState(MemorySaveState &&) noexcept;
    MemorySaveState &operator=(MemorySaveState &&) noexcept;

    // Valid for the life of this object (moves keep it).
    const SaveState *state() const;
    // The stream written so far; blocks still open are closed at its end.
    std::string bytes() const;
    // True when a write was lost (out of memory, stream beyond 4 GiB, blocks
    // nested too deep for text).
    bool failed() const;

private:
    std::unique_ptr<SaveStateRecord> record_;
};

class MemoryLoadState {
public:
    // IO_MODE_TEXT reads text; any other mode reads binary.
    MemoryLoadState(int ioMode, std::string bytes);
    ~MemoryLoadState();
    MemoryLoadState(MemoryLoadState &&) noexcept;
    MemoryLoadState &operator=(MemoryLoadState &&) noexcept;

    const LoadState *state() const;

private:
    std::unique_ptr<LoadStateRecord> record_;
};

}  // namespace minihost
