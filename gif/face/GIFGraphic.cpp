#include "GIFGraphic.h"

#include <QBuffer>
#include <QMimeData>
#include <algorithm>
#include <memory>
#include <vector>

#include "Colors.h"
#include "Errors.h"
#include "GIFDeviceStream.h"
#include "GIFDibImage.h"
#include "TransparentStretch.h"
#include "gif/GIFErrors.h"

namespace vx {

namespace {

constexpr const char* kMsgCannotResize = "Cannot change the Size of a GIF image";
// The background of a graphic that could only be drawn into a frame, and so its transparent
// colour.
constexpr TColor kDrawnBackground = 0xFF00FF;
constexpr int kLengthSize = 4;

[[noreturn]] void RaisePictureTooLarge(std::int64_t width, std::int64_t height) {
    throw EOutOfResources(
        QStringLiteral("GIF picture too large: a frame of %1 x %2 pixels").arg(width).arg(height));
}

// Runs a codec call; its errors leave as the picture system's errors with the same message, but
// a frame above the pixel limit as the picture system's own refusal.
template <typename F>
decltype(auto) Codec(F&& call) {
    try {
        return call();
    } catch (const gif::EFrameTooLarge& error) {
        RaisePictureTooLarge(error.Width, error.Height);
    } catch (const gif::EReadError& error) {
        throw EReadError(error.what());
    } catch (const gif::EInvalidGraphicOperation& error) {
        throw EInvalidGraphicOperation(error.what());
    } catch (const gif::EAbort&) {
        throw;
    } catch (const gif::EGifError& error) {
        throw EInvalidGraphic(error.what());
    }
}

gif::TColor ResolvedColor(TColor color) {
    return static_cast<gif::TColor>(ColorToRGB(color));
}

std::int32_t ReadLength(gif::TStream& stream) {
    std::uint8_t raw[kLengthSize];
    stream.ReadBuffer(raw, sizeof raw);
    return static_cast<std::int32_t>(raw[0] | raw[1] << 8 | raw[2] << 16 |
                                     std::uint32_t{raw[3]} << 24);
}

}  // namespace

// ---- notifications

void TGIFImage::TNotifyBridge::Progress(gif::TProgressStage stage, int percent, bool redrawNow,
                                        const std::string& message) {
    emit FOwner.Progress(static_cast<vx::TProgressStage>(stage), percent, redrawNow, QRect(),
                         QString::fromStdString(message));
}

void TGIFImage::TNotifyBridge::Changed() {
    FOwner.NotifyChanged();
}

// ---- life

TGIFImage::TGIFImage() {
    FImage.SetNotify(&FBridge);
    SetTransparent(true);
    SetModified(false);
}

TGIFImage::~TGIFImage() {
    FImage.SetNotify(nullptr);
}

// ---- queries

bool TGIFImage::IsBlank() const {
    if (FImage.FrameCount() == 0) {
        return true;
    }
    const int index = std::clamp(FImage.FActiveFrame, 0, FImage.FrameCount() - 1);
    const gif::TGIFFrame& frame = FImage.Frame(index);
    return !frame.FBitmapCache && !frame.FItem->HasCodeData();
}

int TGIFImage::Width() const {
    if (IsBlank() || FImage.FActiveFrame < 0 || FImage.FActiveFrame >= FImage.FrameCount()) {
        return 0;
    }
    return Codec([&] { return FImage.Frame(FImage.FActiveFrame).FrameBitmap().Width; });
}

int TGIFImage::Height() const {
    if (IsBlank() || FImage.FActiveFrame < 0 || FImage.FActiveFrame >= FImage.FrameCount()) {
        return 0;
    }
    return Codec([&] { return FImage.Frame(FImage.FActiveFrame).FrameBitmap().Height; });
}

void TGIFImage::SetWidth(int) {
    throw EInvalidGraphicOperation(kMsgCannotResize);
}

void TGIFImage::SetHeight(int) {
    throw EInvalidGraphicOperation(kMsgCannotResize);
}

QList<QRgb> TGIFImage::Palette() const {
    if (FImage.FrameCount() == 0) {
        return {};
    }
    const int active = FImage.FActiveFrame;
    const int index = active >= 0 && active < FImage.FrameCount() ? active : 0;
    return Codec([&] { return DibPalette(FImage.Frame(index).FrameBitmap()); });
}

bool TGIFImage::ShowsTransparency() const {
    if (!TransparentDrawing()) {
        return false;
    }
    return std::any_of(FImage.FFrameList.begin(), FImage.FFrameList.end(),
                       [](const auto& frame) { return frame->FTransColor != gif::clNone; });
}

bool TGIFImage::SharesDataWith(const TGraphic& other) const {
    const auto* image = qobject_cast<const TGIFImage*>(&other);
    return image != nullptr && FImage.SharesDataWith(image->FImage);
}

const gif::TDib& TGIFImage::CurrentBitmap() {
    if (FImage.FrameCount() == 0) {
        FImage.FActiveFrame = 0;
        Assign(TBitmap());
        return FImage.Frame(0).FrameBitmap();
    }
    const int active = FImage.FActiveFrame;
    const int index = active >= 0 && active < FImage.FrameCount() ? active : 0;
    return Codec([&]() -> const gif::TDib& { return FImage.Frame(index).FrameBitmap(); });
}

gif::TBlockLines* TGIFImage::FrameComment(int index, bool create) {
    return FImage.Frame(index).FrameComment(create);
}

void TGIFImage::RecalcLogicalSize() {
    Codec([&] { FImage.RecalcLogicalSize(); });
}

// ---- drawing

void TGIFImage::Draw(TCanvas& canvas, const QRect& rect) {
    if (FImage.FActiveFrame >= 0) {
        RenderFrame(FImage.Frame(FImage.FActiveFrame), canvas, rect, ShowsTransparency());
    }
}

void TGIFImage::RenderFrame(gif::TGIFFrame& frame, TCanvas& canvas, const QRect& rect,
                            bool transparent) {
    const QImage image =
        DibToImage(Codec([&]() -> const gif::TDib& { return frame.FrameBitmap(); }));
    if (image.isNull()) {
        return;
    }
    if (frame.FTransColor != gif::clNone && transparent) {
        // Frames are matched on their own colours, also with two colours: keying a 1-bit frame on
        // white would lose its transparent colour.
        TransparentStretch(canvas, rect, image, false, QRect(),
                           static_cast<TColor>(frame.FTransColor));
        return;
    }
    QPainter& painter = canvas.Painter();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect, image);
    painter.restore();
}

// ---- copying

void TGIFImage::Clear() {
    FImage.ResetImage();
    NotifyChanged();
}

void TGIFImage::Assign(const TGraphic& source) {
    if (const auto* image = qobject_cast<const TGIFImage*>(&source)) {
        if (image != this) {
            FImage.CopyContentFrom(image->FImage);
        }
        return;
    }
    if (const auto* bitmap = qobject_cast<const TBitmap*>(&source)) {
        FImage.ResetImage();
        AddFrame(*bitmap);
        NotifyChanged();
        return;
    }
    TGraphic::Assign(source);
}

void TGIFImage::AssignFrame(const gif::TGIFFrame& source) {
    // A frame of this very picture would be freed by the reset below: copy it out first.
    gif::TGIFImage holder;
    const gif::TGIFFrame* from = &source;
    if (source.FImageOwner == &FImage) {
        const auto it = std::find_if(FImage.FFrameList.begin(), FImage.FFrameList.end(),
                                     [&](const auto& frame) { return frame.get() == &source; });
        holder.CopyContentFrom(FImage);
        from = holder.FFrameList[static_cast<std::size_t>(it - FImage.FFrameList.begin())].get();
    }
    const std::shared_ptr<gif::TGIFData> sourceData =
        from->FImageOwner != nullptr ? from->FImageOwner->FShared : nullptr;
    FImage.ResetImage();
    if (sourceData) {
        gif::TGIFData& data = *FImage.FShared;
        data.FAspect = sourceData->FAspect;
        data.FGlobalBits = sourceData->FGlobalBits;
        data.FColorBits = sourceData->FColorBits;
        data.FGlobalTable = sourceData->FGlobalTable;
    }
    gif::TGIFFrame& frame = FImage.NewFrame();
    FImage.FActiveFrame = FImage.FrameCount() - 1;
    Codec([&] { frame.CopyContentFrom(from); });
    if (FImage.FGifVersion == gif::gfvNone) {
        FImage.FGifVersion = gif::gfv87a;
    }
    NotifyChanged();
}

int TGIFImage::AppendFrame(const TGraphic& graphic) {
    AddFrame(graphic);
    NotifyChanged();
    return FImage.FActiveFrame;
}

gif::TGIFFrame& TGIFImage::AddFrame(const TGraphic& graphic) {
    gif::TGIFFrame& frame = FImage.NewFrame();
    FImage.FActiveFrame = FImage.FrameCount() - 1;
    CopyFrameFrom(frame, graphic);
    if (FImage.FGifVersion == gif::gfvNone) {
        FImage.FGifVersion = gif::gfv87a;
    }
    if (FImage.FrameCount() > 1) {
        FImage.FGifVersion = gif::gfv89a;
    }
    return frame;
}

void TGIFImage::CopyFrameFrom(gif::TGIFFrame& frame, const TGraphic& source) const {
    if (const auto* image = qobject_cast<const TGIFImage*>(&source)) {
        const gif::TGIFImage& from = image->FImage;
        if (from.FrameCount() == 0) {
            Codec([&] { frame.CopyContentFrom(nullptr); });
        } else {
            const int index = std::max(from.FActiveFrame, 0);
            Codec([&] { frame.CopyContentFrom(&image->FImage.Frame(index)); });
        }
        return;
    }
    if (source.Empty()) {
        frame.FreshItem();
        frame.FBitmapCache.reset();
        return;
    }
    frame.FreshItem();
    frame.FreshBitmap();
    TBitmap copy;
    TColor brushColor = clWhite;
    const auto* bitmap = qobject_cast<const TBitmap*>(&source);
    try {
        copy.Assign(source);
    } catch (const std::exception&) {
        // A graphic that cannot become a bitmap is drawn onto one instead.
        brushColor = kDrawnBackground;
        copy.SetSize(source.Width(), source.Height());
        TCanvas& canvas = copy.Canvas();
        canvas.Brush.Color = brushColor;
        canvas.FillRect(QRect(0, 0, source.Width(), source.Height()));
        canvas.Draw(0, 0, const_cast<TGraphic&>(source));
    }
    *frame.FBitmapCache = ImageToDib(copy.Image(), copy.PixelFormat());
    if (source.Transparent()) {
        frame.FTransColor =
            ResolvedColor(bitmap != nullptr ? bitmap->TransparentColor() : brushColor);
    }
    if (frame.FImageOwner != nullptr) {
        Codec([&] { frame.FImageOwner->RecalcLogicalSize(); });
    }
}

bool TGIFImage::AssignTo(TGraphic& target) const {
    if (auto* image = qobject_cast<TGIFImage*>(&target)) {
        image->Assign(*this);
        return true;
    }
    if (IsBlank()) {
        auto* bitmap = qobject_cast<TBitmap*>(&target);
        if (bitmap != nullptr) {
            bitmap->SetImage(QImage());
        }
        return bitmap != nullptr;
    }
    const int active = FImage.FActiveFrame;
    // Frames read before a failed load have no current frame: the first one is copied then,
    // without its transparency.
    gif::TGIFFrame& frame = FImage.Frame(active >= 0 ? active : 0);
    const gif::TDib& dib = Codec([&]() -> const gif::TDib& { return frame.FrameBitmap(); });
    TBitmap copy;
    copy.SetImage(DibToImage(dib), DibPixelFormat(dib));
    auto* bitmap = qobject_cast<TBitmap*>(&target);
    if (bitmap == nullptr) {
        target.Assign(copy);
        return true;
    }
    bitmap->Assign(copy);
    if (active >= 0 && frame.FTransColor != gif::clNone) {
        bitmap->SetTransparentColor(static_cast<TColor>(frame.FTransColor));
        bitmap->SetTransparent(true);
    }
    return true;
}

// ---- streams and clipboard

// A picture with a frame above the pixel limit is refused whole, also where loading decodes
// nothing (the clipboard): no later query may take the program's memory for it.
template <typename F>
void TGIFImage::Load(F&& load) {
    try {
        Codec(load);
    } catch (const EOutOfResources&) {
        FImage.ResetImage();
        throw;
    }
    for (const auto& frame : FImage.FFrameList) {
        try {
            frame->CheckPixelLimit();
        } catch (const gif::EFrameTooLarge& error) {
            FImage.ResetImage();
            RaisePictureTooLarge(error.Width, error.Height);
        }
    }
}

void TGIFImage::LoadFromStream(QIODevice& stream) {
    TGIFDeviceStream input(stream);
    Load([&] { FImage.ReadFromStream(input); });
}

void TGIFImage::ReadData(QIODevice& stream) {
    TGIFDeviceStream input(stream);
    Load([&] { FImage.ReadPictureData(input); });
}

void TGIFImage::SaveToStream(QIODevice& stream) {
    TGIFDeviceStream output(stream);
    Codec([&] { FImage.WriteToStream(output); });
}

void TGIFImage::WriteData(QIODevice& stream) {
    TGIFDeviceStream output(stream);
    Codec([&] { FImage.WritePictureData(output); });
}

void TGIFImage::SaveToClipboardFormat(QMimeData& data) {
    if (FImage.FrameCount() == 0) {
        return;
    }
    const gif::TDib& first =
        Codec([&]() -> const gif::TDib& { return FImage.Frame(0).FrameBitmap(); });
    data.setImageData(DibToImage(first).convertToFormat(QImage::Format_RGB32));
    // Frames made from other pictures are not encoded for the clipboard; the bitmap carries them.
    const bool allEncoded =
        std::all_of(FImage.FFrameList.begin(), FImage.FFrameList.end(),
                    [](const auto& frame) { return frame->FItem->HasCodeData(); });
    if (!allEncoded) {
        return;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TGIFDeviceStream output(buffer);
    Codec([&] { FImage.WritePictureData(output); });
    data.setData(QLatin1String(GifClipFormat), buffer.data());
}

void TGIFImage::LoadFromClipboardFormat(const QMimeData& data) {
    if (!data.hasFormat(QLatin1String(GifClipFormat))) {
        TBitmap bitmap;
        bitmap.LoadFromClipboardFormat(data);
        Assign(bitmap);
        return;
    }
    const QByteArray bytes = data.data(QLatin1String(GifClipFormat));
    gif::TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    Load([&] {
        const std::int32_t length = ReadLength(stream);
        FImage.LoadGifData(length, stream, false);
    });
    if (FImage.FrameCount() == 0) {
        return;
    }
    FImage.FActiveFrame = 0;
    if (data.hasImage()) {
        gif::TGIFFrame& frame = FImage.Frame(0);
        frame.FreshBitmap();
        *frame.FBitmapCache = ImageToDib(qvariant_cast<QImage>(data.imageData()), pfDevice);
    }
}

// ---- registration

void RegisterGIFImage() {
    const TGraphicClass gifClass{QStringLiteral("TGIFImage"),
                                 [] { return std::make_unique<TGIFImage>(); }};
    TGraphicRegistry& registry = TGraphicRegistry::Instance();
    registry.RegisterFileFormat(QStringLiteral("gif"), QStringLiteral("CompuServe GIF Image"),
                                gifClass);
    registry.RegisterClipboardFormat(QLatin1String(GifClipFormat), gifClass);
}

void UnregisterGIFImage() {
    TGraphicRegistry::Instance().UnregisterClass(QStringLiteral("TGIFImage"));
}

}  // namespace vx
