#include "Colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>
#include <utility>

namespace vx {

namespace {

// Palette roles standing in for the system colour indexes; nullopt where the palette has no role
// and the classic desktop value is used.
struct SystemColor {
    std::optional<QPalette::ColorRole> role;
    QPalette::ColorGroup group;
    std::uint32_t fallback;  // 0x00BBGGRR
};

constexpr std::uint32_t Bgr(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}

const std::array<SystemColor, 31>& SystemColors() {
    using R = QPalette;
    static const std::array<SystemColor, 31> table{{
        {std::nullopt, R::Active, Bgr(200, 200, 200)},        // scroll bar
        {std::nullopt, R::Active, Bgr(0, 0, 0)},              // desktop
        {R::Highlight, R::Active, Bgr(153, 180, 209)},        // active caption
        {R::Window, R::Inactive, Bgr(191, 205, 219)},         // inactive caption
        {R::Window, R::Active, Bgr(240, 240, 240)},           // menu
        {R::Base, R::Active, Bgr(255, 255, 255)},             // window
        {R::Shadow, R::Active, Bgr(100, 100, 100)},           // window frame
        {R::WindowText, R::Active, Bgr(0, 0, 0)},             // menu text
        {R::Text, R::Active, Bgr(0, 0, 0)},                   // window text
        {R::HighlightedText, R::Active, Bgr(0, 0, 0)},        // caption text
        {std::nullopt, R::Active, Bgr(180, 180, 180)},        // active border
        {std::nullopt, R::Active, Bgr(244, 247, 252)},        // inactive border
        {R::Dark, R::Active, Bgr(171, 171, 171)},             // app workspace
        {R::Highlight, R::Active, Bgr(0, 120, 215)},          // highlight
        {R::HighlightedText, R::Active, Bgr(255, 255, 255)},  // highlight text
        {R::Button, R::Active, Bgr(240, 240, 240)},           // button face
        {R::Dark, R::Active, Bgr(160, 160, 160)},             // button shadow
        {R::Text, R::Disabled, Bgr(109, 109, 109)},           // grey text
        {R::ButtonText, R::Active, Bgr(0, 0, 0)},             // button text
        {R::WindowText, R::Inactive, Bgr(0, 0, 0)},           // inactive caption text
        {R::Light, R::Active, Bgr(255, 255, 255)},            // button highlight
        {R::Shadow, R::Active, Bgr(105, 105, 105)},           // 3D dark shadow
        {R::Midlight, R::Active, Bgr(227, 227, 227)},         // 3D light
        {R::ToolTipText, R::Active, Bgr(0, 0, 0)},            // info text
        {R::ToolTipBase, R::Active, Bgr(255, 255, 225)},      // info background
        {std::nullopt, R::Active, Bgr(0, 0, 0)},              // (unused index)
        {R::Link, R::Active, Bgr(0, 102, 204)},               // hot light
        {std::nullopt, R::Active, Bgr(185, 209, 234)},        // gradient active caption
        {std::nullopt, R::Active, Bgr(215, 228, 242)},        // gradient inactive caption
        {R::Highlight, R::Active, Bgr(0, 120, 215)},          // menu highlight
        {R::Window, R::Active, Bgr(240, 240, 240)},           // menu bar
    }};
    return table;
}

const std::array<std::pair<const char*, int>, 69>& Idents() {
    static const std::array<std::pair<const char*, int>, 69> table{{
        {"clNone", clNone},
        {"clDefault", clDefault},
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clOlive", clOlive},
        {"clNavy", clNavy},
        {"clPurple", clPurple},
        {"clTeal", clTeal},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clLime", clLime},
        {"clYellow", clYellow},
        {"clBlue", clBlue},
        {"clFuchsia", clFuchsia},
        {"clAqua", clAqua},
        {"clWhite", clWhite},
        {"clMoneyGreen", clMoneyGreen},
        {"clSkyBlue", clSkyBlue},
        {"clCream", clCream},
        {"clMedGray", clMedGray},
        {"clScrollBar", clScrollBar},
        {"clBackground", clBackground},
        {"clActiveCaption", clActiveCaption},
        {"clInactiveCaption", clInactiveCaption},
        {"clMenu", clMenu},
        {"clWindow", clWindow},
        {"clWindowFrame", clWindowFrame},
        {"clMenuText", clMenuText},
        {"clWindowText", clWindowText},
        {"clCaptionText", clCaptionText},
        {"clActiveBorder", clActiveBorder},
        {"clInactiveBorder", clInactiveBorder},
        {"clAppWorkSpace", clAppWorkSpace},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow},
        {"clGrayText", clGrayText},
        {"clBtnText", clBtnText},
        {"clInactiveCaptionText", clInactiveCaptionText},
        {"clBtnHighlight", clBtnHighlight},
        {"cl3DDkShadow", cl3DDkShadow},
        {"cl3DLight", cl3DLight},
        {"clInfoText", clInfoText},
        {"clInfoBk", clInfoBk},
        {"clHotLight", clHotLight},
        {"clGradientActiveCaption", clGradientActiveCaption},
        {"clGradientInactiveCaption", clGradientInactiveCaption},
        {"clMenuHighlight", clMenuHighlight},
        {"clMenuBar", clMenuBar},
        {"crDefault", crDefault},
        {"crNone", crNone},
        {"crArrow", crArrow},
        {"crCross", crCross},
        {"crIBeam", crIBeam},
        {"crSizeNESW", crSizeNESW},
        {"crSizeNS", crSizeNS},
        {"crSizeNWSE", crSizeNWSE},
        {"crSizeWE", crSizeWE},
        {"crUpArrow", crUpArrow},
        {"crHourGlass", crHourGlass},
        {"crNo", crNo},
        {"crHandPoint", crHandPoint},
        {"crSizeAll", crSizeAll},
        {"ANSI_CHARSET", ANSI_CHARSET},
        {"DEFAULT_CHARSET", DEFAULT_CHARSET},
        {"SYMBOL_CHARSET", SYMBOL_CHARSET},
    }};
    return table;
}

}  // namespace

std::uint32_t ColorToRGB(TColor color) {
    if (color == clNone || color == clDefault) {
        return 0;
    }
    if ((static_cast<std::uint32_t>(color) & 0xFF000000u) !=
        static_cast<std::uint32_t>(clSystemColor)) {
        return static_cast<std::uint32_t>(color) & 0x00FFFFFFu;
    }
    const auto index = static_cast<std::size_t>(color & 0xFF);
    if (index >= SystemColors().size()) {
        return 0;
    }
    const SystemColor& sys = SystemColors()[index];
    if (!sys.role || qGuiApp == nullptr) {
        return sys.fallback;
    }
    const QColor c = QGuiApplication::palette().color(sys.group, *sys.role);
    return Bgr(c.red(), c.green(), c.blue());
}

QColor ToQColor(TColor color) {
    const std::uint32_t rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

std::optional<int> IdentToInt(const QString& name) {
    for (const auto& [ident, value] : Idents()) {
        if (name == QLatin1String(ident)) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace vx
