// Shared fixtures of the panel tests: rendering a control and reading colours from the image.
#pragma once

#include <QImage>
#include <QWidget>
#include <cmath>

#include "Colors.h"

namespace vx::test {

inline QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

inline QRgb Rgb(TColor color) {
    return ToQColor(color).rgb();
}

inline QRgb Rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

// The colour of band i of a gradient of `steps` bands (round half to even on each channel).
inline QRgb BandColor(TColor from, TColor to, int steps, int i) {
    const std::uint32_t a = ColorToRGB(from);
    const std::uint32_t b = ColorToRGB(to);
    const auto channel = [&](int x, int y) {
        return x + static_cast<int>(std::nearbyint(i * ((y - x) / static_cast<double>(steps))));
    };
    return qRgb(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
                channel(GetBValue(a), GetBValue(b)));
}

}  // namespace vx::test
