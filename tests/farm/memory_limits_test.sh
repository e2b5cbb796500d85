#!/usr/bin/env bash
# A job's memory limits are honoured: under an address-space limit
# (prlimit --as) and under --memory-limit, a scene whose oversampling asks
# for more than the limit gets its modules' blocks refused (exit 3, the frame
# kept as a failure) and a frame too large is refused before rendering (exit
# 3, with the need and the budget); the
# process is never killed, and its peak resident memory stays within the
# limit. Inside a memory cgroup the same holds where the machine lets the
# test make one (cgroup v2 with the memory controller delegated).
#   tests/farm/memory_limits_test.sh BUILD_DIR
set -euo pipefail
MINIHOST=$(cd "$1" && pwd)/minihost/minihost
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

scene() {  # WIDTH HEIGHT AA_SAMPLE
  cat <<JSON
{"render": {"width": $1, "height": $2}, "modules": ["QM_Quillrim_S"], "camera": {"position": [0, 0, -4]},
 "objects": [{"name": "Box", "primitive": {"type": "box", "surface": "Clay"}, "rotation": [30, 20, 0],
              "surfaces": {"Clay": {"shaders": ["QM_Quillrim_S:Shader"]}}}],
 "pixel_filters": [{"server": "QM_Quillrim_S:TraceStep1", "settings": {"aa_sample": $3}}],
 "image_filters": ["QM_Quillrim_S:TraceStep2"]}
JSON
}
scene 320 240 100 > hostile.json
scene 8000 8000 1 > huge.json  # 1464 MB of frame buffers

# expect STATUS TEXT LIMIT_MB command...: the status, the message, and a peak
# resident memory (from /usr/bin/time) within the limit.
expect() {
  local want=$1 text=$2 limit=$3
  shift 3
  set +e
  /usr/bin/time -f 'peak %M kB' -o time.txt "$@" > log 2>&1
  local got=$?
  set -e
  if [ "$got" != "$want" ]; then echo "exit $got, expected $want: $*"; cat log; exit 1; fi
  grep -q -- "$text" log || { echo "no \"$text\" in the messages of: $*"; cat log; exit 1; }
  local peak
  peak=$(sed -n 's/^peak \([0-9]*\) kB$/\1/p' time.txt)
  [ "$((peak / 1024))" -le "$limit" ] || { echo "peak ${peak} kB over ${limit} MB: $*"; exit 1; }
}

render() { "$MINIHOST" render "$@" --threads 1 -q; }

expect 3 "render memory refused block" 1536 \
  prlimit --as=$((1536 << 20)) "$MINIHOST" render hostile.json -o as.png --threads 1 -q --report as.json
[ -f as.failed.png ] && [ ! -e as.png ] || { echo "the failed frame was kept under its own name"; exit 1; }
grep -q '"status": "module-error"' as.json
expect 3 "more than the [0-9]* MB budget (the address-space limit" 1536 \
  prlimit --as=$((1536 << 20)) "$MINIHOST" render huge.json -o huge.png --threads 1 -q
expect 3 "render memory refused block" 400 \
  "$MINIHOST" render hostile.json -o limit.png --threads 1 -q --memory-limit 400M
expect 3 "more than the [0-9]* MB budget (--memory-limit" 400 \
  "$MINIHOST" render huge.json -o limit.png --threads 1 -q --memory-limit 400M

# A memory cgroup of 400 MB, where cgroup v2 delegates the memory controller.
cg=/sys/fs/cgroup/qr-memory-test-$$
if grep -qw memory /sys/fs/cgroup/cgroup.subtree_control 2>/dev/null && mkdir "$cg" 2>/dev/null; then
  trap 'rmdir "$cg" 2>/dev/null; rm -rf "$work"' EXIT
  echo $((400 << 20)) > "$cg/memory.max"
  expect 3 "render memory refused block" 400 \
    sh -c "echo \$\$ > $cg/cgroup.procs && exec \"$MINIHOST\" render hostile.json -o cg.png --threads 1 -q"
  expect 3 "the memory cgroup's limit" 400 \
    sh -c "echo \$\$ > $cg/cgroup.procs && exec \"$MINIHOST\" render huge.json -o cg.png --threads 1 -q"
  echo "cgroup: checked"
else
  echo "cgroup: no delegated cgroup v2 memory controller here; that part is skipped"
fi
echo "1 passed, 0 failed"
