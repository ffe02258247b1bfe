#!/usr/bin/env bash
# Makes the cross-check pictures in folder $1 with ImageMagick and Pillow: photos and drawings,
# 2 to 256 colours, global and local tables, interlaced, animated, transparent. Seeded, so the
# same pictures come out every time.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

convert -size 300x200 -seed 11 plasma:fractal -blur 0x1 photo256.gif
convert -size 97x61 -seed 2 plasma:fractal -colors 2 two.gif
convert -size 77x45 -seed 3 plasma:fractal -colors 4 four.gif
convert -size 64x48 -seed 5 plasma:fractal -colors 16 -interlace GIF interlaced16.gif
convert -size 33x129 -seed 6 plasma:fractal -colors 32 -interlace GIF interlaced32.gif
convert -size 160x120 xc:white -fill red -draw "circle 80,60 80,20" \
    -fill blue -draw "rectangle 10,10 50,40" -fill green -draw "line 0,119 159,0" \
    -colors 8 drawing.gif
convert -size 50x40 xc:none -fill green -draw "circle 25,20 25,5" transparent.gif
convert rose: rose.gif
convert logo: -resize 40% -colors 128 logo128.gif
convert -size 256x1 gradient:black-white -scale 256x3! gradient.gif
convert -delay 7 -loop 0 -size 64x64 -seed 1 plasma:fractal -seed 2 plasma:red-blue \
    -seed 3 plasma:green-yellow -colors 64 anim_local.gif
convert -dispose previous -delay 7000 -loop 3 -size 40x30 xc:white \
    \( -size 20x10 xc:red -repage +5+7 \) \( -size 10x20 xc:blue -repage +25+2 \) \
    anim_dispose.gif

/usr/bin/python3 - <<'PY'
import random
from PIL import Image, ImageDraw

random.seed(4)

def noise(w, h, colours, seed):
    rnd = random.Random(seed)
    img = Image.new("P", (w, h))
    img.putdata([rnd.randrange(colours) for _ in range(w * h)])
    img.putpalette([rnd.randrange(256) for _ in range(3 * colours)])
    return img

noise(200, 150, 256, 1).save("pil_noise256.gif")
noise(123, 77, 3, 2).save("pil_noise3.gif")
noise(64, 65, 2, 3).save("pil_noise2.gif", interlace=True)
noise(31, 17, 100, 4).save("pil_noise100.gif", interlace=False, comment=b"made for the test")

img = Image.new("RGB", (180, 120), "white")
draw = ImageDraw.Draw(img)
for i in range(12):
    draw.ellipse([i * 12, i * 8, i * 12 + 40, i * 8 + 30], outline=(i * 20, 255 - i * 20, 90), width=3)
img.convert("P", palette=Image.ADAPTIVE, colors=12).save("pil_drawing12.gif")

frames = []
for i in range(5):
    f = Image.new("P", (48, 36), 0)
    f.putpalette([0, 0, 0, 255, 255, 255] + [(i * 50 + k) % 256 for k in range(3 * 30)])
    d = ImageDraw.Draw(f)
    d.rectangle([i * 6, i * 4, i * 6 + 15, i * 4 + 12], fill=2 + i)
    frames.append(f)
frames[0].save("pil_anim.gif", save_all=True, append_images=frames[1:], duration=[40, 80, 120, 60, 500],
               loop=0, transparency=0, disposal=2, optimize=False)
PY

# gifsicle: optimised animations (frames cut to the changed area, transparency for unchanged
# pixels), interlacing and colour reduction of existing pictures.
gifsicle -O3 anim_local.gif -o gs_anim_optimised.gif
gifsicle -O2 --careful pil_anim.gif -o gs_pil_anim.gif
gifsicle --interlace --colors 7 photo256.gif -o gs_interlaced7.gif
gifsicle --colors 2 --no-interlace logo128.gif -o gs_two.gif
