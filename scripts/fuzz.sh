#!/usr/bin/env bash
# Fuzzes one target, or all of them, for a bounded time each: scripts/fuzz.sh TARGET|all SECONDS.
# Targets are built with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz; each one's seed corpus is made by its script tests/<layer>/fuzz/<target>.seeds.sh.
# A finding (crash, leak, timeout, out of memory) is kept at once as a regression input in
# tests/<layer>/fuzz/regressions/<target>/, which the normal tests replay; the run then fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
if [[ $# -ne 2 ]]; then
    echo "usage: $0 TARGET|all SECONDS" >&2
    exit 2
fi
which=$1 seconds=$2

declare -A seeds
for script in "$top"/tests/*/fuzz/*.seeds.sh "$top"/tests/*/*/fuzz/*.seeds.sh; do
    [[ -e "$script" ]] && seeds[$(basename "$script" .seeds.sh)]=$script
done
if [[ $which == all ]]; then
    mapfile -t targets < <(printf '%s\n' "${!seeds[@]}" | sort)
elif [[ -n ${seeds[$which]:-} ]]; then
    targets=("$which")
else
    echo "unknown fuzz target: $which (known: ${!seeds[*]})" >&2
    exit 2
fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVERINOX_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"

failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    if [[ ! -d "$corpus" ]]; then
        "${seeds[$target]}" "$corpus.new"
        mv "$corpus.new" "$corpus"
    fi
    regressions="$(dirname "${seeds[$target]}")/regressions/$target"
    mkdir -p "$regressions"
    echo "== $target: $seconds s"
    # Small inputs keep every execution far below the time limit; the targets' own limits on
    # frame area and text length do the rest.
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        QT_QPA_PLATFORM=offscreen "$build/bin/$target" -max_total_time="$seconds" -max_len=8192 \
        -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$regressions/" -print_final_stats=1 \
        "$corpus" "$regressions"; then
        failed+=("$target")
    fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "findings kept under tests/*/fuzz/regressions/ by: ${failed[*]}" >&2
    exit 1
fi
