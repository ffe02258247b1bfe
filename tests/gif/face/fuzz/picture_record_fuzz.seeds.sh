#!/usr/bin/env bash
# Seed corpus of the picture record target: the GIF seeds and two bitmaps made by ImageMagick, each
# wrapped as a persisted picture (class name, 32-bit length, data).
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$(dirname "$0")/../../fuzz/gif_fuzz.seeds.sh" "$work"
convert -size 5x3 -seed 8 plasma:fractal -type TrueColor BMP3:"$work/seed-24.bmp"
convert -size 6x4 -seed 9 plasma:fractal -colors 16 -type Palette BMP3:"$work/seed-8.bmp"
mkdir -p "$1"
python3 - "$work" "$1" <<'WRAP'
import pathlib, struct, sys
for path in pathlib.Path(sys.argv[1]).iterdir():
    kinds = {".gif": b"TGIFImage", ".bmp": b"TBitmap"}
    if path.suffix in kinds:
        data = path.read_bytes()
        record = bytes([len(kinds[path.suffix])]) + kinds[path.suffix] + struct.pack("<I", len(data)) + data
        (pathlib.Path(sys.argv[2]) / path.stem).write_bytes(record)
WRAP
