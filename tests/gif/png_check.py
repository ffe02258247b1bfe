#!/usr/bin/python3
"""PNG in and out of gifcodec, checked by Pillow. Usage: png_check.py GIFCODEC WORKDIR. Prints one
JSON object of checks, each true when it holds."""
import json
import os
import random
import subprocess
import sys

from PIL import Image

gifcodec, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
random.seed(3)


def run(*args):
    subprocess.run([gifcodec, *args], check=True)


def rgba(path):
    with Image.open(path) as image:
        return list(image.convert("RGBA").getdata())


def same_visible(a, b):
    return len(a) == len(b) and all(
        (p[3] < 128) == (q[3] < 128) and (p[3] < 128 or p[:3] == q[:3]) for p, q in zip(a, b))


checks = {}

# Few colours with transparent holes: the GIF keeps every colour and the holes.
few = Image.new("RGBA", (61, 37))
colours = [(random.randrange(256), random.randrange(256), random.randrange(256), 255)
           for _ in range(200)]
few.putdata([(0, 0, 0, 0) if (x * y) % 7 == 0 else colours[(x + 3 * y) % 200]
             for y in range(37) for x in range(61)])
few.save(os.path.join(work, "few.png"))
run("encode", os.path.join(work, "few.png"), "-o", os.path.join(work, "few.gif"))
run("render", os.path.join(work, "few.gif"), "-o", os.path.join(work, "few-render.png"))
checks["fewColoursExact"] = same_visible(rgba(os.path.join(work, "few.png")),
                                         rgba(os.path.join(work, "few-render.png")))
checks["pillowSeesTheHoles"] = same_visible(rgba(os.path.join(work, "few.png")),
                                            rgba(os.path.join(work, "few.gif")))

# Many colours with transparency: reduced, but the holes stay exactly where they were.
many = Image.new("RGBA", (90, 70))
many.putdata([(0, 0, 0, 0) if x < 10 or (y > 60 and x > 80) else (x * 2, y * 3, (x + y) % 256, 255)
              for y in range(70) for x in range(90)])
many.save(os.path.join(work, "many.png"))
run("encode", os.path.join(work, "many.png"), "-o", os.path.join(work, "many.gif"))
mask = [p[3] < 128 for p in rgba(os.path.join(work, "many.png"))]
checks["manyColoursKeepTheHoles"] = mask == [p[3] < 128 for p in rgba(os.path.join(work, "many.gif"))]

# A palette PNG of 16 colours keeps its indices: decoding the GIF to PNG gives the same picture.
palette = Image.new("P", (33, 20))
palette.putpalette([v for i in range(16) for v in (i * 16, 255 - i * 16, i * 7)])
palette.putdata([(x + y) % 16 for y in range(20) for x in range(33)])
palette.save(os.path.join(work, "palette.png"))
run("encode", os.path.join(work, "palette.png"), "-o", os.path.join(work, "palette.gif"))
run("decode", os.path.join(work, "palette.gif"), "-o", os.path.join(work, "palette-out.png"))
with Image.open(os.path.join(work, "palette-out.png")) as out:
    checks["paletteKeptAsIndices"] = out.mode == "P" and list(out.getdata()) == list(palette.getdata())
checks["paletteColours"] = same_visible(rgba(os.path.join(work, "palette.png")),
                                        rgba(os.path.join(work, "palette-out.png")))

# A transparent GIF decoded to PNG: the transparent colour is transparent there.
source = Image.new("P", (20, 10), 3)
source.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0, 9, 9, 9] + [0] * 756)
source.putdata([3 if x < 5 else 1 + (x + y) % 2 for y in range(10) for x in range(20)])
source.save(os.path.join(work, "transparent.gif"), transparency=3)
run("decode", os.path.join(work, "transparent.gif"), "-o", os.path.join(work, "transparent.png"))
checks["decodedTransparency"] = same_visible(rgba(os.path.join(work, "transparent.gif")),
                                             rgba(os.path.join(work, "transparent.png")))
print(json.dumps(checks))
