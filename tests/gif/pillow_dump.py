#!/usr/bin/env python3
"""Prints what Pillow reads from a GIF as JSON: the loop count and, for each frame,
its delay, disposal method and pixels as hexadecimal RGB (frames composed as Pillow shows them)."""
import json
import sys

from PIL import Image

with Image.open(sys.argv[1]) as image:
    frames = []
    for index in range(getattr(image, "n_frames", 1)):
        image.seek(index)
        frames.append({
            "duration": image.info.get("duration"),
            "disposal": getattr(image, "disposal_method", 0),
            "rgb": image.convert("RGB").tobytes().hex(),
        })
    json.dump({"loop": image.info.get("loop"), "frames": frames}, sys.stdout)
