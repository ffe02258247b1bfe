#include "GDIPicture.h"

#include <QBuffer>

#include "Errors.h"

namespace vx {

void TGDIPPicture::SetData(const QByteArray& bytes) {
    FData = bytes;
    QBuffer buffer(&FData);
    buffer.open(QIODevice::ReadOnly);
    TGPImage image(buffer);
    FFormat = image.GetFormat();
    FImage = image.Image();
    NotifyChanged();
}

void TGDIPPicture::Draw(TCanvas& canvas, const QRect& rect) {
    if (FImage.isNull()) {
        return;
    }
    QPainter& p = canvas.Painter();
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, rect.size() != FImage.size());
    p.drawImage(rect, FImage);
    p.restore();
}

void TGDIPPicture::LoadFromStream(QIODevice& stream) {
    SetData(stream.readAll());
}

void TGDIPPicture::SaveToStream(QIODevice& stream) {
    if (stream.write(FData) != FData.size()) {
        throw EWriteError("Stream write error");
    }
}

void TGDIPPicture::ReadData(QIODevice& stream) {
    SetData(ReadSizedBlock(stream));
}

void TGDIPPicture::WriteData(QIODevice& stream) {
    WriteSizedBlock(stream, FData);
}

void TGDIPPicture::Assign(const TGraphic& source) {
    if (const auto* picture = qobject_cast<const TGDIPPicture*>(&source)) {
        SetData(picture->FData);
        return;
    }
    TGraphic::Assign(source);
}

bool TGDIPPicture::ReadExtra(const QString& name, const TLayoutValue& value) {
    const auto* bytes = std::get_if<QByteArray>(&value);
    if (name != QLatin1String("Data") || bytes == nullptr) {
        return false;
    }
    QByteArray data = *bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    ReadData(buffer);
    return true;
}

}  // namespace vx
