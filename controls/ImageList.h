// A list of equally sized images that buttons take their glyphs from by index.
#pragma once

#include <QImage>
#include <vector>

#include "Control.h"

namespace vx {

class TImageList : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)

  public:
    explicit TImageList(QObject* owner = nullptr) : TComponent(owner) {}

    int Width() const { return FWidth; }
    // A new size empties the list, as every image must have it.
    void SetWidth(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int Count() const { return static_cast<int>(FImages.size()); }

    // Adds an image scaled to the list's size; returns its index.
    int Add(const QImage& image);
    void Clear();
    // Draws one image; a disabled image is drawn greyed. Indexes outside the list draw nothing.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;

  signals:
    void Changed();

  private:
    int FWidth = 16;
    int FHeight = 16;
    std::vector<QImage> FImages;
};

void RegisterImageList();

}  // namespace vx
