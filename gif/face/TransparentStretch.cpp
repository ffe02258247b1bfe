#include "TransparentStretch.h"

#include "Colors.h"

namespace vx {

namespace {

constexpr QRgb kRgbMask = 0x00FFFFFF;
constexpr QRgb kMaskKeep = 0xFFFFFFFF;   // AND keeps the destination
constexpr QRgb kMaskCover = 0xFF000000;  // AND clears it for the OR that follows

// Restores the canvas's copy mode when the drawing ends, also by an error.
class TCopyModeGuard {
  public:
    explicit TCopyModeGuard(TCanvas& canvas) : FCanvas(canvas), FMode(canvas.CopyMode) {}
    ~TCopyModeGuard() { FCanvas.CopyMode = FMode; }
    TCopyModeGuard(const TCopyModeGuard&) = delete;
    TCopyModeGuard& operator=(const TCopyModeGuard&) = delete;

  private:
    TCanvas& FCanvas;
    TCopyMode FMode;
};

QRgb KeyColor(const QImage& bitmap, bool monochrome, TColor transparentColor) {
    if (monochrome) {
        return kRgbMask;
    }
    if (transparentColor == clDefault) {
        return bitmap.pixel(0, bitmap.height() - 1) & kRgbMask;
    }
    return ToQColor(static_cast<TColor>(ColorToRGB(transparentColor))).rgb() & kRgbMask;
}

}  // namespace

void TransparentStretch(TCanvas& canvas, QRect dest, const QImage& bitmap, bool monochrome,
                        QRect source, TColor transparentColor) {
    if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0) {
        return;
    }
    if (dest.width() < 1) {
        dest.setWidth(bitmap.width());
    }
    if (dest.height() < 1) {
        dest.setHeight(bitmap.height());
    }
    if (source.width() < 1 || source.height() < 1) {
        source = bitmap.rect();
    }
    TCopyModeGuard guard(canvas);
    if (transparentColor == clNone) {
        canvas.CopyRect(dest, bitmap, source);
        return;
    }
    const QRgb key = KeyColor(bitmap, monochrome, transparentColor);
    QImage colour = bitmap.copy(source).convertToFormat(QImage::Format_RGB32);
    QImage mask(colour.size(), QImage::Format_RGB32);
    for (int y = 0; y < colour.height(); ++y) {
        auto* pixels = reinterpret_cast<QRgb*>(colour.scanLine(y));
        auto* bits = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < colour.width(); ++x) {
            const bool isKey = (pixels[x] & kRgbMask) == key;
            bits[x] = isKey ? kMaskKeep : kMaskCover;
            if (isKey) {
                pixels[x] = kMaskCover;
            }
        }
    }
    canvas.CopyMode = cmSrcAnd;
    canvas.CopyRect(dest, mask, mask.rect());
    canvas.CopyMode = cmSrcPaint;
    canvas.CopyRect(dest, colour, colour.rect());
}

}  // namespace vx
