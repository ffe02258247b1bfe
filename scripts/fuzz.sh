#!/usr/bin/env bash
# Builds the GIF fuzz target with clang and libFuzzer in its own build folder, makes a seed corpus
# of small GIFs with ImageMagick and runs the fuzzer for a bounded time (seconds, default 60).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$top/build-fuzz"

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVERINOX_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake --build "$build" --target gif_fuzz -j "$(nproc)"

corpus="$build/gif-corpus"
if [[ ! -d "$corpus" ]]; then
    mkdir -p "$corpus"
    (
        cd "$corpus"
        convert -size 8x6 -seed 1 plasma:fractal -colors 2 seed-2.gif
        convert -size 13x7 -seed 2 plasma:fractal -colors 16 -interlace GIF seed-16-interlaced.gif
        convert -size 20x9 -seed 3 plasma:fractal -colors 256 seed-256.gif
        convert -size 12x12 xc:none -fill red -draw "circle 6,6 6,2" seed-transparent.gif
        convert -delay 5 -loop 0 -size 9x9 -seed 4 plasma:fractal -seed 5 plasma:fractal \
            -colors 8 seed-animated.gif
        convert rose: -resize 20% -colors 64 -set comment "seed" seed-comment.gif
        convert -dispose background -delay 5 -size 12x9 xc:none -fill blue -draw "circle 6,4 6,1" \
            -dispose previous -page +3+2 -size 6x5 xc:red seed-dispose.gif
        convert -size 7x5 -seed 6 plasma:fractal -alpha set -channel A -evaluate set 40% seed-rgba.png
        convert -size 9x4 -seed 7 plasma:fractal -colors 5 PNG8:seed-palette.png
    )
fi
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/bin/gif_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$build/" \
    -print_final_stats=1 "$corpus"
