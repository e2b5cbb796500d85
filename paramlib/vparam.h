// Variant parameters: one host variant parameter ("LWVParmFuncs 2") with its
// envelope group, channel name, texture events, per-frame texture preparation
// and clean-up, saved and loaded as one "VPRM" block (with "VENV" blocks for
// its envelopes) inside a parameter block.
//
// The owner allocates the object, then calls construct(); the host parameter
// lives until the destructor. Every operation is safe to call on an object
// whose construction found no variant-parameter service: it does nothing.
#pragma once

#include <cstdint>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/variant_params.h"

namespace qr {

// The variant-parameter service ("LWVParmFuncs 2") the Vparam objects were
// set up with, for the owners' get-value, set-value and copy; null until a
// construction found it.
const VParmFuncs *vparamService() noexcept;

class Vparam {
public:
    Vparam() noexcept = default;
    // Destroys the host parameter (the envelope sub-group of a colour stays
    // with the host, which owns it).
    virtual ~Vparam();
    Vparam(const Vparam &) = delete;
    Vparam &operator=(const Vparam &) = delete;

    // Creates and sets up the host parameter. valueType 81 (colour) gets a
    // channel name "<name>_<8 hex digits>" in a new group of that name under
    // `group`; other types keep `name` and `group`. textureType -1: no
    // texture context. The value starts at (0, 0, 0).
    void construct(const char *name, int valueType, int textureType, ChanGroupID group,
                   const char *pluginName, void *ownerContext);

    // The host parameter, for get-value, set-value and copy; null before
    // construct() or without the service.
    VParmID hostParam() const { return hostParam_; }
    ChanGroupID envelopeGroup() const noexcept { return envelopeGroup_; }
    void *ownerContext() const noexcept { return ownerContext_; }

    // Forwarded to the parameter's texture, when it has one.
    void newTime(double time, int frame);
    int cleanup();

    // The "VPRM" block.
    void save(const SaveState *ss) const;
    void load(const LoadState *ls);

private:
    int32_t valueType_ = 0;
    int32_t textureType_ = -1;
    ChanGroupID envelopeGroup_ = nullptr;
    void *ownerContext_ = nullptr;
    VParmID hostParam_ = nullptr;
    uint32_t nameSuffix_ = 0;  // the colour channel name's 8 hex digits
};

}  // namespace qr
