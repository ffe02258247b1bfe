#pragma once

#include <QBuffer>
#include <QImage>
#include <vector>

#include "Colors.h"
#include "GIFGraphic.h"
#include "GifBytes.h"

// Small GIF pictures for the picture-system tests, built byte by byte.
namespace giftest {

constexpr QRgb kBackground = 0xFF00FF00;  // green: no table entry of the fixtures has it

// Literal codes only, a clear code before every second one, so the code width never grows.
inline Bytes LiteralCodes(const std::vector<int>& pixels, int minCodeSize) {
    const std::uint32_t clear = 1u << minCodeSize;
    const int width = minCodeSize + 1;
    TCodePacker packer;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % 2 == 0) {
            packer.Put(clear, width);
        }
        packer.Put(static_cast<std::uint32_t>(pixels[i]), width);
    }
    return packer.Put(clear + 1, width).Finish();
}

// A one-frame GIF with a 4-entry global table (entry i = (i, 2i, 3i)); transIndex >= 0 adds a
// graphic control extension with that transparent index.
inline Bytes SmallGif(int width, int height, const std::vector<int>& pixels, int transIndex = -1) {
    TGifBytes gif;
    gif.Header().Screen(width, height, 2);
    if (transIndex >= 0) {
        gif.GraphicControl(1, 0, transIndex);
    }
    gif.Descriptor(0, 0, width, height).Raster(2, LiteralCodes(pixels, 2)).Trailer();
    return gif.Data();
}

inline QRgb EntryColor(int index) {
    return qRgb(index, 2 * index, 3 * index);
}

inline void LoadInto(vx::TGIFImage& image, const Bytes& data) {
    QByteArray bytes(reinterpret_cast<const char*>(data.data()),
                     static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    image.LoadFromStream(buffer);
}

inline QImage Backdrop(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

inline QImage DrawnOnBackdrop(vx::TGraphic& graphic, QRect rect, int width, int height) {
    QImage target = Backdrop(width, height);
    vx::TCanvas canvas(&target);
    canvas.StretchDraw(rect, graphic);
    canvas.Release();
    return target;
}

}  // namespace giftest
