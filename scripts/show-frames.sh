#!/usr/bin/env bash
# Frames of the show at given show times, from a deterministic recording (the recording mode's
# frame clock and fixed lighting seed), so a picture can be compared across commits and remade
# after any change.
#     scripts/show-frames.sh STAGE_DIR OUT_DIR SIZE FPS TIME... [-- key=value ...]
# writes OUT_DIR/t<TIME>.png for each TIME in seconds (e.g. 3 25 40); key=value words after --
# override settings in a private copy of the run tree's brastel.conf (e.g. demo.scene1.duration=0).
set -euo pipefail
[ $# -ge 5 ] || { echo "usage: show-frames.sh STAGE_DIR OUT_DIR SIZE FPS TIME... [-- key=value ...]" >&2; exit 2; }
stage=$(cd "$1" && pwd); mkdir -p "$2"; out=$(cd "$2" && pwd); size=$3; fps=$4; shift 4
times=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do times+=("$1"); shift; done
[ $# -gt 0 ] && shift
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
cp -a "$stage" "$tmp/stage"
conf="$tmp/stage/resources/brastel.conf"
for kv in "$@"; do
    k=${kv%%=*}; v=${kv#*=}
    if grep -q "^[[:space:]]*$k[[:space:]]*=" "$conf"; then sed -i "s|^[[:space:]]*$k[[:space:]]*=.*|$k = $v|" "$conf"
    else echo "$k = $v" >> "$conf"; fi
done
(cd "$tmp/stage/bin" && SDL_VIDEODRIVER=x11 xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
    ./brastel --record "$tmp/show.mkv" --fps "$fps" --size "$size" >"$tmp/log" 2>&1) ||
    { tail -5 "$tmp/log" >&2; exit 1; }
for t in "${times[@]}"; do
    # The frame shown at time t: frame n shows n / fps seconds.
    ffmpeg -v error -y -i "$tmp/show.mkv" -vf "select=eq(n\,$(awk "BEGIN{print int($t*$fps+0.5)}"))" \
        -frames:v 1 "$out/t$t.png"
done
echo "show-frames.sh: ${#times[@]} frames in $out"
