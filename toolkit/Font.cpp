#include "Font.h"

#include <QFontDatabase>
#include <QStringList>
#include <cmath>

namespace vx {

TFont::TFont(QObject* parent) : QObject(parent) {}

void TFont::SetName(const QString& value) {
    if (value != FName) {
        FName = value;
        emit Changed();
    }
}

void TFont::SetHeight(int value) {
    if (value != FHeight) {
        FHeight = value;
        emit Changed();
    }
}

int TFont::Size() const {
    return static_cast<int>(std::lround(-FHeight * 72.0 / 96.0));
}

void TFont::SetSize(int value) {
    SetHeight(-static_cast<int>(std::lround(value * 96.0 / 72.0)));
}

void TFont::SetColor(TColor value) {
    if (value != FColor) {
        FColor = value;
        emit Changed();
    }
}

void TFont::SetStyle(TFontStyles value) {
    if (value != FStyle) {
        FStyle = value;
        emit Changed();
    }
}

void TFont::SetCharset(int value) {
    if (value != FCharset) {
        FCharset = value;
        emit Changed();
    }
}

void TFont::SetPitch(TFontPitch value) {
    if (value != FPitch) {
        FPitch = value;
        emit Changed();
    }
}

void TFont::Assign(const TFont& source) {
    if (source == *this) {
        return;
    }
    FName = source.FName;
    FHeight = source.FHeight;
    FColor = source.FColor;
    FStyle = source.FStyle;
    FCharset = source.FCharset;
    FPitch = source.FPitch;
    emit Changed();
}

bool TFont::operator==(const TFont& other) const {
    return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor &&
           FStyle == other.FStyle && FCharset == other.FCharset && FPitch == other.FPitch;
}

QFont TFont::ToQFont(bool antialiased) const {
    QFont font(FName);
    // A positive height includes the internal leading, which is about a fifth of the cell.
    const int pixels = FHeight < 0 ? -FHeight : std::max(1, FHeight * 4 / 5);
    font.setPixelSize(std::max(1, pixels));
    font.setBold(FStyle.testFlag(fsBold));
    font.setItalic(FStyle.testFlag(fsItalic));
    font.setUnderline(FStyle.testFlag(fsUnderline));
    font.setStrikeOut(FStyle.testFlag(fsStrikeOut));
    if (FPitch == fpFixed) {
        font.setFixedPitch(true);
    }
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
    return font;
}

bool RegisterTahoma() {
    static const QStringList kFolders = {QStringLiteral("/usr/share/wine/fonts"),
                                         QStringLiteral("/usr/share/fonts/truetype/wine")};
    bool found = false;
    for (const QString& folder : kFolders) {
        for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
            if (QFontDatabase::addApplicationFont(folder + '/' + QLatin1String(file)) >= 0) {
                found = true;
            }
        }
        if (found) {
            break;
        }
    }
    return found;
}

}  // namespace vx
