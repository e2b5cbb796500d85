#!/usr/bin/env bash
# Builds the plain tree and runs the main job: lists the servers of both
# modules with `minihost info`, then renders the bundled example scenes to
# PNG files in build/examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh plain
build/minihost/minihost info build/QM_Quillrim_S.so build/QM_Quillrim_P.so
mkdir -p build/examples
for scene in pawn primitives pawn_line_edition primitives_stroke_edition; do
  build/minihost/minihost render "examples/$scene.json" -o "build/examples/$scene.png"
done
echo "Rendered images: $(pwd)/build/examples/*.png"
