#!/usr/bin/env bash
# Makes the seed corpora of every fuzz target from valid files, in
# build-fuzz/seeds/<target>/ (after scripts/build-fuzz.sh):
#   fuzz/make-seeds.sh [BUILD-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds/scene_json" "$seeds/obj_mesh"
cp examples/*.json tests/data/scenes/*.json "$seeds/scene_json/"
cp examples/meshes/*.obj "$seeds/obj_mesh/"
# A scene with every server of both editions, its modules from this build.
scene=$seeds/both_editions.json
cat > "$scene" <<JSON
{"render": {"width": 8, "height": 8}, "camera": {"position": [0, 0, -5]},
 "modules": ["$PWD/$build/QM_Quillrim_S.so", "$PWD/$build/QM_Quillrim_P.so"],
 "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "Paint"},
   "surfaces": {"Paint": {"shaders": [
     {"server": "QM_Quillrim_S:Shader", "settings": {"lcol": {"keys": [[1, [1, 0, 0]], [9, [0, 0, 1]]]}}},
     "QM_Quillrim_P:Shader"]}}}],
 "pixel_filters": ["QM_Quillrim_S:TraceStep1", "QM_Quillrim_P:Tracer"],
 "image_filters": ["QM_Quillrim_S:TraceStep2"]}
JSON
ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/seed_writer" "$seeds" "$scene"
rm "$scene"
for dir in "$seeds"/*/; do echo "$dir: $(ls "$dir" | wc -l) seeds"; done
