// The picture class of the glow and shape buttons' optional images, decoded by Qt's image
// reader. The program's windows leave it empty, and an empty picture paints nothing.
#pragma once

#include <QByteArray>
#include <QImage>

#include "Graphics.h"

namespace vx {

class TGDIPPicture : public TGraphic {
    Q_OBJECT
  public:
    QString ClassName() const override { return QStringLiteral("TGDIPPicture"); }
    void Draw(TCanvas& canvas, const QRect& rect) override;
    bool Empty() const override { return FImage.isNull(); }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    // Bytes the reader cannot decode leave the picture empty.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;

  private:
    QByteArray FData;
    QImage FImage;
};

}  // namespace vx
