#!/usr/bin/python3
"""Makes the info dialog's product picture: a single-frame GIF89a of 250 x 248 pixels with a
256-entry global colour table, colour index 254 transparent (the card shows through there).
The two link lines sit where the dialog's invisible link buttons lie over the picture.

It also writes the picture into the info dialog's layout (resources/Form2, made from
resources/Form2.template). Run with Debian's Python (python3-pil) and fonts-wine; the output is the
same on every run."""
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 250, 248
TRANSPARENT = 254
FONTS = Path("/usr/share/wine/fonts")
# Link areas in picture coordinates (the buttons' places minus the picture's place on the card).
WEB_LINK = (29, 196, 201, 20)
MAIL_LINK = (37, 234, 193, 14)
BLUE = (0, 84, 166)


def font(name, size):
    return ImageFont.truetype(str(FONTS / name), size)


def draw_logo(draw):
    # An envelope with a check mark, shaded from light to deep blue.
    left, top, right, bottom = 75, 18, 175, 88
    for y in range(top, bottom):
        t = (y - top) / (bottom - top)
        colour = (int(214 - 150 * t), int(233 - 120 * t), int(255 - 60 * t))
        draw.line([(left, y), (right, y)], fill=colour)
    draw.rectangle([left, top, right, bottom], outline=(30, 70, 140), width=2)
    draw.line([(left, top), (125, 58), (right, top)], fill=(30, 70, 140), width=2)
    draw.ellipse([140, 58, 186, 104], fill=(46, 160, 67), outline=(255, 255, 255), width=3)
    draw.line([(151, 82), (160, 92), (176, 70)], fill=(255, 255, 255), width=5)


def centred(draw, box, text, face, fill):
    x, y, w, h = box
    left, top, right, bottom = draw.textbbox((0, 0), text, font=face)
    draw.text((x + (w - (right - left)) // 2 - left, y + (h - (bottom - top)) // 2 - top), text,
              font=face, fill=fill)


def main(out):
    picture = Image.new("RGB", (WIDTH, HEIGHT), (255, 255, 255))
    draw = ImageDraw.Draw(picture)
    draw_logo(draw)
    centred(draw, (0, 112, WIDTH, 30), "Verinox 1.0", font("tahomabd.ttf", 26), (20, 40, 90))
    centred(draw, (0, 146, WIDTH, 16), "E-Mail-Adressen prüfen", font("tahoma.ttf", 13), (70, 70, 70))
    draw.line([(25, 178), (225, 178)], fill=(200, 210, 225))
    centred(draw, WEB_LINK, "www.verinox.example.com", font("tahoma.ttf", 12), BLUE)
    centred(draw, MAIL_LINK, "info@verinox.example.com", font("tahoma.ttf", 12), BLUE)

    # 254 colours for the drawing; white becomes the transparent index, 255 stays unused.
    indexed = picture.quantize(colors=TRANSPARENT, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = indexed.getpalette()[: 3 * TRANSPARENT]
    palette += [0] * (3 * TRANSPARENT - len(palette))
    palette += [255, 255, 255, 0, 0, 0]
    pixels = indexed.load()
    source = picture.load()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if source[x, y] == (255, 255, 255):
                pixels[x, y] = TRANSPARENT
    indexed.putpalette(palette)
    indexed.save(out, format="GIF", transparency=TRANSPARENT, optimize=False)


def write_layout(gif, template, layout):
    """Stores the picture in the info dialog's layout as a persisted picture record: the class
    name (length-prefixed), the GIF data's 32-bit length, then the data."""
    data = Path(gif).read_bytes()
    record = bytes([len(b"TGIFImage")]) + b"TGIFImage" + len(data).to_bytes(4, "little") + data
    hex_digits = record.hex().upper()
    lines = [" " * 10 + hex_digits[i:i + 64] for i in range(0, len(hex_digits), 64)]
    text = Path(template).read_text(encoding="utf-8").replace("PICTURE_DATA", "\n".join(lines))
    Path(layout).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    here = Path(__file__).parent
    gif = sys.argv[1] if len(sys.argv) > 1 else str(here / "product.gif")
    main(gif)
    write_layout(gif, here.parent / "Form2.template", here.parent / "Form2")
