// Font settings object: name, pixel height, colour and style, with a change notification.
#pragma once

#include <QFont>
#include <QObject>

#include "LayoutValue.h"
#include "Types.h"

namespace vx {

class TFont : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(vx::TFontStyles Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(vx::TFontPitch Pitch READ Pitch WRITE SetPitch)

  public:
    explicit TFont(QObject* parent = nullptr);

    QString Name() const { return FName; }
    void SetName(const QString& value);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return FHeight; }
    void SetHeight(int value);
    // Points at 96 pixels per inch.
    int Size() const;
    void SetSize(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    int Charset() const { return FCharset; }
    void SetCharset(int value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch value);

    void Assign(const TFont& source);
    bool operator==(const TFont& other) const;

    // The Qt font; smoothing off gives the plain, aliased text of classic window text.
    QFont ToQFont(bool antialiased = false) const;

  signals:
    void Changed();

  private:
    QString FName = QStringLiteral("Tahoma");
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    int FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
};

// Registers Tahoma from the system's font folders when present; returns whether it was found.
bool RegisterTahoma();

}  // namespace vx
