#include "GIFDibImage.h"

#include <algorithm>

namespace vx {

namespace {

constexpr int kTrueColorBits = 32;

int IndexedBits(TPixelFormat format) {
    switch (format) {
        case pf1bit:
            return 1;
        case pf4bit:
            return 4;
        case pf8bit:
            return 8;
        default:
            return 0;
    }
}

std::uint8_t UnpackIndex(const std::uint8_t* row, int x, int bits) {
    switch (bits) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4:
            return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        default:
            return row[x];
    }
}

void PackIndex(std::uint8_t* row, int x, int bits, std::uint8_t index) {
    switch (bits) {
        case 1:
            row[x >> 3] |= static_cast<std::uint8_t>((index & 1) << (7 - (x & 7)));
            break;
        case 4:
            row[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? (index & 0x0F) : (index << 4));
            break;
        default:
            row[x] = index;
            break;
    }
}

// Start of top-down row y, for writing.
std::uint8_t* MutableRow(gif::TDib& dib, int y) {
    return dib.Pixels.Data() + dib.Stride() * static_cast<std::size_t>(dib.Height - 1 - y);
}

}  // namespace

TPixelFormat DibPixelFormat(const gif::TDib& dib) {
    switch (dib.BitCount) {
        case 1:
            return pf1bit;
        case 4:
            return pf4bit;
        case 8:
            return pf8bit;
        default:
            return pf32bit;
    }
}

QList<QRgb> DibPalette(const gif::TDib& dib) {
    QList<QRgb> palette;
    palette.reserve(static_cast<qsizetype>(dib.Palette.size()));
    for (const gif::TRgbQuad& quad : dib.Palette) {
        palette.append(qRgb(quad[2], quad[1], quad[0]));
    }
    return palette;
}

QImage DibToImage(const gif::TDib& dib) {
    if (dib.Empty()) {
        return {};
    }
    const int bits = dib.BitCount;
    if (bits == 1 || bits == 4 || bits == 8) {
        QImage image(dib.Width, dib.Height, QImage::Format_Indexed8);
        QList<QRgb> palette = DibPalette(dib);
        const int colors = static_cast<int>(palette.size());
        image.setColorTable(palette);
        for (int y = 0; y < dib.Height; ++y) {
            const std::uint8_t* src = dib.Row(y);
            std::uint8_t* dst = image.scanLine(y);
            for (int x = 0; x < dib.Width; ++x) {
                const std::uint8_t index = UnpackIndex(src, x, bits);
                // An index past a short palette shows as its first colour.
                dst[x] = index < colors ? index : 0;
            }
        }
        return image;
    }
    QImage image(dib.Width, dib.Height, QImage::Format_RGB32);
    const int bytesPerPixel = bits / 8;
    for (int y = 0; y < dib.Height; ++y) {
        const std::uint8_t* src = dib.Row(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < dib.Width; ++x) {
            const std::uint8_t* p = src + x * bytesPerPixel;
            dst[x] = qRgb(p[2], p[1], p[0]);
        }
    }
    return image;
}

gif::TDib ImageToDib(const QImage& image, TPixelFormat format) {
    gif::TDib dib;
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        return dib;
    }
    const int indexedBits = image.format() == QImage::Format_Indexed8 ? IndexedBits(format) : 0;
    dib.Width = image.width();
    dib.Height = image.height();
    dib.BitCount = static_cast<std::uint16_t>(indexedBits != 0 ? indexedBits : kTrueColorBits);
    dib.Pixels = gif::TPixelBuffer(dib.ImageSize());
    if (indexedBits != 0) {
        const QList<QRgb> table = image.colorTable();
        dib.Palette.assign(std::size_t{1} << indexedBits, gif::TRgbQuad{0, 0, 0, 0});
        const auto count = std::min<std::size_t>(dib.Palette.size(), table.size());
        for (std::size_t i = 0; i < count; ++i) {
            const QRgb c = table[static_cast<qsizetype>(i)];
            dib.Palette[i] = gif::TRgbQuad{static_cast<std::uint8_t>(qBlue(c)),
                                           static_cast<std::uint8_t>(qGreen(c)),
                                           static_cast<std::uint8_t>(qRed(c)), 0};
        }
        for (int y = 0; y < dib.Height; ++y) {
            const std::uint8_t* src = image.constScanLine(y);
            std::uint8_t* dst = MutableRow(dib, y);
            for (int x = 0; x < dib.Width; ++x) {
                PackIndex(dst, x, indexedBits, src[x]);
            }
        }
        return dib;
    }
    const QImage colour = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < dib.Height; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(colour.constScanLine(y));
        std::uint8_t* dst = MutableRow(dib, y);
        for (int x = 0; x < dib.Width; ++x) {
            std::uint8_t* p = dst + x * 4;
            p[0] = static_cast<std::uint8_t>(qBlue(src[x]));
            p[1] = static_cast<std::uint8_t>(qGreen(src[x]));
            p[2] = static_cast<std::uint8_t>(qRed(src[x]));
            p[3] = 0;
        }
    }
    return dib;
}

}  // namespace vx
