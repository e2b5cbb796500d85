// The one guard on minihost's side of the contract.
//
// Every function minihost hands a module (the service records it looks up by
// name, and the records those give out: save and load states, mesh records,
// panel controls, access records, the command record of a generic server) is
// installed as guardedService<Name, F>: a noexcept entry that calls F and
// turns any exception escaping it into F's failure answer and one line on
// stderr, "minihost: Name failed: what". Nothing thrown inside minihost
// unwinds into a module, and F itself needs no try/catch of its own.
//
// The failure answer is "nothing happened": null for a pointer, 0 for a
// number, no effect for void. A function whose contract gives another answer
// names it, guardedService<Name, F, Fallback>: Fallback takes F's arguments
// and its result is returned instead (a ray that hit nothing, "not enough
// memory", a save that is marked as lost); should the fallback throw as well,
// the plain answer is returned.
//
// Header-only, so that every folder of services can install it without
// linking anything more.
#pragma once

#include <cstddef>
#include <cstdio>
#include <exception>
#include <type_traits>

namespace minihost {

// A function's name in the log line, given as a string literal:
// guardedService<"TextureFuncs.load", load>.
template <std::size_t N>
struct ServiceName {
    char text[N];
    constexpr ServiceName(const char (&name)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = name[i];
    }
};

// The log of the guard: one line on stderr per failed call. Called from
// within a catch block, it names the exception being handled.
inline void reportServiceFailure(const char *service) noexcept {
    const char *what = "an exception of no standard type";
    try {
        throw;
    } catch (const std::exception &e) {
        what = e.what();
    } catch (...) {
    }
    std::fprintf(stderr, "minihost: %s failed: %s\n", service, what);
}

namespace detail {

template <ServiceName Name, auto Fn, auto Fallback>
struct ServiceGuard;

template <ServiceName Name, typename R, typename... Args, bool NoThrow, R (*Fn)(Args...) noexcept(NoThrow),
          auto Fallback>
struct ServiceGuard<Name, Fn, Fallback> {
    static R call(Args... args) noexcept {
        try {
            return Fn(args...);
        } catch (...) {
            reportServiceFailure(Name.text);
        }
        if constexpr (!std::is_null_pointer_v<decltype(Fallback)>) {
            try {
                return Fallback(args...);
            } catch (...) {
                reportServiceFailure(Name.text);
            }
        }
        if constexpr (!std::is_void_v<R>) return R{};
    }
};

}  // namespace detail

template <ServiceName Name, auto Fn, auto Fallback = nullptr>
inline constexpr auto guardedService = &detail::ServiceGuard<Name, Fn, Fallback>::call;

}  // namespace minihost
