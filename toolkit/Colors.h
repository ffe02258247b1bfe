// Colour resolution: system colours come from the application palette at drawing time.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

#include "Types.h"

namespace vx {

// Resolves any colour (plain or system) to 0x00BBGGRR; clNone and clDefault resolve to black.
std::uint32_t ColorToRGB(TColor color);

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

inline int GetRValue(std::uint32_t rgb) {
    return rgb & 0xFF;
}
inline int GetGValue(std::uint32_t rgb) {
    return (rgb >> 8) & 0xFF;
}
inline int GetBValue(std::uint32_t rgb) {
    return (rgb >> 16) & 0xFF;
}
inline constexpr TColor RGB(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

// Names used by layouts for integer-valued constants ("clBtnFace", "crHandPoint").
std::optional<int> IdentToInt(const QString& name);

}  // namespace vx
