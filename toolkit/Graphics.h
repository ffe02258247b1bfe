// The picture system: graphics (bitmaps and registered formats), the picture holder that owns
// one graphic, and the registry that creates graphics by file extension, clipboard format or
// class name.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "Canvas.h"
#include "LayoutValue.h"
#include "Types.h"

class QMimeData;

namespace vx {

enum TProgressStage { psStarting, psRunning, psEnding };

class TGraphic : public QObject {
    Q_OBJECT
  public:
    // Each graphic class answers with its registered class name ("TBitmap", "TGIFImage").
    virtual QString ClassName() const = 0;

    virtual void Draw(TCanvas& canvas, const QRect& rect) = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;

    virtual void LoadFromStream(QIODevice& stream) = 0;
    virtual void SaveToStream(QIODevice& stream) = 0;
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);

    // Clipboard: the graphic reads the first format it knows and writes its own ones.
    virtual void LoadFromClipboardFormat(const QMimeData& data);
    virtual void SaveToClipboardFormat(QMimeData& data);

    // The persisted form inside a picture record; by default the graphic's stream form.
    virtual void ReadData(QIODevice& stream);
    virtual void WriteData(QIODevice& stream);

    virtual QList<QRgb> Palette() const { return {}; }
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }

    // Copies another graphic's content; raises EConvertError-like errors for unknown pairs.
    virtual void Assign(const TGraphic& source);

  signals:
    void Changed();
    void Progress(vx::TProgressStage stage, int percent, bool redrawNow, const QRect& rect,
                  const QString& message);

  protected:
    // Raises the change notification and marks the graphic modified.
    void NotifyChanged();
    // Lets the source of an Assign copy itself into a target class that does not know it (a
    // bitmap taking a GIF picture); false when it cannot either.
    virtual bool AssignTo(TGraphic& target) const;

  private:
    bool FTransparent = false;
    bool FModified = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

// A device-independent bitmap: indexed depths keep their palette and indexes; drawing on its
// canvas works on a 32-bit copy that is mapped back to the palette on the next pixel access.
class TBitmap : public TGraphic {
    Q_OBJECT
  public:
    TBitmap();
    QString ClassName() const override { return QStringLiteral("TBitmap"); }

    void Draw(TCanvas& canvas, const QRect& rect) override;
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);

    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) override;
    // A bitmap's record is its 32-bit length followed by its file image.
    void ReadData(QIODevice& stream) override;
    void WriteData(QIODevice& stream) override;

    QList<QRgb> Palette() const override;
    void SetPalette(const QList<QRgb>& palette);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value);
    bool Monochrome() const { return FPixelFormat == pf1bit; }
    void SetMonochrome(bool value);
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);

    TCanvas& Canvas();
    // The pixels in their own depth: indexed images for 1, 4 and 8 bits, RGB888 or ARGB32 else.
    const QImage& Image();
    // The pixels as 32-bit colour.
    QImage ToImage();
    // Takes an image; the depth follows the image's format unless `format` is given.
    void SetImage(const QImage& image, TPixelFormat format = pfDevice);
    // Palette index (indexed depths) or 0x00BBGGRR colour of one pixel.
    std::uint32_t PixelValue(int x, int y);

    void Assign(const TGraphic& source) override;

  private:
    void FlushCanvas();

    TPixelFormat FPixelFormat = pfDevice;
    QImage FImage;
    QImage FCanvasImage;
    bool FCanvasDirty = false;
    std::unique_ptr<TCanvas> FCanvas;
    TColor FTransparentColor = clDefault;
};

// Reads and writes bitmap file images (14-byte file header, 40-byte info header, palette,
// bottom-up rows) of 1, 4, 8, 24 and 32 bits per pixel.
QImage ReadBitmapFileImage(const QByteArray& bytes, TPixelFormat* format = nullptr);
QByteArray WriteBitmapFileImage(const QImage& image, TPixelFormat format);

// A block as graphics persist it: its 32-bit length, then its bytes. Reading a short block raises
// the runtime's read error.
QByteArray ReadSizedBlock(QIODevice& stream);
void WriteSizedBlock(QIODevice& stream, const QByteArray& bytes);

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TGraphicClass {
    QString ClassName;
    TGraphicFactory Create;
};

// Formats known to the picture system; later registrations are found first.
class TGraphicRegistry {
  public:
    static TGraphicRegistry& Instance();

    void RegisterClass(const TGraphicClass& graphicClass);
    void RegisterFileFormat(const QString& extension, const QString& description,
                            const TGraphicClass& graphicClass);
    void RegisterClipboardFormat(const QString& mimeType, const TGraphicClass& graphicClass);
    // Removes every registration of a class (at shut-down).
    void UnregisterClass(const QString& className);

    const TGraphicClass* FindClass(const QString& className) const;
    const TGraphicClass* FindExtension(const QString& extension) const;
    const TGraphicClass* FindClipboardFormat(const QMimeData& data) const;
    QString Description(const QString& extension) const;

  private:
    TGraphicRegistry();
    struct Entry {
        TGraphicClass Class;
        QString Key;
        QString Description;
    };
    std::vector<Entry> FClasses;
    std::vector<Entry> FExtensions;
    std::vector<Entry> FClipboard;
};

// Holds one graphic, tells its control about changes, and persists itself as the graphic's
// class name (length-prefixed, at most 63 characters) followed by the graphic's own data.
class TPicture : public QObject, public ILayoutTarget {
    Q_OBJECT
  public:
    explicit TPicture(QObject* parent = nullptr);
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The graphic as a bitmap; an empty bitmap is made when the picture holds none or another kind.
    TBitmap& Bitmap();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);
    void LoadFromClipboardFormat(const QMimeData& data);
    void Assign(const TPicture& source);

    void ReadData(QIODevice& stream);
    void WriteData(QIODevice& stream) const;
    QByteArray Data() const;

    bool ReadExtra(const QString& name, const TLayoutValue& value) override;

  signals:
    void Changed();
    void Progress(vx::TProgressStage stage, int percent, bool redrawNow, const QRect& rect,
                  const QString& message);

  private:
    std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace vx
