#!/usr/bin/env bash
# Remakes the frames README.md opens with, docs/scene1.png and docs/scene2.png, from a
# deterministic recording of the show in the built run tree (run after any picture change).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=$(mktemp -d); trap 'rm -rf "$frames"' EXIT
"$root/scripts/show-frames.sh" "$root/build/stage" "$frames" 640x360 10 3 45
mkdir -p "$root/docs"
cp "$frames/t3.png" "$root/docs/scene1.png"
cp "$frames/t45.png" "$root/docs/scene2.png"
echo "readme-frames.sh: docs/scene1.png (3 s into the show) and docs/scene2.png (45 s)"
