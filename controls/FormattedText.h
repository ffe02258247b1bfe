// The panels' formatted text: a small HTML-like markup with anchors, laid out by Qt's rich text
// engine for drawing, measuring and finding the anchor under a point.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QTextDocument>
#include <memory>

namespace vx {

struct TFormattedTextStyle {
    QFont Font;
    QColor Color;
    QColor UrlColor;
    int LineSpacing = 0;
    // Lines longer than the width are cut and end in an ellipsis instead of wrapping.
    bool Ellipsis = false;
    bool WordWrap = true;
    // The anchor shown highlighted (its target), with its colours (invalid: keep the text's).
    QString HoverAnchor;
    QColor HoverColor;
    QColor HoverFontColor;
    // Text inside <shad>...</shad> gets a shadow in this colour, this many pixels down and right.
    QColor ShadowColor;
    int ShadowOffset = 0;
};

class TFormattedText {
  public:
    // Lays the text out for `width` pixels (0 or less: no width limit).
    TFormattedText(const QString& text, const TFormattedTextStyle& style, int width);

    QSize Size() const;
    // Draws with the layout's top-left at `origin`, clipped to `clip`.
    void Draw(QPainter& painter, QPoint origin, const QRect& clip) const;
    // The target of the anchor under a point relative to the layout's top-left, or empty.
    QString AnchorAt(QPoint point) const;

  private:
    static void Setup(QTextDocument& document, const QString& markup,
                      const TFormattedTextStyle& style, int width);
    static void ApplyLineSpacing(QTextDocument& document, int spacing);
    void ApplyHover(const TFormattedTextStyle& style);
    static void CutWithEllipsis(QTextDocument& document, int width);

    QTextDocument FDocument;
    // The shadows alone (everything else transparent), drawn first at the shadow offset.
    std::unique_ptr<QTextDocument> FShadow;
    int FShadowOffset = 0;
    QColor FColor;
};

// Whether an anchor target is opened by the desktop (web and mail addresses) rather than
// handed to the control's anchor event.
bool IsShellAnchor(const QString& target);

}  // namespace vx
