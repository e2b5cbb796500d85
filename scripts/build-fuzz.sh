#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer, everything instrumented
# with AddressSanitizer and UndefinedBehaviorSanitizer, in build-fuzz/:
#   scripts/build-fuzz.sh
# Then fuzz/README.md: how to run each target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
extra=()
command -v ccache >/dev/null && extra+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz "${generator[@]}" "${extra[@]}" -DQR_FUZZ=ON \
    -DQR_BUILD_TESTS=OFF -DQR_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build-fuzz -j "$jobs" "$@"
