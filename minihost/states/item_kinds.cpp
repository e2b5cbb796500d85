#include "minihost/states/tree.h"

namespace minihost {

bool isIntegerKind(StateItem::Kind kind) {
    using K = StateItem::Kind;
    return kind == K::I1 || kind == K::I2 || kind == K::I4 || kind == K::U1 || kind == K::U2 || kind == K::U4;
}

int integerWidth(StateItem::Kind kind) {
    using K = StateItem::Kind;
    switch (kind) {
    case K::I1:
    case K::U1: return 1;
    case K::I2:
    case K::U2: return 2;
    case K::I4:
    case K::U4: return 4;
    default: return 0;
    }
}

int64_t wrapToKind(StateItem::Kind kind, int64_t value) {
    using K = StateItem::Kind;
    // Unsigned arithmetic wraps without undefined behaviour; the casts to the
    // narrow signed types are modular since C++20.
    const auto bits = static_cast<uint64_t>(value);
    switch (kind) {
    case K::I1: return static_cast<int8_t>(bits & 0xFFu);
    case K::I2: return static_cast<int16_t>(bits & 0xFFFFu);
    case K::I4: return static_cast<int32_t>(bits & 0xFFFFFFFFu);
    case K::U1: return static_cast<int64_t>(bits & 0xFFu);
    case K::U2: return static_cast<int64_t>(bits & 0xFFFFu);
    case K::U4: return static_cast<int64_t>(bits & 0xFFFFFFFFu);
    default: return value;
    }
}

}  // namespace minihost
