#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit, GL and end-to-end tests under a
# virtual X server, audio tests on OpenAL Soft's wave-file backend, all of them again in a
# sanitizer build, then each fuzz target for a bounded time in a separate clang build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

(cd "$root" && cmake --preset default >/dev/null)
cmake --build "$root/build" -j"$jobs"
xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
    ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer, the program under
# test included; the preset sets the sanitizer options and the leak suppressions.
(cd "$root" && cmake --preset sanitize >/dev/null)
cmake --build "$root/build-sanitize" -j"$jobs"
(cd "$root" && xvfb-run -a -s "-noreset -screen 0 1280x1024x24" ctest --preset sanitize -j"$jobs")

cmake -S "$root" -B "$root/build-fuzz" -DBRASTEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/build-fuzz" -j"$jobs"
ctest --test-dir "$root/build-fuzz" --output-on-failure -L fuzz -j"$jobs"
echo "test.sh: every test passed in ${SECONDS} s"
