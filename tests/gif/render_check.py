#!/usr/bin/python3
"""Makes animations with every disposal method, transparency and frames at offsets (Pillow), then
compares gifcodec's rendered frames with ImageMagick's -coalesce and with Pillow's own frames.
Usage: render_check.py GIFCODEC WORKDIR. Prints one JSON object: per picture and decoder, the frames
compared and the pixels that differ (a transparent pixel's colour does not count)."""
import json
import os
import subprocess
import sys

from PIL import Image, ImageDraw

gifcodec, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)

PALETTE = [0, 0, 0, 255, 0, 0, 0, 160, 0, 0, 0, 255, 255, 255, 0, 250, 250, 250, 90, 40, 200]
TRANSPARENT = 6


def frame(size, seed, box):
    image = Image.new("P", size, TRANSPARENT)
    image.putpalette(PALETTE + [0] * (768 - len(PALETTE)))
    draw = ImageDraw.Draw(image)
    draw.rectangle(box, fill=1 + seed % 5)
    draw.ellipse((box[0] + 2, box[1] + 1, box[2] + 6, box[3] + 4), fill=1 + (seed + 2) % 5)
    return image


def make(name, disposals):
    first = Image.new("P", (40, 30), 5)
    first.putpalette(PALETTE + [0] * (768 - len(PALETTE)))
    ImageDraw.Draw(first).rectangle((3, 3, 20, 12), fill=2)
    frames = [first] + [frame((40, 30), i, (4 + 5 * i, 2 + 3 * i, 14 + 5 * i, 10 + 3 * i))
                        for i in range(len(disposals) - 1)]
    path = os.path.join(work, name + ".gif")
    frames[0].save(path, save_all=True, append_images=frames[1:], disposal=disposals,
                   transparency=TRANSPARENT, duration=50, loop=0, optimize=False)
    return path


def pixels(image):
    return list(image.convert("RGBA").getdata())


def differ(a, b):
    return sum(1 for p, q in zip(a, b) if (p[3] == 0) != (q[3] == 0) or (p[3] and p[:3] != q[:3]))


pictures = {
    "dispose-none": [0, 0, 0, 0],
    "dispose-keep": [1, 1, 1, 1],
    "dispose-background": [1, 2, 2, 1, 2],
    "dispose-previous": [1, 3, 3, 1, 3],
    "dispose-mixed": [0, 2, 3, 1, 3, 2, 1],
}
report = {}
for name, disposals in pictures.items():
    gif = make(name, disposals)
    ours = os.path.join(work, name + "-ours.png")
    subprocess.run([gifcodec, "render", gif, "--all", "-o", ours], check=True)
    count = len(disposals)
    mine = [pixels(Image.open(ours[:-4] + "-%03d.png" % i)) for i in range(count)]
    magick = os.path.join(work, name + "-im-%03d.png")
    subprocess.run(["convert", gif, "-coalesce", "PNG32:" + magick], check=True)
    im = [pixels(Image.open(magick % i)) for i in range(count)]
    pil = []
    with Image.open(gif) as animation:
        for i in range(count):
            animation.seek(i)
            pil.append(pixels(animation))
    report[name] = {
        "frames": count,
        "imagemagick": sum(differ(a, b) for a, b in zip(mine, im)),
        "pillow": sum(differ(a, b) for a, b in zip(mine, pil)),
    }
print(json.dumps(report))
