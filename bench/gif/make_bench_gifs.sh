#!/usr/bin/env bash
# Makes the benchmark pictures in folder $1 with ImageMagick, seeded so they are the same each time:
# a 32 x 32 icon of 16 colours, a 12-frame animation with local tables, and a photo-like picture of
# about one megapixel (1200 x 850, 256 dithered colours).
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
convert -size 32x32 -seed 21 plasma:fractal -colors 16 icon.gif
frames=()
for i in $(seq 1 12); do
    frames+=(-seed "$i" plasma:fractal)
done
convert -delay 8 -loop 0 -size 240x180 "${frames[@]}" -colors 128 animation.gif
convert -size 1200x850 -seed 5 plasma:fractal -blur 0x2 \( -size 1200x850 -seed 6 plasma:fractal \) \
    -compose overlay -composite -colors 256 photo.gif
