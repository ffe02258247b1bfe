#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>
#include <QtEndian>

#include "Errors.h"
#include "GIFFaceFixtures.h"

namespace vx {
namespace {

using giftest::DrawnOnBackdrop;
using giftest::kBackground;

constexpr int kProductWidth = 250;
constexpr int kProductHeight = 248;
constexpr int kProductTransparentIndex = 254;

QByteArray ProductGif() {
    QFile file(QStringLiteral(PRODUCT_GIF));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

QByteArray LengthPrefixed(const QByteArray& data) {
    QByteArray length(4, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), length.data());
    return length + data;
}

// A layout's picture value: class name, then the graphic's record.
QByteArray PictureRecord(const QByteArray& gifData) {
    return QByteArray("\x09TGIFImage") + LengthPrefixed(gifData);
}

void ReadRecord(TPicture& picture, QByteArray record) {
    ASSERT_TRUE(picture.ReadExtra(QStringLiteral("Data"), TLayoutValue(record)));
}

class GIFPicture : public ::testing::Test {
  protected:
    void SetUp() override { RegisterGIFImage(); }
    void TearDown() override { UnregisterGIFImage(); }
};

TEST_F(GIFPicture, RegistryFindsTheClassByExtensionNameAndClipboardFormat) {
    TGraphicRegistry& registry = TGraphicRegistry::Instance();
    ASSERT_NE(registry.FindExtension(QStringLiteral("GIF")), nullptr);
    EXPECT_EQ(registry.FindExtension(QStringLiteral("gif"))->ClassName,
              QStringLiteral("TGIFImage"));
    EXPECT_EQ(registry.Description(QStringLiteral("gif")), QStringLiteral("CompuServe GIF Image"));
    ASSERT_NE(registry.FindClass(QStringLiteral("TGIFImage")), nullptr);
    EXPECT_EQ(registry.FindClass(QStringLiteral("TGIFImage"))->Create()->ClassName(),
              QStringLiteral("TGIFImage"));
    EXPECT_EQ(registry.FindClass(QStringLiteral("tgifimage")), nullptr);

    QMimeData both;
    both.setImageData(QImage(1, 1, QImage::Format_RGB32));
    both.setData(QLatin1String(GifClipFormat), LengthPrefixed(ProductGif()));
    ASSERT_NE(registry.FindClipboardFormat(both), nullptr);
    EXPECT_EQ(registry.FindClipboardFormat(both)->ClassName, QStringLiteral("TGIFImage"));

    UnregisterGIFImage();
    EXPECT_EQ(registry.FindClass(QStringLiteral("TGIFImage")), nullptr);
    EXPECT_EQ(registry.FindExtension(QStringLiteral("gif")), nullptr);
    EXPECT_EQ(registry.FindClipboardFormat(both)->ClassName, QStringLiteral("TBitmap"));
    TPicture picture;
    ReadRecord(picture, PictureRecord(ProductGif()));
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(GIFPicture, ProductPictureLoadsFromItsRecordAndDrawsWithItsTransparency) {
    const QByteArray gifData = ProductGif();
    const QByteArray record = PictureRecord(gifData);
    TPicture picture;
    ReadRecord(picture, record);
    auto* image = qobject_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(picture.Width(), kProductWidth);
    EXPECT_EQ(picture.Height(), kProductHeight);
    EXPECT_FALSE(image->IsBlank());
    EXPECT_EQ(image->Palette().size(), 256);
    EXPECT_TRUE(image->ShowsTransparency());

    const gif::TDib& pixels = image->CurrentBitmap();
    const QList<QRgb> palette = image->Palette();
    const QRgb key = palette[kProductTransparentIndex];
    const QRect whole(0, 0, kProductWidth, kProductHeight);
    const QImage shown = DrawnOnBackdrop(*image, whole, kProductWidth, kProductHeight);
    image->SetTransparent(false);
    const QImage plain = DrawnOnBackdrop(*image, whole, kProductWidth, kProductHeight);
    int transparent = 0;
    int wrong = 0;
    for (int y = 0; y < kProductHeight; ++y) {
        for (int x = 0; x < kProductWidth; ++x) {
            const QRgb own = palette[pixels.PixelIndex(x, y)];
            const bool isKey = (own & 0xFFFFFF) == (key & 0xFFFFFF);
            transparent += isKey ? 1 : 0;
            wrong += shown.pixel(x, y) != (isKey ? kBackground : own) ? 1 : 0;
            wrong += plain.pixel(x, y) != own ? 1 : 0;
        }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, kProductWidth * kProductHeight);
    EXPECT_EQ(wrong, 0);
}

TEST_F(GIFPicture, ProductPictureRecordRoundTripsThroughThePictureHolder) {
    TPicture picture;
    ReadRecord(picture, PictureRecord(ProductGif()));
    const QByteArray written = picture.Data();
    EXPECT_TRUE(written.startsWith("\x09TGIFImage"));
    EXPECT_EQ(qFromLittleEndian<quint32>(written.constData() + 10),
              static_cast<quint32>(written.size() - 14));
    TPicture again;
    ReadRecord(again, written);
    ASSERT_NE(qobject_cast<TGIFImage*>(again.Graphic()), nullptr);
    EXPECT_EQ(again.Data(), written);
    const QRect whole(0, 0, kProductWidth, kProductHeight);
    EXPECT_EQ(DrawnOnBackdrop(*again.Graphic(), whole, kProductWidth, kProductHeight),
              DrawnOnBackdrop(*picture.Graphic(), whole, kProductWidth, kProductHeight));
}

TEST_F(GIFPicture, PictureMadeFromBitmapSurvivesItsRecord) {
    QImage colours(3, 2, QImage::Format_RGB32);
    colours.fill(qRgb(255, 0, 0));
    colours.setPixel(1, 1, qRgb(0, 0, 255));
    TBitmap bitmap;
    bitmap.SetImage(colours);
    TPicture source;
    source.SetGraphic(std::make_unique<TGIFImage>());
    source.Graphic()->Assign(bitmap);

    const QByteArray record = source.Data();
    EXPECT_TRUE(record.startsWith("\x09TGIFImage"));
    EXPECT_EQ(qFromLittleEndian<quint32>(record.constData() + 10),
              static_cast<quint32>(record.size() - 14));
    EXPECT_TRUE(record.mid(14).startsWith("GIF87a"));
    TPicture copy;
    ReadRecord(copy, record);
    ASSERT_NE(qobject_cast<TGIFImage*>(copy.Graphic()), nullptr);
    const QImage shown = DrawnOnBackdrop(*copy.Graphic(), QRect(0, 0, 3, 2), 3, 2);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(1, 1), qRgb(0, 0, 255));
}

TEST_F(GIFPicture, FileWithGifExtensionLoadsAsGifPicture) {
    TPicture picture;
    picture.LoadFromFile(QStringLiteral(PRODUCT_GIF));
    ASSERT_NE(qobject_cast<TGIFImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), kProductWidth);
}

TEST_F(GIFPicture, ClipboardCarriesGifDataBesideTheBitmap) {
    TGIFImage image;
    giftest::LoadInto(image, giftest::SmallGif(2, 2, {1, 2, 3, 1}, 1));
    QMimeData data;
    image.SaveToClipboardFormat(data);
    ASSERT_TRUE(data.hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(data.imageData()).pixel(1, 0), giftest::EntryColor(2));
    const QByteArray payload = data.data(QLatin1String(GifClipFormat));
    ASSERT_GT(payload.size(), 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(payload.constData()),
              static_cast<quint32>(payload.size() - 4));
    EXPECT_TRUE(payload.mid(4).startsWith("GIF89a"));

    TPicture picture;
    picture.LoadFromClipboardFormat(data);
    auto* pasted = qobject_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->FrameCount(), 1);
    EXPECT_EQ(pasted->Image().FActiveFrame, 0);
    EXPECT_TRUE(pasted->ShowsTransparency());
    EXPECT_EQ(DrawnOnBackdrop(*pasted, QRect(0, 0, 4, 4), 4, 4),
              DrawnOnBackdrop(image, QRect(0, 0, 4, 4), 4, 4));
}

TEST_F(GIFPicture, ClipboardWithoutGifDataGivesOneFrameFromTheBitmap) {
    TGIFImage made;
    TBitmap bitmap;
    QImage colours(2, 1, QImage::Format_RGB32);
    colours.setPixel(0, 0, qRgb(1, 2, 3));
    colours.setPixel(1, 0, qRgb(4, 5, 6));
    bitmap.SetImage(colours);
    made.Assign(bitmap);
    QMimeData data;
    made.SaveToClipboardFormat(data);
    EXPECT_FALSE(data.hasFormat(QLatin1String(GifClipFormat)));
    ASSERT_TRUE(data.hasImage());

    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(data);
    ASSERT_EQ(pasted.FrameCount(), 1);
    const QImage shown = DrawnOnBackdrop(pasted, QRect(0, 0, 2, 1), 2, 1);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(4, 5, 6));

    QMimeData empty;
    TGIFImage nothing;
    nothing.SaveToClipboardFormat(empty);
    EXPECT_TRUE(empty.formats().isEmpty());
}

// A few hundred bytes claiming a second frame of 65535 x 65535 pixels: the file, the layout record
// and the clipboard all refuse the picture whole, before any memory is taken for that frame.
TEST_F(GIFPicture, DecompressionBombsAreRefusedEverywhere) {
    giftest::TGifBytes bomb;
    bomb.Header().Screen(20, 20, 1);
    bomb.Descriptor(0, 0, 1, 1).Raster(2, giftest::OnePixelCodes());
    bomb.Descriptor(0, 0, 65535, 65535).Raster(2, giftest::OnePixelCodes()).Trailer();
    const QByteArray data(reinterpret_cast<const char*>(bomb.Data().data()),
                          static_cast<qsizetype>(bomb.Data().size()));
    const QString expected =
        QStringLiteral("GIF picture too large: a frame of 65535 x 65535 pixels");

    TGIFImage image;
    QBuffer file;
    file.setData(data);
    file.open(QIODevice::ReadOnly);
    try {
        image.LoadFromStream(file);
        ADD_FAILURE() << "no error";
    } catch (const EOutOfResources& error) {
        EXPECT_EQ(error.Message(), expected);
    }
    EXPECT_EQ(image.FrameCount(), 0);

    TPicture picture;
    EXPECT_THROW(ReadRecord(picture, PictureRecord(data)), EOutOfResources);

    QMimeData clip;
    clip.setData(QLatin1String(GifClipFormat), LengthPrefixed(data));
    TGIFImage pasted;
    EXPECT_THROW(pasted.LoadFromClipboardFormat(clip), EOutOfResources);
    EXPECT_EQ(pasted.FrameCount(), 0);
    EXPECT_TRUE(pasted.IsBlank());

    // The first frame alone is fine, and a raised limit lets the picture in.
    giftest::TGifBytes small;
    small.Header().Screen(20, 20, 1).Descriptor(0, 0, 1, 1).Raster(2, giftest::OnePixelCodes());
    giftest::LoadInto(image, small.Trailer().Data());
    EXPECT_EQ(image.FrameCount(), 1);
    pasted.Image().FMaxPixels = std::int64_t{65535} * 65535;
    pasted.LoadFromClipboardFormat(clip);
    EXPECT_EQ(pasted.FrameCount(), 2);
}

}  // namespace
}  // namespace vx
