#include "minihost/states/memory_states.h"

#include "minihost/states/records.h"

namespace minihost {
namespace {

int representationOf(int ioMode) { return ioMode == IO_MODE_TEXT ? IO_MODE_TEXT : IO_MODE_BINARY; }

}  // namespace

MemorySaveState::MemorySaveState(int ioMode)
        : record_(std::make_unique<SaveStateRecord>(representationOf(ioMode),
                                                    makeStateWriter(representationOf(ioMode)))) {}
MemorySaveState::~MemorySaveState() = default;
MemorySaveState::MemorySaveState(MemorySaveState &&) noexcept = default;
MemorySaveState &MemorySaveState::operator=(MemorySaveState &&) noexcept = default;

const SaveState *MemorySaveState::state() const { return &record_->state; }
std::string MemorySaveState::bytes() const { return record_->writer->bytes(); }
bool MemorySaveState::failed() const { return record_->writer->failed(); }

MemoryLoadState::MemoryLoadState(int ioMode, std::string bytes)
        : record_(std::make_unique<LoadStateRecord>(
              representationOf(ioMode), makeStateReader(representationOf(ioMode), std::move(bytes)))) {}
MemoryLoadState::~MemoryLoadState() = default;
MemoryLoadState::MemoryLoadState(MemoryLoadState &&) noexcept = default;
MemoryLoadState &MemoryLoadState::operator=(MemoryLoadState &&) noexcept = default;

const LoadState *MemoryLoadState::state() const { return &record_->state; }

}  // namespace minihost
