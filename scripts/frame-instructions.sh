#!/usr/bin/env bash
# Instructions per frame of the benchmark's frames on Mesa's software rasteriser, counted by
# valgrind's callgrind with the rasteriser's threads off, so all of a frame's work runs on the
# thread that is counted. The machine's load does not move the count: two run trees compare to a
# per cent where their frame times need many interleaved runs. It counts work, not time: memory
# traffic (clears, copies, multisample resolves) weighs less in it than on the clock, so confirm
# a choice with timings. About a minute and a half per run tree for scene 1.
#     scripts/frame-instructions.sh [--scene 1|2] [--frames N] [--size WxH] STAGE_DIR...
# (a STAGE_DIR is a run tree such as build/stage). Frames before the eleventh, where the driver
# compiles its shaders, are left out of the median.
set -euo pipefail
scene=1 frames=25 size=1024x768
while [ $# -gt 0 ]; do
    case $1 in
    --scene) scene=$2; shift 2 ;;
    --frames) frames=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    -*) echo "usage: frame-instructions.sh [--scene 1|2] [--frames N] [--size WxH] STAGE_DIR..." >&2; exit 2 ;;
    *) break ;;
    esac
done
[ $# -ge 1 ] && [ "$frames" -gt 10 ] || {
    echo "usage: frame-instructions.sh [--scene 1|2] [--frames N > 10] [--size WxH] STAGE_DIR..." >&2
    exit 2
}
command -v valgrind >/dev/null || { echo "needs valgrind (apt-get install valgrind)" >&2; exit 1; }

for stage in "$@"; do
    out=$(mktemp -d)
    # One dump per frame: the benchmark advances its frame clock after each frame's passes.
    (cd "$stage/bin" && LP_NUM_THREADS=0 SDL_VIDEODRIVER=x11 \
        xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
        valgrind --tool=callgrind --callgrind-out-file="$out/frame" --collect-atstart=no \
        --toggle-collect='*RunPasses*' --dump-before='*advanceFrameClock*' \
        ./brastel --benchmark --scene "$scene" --size "$size" --frames "$frames") \
        >"$out/log" 2>&1 || { echo "$stage: the run failed; its log: $out/log" >&2; continue; }
    python3 - "$stage" "$out" <<'PY'
import glob, re, statistics, sys
stage, out = sys.argv[1:3]
counts = []
for f in sorted(glob.glob(out + "/frame.*"), key=lambda f: int(f.rsplit(".", 1)[1])):
    totals = re.search(r"^totals:\s+(\d+)", open(f).read(), re.M)
    counts.append(int(totals.group(1)) / 1e6 if totals else 0.0)
steady = counts[10:]
if not steady:
    sys.exit(f"{stage}: no frames counted")
print(f"{stage}: median {statistics.median(steady):.2f} M instructions a frame "
      f"(min {min(steady):.2f}, max {max(steady):.2f}, {len(steady)} frames)")
PY
    rm -rf "$out"
done
