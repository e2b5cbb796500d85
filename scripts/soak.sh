#!/usr/bin/env bash
# Soak: 200 frames in a row with each edition, twice: in the plain build
# measuring the peak memory after 20 and after 200 frames (it must not grow
# with the frames), and in the sanitizer build under LeakSanitizer (no leak).
#   scripts/soak.sh            (after scripts/build.sh plain and sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
peak() {  # peak resident memory in KB of: minihost render ...
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1
}
for edition in stroke line; do
  for build in build build-asan; do
    # The edge scene, its modules taken from this build, over 200 frames.
    sed -e "s#\.\./\.\./\.\./build/#$PWD/$build/#" -e 's/"last_frame": 1/"last_frame": 200/' \
      "tests/data/scenes/edges_${edition}_edition.json" > "$work/$edition.json"
    if [ "$build" = build ]; then
      few=$(peak "$build/minihost/minihost" render "$work/$edition.json" --frames 1-20 -o "$work/f.png" -q)
      many=$(peak "$build/minihost/minihost" render "$work/$edition.json" --frames 1-200 -o "$work/f.png" -q)
      echo "$edition edition: peak memory $few KB after 20 frames, $many KB after 200 frames"
    else
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 "$build/minihost/minihost" render "$work/$edition.json" \
        --frames 1-200 -o "$work/f.png" -q 2>"$work/log" || { cat "$work/log"; exit 1; }
      echo "$edition edition: 200 frames under LeakSanitizer: $(grep -c 'wrote' "$work/log") written, no leak"
    fi
    rm -f "$work"/f.*.png
  done
done
