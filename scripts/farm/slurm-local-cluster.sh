#!/usr/bin/env bash
# A one-machine Slurm cluster, for trying the array job of slurm-render.sh
# here before a real cluster:
#   sudo scripts/farm/slurm-local-cluster.sh start DIR   # prints the SLURM_CONF to export
#   sudo scripts/farm/slurm-local-cluster.sh stop DIR
# DIR (made when missing) holds the configuration, the daemons' state, pid
# files and logs. The controller and the node daemon run as root on
# 127.0.0.1, without authentication, on ports of this run's own
# (PORT=N to choose them), with one node "qrnode" of this machine's CPUs and
# memory in a partition "render". start waits up to a minute for the node to
# be idle and exits 1 (with the logs' last lines) when it is not.
set -euo pipefail
usage() { sed -n '2,11s/^# \{0,1\}//p' "$0" >&2; exit 2; }
[ $# = 2 ] || usage
action=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)
conf=$dir/slurm.conf
case "$action" in
  start)
    [ "$(id -u)" = 0 ] || { echo "$0: the daemons are started as root" >&2; exit 1; }
    for tool in slurmctld slurmd sinfo; do
      command -v "$tool" >/dev/null || { echo "$0: no $tool (scripts/install-deps.sh)" >&2; exit 1; }
    done
    mkdir -p "$dir/state" "$dir/spool"
    port=${PORT:-$((20000 + $$ % 20000))}
    memory=$(awk '/^MemTotal:/ {print int($2 / 1024)}' /proc/meminfo)
    cat > "$conf" <<CONF
ClusterName=minihost-local
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/none
CredType=cred/none
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool/%n
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU_Memory
ReturnToService=2
NodeName=qrnode NodeAddr=127.0.0.1 NodeHostname=$(hostname -s) CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=render Nodes=qrnode Default=YES MaxTime=INFINITE State=UP
CONF
    slurmctld -i -f "$conf" >/dev/null 2>&1
    slurmd -N qrnode -f "$conf" >/dev/null 2>&1
    for _ in $(seq 60); do
      [ "$(SLURM_CONF=$conf sinfo -h -N -o %T 2>/dev/null)" = idle ] && break
      sleep 1
    done
    if [ "$(SLURM_CONF=$conf sinfo -h -N -o %T 2>/dev/null)" != idle ]; then
      tail -n 3 "$dir/slurmctld.log" "$dir/slurmd.log" >&2 2>/dev/null || true
      echo "$0: the node did not become idle within a minute (logs above)" >&2
      exit 1
    fi
    echo "export SLURM_CONF=$conf"
    ;;
  stop)
    for daemon in slurmd slurmctld; do
      [ -f "$dir/$daemon.pid" ] || continue
      pid=$(cat "$dir/$daemon.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    done
    ;;
  *) usage ;;
esac
