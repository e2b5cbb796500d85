#include "minihost/render/frame_buffer.h"

#include "host/access.h"

namespace minihost {

std::vector<float> *FrameBuffer::plane(int type) {
    switch (type) {
    case BUFFER_RED: return &red;
    case BUFFER_GREEN: return &green;
    case BUFFER_BLUE: return &blue;
    case BUFFER_ALPHA: return &alpha;
    case BUFFER_DEPTH: return &depth;
    default: return nullptr;
    }
}

const std::vector<float> *FrameBuffer::plane(int type) const {
    return const_cast<FrameBuffer *>(this)->plane(type);
}

}  // namespace minihost
