#include "GDIPicture.h"

#include <QPainter>

namespace vx {

void TGDIPPicture::Draw(TCanvas& canvas, const QRect& rect) {
    if (!FImage.isNull()) {
        canvas.Painter().drawImage(rect, FImage);
    }
}

void TGDIPPicture::LoadFromStream(QIODevice& stream) {
    FData = stream.readAll();
    FImage = QImage::fromData(FData);
    NotifyChanged();
}

void TGDIPPicture::SaveToStream(QIODevice& stream) {
    stream.write(FData);
}

}  // namespace vx
