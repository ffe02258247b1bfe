#!/usr/bin/env bash
# Seed corpus of the bitmap file targets, made with ImageMagick: every depth the readers take,
# bottom-up and top-down, and 32 bits with colour masks.
set -euo pipefail
mkdir -p "$1"
cd "$1"
convert -size 9x5 -seed 1 plasma:fractal -monochrome -type Bilevel BMP3:seed-1.bmp
convert -size 7x3 -seed 2 plasma:fractal -colors 16 -type Palette BMP3:seed-4.bmp
convert -size 6x4 -seed 3 plasma:fractal -colors 200 -type Palette -compress None BMP3:seed-8.bmp
convert -size 5x3 -seed 4 plasma:fractal -type TrueColor BMP3:seed-24.bmp
convert -size 4x2 -seed 6 plasma:fractal -alpha set -type TrueColorAlpha BMP:seed-32-masks.bmp
# 32 bits without masks (ImageMagick writes 32 bits only with them), from the 24-bit picture.
python3 - seed-24.bmp seed-32.bmp <<'WIDEN'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, width, height = struct.unpack_from("<I", data, 10)[0], *struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) // 4 * 4
pixels = b"".join(data[offset + y * stride + x * 3: offset + y * stride + x * 3 + 3] + b"\x80"
                  for y in range(height) for x in range(width))
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(pixels), 0, 0, 0, 0)
open(sys.argv[2], "wb").write(b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels)
WIDEN
# The same 24-bit picture stored top-down: the height negated in the information header.
python3 - seed-24.bmp seed-24-top-down.bmp <<'FLIP'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
offset, height = struct.unpack_from("<I", data, 10)[0], struct.unpack_from("<i", data, 22)[0]
width = struct.unpack_from("<i", data, 18)[0]
stride = (width * 3 + 3) // 4 * 4
rows = [data[offset + y * stride: offset + (y + 1) * stride] for y in range(height)]
struct.pack_into("<i", data, 22, -height)
data[offset:offset + stride * height] = b"".join(reversed(rows))
open(sys.argv[2], "wb").write(data)
FLIP
