#!/usr/bin/env bash
# Runs every speed and memory aim's benchmark with its baseline and prints
# one table: aim, figure, baseline, ratio, target, met. About six minutes on
# a 2-core machine. Timings on a shared machine are noisy: each benchmark is
# repeated and its median taken, and every ratio compares two figures of the
# same program run.
#   scripts/bench.sh [BUILD-DIR]      (default: build; built with scripts/build.sh plain)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench="$build/bench"
if [ ! -x "$bench/stroke_pass_bench" ]; then
  echo "bench.sh: no benchmarks in $bench: run scripts/build.sh plain first" >&2
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

run() {  # name program filter repetitions
  local name=$1 program=$2 filter=$3 reps=$4
  echo "bench.sh: $program --benchmark_filter='$filter'" >&2
  "$bench/$program" --benchmark_filter="$filter" --benchmark_repetitions="$reps" \
    --benchmark_enable_random_interleaving=true --benchmark_format=json --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null
}

run pass stroke_pass_bench '.' 3
run store trace_step2_bench '(Store|Fresh|Fill|TraceStep2).*/2(/.*)?$' 3
run line line_tracer_bench 'LineTracerPass|PixelAccessBaseline' 5
run png png_output_bench '.' 5
run render render_bench 'LineRecording|PrimaryShading.*/1920/1080' 3
run frames frame_stages_bench 'NoModules|LineEdition|StrokeEdition/2/' 1
# Alone in its process, so that the peak memory is this frame's.
run frame4k frame_stages_bench 'StrokeEdition4K' 1
run raycast texture_inputs_bench 'RayCastService|BareEmbree' 5
run textured texture_inputs_bench 'Frame/threads:./textured:1' 1

python3 - "$out" <<'EOF'
import json, os, statistics, sys

out = sys.argv[1]
runs = {}
for f in os.listdir(out):
    for b in json.load(open(os.path.join(out, f)))["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        name = b["run_name"]
        for key in ("real_time", "cpu_time") + tuple(k for k in b if k.endswith(("_ms", "_MiB", "ns_per_sample", "per_pixel", "ns_per_cell"))):
            if key in b:
                runs.setdefault((name, key), []).append(b[key])

# Single-threaded figures are the process's CPU time, which a shared machine
# disturbs far less than the wall clock; the whole frames, shaded on every
# core, are wall-clock time.
def med(name, key="cpu_time"):
    for (n, k), v in runs.items():
        if k == key and (n == name or n.startswith(name + "/")):
            return statistics.median(v)
    return float("nan")

rows = []
def ratio(aim, fig, base, r, target, less, cmd):
    met = (r <= target) if less else (r >= target)
    rows.append((aim, fig, base, f"{r:.2f}", ("<= " if less else ">= ") + str(target), "yes" if met else "NO", cmd))

ms = lambda v: f"{v:.0f} ms"
p, e, s = med("BM_OversampledPass"), med("BM_EmbreeSameRays"), med("BM_RayShadeSameRays")
ratio("1a oversampled pass, b=2, 1080p", ms(p), "Embree, same rays: " + ms(e), p / e, 1.6, True, "stroke_pass_bench")
ratio("1b oversampled pass, b=2, 1080p", ms(p), "ray-shade, same rays: " + ms(s), p / s, 1.25, True, "stroke_pass_bench")
c, a = med("BM_StoreFirstCreation/2"), med("BM_FreshAllocAndFill/2")
ratio("2a store creation + clear, b=2", ms(c), "fresh alloc + fill: " + ms(a), c / a, 1.5, True, "trace_step2_bench")
c, f = med("BM_StoreClear/2"), med("BM_FillSamePatterns/2")
ratio("2b store clear, b=2", ms(c), "fill of same patterns: " + ms(f), c / f, 1.5, True, "trace_step2_bench")
t, pl = med("BM_TraceStep2Process/2"), med("BM_PlainTraceStep2/2")
ratio("3 TraceStep2 speed-up, b=2", ms(t), "plain form: " + ms(pl), pl / t, 3, False, "trace_step2_bench")
n, l = med("BM_NoModules", "real_time"), med("BM_LineEdition", "real_time")
ratio("4 line edition overhead, 1080p", ms(l), "no modules: " + ms(n), (l - n) / n, 0.15, True, "frame_stages_bench")
tp, pb = 1e9 * med("BM_LineTracerPass", "per_pixel"), 1e9 * med("BM_PixelAccessBaseline", "per_pixel")
ratio("4a line tracer per pixel", f"{tp:.1f} ns", f"bare pixel access: {pb:.1f} ns", tp / pb, 3, True, "line_tracer_bench")
r = med("BM_LineRecordingPerSample", "ns_per_sample")
ratio("4b shader recording per sample", f"{r:.1f} ns", "40 ns", r / 40, 1, True, "render_bench")
w, st = med("BM_PngWriter/1"), med("BM_StbWriter")
ratio("5 PNG 1080p RGBA, level 1", ms(w), "stb: " + ms(st), w / st, 0.25, True, "png_output_bench")
pk, nd = med("BM_StrokeEdition4K", "peak_MiB"), med("BM_StrokeEdition4K", "needed_MiB")
ratio("6 peak memory, 2160p, b=3", f"{pk:.0f} MiB", f"store+draw+frame: {nd:.0f} MiB", pk / nd, 1.1, True, "frame_stages_bench")
one, two = med("BM_PrimaryShadingOneThread/1920/1080", "real_time"), med("BM_PrimaryShadingAllCores/1920/1080", "real_time")
ratio("7 shading, 2 threads vs 1, 1080p", ms(two), "1 thread: " + ms(one), one / two, 1.8, False, "render_bench")
rc, be = med("BM_RayCastService"), med("BM_BareEmbree")
ratio("8 occlusion ray cast, 192 rays", f"{rc:.1f} us", f"bare Embree: {be:.1f} us", rc / be, 1.3, True, "texture_inputs_bench")
t1, t2 = med("BM_Frame/threads:1/textured:1", "real_time"), med("BM_Frame/threads:2/textured:1", "real_time")
ratio("9 occlusion frame, 2 vs 1, 720p", ms(t2), "1 thread: " + ms(t1), t1 / t2, 1.8, False, "texture_inputs_bench")
f2 = med("BM_StrokeEdition/2", "real_time")
ratio("done: stroke frame b=2 vs none", ms(f2), "no modules: " + ms(n), f2 / n, 3, True, "frame_stages_bench")

head = ("aim", "figure", "baseline", "ratio", "target", "met", "program (build/bench/)")
widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
line = lambda r: "| " + " | ".join(str(v).ljust(w) for v, w in zip(r, widths)) + " |"
with open("/proc/loadavg") as f:
    print("load average while measuring:", " ".join(f.read().split()[:3]))
print(line(head))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
EOF
