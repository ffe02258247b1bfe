#include "GDIPicture.h"

#include <QBuffer>
#include <QtEndian>

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
    quint32 length = 0;
    if (stream.read(reinterpret_cast<char*>(&length), 4) != 4) {
        throw EReadError(SReadError);
    }
    length = qFromLittleEndian(length);
    const QByteArray bytes = stream.read(length);
    if (bytes.size() != qsizetype(length)) {
        throw EReadError(SReadError);
    }
    SetData(bytes);
}

void TGDIPPicture::WriteData(QIODevice& stream) {
    const quint32 length = qToLittleEndian(static_cast<quint32>(FData.size()));
    if (stream.write(reinterpret_cast<const char*>(&length), 4) != 4 ||
        stream.write(FData) != FData.size()) {
        throw EWriteError("Stream write error");
    }
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
