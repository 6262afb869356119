#!/usr/bin/env bash
# The frame-cost ratios of this tree against an earlier commit, both built here and measured in
# the same run, interleaved, so that the machine's load falls on both alike:
#   scene 1 and scene 2 frames per second at the window's size (bench_frame_rate, five runs each
#   unless --runs says otherwise, the order of the two trees alternating from run to run; a run
#   counts as the median of the benchmark's five starts of the program; with the runs taken in
#   pairs, also the median of the paired ratios and in how many pairs this tree was ahead, for a
#   machine whose single runs spread more than the difference measured),
#   UpdateLighting's time (bench_update_lighting, five repetitions), and with --record the time to
#   record the whole show at 1280 x 720, 60 fps, twice each in the order base, this, this, base
#   (a quarter of an hour on a software rasteriser).
#     scripts/compare-frame-cost.sh BASE_COMMIT [--record] [--runs N]
# The base is checked out into build-compare/ (kept, so a second run builds only what changed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: compare-frame-cost.sh BASE_COMMIT [--record] [--runs N]" >&2; exit 2; }
[ $# -ge 1 ] || usage
base_commit=$1; shift
record= runs=5
while [ $# -gt 0 ]; do
    case $1 in
    --record) record=--record; shift ;;
    --runs) [ $# -ge 2 ] && [ "$2" -ge 1 ] 2>/dev/null || usage; runs=$2; shift 2 ;;
    *) usage ;;
    esac
done
"$root/scripts/setup.sh"
launcher=(); command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
base_src="$root/build-compare/src"
if [ ! -e "$base_src/.git" ]; then
    git -C "$root" worktree add --detach "$base_src" "$base_commit" >/dev/null
else
    git -C "$base_src" checkout -q --detach "$base_commit"
fi
targets=(brastel stage bench_frame_rate bench_update_lighting)
for tree in "$base_src" "$root"; do
    cmake -S "$tree" -B "$tree/build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
    cmake --build "$tree/build" --target "${targets[@]}" -j"$(nproc)" >/dev/null
done

export SDL_VIDEODRIVER=x11
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
xrun() { xvfb-run -a -s "-noreset -screen 0 1280x1024x24" "$@"; }
for run in $(seq "$runs"); do
    sides="base this"; [ $((run % 2)) = 0 ] && sides="this base"
    for side in $sides; do
        tree=$base_src; [ $side = this ] && tree=$root
        xrun "$tree/build/app/bench_frame_rate" --benchmark_format=json \
            >"$out/fps-$side-$run.json" 2>/dev/null
    done
    echo "frame rates: run $run of $runs done" >&2
done
for side in base this; do
    tree=$base_src; [ $side = this ] && tree=$root
    xrun "$tree/build/lighting/bench_update_lighting" --benchmark_filter='^BM_UpdateLighting(/real_time)?$' \
        --benchmark_repetitions=5 --benchmark_format=json >"$out/light-$side.json" 2>/dev/null
done
if [ "$record" = --record ]; then
    for run in 1 2; do
        sides="base this"; [ $run = 2 ] && sides="this base"
        for side in $sides; do
            tree=$base_src; [ $side = this ] && tree=$root
            start=$(date +%s.%N)
            (cd "$tree/build/stage/bin" && xrun ./brastel --record "$out/show-$side.mp4" --fps 60 \
                --size 1280x720 >/dev/null 2>&1)
            echo "$(date +%s.%N) - $start" | bc >"$out/record-$side-$run.txt"
        done
        echo "recordings: pair $run of 2 done" >&2
    done
fi

python3 - "$out" <<'PY'
import glob, json, math, statistics, sys, os
out = sys.argv[1]
def fps(side, scene):
    """{run: frames per second} of one tree in one scene: the median of the run's repetitions."""
    values = {}
    for f in glob.glob(f"{out}/fps-{side}-*.json"):
        run = int(f.rsplit("-", 1)[1].split(".")[0])
        repetitions = [b["fps"] for b in json.load(open(f))["benchmarks"]
                       if b.get("run_type") == "iteration"
                       and b["name"].startswith(f"FrameRate/scene:{scene}")]
        if repetitions:
            values[run] = statistics.median(repetitions)
    return values
def light(side):
    return [b["real_time"] for b in json.load(open(f"{out}/light-{side}.json"))["benchmarks"]
            if b.get("run_type") == "iteration"]
def row(name, base, this, better):
    mb, mt = statistics.median(base), statistics.median(this)
    spread = lambda v: (max(v) - min(v)) / statistics.median(v) * 100
    print(f"{name:34s} {mb:9.2f} {mt:9.2f}   {mt / mb:5.2f} x   (spread {spread(base):.0f} % / {spread(this):.0f} %; {better})")
print(f"{'median of the runs':34s} {'base':>9s} {'this':>9s}   ratio this/base")
def paired(name, scene):
    base, this = fps("base", scene), fps("this", scene)
    row(name, list(base.values()), list(this.values()), "higher is better")
    ratios = sorted(this[r] / base[r] for r in base if r in this)
    if len(ratios) >= 2:
        ahead = sum(r > 1.0 for r in ratios)
        # One-sided sign test: the chance of this many pairs ahead or more if neither were faster.
        p = sum(math.comb(len(ratios), k) for k in range(ahead, len(ratios) + 1)) / 2 ** len(ratios)
        print(f"{'':34s} paired: median ratio {statistics.median(ratios):.2f} "
              f"({ratios[0]:.2f} to {ratios[-1]:.2f}), this ahead in {ahead} of {len(ratios)} "
              f"(sign test p = {p:.2f})")
paired("scene 1 frames per second", 1)
paired("scene 2 frames per second", 2)
row("UpdateLighting ms", light("base"), light("this"), "lower is better")
if os.path.exists(f"{out}/record-base-2.txt"):
    seconds = lambda side: [float(open(f"{out}/record-{side}-{run}.txt").read()) for run in (1, 2)]
    b, t = seconds("base"), seconds("this")
    print(f"{'--record 1280x720 60 fps, s':34s} {statistics.mean(b):9.1f} {statistics.mean(t):9.1f}"
          f"   {statistics.mean(t) / statistics.mean(b):5.2f} x   (mean of two; pairs "
          f"{t[0] / b[0]:.2f} x and {t[1] / b[1]:.2f} x; lower is better)")
PY
