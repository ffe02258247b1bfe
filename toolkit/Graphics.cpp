#include "Graphics.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QtEndian>
#include <algorithm>

#include "Colors.h"
#include "Errors.h"

namespace vx {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr int kMaxClassNameLength = 63;
// Bitmaps larger than this many pixels are refused rather than allocated.
constexpr qint64 kMaxBitmapPixels = qint64(1) << 28;

QByteArray ReadAll(QIODevice& stream) {
    return stream.readAll();
}

void WriteAll(QIODevice& stream, const QByteArray& bytes) {
    if (stream.write(bytes) != bytes.size()) {
        throw EWriteError("Stream write error");
    }
}

std::uint32_t Le32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}
std::int32_t Le32s(const uchar* p) {
    return qFromLittleEndian<qint32>(p);
}
std::uint16_t Le16(const uchar* p) {
    return qFromLittleEndian<quint16>(p);
}

int BitsOf(TPixelFormat format) {
    switch (format) {
        case pf1bit:
            return 1;
        case pf4bit:
            return 4;
        case pf8bit:
            return 8;
        case pf24bit:
            return 24;
        case pfDevice:
        case pf32bit:
            return 32;
    }
    return 32;
}

TPixelFormat FormatOfBits(int bits) {
    switch (bits) {
        case 1:
            return pf1bit;
        case 4:
            return pf4bit;
        case 8:
            return pf8bit;
        case 24:
            return pf24bit;
        default:
            return pf32bit;
    }
}

bool IsIndexed(TPixelFormat format) {
    return format == pf1bit || format == pf4bit || format == pf8bit;
}

// Widths up to the pixel limit times 32 bits overflow an int; the stride itself fits.
int RowStride(int width, int bits) {
    return static_cast<int>(((qint64(width) * bits + 31) / 32) * 4);
}

QImage::Format QtFormatOf(TPixelFormat format) {
    if (IsIndexed(format)) {
        return QImage::Format_Indexed8;
    }
    return format == pf24bit ? QImage::Format_RGB888
                             : (format == pf32bit ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QList<QRgb> GreyRamp(int count) {
    QList<QRgb> ramp;
    for (int i = 0; i < count; ++i) {
        const int v = count > 1 ? i * 255 / (count - 1) : 0;
        ramp.append(qRgb(v, v, v));
    }
    return ramp;
}

}  // namespace

// ---- TGraphic

void TGraphic::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EFOpenError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    }
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const QString& fileName) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(buffer.data()) != buffer.data().size()) {
        throw EFOpenError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    }
}

void TGraphic::LoadFromClipboardFormat(const QMimeData&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(QMimeData&) {
    throw EInvalidGraphicOperation("Clipboard does not support this format");
}

void TGraphic::ReadData(QIODevice& stream) {
    LoadFromStream(stream);
}

void TGraphic::WriteData(QIODevice& stream) {
    SaveToStream(stream);
}

void TGraphic::SetTransparent(bool value) {
    if (value != FTransparent) {
        FTransparent = value;
        NotifyChanged();
    }
}

void TGraphic::Assign(const TGraphic& source) {
    if (source.AssignTo(*this)) {
        return;
    }
    throw EInvalidGraphicOperation(
        QStringLiteral("Cannot assign a %1 to a %2").arg(source.ClassName(), ClassName()));
}

bool TGraphic::AssignTo(TGraphic&) const {
    return false;
}

void TGraphic::NotifyChanged() {
    FModified = true;
    emit Changed();
}

// ---- bitmap file images

QImage ReadBitmapFileImage(const QByteArray& bytes, TPixelFormat* format) {
    const auto invalid = [] { return EInvalidGraphic("Bitmap image is not valid"); };
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M') {
        throw invalid();
    }
    const std::uint32_t bitsOffset = Le32(data + 10);
    const std::uint32_t headerSize = Le32(data + 14);
    if (headerSize < kInfoHeaderSize || kFileHeaderSize + qint64(headerSize) > size) {
        throw invalid();
    }
    const uchar* info = data + kFileHeaderSize;
    const std::int32_t width = Le32s(info + 4);
    const std::int32_t rawHeight = Le32s(info + 8);
    const int bits = Le16(info + 14);
    const std::uint32_t compression = Le32(info + 16);
    std::uint32_t colorsUsed = Le32(info + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || Le16(info + 12) != 1) {
        throw invalid();
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        throw invalid();
    }
    if (compression != kBiRgb && !(compression == kBiBitfields && bits == 32)) {
        throw invalid();
    }
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    if (qint64(width) * height > kMaxBitmapPixels) {
        throw invalid();
    }
    const int stride = RowStride(width, bits);
    if (bitsOffset > size || qint64(stride) * height > size - bitsOffset) {
        throw invalid();
    }
    const TPixelFormat pf = FormatOfBits(bits);
    QImage image(width, height, QtFormatOf(pf));
    if (image.isNull()) {
        throw EOutOfResources("Out of system resources");
    }
    if (IsIndexed(pf)) {
        const std::uint32_t maxColors = 1u << bits;
        if (colorsUsed == 0 || colorsUsed > maxColors) {
            colorsUsed = maxColors;
        }
        const qint64 paletteStart = kFileHeaderSize + qint64(headerSize);
        if (paletteStart + qint64(colorsUsed) * 4 > bitsOffset) {
            throw invalid();
        }
        QList<QRgb> palette;
        for (std::uint32_t i = 0; i < colorsUsed; ++i) {
            const uchar* e = data + paletteStart + i * 4;
            palette.append(qRgb(e[2], e[1], e[0]));
        }
        image.setColorTable(palette);
    }
    for (int y = 0; y < height; ++y) {
        const uchar* src = data + bitsOffset + qint64(stride) * (bottomUp ? height - 1 - y : y);
        uchar* dst = image.scanLine(y);
        switch (bits) {
            case 1:
                for (int x = 0; x < width; ++x) {
                    dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
                }
                break;
            case 4:
                for (int x = 0; x < width; ++x) {
                    dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
                }
                break;
            case 8:
                std::copy_n(src, width, dst);
                break;
            case 24:
                for (int x = 0; x < width; ++x) {
                    dst[3 * x] = src[3 * x + 2];
                    dst[3 * x + 1] = src[3 * x + 1];
                    dst[3 * x + 2] = src[3 * x];
                }
                break;
            case 32:
                std::copy_n(src, qsizetype(width) * 4, dst);
                break;
        }
        if (IsIndexed(pf)) {
            // Indexes past the palette show as its first colour instead of reading outside it.
            const int colors = static_cast<int>(image.colorCount());
            for (int x = 0; x < width; ++x) {
                if (dst[x] >= colors) {
                    dst[x] = 0;
                }
            }
        }
    }
    if (format != nullptr) {
        *format = pf;
    }
    return image;
}

QByteArray WriteBitmapFileImage(const QImage& source, TPixelFormat format) {
    if (format == pfDevice) {
        format = pf32bit;
    }
    const int bits = BitsOf(format);
    const QImage image =
        source.format() == QtFormatOf(format) ? source : source.convertToFormat(QtFormatOf(format));
    const int width = image.width();
    const int height = image.height();
    const int stride = RowStride(width, bits);
    const int colors = IsIndexed(format)
                           ? static_cast<int>(std::min<qsizetype>(image.colorCount(), 1 << bits))
                           : 0;
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + colors * 4;
    QByteArray out(offset + qsizetype(stride) * height, '\0');
    auto* d = reinterpret_cast<uchar*>(out.data());
    d[0] = 'B';
    d[1] = 'M';
    qToLittleEndian<quint32>(static_cast<quint32>(out.size()), d + 2);
    qToLittleEndian<quint32>(offset, d + 10);
    uchar* info = d + kFileHeaderSize;
    qToLittleEndian<quint32>(kInfoHeaderSize, info);
    qToLittleEndian<qint32>(width, info + 4);
    qToLittleEndian<qint32>(height, info + 8);
    qToLittleEndian<quint16>(1, info + 12);
    qToLittleEndian<quint16>(static_cast<quint16>(bits), info + 14);
    qToLittleEndian<quint32>(kBiRgb, info + 16);
    qToLittleEndian<quint32>(static_cast<quint32>(stride) * height, info + 20);
    qToLittleEndian<qint32>(3780, info + 24);  // 96 pixels per inch
    qToLittleEndian<qint32>(3780, info + 28);
    qToLittleEndian<quint32>(static_cast<quint32>(colors), info + 32);
    for (int i = 0; i < colors; ++i) {
        const QRgb c = image.color(i);
        uchar* e = info + kInfoHeaderSize + i * 4;
        e[0] = static_cast<uchar>(qBlue(c));
        e[1] = static_cast<uchar>(qGreen(c));
        e[2] = static_cast<uchar>(qRed(c));
    }
    for (int y = 0; y < height; ++y) {
        const uchar* src = image.constScanLine(y);
        uchar* dst = d + offset + qsizetype(stride) * (height - 1 - y);
        switch (bits) {
            case 1:
                for (int x = 0; x < width; ++x) {
                    dst[x >> 3] |= static_cast<uchar>((src[x] & 1) << (7 - (x & 7)));
                }
                break;
            case 4:
                for (int x = 0; x < width; ++x) {
                    dst[x >> 1] |= static_cast<uchar>((x & 1) ? (src[x] & 0x0F) : (src[x] << 4));
                }
                break;
            case 8:
                std::copy_n(src, width, dst);
                break;
            case 24:
                for (int x = 0; x < width; ++x) {
                    dst[3 * x] = src[3 * x + 2];
                    dst[3 * x + 1] = src[3 * x + 1];
                    dst[3 * x + 2] = src[3 * x];
                }
                break;
            case 32:
                std::copy_n(src, qsizetype(width) * 4, dst);
                break;
        }
    }
    return out;
}

QByteArray ReadSizedBlock(QIODevice& stream) {
    quint32 length = 0;
    if (stream.read(reinterpret_cast<char*>(&length), 4) != 4) {
        throw EReadError(SReadError);
    }
    length = qFromLittleEndian(length);
    // The length comes from the data: the block grows as its bytes arrive, so a false length
    // takes no memory beyond the bytes that are there.
    constexpr qint64 kChunk = qint64(1) << 16;
    QByteArray bytes;
    while (bytes.size() < qsizetype(length)) {
        const QByteArray chunk = stream.read(std::min(kChunk, qint64(length) - bytes.size()));
        if (chunk.isEmpty()) {
            throw EReadError(SReadError);
        }
        bytes += chunk;
    }
    return bytes;
}

void WriteSizedBlock(QIODevice& stream, const QByteArray& bytes) {
    const quint32 length = qToLittleEndian(static_cast<quint32>(bytes.size()));
    WriteAll(stream, QByteArray(reinterpret_cast<const char*>(&length), 4));
    WriteAll(stream, bytes);
}

// ---- TBitmap

TBitmap::TBitmap() = default;

bool TBitmap::Empty() const {
    return FImage.isNull() || FImage.width() == 0 || FImage.height() == 0;
}

int TBitmap::Width() const {
    return FImage.width();
}

int TBitmap::Height() const {
    return FImage.height();
}

void TBitmap::SetWidth(int value) {
    SetSize(value, Height());
}

void TBitmap::SetHeight(int value) {
    SetSize(Width(), value);
}

void TBitmap::SetSize(int width, int height) {
    FlushCanvas();
    if (width == Width() && height == Height()) {
        return;
    }
    width = std::max(0, width);
    height = std::max(0, height);
    if (qint64(width) * height > kMaxBitmapPixels) {
        throw EOutOfResources("Out of system resources");
    }
    QImage resized(width, height, QtFormatOf(FPixelFormat));
    if (IsIndexed(FPixelFormat)) {
        resized.setColorTable(FImage.isNull() ? GreyRamp(1 << BitsOf(FPixelFormat))
                                              : FImage.colorTable());
        resized.fill(0);
    } else {
        resized.fill(Qt::white);
    }
    if (!FImage.isNull()) {
        const int w = std::min(width, FImage.width());
        for (int y = 0; y < std::min(height, FImage.height()); ++y) {
            std::copy_n(FImage.constScanLine(y), qsizetype(w) * resized.depth() / 8,
                        resized.scanLine(y));
        }
    }
    FImage = resized;
    FCanvas.reset();
    NotifyChanged();
}

void TBitmap::Draw(TCanvas& canvas, const QRect& rect) {
    if (Empty()) {
        return;
    }
    QImage shown = ToImage();
    if (Transparent()) {
        const QRgb key = ToQColor(TransparentColor()).rgb();
        shown = shown.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < shown.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
            for (int x = 0; x < shown.width(); ++x) {
                if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) {
                    row[x] = 0;
                }
            }
        }
    }
    QPainter& p = canvas.Painter();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(rect, shown);
}

void TBitmap::LoadFromStream(QIODevice& stream) {
    TPixelFormat format = pfDevice;
    QImage image = ReadBitmapFileImage(ReadAll(stream), &format);
    SetImage(image, format);
}

void TBitmap::SaveToStream(QIODevice& stream) {
    WriteAll(stream, WriteBitmapFileImage(Image(), FPixelFormat));
}

void TBitmap::LoadFromClipboardFormat(const QMimeData& data) {
    if (!data.hasImage()) {
        throw EInvalidGraphic("Unsupported clipboard format");
    }
    SetImage(qvariant_cast<QImage>(data.imageData()).convertToFormat(QImage::Format_RGB32),
             pfDevice);
}

void TBitmap::SaveToClipboardFormat(QMimeData& data) {
    data.setImageData(ToImage());
}

void TBitmap::ReadData(QIODevice& stream) {
    TPixelFormat format = pfDevice;
    SetImage(ReadBitmapFileImage(ReadSizedBlock(stream), &format), format);
}

void TBitmap::WriteData(QIODevice& stream) {
    WriteSizedBlock(stream, WriteBitmapFileImage(Image(), FPixelFormat));
}

QList<QRgb> TBitmap::Palette() const {
    return FImage.colorTable();
}

void TBitmap::SetPalette(const QList<QRgb>& palette) {
    FlushCanvas();
    if (IsIndexed(FPixelFormat)) {
        FImage.setColorTable(palette.mid(0, 1 << BitsOf(FPixelFormat)));
        FCanvas.reset();
        NotifyChanged();
    }
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    FlushCanvas();
    if (value == FPixelFormat) {
        return;
    }
    const TPixelFormat old = FPixelFormat;
    FPixelFormat = value;
    if (!FImage.isNull()) {
        if (IsIndexed(value)) {
            QList<QRgb> table = IsIndexed(old) && FImage.colorCount() <= (1 << BitsOf(value))
                                    ? FImage.colorTable()
                                    : GreyRamp(1 << BitsOf(value));
            FImage = FImage.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
        } else {
            FImage = FImage.convertToFormat(QtFormatOf(value));
        }
    }
    FCanvas.reset();
    NotifyChanged();
}

void TBitmap::SetMonochrome(bool value) {
    if (value != Monochrome()) {
        if (value) {
            SetPixelFormat(pf1bit);
            SetPalette({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        } else {
            SetPixelFormat(pfDevice);
        }
    }
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentColor != clDefault || FImage.isNull() || FImage.height() == 0 ||
        FImage.width() == 0) {
        return FTransparentColor;
    }
    // By default the bottom-left pixel names the transparent colour.
    return FromQColor(FImage.pixelColor(0, FImage.height() - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value != FTransparentColor) {
        FTransparentColor = value;
        NotifyChanged();
    }
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas) {
        if (FImage.isNull()) {
            FImage = QImage(0, 0, QtFormatOf(FPixelFormat));
        }
        if (IsIndexed(FPixelFormat) || FImage.format() == QImage::Format_RGB888) {
            FCanvasImage = FImage.convertToFormat(QImage::Format_RGB32);
            FCanvas = std::make_unique<TCanvas>(&FCanvasImage);
        } else {
            FCanvas = std::make_unique<TCanvas>(&FImage);
        }
    }
    FCanvasDirty = true;
    return *FCanvas;
}

void TBitmap::FlushCanvas() {
    if (!FCanvas) {
        return;
    }
    FCanvas->Release();
    if (FCanvasDirty && FCanvas->Image() == &FCanvasImage) {
        if (IsIndexed(FPixelFormat)) {
            FImage = FCanvasImage.convertToFormat(QImage::Format_Indexed8, FImage.colorTable(),
                                                  Qt::ThresholdDither);
        } else {
            FImage = FCanvasImage.convertToFormat(QtFormatOf(FPixelFormat));
        }
    }
    FCanvasDirty = false;
    FCanvas.reset();
}

const QImage& TBitmap::Image() {
    FlushCanvas();
    return FImage;
}

QImage TBitmap::ToImage() {
    return Image().convertToFormat(QImage::Format_RGB32);
}

void TBitmap::SetImage(const QImage& image, TPixelFormat format) {
    FCanvas.reset();
    FCanvasDirty = false;
    if (format == pfDevice) {
        switch (image.format()) {
            case QImage::Format_Mono:
            case QImage::Format_MonoLSB:
                format = pf1bit;
                break;
            case QImage::Format_Indexed8:
                format = image.colorCount() <= 16 ? pf4bit : pf8bit;
                break;
            case QImage::Format_RGB888:
                format = pf24bit;
                break;
            case QImage::Format_ARGB32:
                format = pf32bit;
                break;
            default:
                format = pfDevice;
                break;
        }
    }
    FPixelFormat = format;
    FImage = image.convertToFormat(QtFormatOf(format));
    NotifyChanged();
}

std::uint32_t TBitmap::PixelValue(int x, int y) {
    const QImage& image = Image();
    if (!image.valid(x, y)) {
        return 0;
    }
    if (IsIndexed(FPixelFormat)) {
        return image.constScanLine(y)[x];
    }
    return static_cast<std::uint32_t>(FromQColor(image.pixelColor(x, y)));
}

void TBitmap::Assign(const TGraphic& source) {
    if (const auto* bitmap = qobject_cast<const TBitmap*>(&source)) {
        auto& other = const_cast<TBitmap&>(*bitmap);
        FTransparentColor = other.FTransparentColor;
        SetTransparent(other.Transparent());
        SetImage(other.Image(), other.FPixelFormat);
        return;
    }
    TGraphic::Assign(source);
}

// ---- registry

TGraphicRegistry::TGraphicRegistry() {
    const TGraphicClass bitmap{QStringLiteral("TBitmap"),
                               [] { return std::make_unique<TBitmap>(); }};
    RegisterFileFormat(QStringLiteral("bmp"), QStringLiteral("Bitmaps"), bitmap);
    RegisterClipboardFormat(QStringLiteral("application/x-qt-image"), bitmap);
}

TGraphicRegistry& TGraphicRegistry::Instance() {
    static TGraphicRegistry registry;
    return registry;
}

void TGraphicRegistry::RegisterClass(const TGraphicClass& graphicClass) {
    FClasses.push_back({graphicClass, graphicClass.ClassName, {}});
}

void TGraphicRegistry::RegisterFileFormat(const QString& extension, const QString& description,
                                          const TGraphicClass& graphicClass) {
    FExtensions.push_back({graphicClass, extension.toLower(), description});
    RegisterClass(graphicClass);
}

void TGraphicRegistry::RegisterClipboardFormat(const QString& mimeType,
                                               const TGraphicClass& graphicClass) {
    FClipboard.push_back({graphicClass, mimeType, {}});
    RegisterClass(graphicClass);
}

void TGraphicRegistry::UnregisterClass(const QString& className) {
    for (auto* list : {&FClasses, &FExtensions, &FClipboard}) {
        std::erase_if(*list, [&](const Entry& e) { return e.Class.ClassName == className; });
    }
}

const TGraphicClass* TGraphicRegistry::FindClass(const QString& className) const {
    for (auto it = FClasses.rbegin(); it != FClasses.rend(); ++it) {
        if (it->Key == className) {
            return &it->Class;
        }
    }
    return nullptr;
}

const TGraphicClass* TGraphicRegistry::FindExtension(const QString& extension) const {
    const QString key = extension.toLower();
    for (auto it = FExtensions.rbegin(); it != FExtensions.rend(); ++it) {
        if (it->Key == key) {
            return &it->Class;
        }
    }
    return nullptr;
}

const TGraphicClass* TGraphicRegistry::FindClipboardFormat(const QMimeData& data) const {
    for (auto it = FClipboard.rbegin(); it != FClipboard.rend(); ++it) {
        if (data.hasFormat(it->Key) ||
            (it->Key == QLatin1String("application/x-qt-image") && data.hasImage())) {
            return &it->Class;
        }
    }
    return nullptr;
}

QString TGraphicRegistry::Description(const QString& extension) const {
    const QString key = extension.toLower();
    for (auto it = FExtensions.rbegin(); it != FExtensions.rend(); ++it) {
        if (it->Key == key) {
            return it->Description;
        }
    }
    return {};
}

// ---- TPicture

TPicture::TPicture(QObject* parent) : QObject(parent) {}

TPicture::~TPicture() = default;

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic) {
        connect(FGraphic.get(), &TGraphic::Changed, this, &TPicture::Changed);
        connect(FGraphic.get(), &TGraphic::Progress, this, &TPicture::Progress);
    }
    emit Changed();
}

TBitmap& TPicture::Bitmap() {
    if (auto* bitmap = qobject_cast<TBitmap*>(FGraphic.get())) {
        return *bitmap;
    }
    SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*FGraphic);
}

void TPicture::LoadFromFile(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix();
    const TGraphicClass* graphicClass = TGraphicRegistry::Instance().FindExtension(ext);
    if (graphicClass == nullptr) {
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const QString& fileName) {
    if (FGraphic) {
        FGraphic->SaveToFile(fileName);
    }
}

void TPicture::LoadFromClipboardFormat(const QMimeData& data) {
    const TGraphicClass* graphicClass = TGraphicRegistry::Instance().FindClipboardFormat(data);
    if (graphicClass == nullptr) {
        throw EInvalidGraphic("Unsupported clipboard format");
    }
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->LoadFromClipboardFormat(data);
    SetGraphic(std::move(graphic));
}

void TPicture::Assign(const TPicture& source) {
    if (source.FGraphic == nullptr) {
        SetGraphic(nullptr);
        return;
    }
    const TGraphicClass* graphicClass =
        TGraphicRegistry::Instance().FindClass(source.FGraphic->ClassName());
    if (graphicClass == nullptr) {
        throw EInvalidGraphic(
            QStringLiteral("Unknown picture class %1").arg(source.FGraphic->ClassName()));
    }
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->Assign(*source.FGraphic);
    SetGraphic(std::move(graphic));
}

void TPicture::ReadData(QIODevice& stream) {
    char length = 0;
    if (stream.read(&length, 1) != 1) {
        throw EReadError(SReadError);
    }
    const int nameLength = static_cast<uchar>(length);
    if (nameLength > kMaxClassNameLength) {
        throw EReadError(SReadError);
    }
    const QByteArray name = stream.read(nameLength);
    if (name.size() != nameLength) {
        throw EReadError(SReadError);
    }
    const TGraphicClass* graphicClass =
        TGraphicRegistry::Instance().FindClass(QString::fromLatin1(name));
    if (graphicClass == nullptr) {
        SetGraphic(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->ReadData(stream);
    SetGraphic(std::move(graphic));
}

void TPicture::WriteData(QIODevice& stream) const {
    const QByteArray name =
        FGraphic ? FGraphic->ClassName().toLatin1().left(kMaxClassNameLength) : QByteArray();
    WriteAll(stream, QByteArray(1, static_cast<char>(name.size())) + name);
    if (FGraphic) {
        FGraphic->WriteData(stream);
    }
}

QByteArray TPicture::Data() const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteData(buffer);
    return buffer.data();
}

bool TPicture::ReadExtra(const QString& name, const TLayoutValue& value) {
    if (name != QLatin1String("Data") || !std::holds_alternative<QByteArray>(value)) {
        return false;
    }
    QByteArray bytes = std::get<QByteArray>(value);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ReadData(buffer);
    return true;
}

}  // namespace vx
