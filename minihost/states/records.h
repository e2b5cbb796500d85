// The host's SaveState and LoadState records over a StateWriter or a
// StateReader. Every callback is guarded (core/service_guard.h): an exception
// gives the fallback (0 read; a write lost, which marks the writer failed so
// that the save is refused), never an unwind into a module.
#pragma once

#include <memory>

#include "host/io_state.h"
#include "minihost/states/stream.h"

namespace minihost {

// A SaveState whose writeData is this object; it must not move while the
// module holds the record.
struct SaveStateRecord {
    SaveStateRecord(int ioMode, std::unique_ptr<StateWriter> writer);
    SaveStateRecord(const SaveStateRecord &) = delete;
    SaveStateRecord &operator=(const SaveStateRecord &) = delete;

    SaveState state{};
    std::unique_ptr<StateWriter> writer;
};

// A LoadState whose readData is this object. It also carries the rule that an
// endBlock right after a failed findBlock leaves nothing.
struct LoadStateRecord {
    LoadStateRecord(int ioMode, std::unique_ptr<StateReader> reader);
    LoadStateRecord(const LoadStateRecord &) = delete;
    LoadStateRecord &operator=(const LoadStateRecord &) = delete;

    LoadState state{};
    std::unique_ptr<StateReader> reader;
    bool afterFailedFind = false;
    // How often the module looked for a block, and found one: data in which
    // it looked and found nothing is not data it reads (another module's, or
    // cut short so that its first block's length lies).
    int finds = 0, blocksFound = 0;
};

// The writer or reader for a mode: IO_MODE_TEXT gives the text
// representation, any other mode the binary one.
std::unique_ptr<StateWriter> makeStateWriter(int ioMode);
std::unique_ptr<StateReader> makeStateReader(int ioMode, std::string bytes);

}  // namespace minihost
