#!/usr/bin/env bash
# Installs what is missing, builds, and plays the show from the run tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target stage -j"$(nproc)"
cd "$root/build/stage/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # Nobody could watch it here (and without a sound device it would never end): record it.
    # The virtual X server gets a session of its own, so Ctrl-C reaches only the program, which
    # then finishes a playable file of what it has recorded.
    show="$root/build/show.mp4"
    echo "No display found: recording the show to $show under a virtual X server (Xvfb)."
    exec 3< <(exec setsid Xvfb -displayfd 1 -noreset -screen 0 1280x1024x24 2>/dev/null)
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null' EXIT
    read -r number <&3 || { echo "The virtual X server did not start." >&2; exit 1; }
    DISPLAY=":$number" ./brastel --record "$show"
    echo "The show is in $show"
    exit 0
fi
exec ./brastel
