#!/usr/bin/env bash
# Renders the golden images of the image tests: scripts/regenerate-goldens.sh [build-dir]
#
# Every tests/data/scenes/edges_*.json is rendered with the minihost and the
# modules of the build folder (default: build/) into
# tests/data/golden/<scene>.png. The scenes name their modules as
# ../../../build/<module>.so; a copy with the build folder's modules is
# rendered, so any build folder works. Run it after a change that is meant
# to change the images (the edge shader, a tracer, the renderer), look at the
# new images, and commit them with the change. host_tests' GoldenImage tests
# compare renders with these files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
minihost="$build/minihost/minihost"
if [ ! -x "$minihost" ]; then
  echo "regenerate-goldens: $minihost: not built (build the tree first)" >&2
  exit 1
fi
work=$(mktemp -d "$build/golden-scenes.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p tests/data/golden
failed=0
for scene in tests/data/scenes/edges_*.json; do
  name=$(basename "$scene" .json)
  sed "s#\"\.\./\.\./\.\./build/#\"$build/#g" "$scene" > "$work/$name.json"
  # A scene that fails keeps its old golden image (minihost writes nothing then).
  if ! "$minihost" render "$work/$name.json" -o "tests/data/golden/$name.png" --threads 2 -q; then
    echo "regenerate-goldens: $scene: not rendered" >&2
    failed=1
  fi
done
echo "Golden images in $(pwd)/tests/data/golden/"
exit $failed
