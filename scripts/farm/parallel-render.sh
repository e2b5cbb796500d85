#!/usr/bin/env bash
# Spreads a frame range over local cores, or over machines, with GNU parallel:
#   scripts/farm/parallel-render.sh SCENE OUT_PATTERN FIRST-LAST[xSTEP] [parallel options...]
# One minihost per frame, each with --skip-existing, so running the same
# command again renders only the frames that are missing or damaged.
#   JOBS=3          jobs at once on each machine (default: one per core)
#   THREADS=1       shading threads of each job (default: 1)
#   REPORTS=DIR     one run report per frame, DIR/frame.N.json
#   MINIHOST=PATH   the minihost to run (default: this tree's build, else the PATH's)
# Options after the range go to parallel, e.g. --sshlogin 8/render1,8/render2
# (the scene, its meshes and the output folder must then be at the same paths
# on every machine, as on a shared file system).
set -euo pipefail
if [ $# -lt 3 ]; then
  sed -n '2,13s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
scene=$1 pattern=$2 range=$3
shift 3
here=$(cd "$(dirname "$0")/../.." && pwd)
minihost=${MINIHOST:-$here/build/minihost/minihost}
[ -x "$minihost" ] || minihost=$(command -v minihost) || { echo "$0: no minihost found; set MINIHOST" >&2; exit 2; }
if ! [[ $range =~ ^(-?[0-9]+)-(-?[0-9]+)(x([0-9]+))?$ ]]; then
  echo "$0: frame range \"$range\": expected FIRST-LAST or FIRST-LASTxSTEP" >&2
  exit 2
fi
# The output's folder is made here, once, rather than failing every frame.
mkdir -p "$(dirname "$pattern")"
report=()
if [ -n "${REPORTS:-}" ]; then
  mkdir -p "$REPORTS"
  report=(--report "$(cd "$REPORTS" && pwd)/frame.{}.json")
fi
seq "${BASH_REMATCH[1]}" "${BASH_REMATCH[4]:-1}" "${BASH_REMATCH[2]}" |
  parallel --will-cite --quote --halt never --jobs "${JOBS:-100%}" "$@" \
    "$minihost" render "$scene" -o "$pattern" --frames {} --threads "${THREADS:-1}" \
    --skip-existing -q "${report[@]}"
