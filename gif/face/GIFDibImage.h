#pragma once

#include <QImage>
#include <QList>

#include "Graphics.h"
#include "gif/GIFDib.h"

// The codec keeps a frame's pixels as a bitmap file image in memory; the picture system works on
// QImage. These convert between the two without going through a file image.
namespace vx {

// 1, 4 and 8 bits become an indexed image with the bitmap's palette, other depths 32-bit colour.
// An empty bitmap gives a null image.
QImage DibToImage(const gif::TDib& dib);

// The pixel format a bitmap of this depth has in the picture system.
TPixelFormat DibPixelFormat(const gif::TDib& dib);

// The palette as the picture system's colour list.
QList<QRgb> DibPalette(const gif::TDib& dib);

// Indexed formats keep their depth, palette and indexes; the others become 32 bits per pixel.
gif::TDib ImageToDib(const QImage& image, TPixelFormat format);

}  // namespace vx
