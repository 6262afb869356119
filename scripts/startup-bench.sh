#!/usr/bin/env bash
# Time from starting the program to its window and to its first presented frame, under a virtual
# X server on Mesa's software rasteriser (ten runs, with mean, median and spread).
#     ./scripts/startup-bench.sh [extra Google Benchmark flags]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target bench_startup -j"$(nproc)"
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
    "$root/build/app/bench_startup" "$@"
