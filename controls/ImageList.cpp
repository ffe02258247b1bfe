#include "ImageList.h"

#include "Layout.h"

namespace vx {

void TImageList::SetWidth(int value) {
    if (value != FWidth) {
        FWidth = value;
        Clear();
    }
}

void TImageList::SetHeight(int value) {
    if (value != FHeight) {
        FHeight = value;
        Clear();
    }
}

int TImageList::Add(const QImage& image) {
    FImages.push_back(image.scaled(FWidth, FHeight).convertToFormat(QImage::Format_ARGB32));
    emit Changed();
    return Count() - 1;
}

void TImageList::Clear() {
    FImages.clear();
    emit Changed();
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) {
        return;
    }
    const QImage& image = FImages[static_cast<std::size_t>(index)];
    QPainter& p = canvas.Painter();
    if (enabled) {
        p.drawImage(x, y, image);
        return;
    }
    QImage grey = image;
    for (int row = 0; row < grey.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(row));
        for (int col = 0; col < grey.width(); ++col) {
            const int g = (qGray(line[col]) + 255) / 2;
            line[col] = qRgba(g, g, g, qAlpha(line[col]));
        }
    }
    p.drawImage(x, y, grey);
}

void RegisterImageList() {
    TClassRegistry::Instance().RegisterComponent<TImageList>(QStringLiteral("TImageList"));
}

}  // namespace vx
