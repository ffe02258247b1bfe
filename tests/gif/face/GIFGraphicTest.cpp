#include <gtest/gtest.h>

#include "Errors.h"
#include "GIFFaceFixtures.h"

namespace vx {
namespace {

using giftest::Backdrop;
using giftest::DrawnOnBackdrop;
using giftest::EntryColor;
using giftest::kBackground;
using giftest::LoadInto;
using giftest::SmallGif;

// 2 x 2: entries 1, 2 / 3, 1; entry 1 transparent.
const giftest::Bytes kTransparentGif = SmallGif(2, 2, {1, 2, 3, 1}, 1);

std::unique_ptr<TBitmap> ColourBitmap(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

TEST(GIFGraphic, EmptyPictureIsBlankDrawsNothingAndGetsOneEmptyFrameOnRequest) {
    TGIFImage image;
    EXPECT_EQ(image.ClassName(), QStringLiteral("TGIFImage"));
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_TRUE(image.Palette().isEmpty());
    EXPECT_TRUE(image.TransparentDrawing());
    EXPECT_FALSE(image.ShowsTransparency());
    QImage target = Backdrop(4, 4);
    {
        TCanvas canvas(&target);
        image.Draw(canvas, QRect(0, 0, 4, 4));
    }
    EXPECT_EQ(target, Backdrop(4, 4));

    EXPECT_TRUE(image.CurrentBitmap().Empty());
    EXPECT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.Image().FActiveFrame, 0);
    EXPECT_EQ(image.Width(), 0);
}

TEST(GIFGraphic, DrawingStretchesTheFrameAndLeavesItsTransparentColourOut) {
    TGIFImage image;
    LoadInto(image, kTransparentGif);
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_TRUE(image.ShowsTransparency());
    EXPECT_TRUE(image.Transparent());

    const QImage shown = DrawnOnBackdrop(image, QRect(0, 0, 4, 4), 4, 4);
    EXPECT_EQ(shown.pixel(0, 0), kBackground);
    EXPECT_EQ(shown.pixel(1, 1), kBackground);
    EXPECT_EQ(shown.pixel(2, 0), EntryColor(2));
    EXPECT_EQ(shown.pixel(3, 1), EntryColor(2));
    EXPECT_EQ(shown.pixel(0, 3), EntryColor(3));
    EXPECT_EQ(shown.pixel(3, 3), kBackground);

    image.SetTransparent(false);
    EXPECT_FALSE(image.ShowsTransparency());
    const QImage plain = DrawnOnBackdrop(image, QRect(0, 0, 4, 4), 4, 4);
    EXPECT_EQ(plain.pixel(0, 0), EntryColor(1));
    EXPECT_EQ(plain.pixel(3, 3), EntryColor(1));
    EXPECT_EQ(plain.pixel(2, 1), EntryColor(2));
}

TEST(GIFGraphic, TwoColourFramesKeepTheirOwnTransparentColour) {
    giftest::TGifBytes gif;
    gif.Header().Screen(2, 1, 1).GraphicControl(1, 0, 0);
    gif.Descriptor(0, 0, 2, 1).Raster(2, giftest::LiteralCodes({0, 1}, 2)).Trailer();
    TGIFImage image;
    LoadInto(image, gif.Data());
    const QImage shown = DrawnOnBackdrop(image, QRect(0, 0, 2, 1), 2, 1);
    EXPECT_EQ(shown.pixel(0, 0), kBackground);
    EXPECT_EQ(shown.pixel(1, 0), EntryColor(1));
}

TEST(GIFGraphic, SizeCannotBeChanged) {
    TGIFImage image;
    LoadInto(image, kTransparentGif);
    for (const auto& resize : {std::function<void()>([&] { image.SetWidth(5); }),
                               std::function<void()>([&] { image.SetHeight(5); })}) {
        try {
            resize();
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphicOperation& error) {
            EXPECT_STREQ(error.what(), "Cannot change the Size of a GIF image");
        }
    }
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
}

TEST(GIFGraphic, CopiesShareDataAndSeparateLoadsDoNot) {
    TGIFImage first;
    TGIFImage second;
    LoadInto(first, kTransparentGif);
    LoadInto(second, kTransparentGif);
    EXPECT_FALSE(first.SharesDataWith(second));

    TGIFImage copy;
    int changes = 0;
    QObject::connect(&copy, &TGraphic::Changed, [&] { ++changes; });
    copy.Assign(first);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(copy.SharesDataWith(first));
    EXPECT_EQ(copy.FrameCount(), 1);
    EXPECT_EQ(DrawnOnBackdrop(copy, QRect(0, 0, 2, 2), 2, 2),
              DrawnOnBackdrop(first, QRect(0, 0, 2, 2), 2, 2));
    EXPECT_FALSE(copy.SharesDataWith(*ColourBitmap(1, 1, kBackground)));
}

TEST(GIFGraphic, LoadingReportsOneChangeAndForwardsDecodingProgress) {
    TGIFImage image;
    int changes = 0;
    std::vector<TProgressStage> stages;
    QObject::connect(&image, &TGraphic::Changed, [&] { ++changes; });
    QObject::connect(&image, &TGraphic::Progress,
                     [&](TProgressStage stage, int, bool, const QRect&, const QString&) {
                         stages.push_back(stage);
                     });
    LoadInto(image, kTransparentGif);
    EXPECT_EQ(changes, 1);
    ASSERT_GE(stages.size(), 2u);
    EXPECT_EQ(stages.front(), psStarting);
    EXPECT_EQ(stages.back(), psEnding);
}

TEST(GIFGraphic, CodecErrorsArriveAsPictureSystemErrors) {
    TGIFImage image;
    try {
        LoadInto(image, {'G', 'I', 'F', '9', '0', 'a'});
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphicOperation& error) {
        EXPECT_STREQ(error.what(), "Unknown GIF version");
    }
    giftest::Bytes cut = kTransparentGif;
    cut.resize(cut.size() - 3);  // the last sub-block loses a byte
    image.Image().FAcceptDamaged = false;
    try {
        LoadInto(image, cut);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphicOperation& error) {
        EXPECT_STREQ(error.what(), "Stream-Lesefehler");
    }
}

TEST(GIFGraphic, AppendedFramesBecomeCurrentAndRaiseTheVersion) {
    TGIFImage image;
    int changes = 0;
    QObject::connect(&image, &TGraphic::Changed, [&] { ++changes; });
    EXPECT_EQ(image.AppendFrame(*ColourBitmap(10, 10, 0xFFFF0000)), 0);
    EXPECT_EQ(image.Image().FGifVersion, gif::gfv87a);
    EXPECT_EQ(image.AppendFrame(*ColourBitmap(5, 5, 0xFF0000FF)), 1);
    EXPECT_EQ(image.Image().FGifVersion, gif::gfv89a);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(DrawnOnBackdrop(image, QRect(0, 0, 1, 1), 1, 1).pixel(0, 0), 0xFF0000FFu);
}

TEST(GIFGraphic, LogicalSizeIsTheExtentOfAllFrames) {
    TGIFImage image;
    image.AppendFrame(*ColourBitmap(10, 10, 0xFFFF0000));
    image.AppendFrame(*ColourBitmap(5, 5, 0xFF0000FF));
    image.Frame(1).FOriginX = 20;
    image.Frame(1).FOriginY = 3;
    image.RecalcLogicalSize();
    EXPECT_EQ(image.Image().FLogicalWidth, 25);
    EXPECT_EQ(image.Image().FLogicalHeight, 10);
}

TEST(GIFGraphic, BitmapTakesTheCurrentFrameWithItsTransparentColour) {
    TGIFImage image;
    LoadInto(image, kTransparentGif);
    TBitmap bitmap;
    bitmap.Assign(image);
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.PixelFormat(), pf4bit);
    EXPECT_EQ(bitmap.ToImage().pixel(1, 0), EntryColor(2));
    EXPECT_EQ(bitmap.ToImage().pixel(0, 1), EntryColor(3));
    EXPECT_TRUE(bitmap.Transparent());
    EXPECT_EQ(ToQColor(bitmap.TransparentColor()).rgb(), EntryColor(1));

    auto fromBlank = ColourBitmap(3, 3, kBackground);
    fromBlank->Assign(TGIFImage());
    EXPECT_TRUE(fromBlank->Empty());
}

TEST(GIFGraphic, PictureMadeFromBitmapKeepsPaletteIndexesAndTransparency) {
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0), qRgb(0, 0, 255)});
    for (int x = 0; x < 3; ++x) {
        indexed.scanLine(0)[x] = static_cast<uchar>(x);
    }
    TBitmap bitmap;
    bitmap.SetImage(indexed, pf8bit);
    TGIFImage image;
    image.Assign(bitmap);
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.Frame(0).FrameBitmap().BitCount, 8);
    EXPECT_EQ(image.Frame(0).FrameBitmap().PixelIndex(2, 0), 2);
    EXPECT_EQ(image.Palette().mid(0, 3), indexed.colorTable());
    EXPECT_EQ(image.Frame(0).FTransColor, gif::clNone);
    EXPECT_EQ(image.Image().FGifVersion, gif::gfv87a);

    bitmap.SetTransparentColor(FromQColor(QColor(qRgb(200, 100, 0))));
    bitmap.SetTransparent(true);
    image.Assign(bitmap);
    EXPECT_EQ(image.Frame(0).FTransColor, 200u + 100u * 256u);
    const QImage shown = DrawnOnBackdrop(image, QRect(0, 0, 3, 1), 3, 1);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(shown.pixel(1, 0), kBackground);
    EXPECT_EQ(shown.pixel(2, 0), qRgb(0, 0, 255));
}

// A transparent graphic that no bitmap can take over: red everywhere but its top-left pixel.
class TDrawnOnlyGraphic : public TGraphic {
  public:
    QString ClassName() const override { return QStringLiteral("TDrawnOnlyGraphic"); }
    void Draw(TCanvas& canvas, const QRect& rect) override {
        canvas.Painter().fillRect(rect.adjusted(1, 0, 0, 0), QColor(0xFF0000));
        canvas.Painter().fillRect(rect.adjusted(0, 1, 0, 0), QColor(0xFF0000));
    }
    bool Empty() const override { return false; }
    int Width() const override { return 3; }
    int Height() const override { return 2; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void LoadFromStream(QIODevice&) override {}
    void SaveToStream(QIODevice&) override {}
};

TEST(GIFGraphic, GraphicThatCannotBecomeABitmapIsDrawnOntoAMagentaFrame) {
    TDrawnOnlyGraphic drawn;
    drawn.SetTransparent(true);
    TGIFImage image;
    EXPECT_EQ(image.AppendFrame(drawn), 0);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Frame(0).FTransColor, 0xFF00FFu);
    const QImage shown = DrawnOnBackdrop(image, QRect(0, 0, 3, 2), 3, 2);
    EXPECT_EQ(shown.pixel(0, 0), kBackground);
    EXPECT_EQ(shown.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(2, 1), qRgb(255, 0, 0));
}

TEST(GIFGraphic, FrameCopiedIntoAnotherPictureHasItsOwnTable) {
    TGIFImage source;
    LoadInto(source, kTransparentGif);
    EXPECT_FALSE(source.Frame(0).FOwnTable);
    TGIFImage target;
    target.AssignFrame(source.Frame(0));
    ASSERT_EQ(target.FrameCount(), 1);
    EXPECT_TRUE(target.Frame(0).FOwnTable);
    EXPECT_EQ(target.Image().FShared->FGlobalTable, source.Image().FShared->FGlobalTable);
    EXPECT_EQ(target.Image().FGifVersion, gif::gfv87a);
    EXPECT_EQ(DrawnOnBackdrop(target, QRect(0, 0, 2, 2), 2, 2),
              DrawnOnBackdrop(source, QRect(0, 0, 2, 2), 2, 2));
}

TEST(GIFGraphic, TakingOneOfItsOwnFramesKeepsThatFrame) {
    TGIFImage image;
    image.AppendFrame(*ColourBitmap(2, 2, 0xFFFF0000));
    image.AppendFrame(*ColourBitmap(3, 3, 0xFF0000FF));
    image.AssignFrame(image.Frame(0));
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(DrawnOnBackdrop(image, QRect(0, 0, 1, 1), 1, 1).pixel(0, 0), 0xFFFF0000u);
}

TEST(GIFGraphic, FrameCommentIsMadeOnRequestOnly) {
    TGIFImage image;
    LoadInto(image, kTransparentGif);
    EXPECT_EQ(image.FrameComment(0, false), nullptr);
    gif::TBlockLines* lines = image.FrameComment(0, true);
    ASSERT_NE(lines, nullptr);
    lines->push_back("hello");
    EXPECT_EQ(*image.FrameComment(0, false), gif::TBlockLines{"hello"});
    EXPECT_THROW(image.FrameComment(1, false), std::out_of_range);
}

}  // namespace
}  // namespace vx
