#!/usr/bin/env bash
# Builds the plain tree and runs the main job: lists the servers of both
# modules with `minihost info`, imports the glTF example and renders it, then
# renders the bundled example scenes to PNG files in build/examples/, with and
# without outlines.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh plain
build/minihost/minihost info build/QM_Quillrim_S.so build/QM_Quillrim_P.so
build/minihost/minihost info  # the modules a scene may name by name, and where they are
mkdir -p build/examples
# A model made in the tree (examples/models/make_toys.py), imported into a
# scene with the stroke edition's outlines, then its second of animation
# rendered from that scene as an OpenEXR sequence (every eighth frame).
build/minihost/minihost import examples/models/toys.gltf -o build/examples/toys.json --overwrite
build/minihost/minihost render build/examples/toys.json -o build/examples/toys.####.exr --frames 1-25x8 -q
# Without modules, with the stroke edition, with the line edition, lines or
# strokes alone over white, and line settings driven by textures.
for scene in pawn primitives pawn_stroke_edition primitives_stroke_edition pawn_line_edition \
             primitives_line_edition pawn_lines_only primitives_strokes_only \
             crevices_stroke_edition crevices_line_edition distance_fade_stroke_edition \
             distance_fade_line_edition; do
  # Ambient occlusion draws from one random sequence shared by the shading
  # threads: on one thread its noise is the same every run.
  threads=()
  case $scene in crevices_*) threads=(--threads 1) ;; esac
  build/minihost/minihost render "examples/$scene.json" -o "build/examples/$scene.png" "${threads[@]}"
done
# The animated scene as an OpenEXR sequence (every sixth frame) with a run
# report, from another working directory: its modules are found by name.
(cd build/examples && ../minihost/minihost render ../../examples/primitives_animated_stroke_edition.json \
  -o primitives_animated.####.exr --frames 1-24x6 --report primitives_animated.json)
echo "Rendered images (open them with any image viewer; the .exr files with a compositor):"
for f in build/examples/*.png build/examples/*.exr build/examples/primitives_animated.json; do
  echo "  $(pwd)/$f"
done
