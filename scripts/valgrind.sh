#!/usr/bin/env bash
# A short run of the show under valgrind's memcheck, on Mesa's software rasteriser under a
# virtual X server, with the music playing through OpenAL Soft's wave-file backend: start-up,
# both scenes, the music thread, ESC and the whole shutdown. Mesa's, LLVM's and the system
# libraries' own findings are suppressed by scripts/valgrind.supp (nothing of ours is); any
# other error fails the run. Run by hand (slow: the rasteriser itself runs under valgrind):
#     ./scripts/valgrind.sh [seconds of show, default 20]
# The full report is left in build-valgrind/valgrind.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
"$root/scripts/setup.sh"
if ! command -v valgrind >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq valgrind
fi

build="$root/build-valgrind"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target stage -j"$(nproc)"

tree=$(mktemp -d /tmp/brastel-valgrind.XXXXXX)
trap 'rm -rf "$tree"' EXIT
cp -r "$build/stage/." "$tree"
# Later lines win: both scenes within the run, with sound.
printf '\ndemo.scene1.duration = %s\ndemo.use.sound = true\n' "$((seconds / 2))" \
    >>"$tree/resources/brastel.conf"
printf '[general]\ndrivers=wave\n[wave]\nfile=%s/played.wav\n' "$tree" >"$tree/alsoft.conf"

cat >"$tree/run.sh" <<RUN
#!/usr/bin/env bash
# Starts the program under memcheck, waits for its first frame, shows $seconds s and at least one
# frame of the terrain scene, presses ESC.
cd "$tree/bin"
valgrind --tool=memcheck --error-exitcode=99 --num-callers=40 --fair-sched=yes \\
    --keep-debuginfo=yes \\
    --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \\
    --suppressions="$root/scripts/valgrind.supp" --log-file="$build/valgrind.log" \\
    ./brastel >"$build/valgrind-stdout.log" 2>"$build/valgrind-stderr.log" &
pid=\$!
deadline=\$((SECONDS + 1200)) # memcheck runs the rasteriser some fifty times slower
running() { [ \$SECONDS -lt \$deadline ] && kill -0 \$pid 2>/dev/null; }
title() { xdotool getwindowname "\$window" 2>/dev/null; }
corner() { import -window "\$window" -crop 1x1+0+0 -depth 8 rgb:- 2>/dev/null | od -An -tu1 | xargs; }
window=""
# Its window once the title shows a frame rate: both conditions (xdotool ors them by default).
while running && [ -z "\$window" ]; do
    window=\$(xdotool search --all --pid \$pid --name '^[0-9.e+-]+\$' 2>/dev/null | head -n 1)
    [ -n "\$window" ] || sleep 0.5
done
# The title's first rate comes with the first frame, its next one a second of frames later: by
# then the window's corner shows the model scene's clear colour, whatever colour that is.
first=\$(title)
while [ -n "\$window" ] && running && [ "\$(title)" = "\$first" ]; do sleep 0.5; done
model=\$(corner)
[ -n "\$window" ] && sleep $seconds
# Then until a frame of the terrain scene has been presented (its first frame takes long under
# memcheck): the corner no longer shows what it showed in the model scene.
while [ -n "\$window" ] && running; do
    now=\$(corner)
    [ -n "\$now" ] && [ "\$now" != "\$model" ] && break
    sleep 1
done
[ -n "\$window" ] && xdotool key --window "\$window" Escape
wait \$pid
RUN
chmod +x "$tree/run.sh"

status=0
# Without Mesa's on-disk shader cache: its writer thread's own findings come and go with what
# the cache (shared by every program of the user) already holds.
SDL_VIDEODRIVER=x11 ALSOFT_CONF="$tree/alsoft.conf" MESA_SHADER_CACHE_DISABLE=true \
    xvfb-run -a -s "-noreset -screen 0 1280x1024x24" "$tree/run.sh" || status=$?
grep -E "ERROR SUMMARY|definitely lost|suppressed:" "$build/valgrind.log" || true
case $status in
0) echo "valgrind: no errors (log: $build/valgrind.log)" ;;
99) echo "valgrind: errors found, see $build/valgrind.log" >&2; exit 1 ;;
*) echo "valgrind: the program ended with status $status, see $build/valgrind-*.log" >&2; exit 1 ;;
esac
