#!/usr/bin/env python3
"""Writes the busy animation resources/hilfe/img/check.gif: a row of dots with a running
highlight, ten frames, the last one held longer. The first frame covers the whole picture; the
others only the row of dots, which keeps decoding them cheap. Plain Python, so the picture can be made again
on any machine: python3 scripts/make-busy-gif.py [output]"""
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 365, 111
DOTS, SPACING, RADIUS = 10, 28, 8
PALETTE = [
    (255, 255, 255),  # background
    (31, 78, 156),    # the running dot
    (98, 138, 204),   # its trail
    (168, 192, 230),
    (225, 232, 244),  # resting dots
    (0, 0, 0), (0, 0, 0), (0, 0, 0),
]
MIN_CODE_SIZE = 3
FRAME_DELAYS = [8] * (DOTS - 1) + [24]  # hundredths of a second
DISPOSAL_KEEP = 1


ROW_LEFT = (WIDTH - (DOTS - 1) * SPACING) // 2 - RADIUS
ROW_TOP = HEIGHT // 2 - RADIUS
ROW_WIDTH = (DOTS - 1) * SPACING + 2 * RADIUS + 1
ROW_HEIGHT = 2 * RADIUS + 1


def frame_pixels(active):
    left = (WIDTH - (DOTS - 1) * SPACING) // 2
    top = HEIGHT // 2
    pixels = bytearray(WIDTH * HEIGHT)
    for dot in range(DOTS):
        behind = (active - dot) % DOTS
        colour = {0: 1, 1: 2, 2: 3}.get(behind, 4)
        cx = left + dot * SPACING
        for y in range(top - RADIUS, top + RADIUS + 1):
            for x in range(cx - RADIUS, cx + RADIUS + 1):
                if (x - cx) ** 2 + (y - top) ** 2 <= RADIUS * RADIUS:
                    pixels[y * WIDTH + x] = colour
    return bytes(pixels)


def crop(pixels, left, top, width, height):
    rows = (pixels[(top + y) * WIDTH + left:(top + y) * WIDTH + left + width]
            for y in range(height))
    return b"".join(rows)


def lzw_encode(pixels):
    clear = 1 << MIN_CODE_SIZE
    end = clear + 1
    out = bytearray()
    state = {"bits": 0, "count": 0, "size": MIN_CODE_SIZE + 1}

    def emit(code):
        state["bits"] |= code << state["count"]
        state["count"] += state["size"]
        while state["count"] >= 8:
            out.append(state["bits"] & 0xFF)
            state["bits"] >>= 8
            state["count"] -= 8

    def fresh_table():
        return {bytes([i]): i for i in range(clear)}, end + 1

    table, next_code = fresh_table()
    emit(clear)
    current = pixels[:1]
    for value in pixels[1:]:
        candidate = current + bytes([value])
        if candidate in table:
            current = candidate
            continue
        emit(table[current])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << state["size"]) and state["size"] < 12:
                state["size"] += 1
        else:
            emit(clear)
            table, next_code = fresh_table()
            state["size"] = MIN_CODE_SIZE + 1
        current = bytes([value])
    emit(table[current])
    emit(end)
    if state["count"] > 0:
        out.append(state["bits"] & 0xFF)
    return bytes(out)


def sub_blocks(data):
    blocks = bytearray()
    for start in range(0, len(data), 255):
        chunk = data[start:start + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else (
        Path(__file__).resolve().parent.parent / "resources/hilfe/img/check.gif")
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", WIDTH, HEIGHT, 0x80 | 0x70 | (MIN_CODE_SIZE - 1), 0, 0)
    for rgb in PALETTE:
        gif += bytes(rgb)
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for index, delay in enumerate(FRAME_DELAYS):
        gif += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, DISPOSAL_KEEP << 2, delay, 0, 0)
        place = (0, 0, WIDTH, HEIGHT) if index == 0 else (ROW_LEFT, ROW_TOP, ROW_WIDTH, ROW_HEIGHT)
        gif += struct.pack("<BHHHHB", 0x2C, *place, 0)
        gif.append(MIN_CODE_SIZE)
        gif += sub_blocks(lzw_encode(crop(frame_pixels(index), *place)))
    gif.append(0x3B)
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(bytes(gif))


if __name__ == "__main__":
    main()
