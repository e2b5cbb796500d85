#!/usr/bin/env bash
# Builds the plain tree and runs the main job: for now, lists the servers of
# both modules with `minihost info`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh plain
build/minihost/minihost info build/QM_Quillrim_S.so build/QM_Quillrim_P.so
