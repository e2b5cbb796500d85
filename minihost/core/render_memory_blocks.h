// "Global Render Memory": named blocks kept until the host discards them.
//
// Blocks are zero-filled, aligned for any type and never move. A block larger
// than the process's memory budget (core/system_memory.h), less the blocks
// admitted before it and not yet made present, is refused with null, as a
// host refuses what it cannot give. Tests can make
// creation fail, for every name or for one, to reach the modules' out-of-memory
// paths.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/render_memory.h"

namespace minihost {

RenderMemory *renderMemoryRecord();

// Frees every block (the end of a render session). Pointers handed out before
// are invalid afterwards; modules find their blocks again by name.
void discardRenderMemory();

// Makes the pages of every block admitted so far present, at once (the
// render calls it when a frame's blocks are all created, before it draws).
void populateRenderMemory();

// While set, every create returns null.
void setRenderMemoryCreateFails(bool fail);
// Creating a block of exactly that name returns null; "" clears it.
void setRenderMemoryCreateFailsFor(const std::string &name);

// Every creation refused so far, oldest first (up to 64): "\"name\" (N bytes)".
std::vector<std::string> renderMemoryRefusals();

// For tests: the names of the live blocks (sorted) and a block's size
// (0 when there is no such block).
std::vector<std::string> renderMemoryNames();
std::size_t renderMemoryBlockSize(const std::string &name);

}  // namespace minihost
