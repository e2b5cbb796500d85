#!/usr/bin/env bash
# Builds both trees and runs every test, plain and under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
scripts/build.sh plain
(cd build && ctest --output-on-failure -j "$jobs")
scripts/check-exports.sh build
scripts/build.sh sanitize
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build-asan && ctest --output-on-failure -j "$jobs")
