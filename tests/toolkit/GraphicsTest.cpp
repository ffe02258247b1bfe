#include <gtest/gtest.h>

#include <algorithm>

#include <QBuffer>
#include <QMimeData>
#include <QtEndian>

#include "Colors.h"
#include "Errors.h"
#include "Graphics.h"

namespace vx {
namespace {

QImage Indexed(int w, int h, int colors) {
    QImage image(w, h, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colors; ++i) {
        table.append(qRgb(i * 37 % 256, i * 91 % 256, i * 13 % 256));
    }
    image.setColorTable(table);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 3) % colors);
        }
    }
    return image;
}

QImage Colour(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 20 % 256, y * 30 % 256, (x + y) * 11 % 256));
        }
    }
    return image;
}

class BitmapFileImage : public ::testing::TestWithParam<TPixelFormat> {};

TEST_P(BitmapFileImage, SavesAndLoadsEveryDepth) {
    const TPixelFormat format = GetParam();
    // Odd widths exercise the row padding of every depth.
    const QImage source = format == pf1bit    ? Indexed(13, 5, 2)
                          : format == pf4bit  ? Indexed(11, 4, 16)
                          : format == pf8bit  ? Indexed(7, 3, 200)
                          : format == pf24bit ? Colour(5, 3, QImage::Format_RGB888)
                                              : Colour(5, 3, QImage::Format_ARGB32);
    TBitmap bitmap;
    bitmap.SetImage(source, format);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bitmap.SaveToStream(buffer);
    const QByteArray bytes = buffer.data();

    // File header and bottom-up info header as the file image defines them.
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    EXPECT_EQ(qFromLittleEndian<quint32>(d + 2), static_cast<quint32>(bytes.size()));
    EXPECT_EQ(qFromLittleEndian<quint32>(d + 14), 40u);
    EXPECT_EQ(qFromLittleEndian<qint32>(d + 22), source.height());

    TBitmap loaded;
    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    loaded.LoadFromStream(buffer);
    EXPECT_EQ(loaded.PixelFormat(), format);
    ASSERT_EQ(loaded.Width(), source.width());
    ASSERT_EQ(loaded.Height(), source.height());
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            EXPECT_EQ(loaded.ToImage().pixel(x, y),
                      source.convertToFormat(QImage::Format_RGB32).pixel(x, y))
                << x << "," << y;
        }
    }
    if (format == pf8bit || format == pf4bit || format == pf1bit) {
        EXPECT_EQ(loaded.PixelValue(3, 1), source.constScanLine(1)[3]);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, BitmapFileImage,
                         ::testing::Values(pf1bit, pf4bit, pf8bit, pf24bit, pf32bit));

TEST(BitmapFileImage, RejectsDamagedImages) {
    TBitmap good;
    good.SetImage(Indexed(8, 8, 16), pf4bit);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    good.SaveToStream(out);
    const QByteArray bytes = out.data();

    const auto load = [](QByteArray data) {
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        TBitmap bitmap;
        bitmap.LoadFromStream(in);
    };
    EXPECT_THROW(load(bytes.left(bytes.size() - 1)), EInvalidGraphic);
    EXPECT_THROW(load(bytes.left(20)), EInvalidGraphic);
    QByteArray badMagic = bytes;
    badMagic[0] = 'X';
    EXPECT_THROW(load(badMagic), EInvalidGraphic);
    QByteArray badDepth = bytes;
    badDepth[28] = 7;
    EXPECT_THROW(load(badDepth), EInvalidGraphic);
    QByteArray huge = bytes;
    qToLittleEndian<qint32>(1 << 20, reinterpret_cast<uchar*>(huge.data()) + 18);
    qToLittleEndian<qint32>(1 << 20, reinterpret_cast<uchar*>(huge.data()) + 22);
    EXPECT_THROW(load(huge), EInvalidGraphic);
    // One row so wide that its bits overflow an int: the rows are not there.
    QByteArray wide = bytes;
    qToLittleEndian<qint32>((1 << 27) + 5, reinterpret_cast<uchar*>(wide.data()) + 18);
    qToLittleEndian<qint32>(1, reinterpret_cast<uchar*>(wide.data()) + 22);
    qToLittleEndian<quint16>(32, reinterpret_cast<uchar*>(wide.data()) + 28);
    EXPECT_THROW(load(wide), EInvalidGraphic);
}

// A buffer that remembers the largest read asked of it (QIODevice::read allocates that much first).
class TLargestReadBuffer : public QBuffer {
  public:
    qint64 Largest = 0;

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        Largest = std::max(Largest, maxSize);
        return QBuffer::readData(data, maxSize);
    }
};

TEST(SizedBlock, FalseLengthTakesNoMemoryBeyondTheData) {
    QByteArray record(
        "\xFF\xFF\xFF\xFF"
        "abc",
        7);
    TLargestReadBuffer in;
    in.setData(record);
    in.open(QIODevice::ReadOnly);
    EXPECT_THROW(ReadSizedBlock(in), EReadError);
    EXPECT_LE(in.Largest, 1 << 16);

    QBuffer whole;
    whole.open(QIODevice::ReadWrite);
    const QByteArray large(200000, 'x');
    WriteSizedBlock(whole, large);
    whole.seek(0);
    EXPECT_EQ(ReadSizedBlock(whole), large);
}

TEST(Bitmap, CanvasDrawingLandsInAnIndexedBitmap) {
    TBitmap bitmap;
    bitmap.SetImage(Indexed(4, 4, 2), pf1bit);
    bitmap.SetPalette({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    bitmap.Canvas().Brush.Color = clWhite;
    bitmap.Canvas().FillRect(QRect(0, 0, 4, 4));
    bitmap.Canvas().SetPixel(1, 2, clBlack);
    EXPECT_EQ(bitmap.PixelFormat(), pf1bit);
    EXPECT_EQ(bitmap.PixelValue(0, 0), 1u);
    EXPECT_EQ(bitmap.PixelValue(1, 2), 0u);
}

TEST(Bitmap, ResizingKeepsTheTopLeftContent) {
    TBitmap bitmap;
    bitmap.SetImage(Colour(4, 4, QImage::Format_RGB888), pf24bit);
    const std::uint32_t corner = bitmap.PixelValue(1, 1);
    int changes = 0;
    QObject::connect(&bitmap, &TGraphic::Changed, [&] { ++changes; });
    bitmap.SetSize(8, 2);
    EXPECT_EQ(bitmap.Width(), 8);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.PixelValue(1, 1), corner);
    EXPECT_EQ(changes, 1);
}

// A graphic class of the test's own, to see which registration a lookup finds.
class TMarkedGraphic : public TBitmap {
  public:
    explicit TMarkedGraphic(QString name) : FName(std::move(name)) {}
    QString ClassName() const override { return FName; }

  private:
    QString FName;
};

TEST(GraphicRegistry, LastRegisteredClassWins) {
    TGraphicRegistry& registry = TGraphicRegistry::Instance();
    registry.RegisterFileFormat(
        QStringLiteral("tst"), QStringLiteral("first"),
        {QStringLiteral("TTestGraphic"),
         [] { return std::make_unique<TMarkedGraphic>(QStringLiteral("first")); }});
    registry.RegisterFileFormat(
        QStringLiteral("tst"), QStringLiteral("second"),
        {QStringLiteral("TTestGraphic"),
         [] { return std::make_unique<TMarkedGraphic>(QStringLiteral("second")); }});
    EXPECT_EQ(registry.FindClass(QStringLiteral("TTestGraphic"))->Create()->ClassName(),
              QStringLiteral("second"));
    EXPECT_EQ(registry.FindExtension(QStringLiteral("TST"))->Create()->ClassName(),
              QStringLiteral("second"));
    EXPECT_EQ(registry.Description(QStringLiteral("tst")), QStringLiteral("second"));
    EXPECT_EQ(registry.FindClass(QStringLiteral("ttestgraphic")), nullptr);
    registry.UnregisterClass(QStringLiteral("TTestGraphic"));
    EXPECT_EQ(registry.FindClass(QStringLiteral("TTestGraphic")), nullptr);
    EXPECT_EQ(registry.FindExtension(QStringLiteral("tst")), nullptr);
    EXPECT_NE(registry.FindClass(QStringLiteral("TBitmap")), nullptr);
}

TEST(Picture, RecordRoundTripKeepsClassAndPixels) {
    TPicture picture;
    picture.Bitmap().SetImage(Indexed(6, 5, 16), pf4bit);
    const QByteArray record = picture.Data();
    EXPECT_EQ(record.at(0), 7);
    EXPECT_EQ(record.mid(1, 7), QByteArray("TBitmap"));

    TPicture copy;
    int changes = 0;
    QObject::connect(&copy, &TPicture::Changed, [&] { ++changes; });
    EXPECT_TRUE(copy.ReadExtra(QStringLiteral("Data"), TLayoutValue(record)));
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Graphic()->ClassName(), QStringLiteral("TBitmap"));
    EXPECT_EQ(copy.Data(), record);
    EXPECT_GE(changes, 1);
}

TEST(Picture, UnknownClassNameLeavesThePictureEmpty) {
    TPicture picture;
    picture.Bitmap().SetSize(3, 3);
    QByteArray record = QByteArray(1, 12) + QByteArray("TNoSuchThing") + QByteArray(8, '\1');
    EXPECT_TRUE(picture.ReadExtra(QStringLiteral("Data"), TLayoutValue(record)));
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Picture, ClassNamesLongerThan63AreRefused) {
    TPicture picture;
    const QByteArray record = QByteArray(1, 64) + QByteArray(64, 'T');
    EXPECT_THROW(picture.ReadExtra(QStringLiteral("Data"), TLayoutValue(record)), EReadError);
    const QByteArray truncated = QByteArray(1, 7) + QByteArray("TBit");
    EXPECT_THROW(picture.ReadExtra(QStringLiteral("Data"), TLayoutValue(truncated)), EReadError);
}

TEST(Picture, UnknownFileExtensionIsAClearError) {
    TPicture picture;
    try {
        picture.LoadFromFile(QStringLiteral("/nonexistent/file.xyz"));
        FAIL();
    } catch (const EInvalidGraphic& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unknown picture file extension (.xyz)"));
    }
}

TEST(Picture, ClipboardCarriesABitmap) {
    TBitmap bitmap;
    bitmap.SetImage(Colour(3, 2, QImage::Format_RGB888), pf24bit);
    QMimeData data;
    bitmap.SaveToClipboardFormat(data);
    TPicture picture;
    picture.LoadFromClipboardFormat(data);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_EQ(picture.Bitmap().ToImage().pixel(2, 1), bitmap.ToImage().pixel(2, 1));
}

}  // namespace
}  // namespace vx
