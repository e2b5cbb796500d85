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
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
mkdir -p state spool one farm
# Ports of this run's own, so that two runs on one machine do not meet.
port=$((20000 + $$ % 20000))
cat > slurm.conf <<CONF
ClusterName=minihost-test
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/none
CredType=cred/none
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool/%n
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName=qrnode NodeAddr=127.0.0.1 NodeHostname=$(hostname -s) CPUs=$(nproc) State=UNKNOWN
PartitionName=render Nodes=qrnode Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf
slurmctld -D -i -f "$SLURM_CONF" >/dev/null 2>&1 & pids+=($!)
slurmd -D -N qrnode -f "$SLURM_CONF" >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 60); do
  [ "$(sinfo -h -N -o %T 2>/dev/null)" = idle ] && break
  sleep 1
done
if [ "$(sinfo -h -N -o %T 2>/dev/null)" != idle ]; then
  tail -n 3 slurmctld.log slurmd.log 2>/dev/null || true
  skip "a single-node Slurm did not start within a minute (logs above)"
fi
scene=$src/examples/primitives_animated_stroke_edition.json
"$minihost" render "$scene" -o one/shot.####.exr --frames 1-6 -q 2>/dev/null
MINIHOST=$minihost sbatch --wait --array=1-6:2 --output="$work/task.%a.log" \
  "$src/scripts/farm/slurm-render.sh" "$scene" "$work/farm/shot.####.exr" 6 >/dev/null ||
  { cat task.*.log; exit 1; }
for f in 1 2 3 4 5 6; do cmp "one/shot.000$f.exr" "farm/shot.000$f.exr"; done
echo "1 passed, 0 failed"
