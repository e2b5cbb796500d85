// The texture support's module-wide state: its services, the shared texture
// context and the occlusion inputs' random seed. Created empty when the module loads; at unload the
// context, if one was made, is destroyed through the host.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/host_types.h"
#include "module_base/module_object_slot.h"
#include "texlib/support_services.h"

namespace qr {

struct TextureSupportTables {
    TextureSupportTables() noexcept = default;
    ~TextureSupportTables();
    TextureSupportTables(const TextureSupportTables &) = delete;
    TextureSupportTables &operator=(const TextureSupportTables &) = delete;

    SupportServices services{};
    TxtrContextID sharedContext = nullptr;
    // See drawOcclusionRandoms(). Every render thread writes it once per
    // occlusion spot: on a cache line of its own, it leaves the services,
    // which they all read, in their caches.
    alignas(64) std::atomic<uint32_t> occlusionSeed{1};
};

// The fifth of the module-wide objects; the module frame binds it here.
ModuleObjectSlot<TextureSupportTables> &textureSupportTablesSlot() noexcept;
inline TextureSupportTables &textureSupportTables() noexcept { return *textureSupportTablesSlot(); }

// Tests: forget the services and the context (without destroying it); the
// seed is left as it is.
void resetTextureSupportForTests() noexcept;

}  // namespace qr
