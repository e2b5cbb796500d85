// "Channel Info 2": walks the channel groups (a tree, children in creation
// order; a null parent means the top level) and the channels of a group (in
// creation order), with their names, parents and envelopes. Channels whose
// group was destroyed belong to no group and are not walked.
#pragma once

#include "host/variant_params.h"

namespace minihost {

ChannelInfo *channelInfoRecord();

}  // namespace minihost
