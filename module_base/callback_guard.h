// The one guard at the module's boundary.
//
// Every function the module hands the host (the descriptor's startup and
// shutdown, server activations, handler callbacks, panel callbacks, texture
// and mesh-scan callbacks) is installed as guarded<F>: a noexcept entry that
// calls F and turns any exception escaping it into the callback's fallback.
// Nothing thrown inside the module unwinds into the host, and F itself needs
// no try/catch of its own.
//
// The fallback is "nothing happened": null for a pointer, 0 for a number, no
// effect for void. A callback whose design gives another fallback names it,
// guarded<F, Fallback>: Fallback takes F's arguments and its result is
// returned instead (TraceStep2 copies the frame through unchanged); should
// the fallback throw as well, the plain fallback is returned.
#pragma once

#include <type_traits>

namespace qr {

namespace detail {

template <auto Fn, auto Fallback>
struct Guard;

template <typename R, typename... Args, R (*Fn)(Args...), auto Fallback>
struct Guard<Fn, Fallback> {
    static R call(Args... args) noexcept {
        try {
            return Fn(args...);
        } catch (...) {
            if constexpr (!std::is_null_pointer_v<decltype(Fallback)>) {
                try {
                    return Fallback(args...);
                } catch (...) {
                }
            }
            if constexpr (!std::is_void_v<R>) return R{};
        }
    }
};

// A callback that cannot throw is installed as it is.
template <typename R, typename... Args, R (*Fn)(Args...) noexcept, auto Fallback>
struct Guard<Fn, Fallback> {
    static R call(Args... args) noexcept { return Fn(args...); }
};

}  // namespace detail

template <auto Fn, auto Fallback = nullptr>
inline constexpr auto guarded = &detail::Guard<Fn, Fallback>::call;

}  // namespace qr
