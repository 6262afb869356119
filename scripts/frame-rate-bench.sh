#!/usr/bin/env bash
# Frame rates of the show at its own window size on Mesa's software rasteriser under a virtual
# X server: frames per second of the whole program per scene (five runs each, with mean, median
# and spread), then where a frame's time goes per group of passes, with the machine's load
# before and after.
#     ./scripts/frame-rate-bench.sh [extra Google Benchmark flags for both]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target bench_frame_rate bench_frame_passes -j"$(nproc)"
export SDL_VIDEODRIVER=x11
uptime
xvfb-run -a -s "-noreset -screen 0 1280x1024x24" "$root/build/app/bench_frame_rate" "$@"
# The settings are read relative to the working directory: the run tree's bin/.
(cd "$root/build/stage/bin" &&
    xvfb-run -a -s "-noreset -screen 0 1280x1024x24" "$root/build/app/bench_frame_passes" \
        --benchmark_counters_tabular=true "$@")
uptime
