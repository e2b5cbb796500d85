#!/usr/bin/env bash
# Checks the layers and the format, then builds both trees and runs every
# test, plain and under the sanitizers (the fuzz targets' regression corpora
# among them).
#   scripts/test.sh        the whole suite, as CI runs it
#   scripts/test.sh tsan   the concurrency tests under ThreadSanitizer, in
#                          build-tsan/ (not part of CI's run)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
if [ "${1:-}" = tsan ]; then
  scripts/build.sh tsan
  # Store and render-memory creation from several callers, item snapshots
  # refreshed while read, variant parameters evaluated at once, and frames
  # shaded on several render threads with the edge shader of each edition,
  # the texture inputs that every render thread evaluates at once, the
  # studio's server threads aborting its renderer, and Ctrl-C during a range.
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:allocator_may_return_null=1}
  (cd build-tsan && ctest --output-on-failure -j "$jobs" \
    -R 'Concurrent|SeveralThreads|OneAndTwoThreads|GoldenImage|FrameSnapshot|TextureScene|OcclusionScene|Served|CtrlC')
  exit
fi
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
