// The pictures of glow and shape buttons: any image the drawing layer's image object reads, kept
// as the bytes it was loaded from and decoded once.
#pragma once

#include <QByteArray>
#include <QImage>

#include "GdiPlus.h"
#include "Graphics.h"
#include "LayoutValue.h"

namespace vx {

class TGDIPPicture : public TGraphic, public ILayoutTarget {
    Q_OBJECT
  public:
    QString ClassName() const override { return QStringLiteral("TGDIPPicture"); }

    void Draw(TCanvas& canvas, const QRect& rect) override;
    bool Empty() const override { return FImage.isNull(); }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    // The size comes from the image; setting it is not possible.
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // Keeps the bytes and decodes them; bytes no reader knows leave the picture empty.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    // The persisted form: 32-bit length, then the bytes as loaded.
    void ReadData(QIODevice& stream) override;
    void WriteData(QIODevice& stream) override;
    void Assign(const TGraphic& source) override;
    // Layouts store the picture as `Data`: its persisted form.
    bool ReadExtra(const QString& name, const TLayoutValue& value) override;

    void SetData(const QByteArray& bytes);
    const QByteArray& Data() const { return FData; }
    TImageFormatCode FormatCode() const { return FFormat; }
    const QImage& Image() const { return FImage; }

  private:
    QByteArray FData;
    QImage FImage;
    TImageFormatCode FFormat = ifUnknown;
};

}  // namespace vx
