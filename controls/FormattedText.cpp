#include "FormattedText.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <cmath>

namespace vx {

namespace {

const QRegularExpression kShadowOpen(QStringLiteral("<shad>"),
                                     QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kShadowClose(QStringLiteral("</shad>"),
                                      QRegularExpression::CaseInsensitiveOption);

}  // namespace

TFormattedText::TFormattedText(const QString& text, const TFormattedTextStyle& style, int width)
    : FShadowOffset(style.ShadowOffset), FColor(style.Color) {
    const bool shadowed = text.contains(kShadowOpen);
    QString markup = text;
    markup.replace(kShadowOpen, QStringLiteral("<span>"))
        .replace(kShadowClose, QStringLiteral("</span>"));
    Setup(FDocument, markup, style, width);
    if (!style.HoverAnchor.isEmpty()) {
        ApplyHover(style);
    }
    if (style.Ellipsis && width > 0) {
        CutWithEllipsis(FDocument, width);
    }
    if (shadowed && style.ShadowColor.isValid()) {
        const QString shadowSpan =
            QStringLiteral("<span style=\"color:%1\">").arg(style.ShadowColor.name(QColor::HexRgb));
        QString shadowMarkup = text;
        shadowMarkup.replace(kShadowOpen, shadowSpan)
            .replace(kShadowClose, QStringLiteral("</span>"));
        TFormattedTextStyle shadowStyle = style;
        shadowStyle.Color = Qt::transparent;
        shadowStyle.UrlColor = Qt::transparent;
        FShadow = std::make_unique<QTextDocument>();
        Setup(*FShadow, shadowMarkup, shadowStyle, width);
        if (style.Ellipsis && width > 0) {
            CutWithEllipsis(*FShadow, width);
        }
    }
}

void TFormattedText::Setup(QTextDocument& document, const QString& markup,
                           const TFormattedTextStyle& style, int width) {
    document.setUndoRedoEnabled(false);
    document.setDocumentMargin(0);
    document.setDefaultFont(style.Font);
    document.setDefaultStyleSheet(QStringLiteral("a { color: %1; }")
                                      .arg(style.UrlColor.alpha() == 0
                                               ? QStringLiteral("transparent")
                                               : style.UrlColor.name(QColor::HexRgb)));
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(style.Ellipsis || !style.WordWrap || width <= 0
                           ? QTextOption::NoWrap
                           : QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setHtml(markup);
    document.setTextWidth(width > 0 && !style.Ellipsis && style.WordWrap ? width : -1);
    if (style.LineSpacing != 0) {
        ApplyLineSpacing(document, style.LineSpacing);
    }
}

void TFormattedText::ApplyLineSpacing(QTextDocument& document, int spacing) {
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(spacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
}

void TFormattedText::ApplyHover(const TFormattedTextStyle& style) {
    for (QTextBlock block = FDocument.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() != style.HoverAnchor) {
                continue;
            }
            QTextCharFormat format;
            if (style.HoverColor.isValid()) {
                format.setBackground(style.HoverColor);
            }
            if (style.HoverFontColor.isValid()) {
                format.setForeground(style.HoverFontColor);
            }
            QTextCursor cursor(&FDocument);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(format);
        }
    }
}

void TFormattedText::CutWithEllipsis(QTextDocument& document, int width) {
    const auto lineWidth = [&document](const QTextBlock& block) {
        document.documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        return layout->lineCount() > 0 ? layout->lineAt(0).naturalTextWidth() : 0.0;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        bool cut = false;
        while (lineWidth(block) > width) {
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock);
            if (cut) {
                cursor.movePosition(QTextCursor::PreviousCharacter);
            }
            if (cursor.positionInBlock() == 0) {
                break;
            }
            cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            if (!cut) {
                cursor.movePosition(QTextCursor::EndOfBlock);
                cursor.insertText(QStringLiteral("\u2026"));
                cut = true;
            }
        }
    }
}

QSize TFormattedText::Size() const {
    const QSizeF size = FDocument.documentLayout()->documentSize();
    return QSize(static_cast<int>(std::ceil(size.width())),
                 static_cast<int>(std::ceil(size.height())));
}

void TFormattedText::Draw(QPainter& painter, QPoint origin, const QRect& clip) const {
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
    painter.translate(origin);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(clip.translated(-origin));
    if (FShadow) {
        QAbstractTextDocumentLayout::PaintContext shadow = context;
        shadow.palette.setColor(QPalette::Text, Qt::transparent);
        painter.translate(FShadowOffset, FShadowOffset);
        FShadow->documentLayout()->draw(&painter, shadow);
        painter.translate(-FShadowOffset, -FShadowOffset);
    }
    context.palette.setColor(QPalette::Text, FColor);
    FDocument.documentLayout()->draw(&painter, context);
    painter.restore();
}

QString TFormattedText::AnchorAt(QPoint point) const {
    return FDocument.documentLayout()->anchorAt(QPointF(point));
}

bool IsShellAnchor(const QString& target) {
    return target.contains(QLatin1String("://")) || target.contains(QLatin1String("mailto:"));
}

}  // namespace vx
