#!/usr/bin/env bash
# Configures and builds one tree: scripts/build.sh [plain|sanitize|tsan]
# plain    -> build/        (optimised with debug info)
# sanitize -> build-asan/   (AddressSanitizer and UndefinedBehaviorSanitizer)
# tsan     -> build-tsan/   (ThreadSanitizer; scripts/test.sh tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-plain}
jobs=${JOBS:-$(nproc)}
case "$kind" in
  plain)    dir=build;      extra=() ;;
  sanitize) dir=build-asan; extra=(-DQR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
  tsan)     dir=build-tsan; extra=(-DQR_TSAN=ON -DQR_BUILD_BENCH=OFF) ;;
  *) echo "usage: $0 [plain|sanitize|tsan]" >&2; exit 2 ;;
esac
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# A compiler cache, where the machine has one, shares objects between trees.
command -v ccache >/dev/null && extra+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${generator[@]}" "${extra[@]}"
fi
cmake --build "$dir" -j "$jobs"
