#!/usr/bin/env bash
# Seed corpus of the layout target: the program's two windows and a small layout of every kind of
# value (strings joined with +, sets, nested paths, events, children, a picture record).
set -euo pipefail
top=$(cd "$(dirname "$0")/../../.." && pwd)
mkdir -p "$1"
# The target reads into a plain window, which has neither the windows' class nor their handlers.
for form in Form1 Form2; do
    sed -e "1s/: TForm[0-9]*/: TForm/" -e "/^ *On[A-Za-z]* = /d" "$top/resources/$form" \
        >"$1/seed-${form,,}"
done
# A 2 x 1 bitmap of 24 bits as a persisted picture: class name, length, bitmap file image.
bitmap=$(python3 -c '
import struct
pixels = bytes([0, 0, 255, 0, 0, 255, 0, 0])
info = struct.pack("<IiiHHIIiiII", 40, 2, 1, 1, 24, 0, len(pixels), 0, 0, 0, 0)
image = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 54) + info + pixels
print((bytes([7]) + b"TBitmap" + struct.pack("<I", len(image)) + image).hex().upper())')
cat >"$1/seed-values" <<LAYOUT
object Form1: TForm
  Caption = 'Verinox ''1.0''' + ' – Info'
  ClientWidth = 330
  ClientHeight = 120
  Color = clBtnFace
  Font.Style = [fsBold, fsItalic]
  Font.Height = -11
  KeyPreview = True
  object Panel1: TPanel
    Align = alClient
    BevelOuter = bvLowered
    Caption = 'Panel'
    object Image1: TImage
      Left = 4
      Top = 4
      Width = 2
      Height = 1
      Picture.Data = {
        $bitmap}
    end
    object Edit1: TEdit
      Left = 8
      Top = 30
      Text = 'name@example.com'
      TabOrder = 0
    end
  end
  object Timer1: TTimer
    Interval = 3700
    Enabled = False
  end
end
LAYOUT
