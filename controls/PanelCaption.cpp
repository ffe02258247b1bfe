#include "PanelCaption.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "Colors.h"

namespace vx {

// ---- TPanelCaption

TPanelCaption::TPanelCaption(QObject* parent)
    : QObject(parent),
      FFont(std::make_unique<TFont>()),
      FCloseMinGlyph(std::make_unique<TBitmap>()),
      FCloseMaxGlyph(std::make_unique<TBitmap>()),
      FMinGlyph(std::make_unique<TBitmap>()),
      FMaxGlyph(std::make_unique<TBitmap>()),
      FBackground(std::make_unique<TBitmap>()) {
    FFont->SetColor(clHighlightText);
    connect(FFont.get(), &TFont::Changed, this, &TPanelCaption::Changed);
}

TPanelCaption::~TPanelCaption() = default;

void TPanelCaption::NotifyShade() {
    emit ShadeChanged();
    emit Changed();
}

void TPanelCaption::SetVisible(bool value) {
    FVisible = value;
    emit Changed();
    emit StateChanged();
}

void TPanelCaption::SetPosition(gp::TCaptionPosition value) {
    if (value != FPosition) {
        FPosition = value;
        emit PositionChanged();
    }
}

void TPanelCaption::SetHeight(int value) {
    if (value != FHeight) {
        FHeight = value;
        emit Changed();
    }
}

void TPanelCaption::SetText(const QString& value) {
    FText = value;
    emit Changed();
}

void TPanelCaption::SetColor(TColor value) {
    if (value != FColor) {
        FColor = value;
        NotifyShade();
    }
}

void TPanelCaption::SetColorTo(TColor value) {
    FColorTo = value;
    emit Changed();
}

void TPanelCaption::SetGradientDirection(gp::TGradientDirection value) {
    FGradientDirection = value;
    emit Changed();
}

void TPanelCaption::SetCloseColor(TColor value) {
    if (value != FCloseColor) {
        FCloseColor = value;
        emit Changed();
    }
}

void TPanelCaption::SetFlat(bool value) {
    FFlat = value;
    NotifyShade();
}

void TPanelCaption::SetIndent(int value) {
    if (value != FIndent) {
        FIndent = value;
        emit Changed();
    }
}

void TPanelCaption::SetTopIndent(int value) {
    if (value != FTopIndent) {
        FTopIndent = value;
        emit Changed();
    }
}

void TPanelCaption::SetCloseButton(bool value) {
    if (value != FCloseButton) {
        FCloseButton = value;
        emit Changed();
    }
}

void TPanelCaption::SetCloseButtonColor(TColor value) {
    if (value != FCloseButtonColor) {
        FCloseButtonColor = value;
        emit Changed();
    }
}

void TPanelCaption::SetMinMaxButton(bool value) {
    if (value != FMinMaxButton) {
        FMinMaxButton = value;
        emit Changed();
    }
}

void TPanelCaption::SetMinMaxButtonColor(TColor value) {
    if (value != FMinMaxButtonColor) {
        FMinMaxButtonColor = value;
        emit Changed();
    }
}

void TPanelCaption::SetButtonPosition(gp::TCaptionButtonPosition value) {
    if (value != FButtonPosition) {
        FButtonPosition = value;
        emit Changed();
    }
}

void TPanelCaption::SetShape(gp::TCaptionShape value) {
    FShape = value;
    NotifyShade();
}

void TPanelCaption::SetShadeType(gp::TShadeType value) {
    FShadeType = value;
    NotifyShade();
}

void TPanelCaption::SetShadeLight(int value) {
    FShadeLight = std::max(value, 200);
    NotifyShade();
}

void TPanelCaption::SetShadeGrain(int value) {
    FShadeGrain = value & 0xFF;
    NotifyShade();
}

void TPanelCaption::SetCloseMinGlyph(const TBitmap& value) {
    FCloseMinGlyph->Assign(value);
    emit Changed();
}

void TPanelCaption::SetCloseMaxGlyph(const TBitmap& value) {
    FCloseMaxGlyph->Assign(value);
    emit Changed();
}

void TPanelCaption::SetBackground(const TBitmap& value) {
    FBackground->Assign(value);
    NotifyShade();
}

void TPanelCaption::Assign(const TPanelCaption& source) {
    if (&source == this) {
        return;
    }
    FHeight = source.FHeight;
    {
        const QSignalBlocker block(FFont.get());
        FFont->Assign(*source.FFont);
    }
    FColor = source.FColor;
    FColorTo = source.FColorTo;
    FGradientDirection = source.FGradientDirection;
    FCloseColor = source.FCloseColor;
    FFlat = source.FFlat;
    FIndent = source.FIndent;
    FCloseButton = source.FCloseButton;
    FCloseButtonColor = source.FCloseButtonColor;
    FCloseButtonHoverColor = source.FCloseButtonHoverColor;
    FMinMaxButton = source.FMinMaxButton;
    FMinMaxButtonColor = source.FMinMaxButtonColor;
    FMinMaxButtonHoverColor = source.FMinMaxButtonHoverColor;
    FButtonPosition = source.FButtonPosition;
    FShape = source.FShape;
    FShadeType = source.FShadeType;
    FShadeLight = source.FShadeLight;
    FShadeGrain = source.FShadeGrain;
    FCloseMinGlyph->Assign(*source.FCloseMinGlyph);
    FCloseMaxGlyph->Assign(*source.FCloseMaxGlyph);
    FMinGlyph->Assign(*source.FMinGlyph);
    FMaxGlyph->Assign(*source.FMaxGlyph);
    FBackground->Assign(*source.FBackground);
    NotifyShade();
}

// ---- TPanelStatusBar

TPanelStatusBar::TPanelStatusBar(QObject* parent)
    : QObject(parent), FFont(std::make_unique<TFont>()) {
    connect(FFont.get(), &TFont::Changed, this, &TPanelStatusBar::Changed);
}

TPanelStatusBar::~TPanelStatusBar() = default;

template <class T>
void TPanelStatusBar::Store(T& field, T value) {
    if (field != value) {
        field = value;
        emit Changed();
    }
}

void TPanelStatusBar::SetVisible(bool value) {
    Store(FVisible, value);
}

void TPanelStatusBar::SetHeight(int value) {
    Store(FHeight, value);
}

void TPanelStatusBar::SetText(const QString& value) {
    Store(FText, value);
}

void TPanelStatusBar::SetColor(TColor value) {
    Store(FColor, value);
}

void TPanelStatusBar::SetColorTo(TColor value) {
    Store(FColorTo, value);
}

void TPanelStatusBar::SetGradientDirection(gp::TGradientDirection value) {
    Store(FGradientDirection, value);
}

void TPanelStatusBar::SetImageIndex(int value) {
    Store(FImageIndex, value);
}

void TPanelStatusBar::SetBorderStyle(TFormBorderStyle value) {
    Store(FBorderStyle, value == bsNone ? bsNone : bsSingle);
}

void TPanelStatusBar::SetBorderColor(TColor value) {
    Store(FBorderColor, value);
}

void TPanelStatusBar::SetBevelInner(bool value) {
    Store(FBevelInner, value);
}

void TPanelStatusBar::Assign(const TPanelStatusBar& source) {
    if (&source == this) {
        return;
    }
    FColor = source.FColor;
    FColorTo = source.FColorTo;
    FGradientDirection = source.FGradientDirection;
    FBorderStyle = source.FBorderStyle;
    FBorderColor = source.FBorderColor;
    {
        const QSignalBlocker block(FFont.get());
        FFont->Assign(*source.FFont);
    }
    emit Changed();
}

// ---- Shade picture

namespace {

constexpr int kStreakCount = 251;
constexpr int kStreakDepth = 14;
constexpr int kBumpDepth = 64;
constexpr int kSoftBumpDepth = 32;
constexpr int kHardBumpDepth = 96;
constexpr int kRadialDepth = 110;

// Smooth cubic rise and fall over 0..1, peaking at the middle.
double CubicBump(double t) {
    const double u = 1.0 - std::abs(2.0 * t - 1.0);
    return u * u * (3.0 - 2.0 * u);
}

class TShadeCanvas {
  public:
    TShadeCanvas(int width, int height) : W(width), H(height), FValues((W + 1) * (H + 1), 0) {}
    int& At(int x, int y) { return FValues[static_cast<size_t>(y * (W + 1) + x)]; }

    // Brightness v becomes v/255 of each channel of the base colour; values are kept in range
    // because a light above 255 wraps to a low byte that could otherwise go negative.
    QImage Colorize(std::uint32_t base) {
        QImage image(W, H, QImage::Format_RGB32);
        for (int y = 0; y < H; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < W; ++x) {
                const int v = std::clamp(At(x, y), 0, 255);
                row[x] = qRgb(v * GetRValue(base) / 255, v * GetGValue(base) / 255,
                              v * GetBValue(base) / 255);
            }
        }
        return image;
    }

    const int W;
    const int H;

  private:
    std::vector<int> FValues;
};

void Streaks(TShadeCanvas& c, std::mt19937& random, bool leftLeaning) {
    std::uniform_int_distribution<int> start(-c.H, c.W + c.H);
    std::uniform_int_distribution<int> depth(-kStreakDepth, kStreakDepth);
    for (int k = 0; k < kStreakCount; ++k) {
        const int x0 = start(random);
        const int d = depth(random);
        for (int y = 0; y <= c.H; ++y) {
            const int x = leftLeaning ? x0 - y : x0 + y;
            if (x >= 0 && x <= c.W) {
                c.At(x, y) += d;
            }
        }
    }
}

}  // namespace

QImage BuildShade(const TPanelCaption& caption, int panelWidth, int panelHeight, unsigned seed) {
    const bool top = caption.Position() == gp::cpTop;
    int width = top ? panelWidth : caption.Height();
    int height = top ? caption.Height() : panelHeight;
    if (width <= 0) {
        width = top ? 100 : 20;
    }
    if (height <= 0) {
        height = top ? 20 : 100;
    }
    const std::uint32_t base = ColorToRGB(caption.Color());
    TShadeCanvas c(width, height);
    const int W = c.W;
    const int H = c.H;
    const int s = caption.ShadeLight() & 0xFF;
    std::mt19937 random(seed);
    const auto each = [&](auto brightness) {
        for (int y = 0; y <= H; ++y) {
            for (int x = 0; x <= W; ++x) {
                c.At(x, y) = brightness(x, y);
            }
        }
    };
    switch (caption.ShadeType()) {
        case gp::stNoise: {
            const int grain = caption.ShadeGrain();
            std::uniform_int_distribution<int> noise(0, std::max(grain - 1, 0));
            each([&](int, int) { return s - ((grain > 0 ? noise(random) : 0) + 128) / 2; });
            break;
        }
        case gp::stDiagShade:
            each([&](int x, int y) { return s - (s - 255 + x * 129 / W + y * 129 / H) / 2; });
            break;
        case gp::stHShade:
            each([&](int x, int) { return s - (239 * (W - x) / W + 8) / 2; });
            break;
        case gp::stHShadeInv:
            each([&](int x, int) { return s - (239 * x / W + 8) / 2; });
            break;
        case gp::stVShade:
            each([&](int, int y) { return s - (y * 239 / H + 8) / 4; });
            break;
        case gp::stVShadeInv:
            each([&](int, int y) { return s - ((H - y) * 239 / H + 8) / 4; });
            break;
        case gp::stHBump:
            each([&](int, int y) {
                return s - kBumpDepth + static_cast<int>(kBumpDepth * CubicBump(double(y) / H));
            });
            break;
        case gp::stVBump:
            each([&](int x, int) {
                return s - kBumpDepth + static_cast<int>(kBumpDepth * CubicBump(double(x) / W));
            });
            break;
        case gp::stSoftBump:
        case gp::stHardBump: {
            const int depth =
                caption.ShadeType() == gp::stSoftBump ? kSoftBumpDepth : kHardBumpDepth;
            each([&](int x, int y) {
                const double b = CubicBump(double(x) / W) * CubicBump(double(y) / H);
                return s - depth + static_cast<int>(depth * b);
            });
            break;
        }
        case gp::stLMetal:
        case gp::stRMetal:
            each([](int, int) { return 0; });
            Streaks(c, random, caption.ShadeType() == gp::stLMetal);
            for (int y = 0; y <= H; ++y) {
                for (int x = 0; x <= W; ++x) {
                    c.At(x, y) += s - (s - 255 + x * 129 / W + y * 129 / H) / 2;
                }
            }
            break;
        case gp::stIRadial:
        case gp::stORadial: {
            const double cx = W / 2.0;
            const double cy = H / 2.0;
            const double rim = std::hypot(cx, cy);
            const bool inner = caption.ShadeType() == gp::stIRadial;
            each([&](int x, int y) {
                const double d = std::hypot(x - cx, y - cy) / rim;
                return s - static_cast<int>(kRadialDepth * (inner ? d : 1.0 - d));
            });
            break;
        }
        default: {
            QImage image(W, H, QImage::Format_RGB32);
            image.fill(ToQColor(caption.Color()));
            return image;
        }
    }
    return c.Colorize(base);
}

}  // namespace vx
