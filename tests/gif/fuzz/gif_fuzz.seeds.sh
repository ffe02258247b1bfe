#!/usr/bin/env bash
# Seed corpus of the GIF targets, made with ImageMagick: small GIFs of every colour depth,
# interlaced, transparent, animated with loop and disposal, with a comment; and two PNG files.
set -euo pipefail
mkdir -p "$1"
cd "$1"
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
