#!/usr/bin/env bash
# Installs what is missing, builds, and plays the show from the run tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target stage -j"$(nproc)"
cd "$root/build/stage/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: playing the show under a virtual X server (xvfb-run)."
    exec xvfb-run -a -s "-noreset -screen 0 1280x1024x24" ./brastel
fi
exec ./brastel
