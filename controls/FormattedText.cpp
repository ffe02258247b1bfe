#include "FormattedText.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <cmath>

namespace vx {

TFormattedText::TFormattedText(const QString& text, const TFormattedTextStyle& style, int width)
    : FColor(style.Color) {
    FDocument.setUndoRedoEnabled(false);
    FDocument.setDocumentMargin(0);
    FDocument.setDefaultFont(style.Font);
    FDocument.setDefaultStyleSheet(
        QStringLiteral("a { color: %1; }").arg(style.UrlColor.name(QColor::HexRgb)));
    QTextOption option = FDocument.defaultTextOption();
    option.setWrapMode(style.Ellipsis || !style.WordWrap || width <= 0
                           ? QTextOption::NoWrap
                           : QTextOption::WrapAtWordBoundaryOrAnywhere);
    FDocument.setDefaultTextOption(option);
    FDocument.setHtml(text);
    FDocument.setTextWidth(width > 0 && !style.Ellipsis && style.WordWrap ? width : -1);
    if (style.LineSpacing != 0) {
        ApplyLineSpacing(style.LineSpacing);
    }
    if (!style.HoverAnchor.isEmpty()) {
        ApplyHover(style);
    }
    if (style.Ellipsis && width > 0) {
        CutWithEllipsis(width);
    }
}

void TFormattedText::ApplyLineSpacing(int spacing) {
    QTextCursor cursor(&FDocument);
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

void TFormattedText::CutWithEllipsis(int width) {
    const auto lineWidth = [this](const QTextBlock& block) {
        FDocument.documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        return layout->lineCount() > 0 ? layout->lineAt(0).naturalTextWidth() : 0.0;
    };
    for (QTextBlock block = FDocument.begin(); block.isValid(); block = block.next()) {
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
    context.palette.setColor(QPalette::Text, FColor);
    context.clip = QRectF(clip.translated(-origin));
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
