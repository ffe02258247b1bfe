#pragma once

#include <QImage>
#include <QRect>

#include "Canvas.h"
#include "Types.h"

namespace vx {

// Stretches the source part of bitmap onto dest so that the destination stays visible under
// every source pixel of the transparent colour: a mask of the key-coloured pixels is ANDed onto
// the destination, then the source with those pixels blackened is ORed over it. Pixels are
// dropped or repeated, never blended. A dest or source size below 1 takes the bitmap's size;
// clNone copies plainly with the canvas's copy mode; clDefault names the colour of the bitmap's
// bottom-left pixel; a monochrome bitmap always keys on white.
void TransparentStretch(TCanvas& canvas, QRect dest, const QImage& bitmap, bool monochrome,
                        QRect source, TColor transparentColor);

}  // namespace vx
