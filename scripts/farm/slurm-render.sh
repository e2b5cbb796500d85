#!/usr/bin/env bash
# A Slurm array job: each task renders its frame, or its chunk of frames.
#   sbatch --array=1-240 scripts/farm/slurm-render.sh SCENE OUT_PATTERN
#   sbatch --array=1-240:10 scripts/farm/slurm-render.sh SCENE OUT_PATTERN [LAST]
# With a step, each task renders from its index up to the next task's first
# frame (1-10, ..., 231-240), never past LAST when it is given. Every task
# runs with --skip-existing, so submitting the same array again renders only
# the frames that are missing or damaged. The scene, its meshes and the
# output folder must be on a file system every node sees.
#   MINIHOST=PATH   the minihost to run (default: build/minihost/minihost in the
#                   folder the job was submitted from, else the PATH's)
#   THREADS=N       shading threads (default: the CPUs Slurm gave the task)
#   REPORTS=DIR     one run report per task, DIR/task.N.json
#   MEMORY_LIMIT=S  --memory-limit S, where the cluster does not enforce --mem
#SBATCH --job-name=minihost-render
#SBATCH --cpus-per-task=1
#SBATCH --output=minihost-render.%A_%a.log
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ] || [ -z "${SLURM_ARRAY_TASK_ID:-}" ]; then
  echo "usage: sbatch --array=FIRST-LAST[:STEP] $0 SCENE OUT_PATTERN [LAST]" >&2
  exit 2
fi
scene=$1 pattern=$2
# Slurm runs a copy of this script, so the tree is found from the folder
# the job was submitted from, which is also the task's working folder.
minihost=${MINIHOST:-${SLURM_SUBMIT_DIR:-.}/build/minihost/minihost}
[ -x "$minihost" ] || minihost=$(command -v minihost) || { echo "$0: no minihost found; set MINIHOST" >&2; exit 2; }
first=$SLURM_ARRAY_TASK_ID
last=$((first + ${SLURM_ARRAY_TASK_STEP:-1} - 1))
[ $# -lt 3 ] || [ "$last" -le "$3" ] || last=$3
# Every task makes the folders it writes to (any task may start first).
mkdir -p "$(dirname "$pattern")"
report=()
if [ -n "${REPORTS:-}" ]; then
  mkdir -p "$REPORTS"
  report=(--report "$REPORTS/task.$first.json")
fi
limit=()
[ -z "${MEMORY_LIMIT:-}" ] || limit=(--memory-limit "$MEMORY_LIMIT")
exec "$minihost" render "$scene" -o "$pattern" --frames "$first-$last" \
  --threads "${THREADS:-${SLURM_CPUS_PER_TASK:-1}}" --skip-existing -q "${report[@]}" "${limit[@]}"
