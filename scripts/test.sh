#!/usr/bin/env bash
# Checks the layers and the format, then builds both trees and runs every
# test, plain and under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
# The cheap checks first: the layer table and the format.
scripts/check-layers.sh
scripts/format.sh --check
scripts/build.sh plain
(cd build && ctest --output-on-failure -j "$jobs")
scripts/check-exports.sh build
scripts/build.sh sanitize
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build-asan && ctest --output-on-failure -j "$jobs")
