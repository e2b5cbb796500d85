#!/usr/bin/env bash
# A job's memory limits are honoured: under an address-space limit
# (prlimit --as) and under --memory-limit, a scene whose oversampling asks
# for more than the limit gets its modules' blocks refused (exit 3, the frame
# kept as a failure) and a frame too large is refused before rendering (exit
# 3, with the need and the budget); the
# process is never killed, and its peak resident memory stays within the
# limit. A scene whose image does not fit beside its frame is refused before
# the image is decoded (exit 3, the need and the budget, the report). Inside
# a memory cgroup the same holds where the machine lets the test make one
# (cgroup v2 with the memory controller delegated, or cgroup v1's memory
# hierarchy).
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
# A spot light projecting an 8192 x 8192 image: 1216 MB to decode, from a
# file of a few hundred kilobytes.
python3 - <<'PY'
import json, struct, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
side = 8192
rows = zlib.compress(bytes(side * (1 + 3 * side)), 9)
open("big.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
                            + chunk(b"IDAT", rows) + chunk(b"IEND", b""))
scene = json.load(open("hostile.json"))
scene["pixel_filters"][0]["settings"]["aa_sample"] = 1
scene["lights"] = [{"type": "spot", "position": [0, 0, -4], "projection_image": "big.png"}]
json.dump(scene, open("image.json", "w"))
PY

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
expect 3 "image.json.*big.png.* 8192 x 8192 pixels needs 1216 MB to decode, more than what the [0-9]* MB budget (--memory-limit" 400 \
  "$MINIHOST" render image.json -o limit.png --threads 1 -q --memory-limit 400M --report image-report.json
grep -q '"exit_status": 3' image-report.json && grep -q 'needs 1216 MB to decode' image-report.json ||
  { echo "the report does not hold the refused image"; cat image-report.json; exit 1; }
[ ! -e limit.png ] || { echo "a frame was written for a scene whose image does not fit"; exit 1; }

# A memory cgroup of 512 MB made for the test: under the root of cgroup v2
# where it delegates the memory controller, else inside the test's own group
# of cgroup v1's memory hierarchy. The kernel kills what passes its limit, so
# a signal here is the fault the budget is there to prevent.
cg="" limitFile=""
if grep -qw memory /sys/fs/cgroup/cgroup.subtree_control 2>/dev/null &&
   mkdir "/sys/fs/cgroup/qr-memory-test-$$" 2>/dev/null; then
  cg=/sys/fs/cgroup/qr-memory-test-$$ limitFile=memory.max
else
  own=$(sed -n 's/^[0-9]*:\([^:]*,\)\{0,1\}memory\(,[^:]*\)\{0,1\}:\(.*\)$/\3/p' /proc/self/cgroup)
  if [ -n "$own" ] && [ -d "/sys/fs/cgroup/memory${own%/}" ] &&
     mkdir "/sys/fs/cgroup/memory${own%/}/qr-memory-test-$$" 2>/dev/null; then
    cg="/sys/fs/cgroup/memory${own%/}/qr-memory-test-$$" limitFile=memory.limit_in_bytes
  fi
fi
if [ -n "$cg" ]; then
  trap 'rmdir "$cg" 2>/dev/null; rm -rf "$work"' EXIT
  echo $((512 << 20)) > "$cg/$limitFile" 2>/dev/null || true
fi
if [ -n "$cg" ] && [ "$(cat "$cg/$limitFile")" = $((512 << 20)) ]; then
  inGroup=(sh -c "echo \$\$ > $cg/cgroup.procs && exec \"\$0\" \"\$@\"")
  expect 3 "render memory refused block" 512 \
    "${inGroup[@]}" "$MINIHOST" render hostile.json -o cg.png --threads 1 -q
  expect 3 "more than the [0-9]* MB budget (the memory cgroup's limit" 512 \
    "${inGroup[@]}" "$MINIHOST" render huge.json -o cg.png --threads 1 -q
  expect 3 "needs 1216 MB to decode, more than what the [0-9]* MB budget (the memory cgroup's limit" 512 \
    "${inGroup[@]}" "$MINIHOST" render image.json -o cg.png --threads 1 -q
  echo "cgroup: checked in $cg"
else
  echo "cgroup: this machine lets the test make no memory cgroup; that part is skipped"
fi
echo "1 passed, 0 failed"
