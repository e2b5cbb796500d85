#!/usr/bin/env bash
# Frames 1-6 of the animated example as a Slurm array job (two frames a
# task) on a single-node Slurm started here, byte-identical to one process
# rendering the range. Skipped (status 77, with the reason) where the Slurm
# packages are missing or the daemons do not start within a minute.
#   tests/farm/slurm_render_test.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
minihost=$(cd "$1" && pwd)/minihost/minihost
skip() { echo "skipped: $*"; exit 77; }
for tool in slurmctld slurmd sbatch sinfo; do
  command -v "$tool" >/dev/null || skip "no $tool (Debian's slurmctld, slurmd and slurm-client)"
done
[ "$(id -u)" = 0 ] || skip "the Slurm daemons are started as root here"
work=$(mktemp -d)
cleanup() {
  "$src/scripts/farm/slurm-local-cluster.sh" stop "$work/cluster" || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
mkdir one
# The recipe of docs/farm.md: a one-machine cluster started by the script.
started=$("$src/scripts/farm/slurm-local-cluster.sh" start "$work/cluster" 2>cluster.err) ||
  skip "a single-node Slurm did not start: $(cat cluster.err)"
eval "$started"
scene=$src/examples/primitives_animated_stroke_edition.json
"$minihost" render "$scene" -o one/shot.####.exr --frames 1-6 -q 2>/dev/null
# Neither the output folder nor the reports' exists yet: every task makes them.
MINIHOST=$minihost REPORTS=$work/reports sbatch --wait --array=1-6:2 --mem=1G --output="$work/task.%a.log" \
  "$src/scripts/farm/slurm-render.sh" "$scene" "$work/farm/shot.####.exr" 6 >/dev/null ||
  { cat task.*.log; exit 1; }
for f in 1 2 3 4 5 6; do cmp "one/shot.000$f.exr" "farm/shot.000$f.exr"; done
[ "$(cat reports/task.*.json | grep -c '"status": "done"')" = 6 ] || { echo "reports: not every frame done"; exit 1; }
echo "1 passed, 0 failed"
