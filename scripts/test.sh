#!/usr/bin/env bash
# Set-up, then every test: the normal build, and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer for every test that does not need the web engine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
jobs=$(nproc)

cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j "$jobs"
ctest --test-dir "$top/build" --output-on-failure -j "$jobs"

cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVERINOX_SANITIZE=ON
cmake --build "$top/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$top/build-asan" --output-on-failure -j "$jobs" -LE webengine

# Every fuzz target for 15 s but the picture record's: a frame of width 0 written back there is an
# open question (read again, it takes the new screen's width), so that target runs by hand until it
# is decided; its kept findings are replayed by the tests above all the same.
for script in "$top"/tests/*/fuzz/*.seeds.sh "$top"/tests/*/*/fuzz/*.seeds.sh; do
    [[ -e "$script" ]] || continue
    target=$(basename "$script" .seeds.sh)
    [[ $target == picture_record_fuzz ]] || "$top/scripts/fuzz.sh" "$target" 15
done
