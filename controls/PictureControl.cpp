#include "PictureControl.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <new>

#include "Accessible.h"
#include "Errors.h"
#include "Layout.h"

namespace vx {

namespace {

constexpr int kHimetricPerInch = 2540;
constexpr int kDecoderPixelsPerInch = 96;
constexpr int kHelperInterval = 10;
constexpr int kVersion[] = {1, 3, 1, 0};

// The byte pattern of a frame start: a 4-byte graphic control extension right before an
// image descriptor.
constexpr char kExtensionIntroducer = 0x21;
constexpr char kGraphicControlLabel = static_cast<char>(0xF9);
constexpr char kGraphicControlSize = 0x04;
constexpr char kImageSeparator = 0x2C;
constexpr qsizetype kDescriptorOffset = 8;

// a * b / c, rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    return static_cast<int>(std::llround(static_cast<double>(a) * b / c));
}

}  // namespace

// ---- TIPicture

TIPicture::TIPicture() = default;

bool TIPicture::IsGIF() const {
    return FData.size() >= 5 && FData.startsWith("GIF8");
}

bool TIPicture::IsFrameStart(qsizetype p) const {
    return FData.at(p) == kExtensionIntroducer && p + 9 < FData.size() &&
           FData[p + 1] == kGraphicControlLabel && FData[p + 2] == kGraphicControlSize &&
           FData[p + kDescriptorOffset] == kImageSeparator;
}

// Little-endian 16-bit value; bytes past the end of the data count as 0, so a frame start
// close to the end never reads outside the data.
quint16 TIPicture::Word(qsizetype p) const {
    const auto byte = [this](qsizetype i) -> quint16 {
        return i < FData.size() ? static_cast<quint8>(FData[i]) : 0;
    };
    return static_cast<quint16>(byte(p) | (byte(p + 1) << 8));
}

int TIPicture::FrameCount() {
    if (FFrameCount != -1) {
        return FFrameCount;
    }
    if (!IsGIF()) {
        return -1;
    }
    int count = 0;
    for (qsizetype p = 0; p < FData.size(); ++p) {
        if (IsFrameStart(p)) {
            ++count;
        }
    }
    FFrameCount = count;
    return count;
}

int TIPicture::GetFrameDelay(int k) {
    if (!IsGIF()) {
        return -1;
    }
    int delay = -1;
    int number = 0;
    for (qsizetype p = 0; p < FData.size(); ++p) {
        if (IsFrameStart(p) && ++number == k) {
            const auto packed = static_cast<quint8>(FData[p + 3]);
            delay = Word(p + 4);
            FFrameTransparent = (packed & 1) != 0;
            FFrameDisposal = (packed / 4) % 8;
        }
    }
    return delay;
}

void TIPicture::Rebuild() {
    QByteArray block;
    try {
        block.reserve(FData.size());
    } catch (const std::bad_alloc&) {
        throw Exception(SCouldNotAllocateImage);
    }
    FFrameLeft = 0;
    FFrameTop = 0;
    FScreenWidth = 0;
    FScreenHeight = 0;
    if (IsGIF() && FrameCount() > 0) {
        FScreenWidth = Word(6);
        FScreenHeight = Word(8);
        int k = 1;
        bool dropping = false;
        for (qsizetype p = 0; p < FData.size(); ++p) {
            if (IsFrameStart(p)) {
                if (k == FFrame) {
                    FFrameLeft = Word(p + 9);
                    FFrameTop = Word(p + 11);
                    FFrameWidth = Word(p + 13);
                    FFrameHeight = Word(p + 15);
                }
                ++k;
                dropping = FFrame >= k;
            }
            if (!dropping) {
                block.append(FData[p]);
            }
        }
    } else {
        block = FData;
    }
    if (block.isEmpty()) {
        throw Exception(SEmptyImageStream);
    }
    QBuffer stream(&block);
    if (!stream.open(QIODevice::ReadOnly)) {
        throw Exception(SCouldNotCreateImageStream);
    }
    FImage = QImage();
    FHimetric = QSize();
    // Naming the format spares the reader its probing on every frame of an animation.
    QImageReader reader(&stream, IsGIF() ? QByteArray("gif") : QByteArray());
    if (!reader.canRead()) {
        throw Exception(SInvalidImageFormat);
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        throw Exception(SCouldNotLoadImage);
    }
    // Qt's reader paints a GIF's first image into the whole logical screen; the picture is the
    // frame's own rectangle, drawn shifted by its place.
    const QRect frame = FrameRect();
    if (IsGIF() && FFrame >= 1 && !frame.isEmpty() && image.rect().contains(frame) &&
        image.size() != frame.size()) {
        image = image.copy(frame);
    }
    FImage = image;
    FHimetric = QSize(MulDiv(image.width(), kHimetricPerInch, kDecoderPixelsPerInch),
                      MulDiv(image.height(), kHimetricPerInch, kDecoderPixelsPerInch));
}

int TIPicture::Width() const {
    return FImage.isNull() ? 0 : MulDiv(FHimetric.width(), FResolutionX, kHimetricPerInch);
}

int TIPicture::Height() const {
    return FImage.isNull() ? 0 : MulDiv(FHimetric.height(), FResolutionY, kHimetricPerInch);
}

void TIPicture::SetResolution(int x, int y) {
    FResolutionX = x;
    FResolutionY = y;
}

void TIPicture::Draw(TCanvas& canvas, const QRect& rect) {
    if (FEmpty || FImage.isNull()) {
        return;
    }
    canvas.Painter().drawImage(rect.translated(FFrameLeft, FFrameTop), FImage);
}

void TIPicture::TakeData(QByteArray data) {
    FData = std::move(data);
    FEmpty = false;
    FFrameCount = -1;
    FFrame = 1;
    FScreenWidth = 0;
    FScreenHeight = 0;
    Rebuild();
}

void TIPicture::LoadFromFile(const QString& fileName) {
    try {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            throw EFOpenError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
        }
        TakeData(file.readAll());
        if (OnClear) {
            OnClear(this);
        }
        NotifyChanged();
    } catch (const std::exception&) {
        FEmpty = true;
    }
}

void TIPicture::LoadFromStream(QIODevice& stream) {
    TakeData(stream.readAll());
    NotifyChanged();
}

void TIPicture::SaveToStream(QIODevice& stream) {
    stream.write(FData);
}

void TIPicture::ReadData(QIODevice& stream) {
    FData = stream.readAll();
    FEmpty = false;
    FFrameCount = -1;
    Rebuild();
}

void TIPicture::WriteData(QIODevice& stream) {
    stream.write(FData);
}

bool TIPicture::ReadExtra(const QString& name, const TLayoutValue& value) {
    const auto* bytes = std::get_if<QByteArray>(&value);
    if (name != QLatin1String("Data") || bytes == nullptr) {
        return false;
    }
    QByteArray copy = *bytes;
    QBuffer stream(&copy);
    stream.open(QIODevice::ReadOnly);
    ReadData(stream);
    return true;
}

void TIPicture::Assign(const TGraphic* source) {
    FImage = QImage();
    FEmpty = true;
    FFrameCount = -1;
    if (source == nullptr) {
        FData.clear();
        NotifyChanged();
        if (OnClear) {
            OnClear(this);
        }
        return;
    }
    if (const auto* picture = qobject_cast<const TIPicture*>(source)) {
        FData = picture->FData;
        FEmpty = false;
        Rebuild();
        NotifyChanged();
    }
}

void TIPicture::SetFrame(int value) {
    FFrame = value;
    if (!FData.isEmpty()) {
        Rebuild();
        if (OnFrameChange) {
            OnFrameChange(this);
        }
    }
}

// ---- THelperWnd

THelperWnd::THelperWnd(QWidget* parent) : TWinControl(parent) {
    SetVisible(false);
    FTimerId = startTimer(kHelperInterval);
}

THelperWnd::~THelperWnd() {
    if (FTimerId != 0) {
        killTimer(FTimerId);
    }
}

void THelperWnd::Tick() {
    if (OnTimer) {
        OnTimer(this);
    }
}

void THelperWnd::timerEvent(QTimerEvent* e) {
    if (e->timerId() == FTimerId) {
        Tick();
    }
}

// ---- TPictureControl

TPictureControl::TPictureControl(QWidget* parent)
    : TGraphicControl(parent), FPicture(std::make_unique<TIPicture>()) {
    connect(FPicture.get(), &TGraphic::Changed, this, &TPictureControl::PictureChanged);
    FPicture->OnFrameChange = [this](QObject*) { FrameChanged(); };
    FPicture->OnClear = [this](QObject*) { PictureCleared(); };
    SetBounds(0, 0, 100, 100);
}

TPictureControl::~TPictureControl() {
    delete FHelperWnd.data();
}

QString TPictureControl::Version() const {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(kVersion[0])
        .arg(kVersion[1])
        .arg(kVersion[2])
        .arg(kVersion[3]);
}

void TPictureControl::SetPicture(const TIPicture* value) {
    FPicture->Assign(value);
    FShown = QImage();
    Invalidate();
}

void TPictureControl::SetPicturePosition(TPicturePosition value) {
    if (value != FPicturePosition) {
        FPicturePosition = value;
        FShown = QImage();
        Invalidate();
    }
}

void TPictureControl::SetStretchMode(TStretchMode value) {
    if (value != FStretchMode) {
        FStretchMode = value;
        FShown = QImage();
        Invalidate();
    }
}

void TPictureControl::SetAutoSize(bool value) {
    FAutoSize = value;
    if (value) {
        FitToPicture();
    }
}

void TPictureControl::FitToPicture() {
    if (!FPicture->Empty()) {
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    }
}

void TPictureControl::Loaded() {
    FPicture->SetResolution(logicalDpiX(), logicalDpiY());
    if (!FPicture->Empty()) {
        FAnimatable = FPicture->IsGIF() && FPicture->FrameCount() > 1;
    }
}

// A new picture starts on a clear area: nothing of the old one shows through its frames.
void TPictureControl::PictureChanged() {
    FShown = QImage();
    FDecodeErrorShown = false;
    if (FAutoSize) {
        FitToPicture();
    }
    if (!FPicture->Empty()) {
        FAnimatable = FPicture->IsGIF() && FPicture->FrameCount() > 1;
        FPicture->SetFrame(0);
    }
}

void TPictureControl::PictureCleared() {
    FShown = QImage();
    FPaintingSuppressed = true;
    Repaint();
    FPaintingSuppressed = false;
}

// The disposal code is the replaced frame's: the last delay lookup was made for it.
void TPictureControl::FrameChanged() {
    switch (FPicture->FrameDisposal()) {
        case 0:
        case 1:
        case 3:
            DrawShown(QRect(), true);
            Repaint();
            break;
        case 2:
            DrawShown(FPicture->FrameRect(), false);
            if (QWidget* parent = parentWidget()) {
                parent->update(FPicture->FrameRect().translated(pos()));
            }
            break;
        default:
            break;
    }
    if (OnFrameChange) {
        OnFrameChange(this);
    }
}

void TPictureControl::SetAnimate(bool value) {
    const TStateAnnouncement announce(this);
    if (value == FAnimate) {
        return;
    }
    FAnimate = value;
    if (value) {
        FHelperWnd = new THelperWnd(parentWidget() != nullptr ? parentWidget() : this);
        FTickCount = 0;
        FNextSwitch = 0;
        FDecodeErrorShown = false;
        FHelperWnd->OnTimer = [this](QObject*) { Tick(); };
    } else {
        delete FHelperWnd.data();
    }
}

// A frame with delay d stays for d ticks; a delay of 0 (or a failed lookup) is never reached
// again, so that frame stays for good.
void TPictureControl::Tick() {
    if (!FAnimatable || FPicture->Empty()) {
        return;
    }
    if (FTickCount == FNextSwitch) {
        try {
            if (FPicture->Frame() < FPicture->FrameCount()) {
                FPicture->SetFrame(FPicture->Frame() + 1);
            } else {
                FPicture->SetFrame(1);
            }
        } catch (const std::exception&) {
            // A frame that cannot be decoded comes round on every loop: the error box shows
            // once per run of the animation, and the next tick moves on to the next frame.
            if (FDecodeErrorShown) {
                return;
            }
            FDecodeErrorShown = true;
            throw;
        }
        FNextSwitch += FPicture->GetFrameDelay(FPicture->Frame());
    }
    ++FTickCount;
}

void TPictureControl::Paint() {
    if (FPaintingSuppressed || FPicture->Empty() || Width() <= 0 || Height() <= 0) {
        return;
    }
    if (FShown.size() != size()) {
        DrawShown(QRect(), false);
    }
    Canvas().Painter().drawImage(0, 0, FShown);
}

void TPictureControl::DrawShown(const QRect& area, bool over) {
    if (FShown.size() != size()) {
        if (over) {
            return;  // nothing shown yet: the next paint draws the picture afresh
        }
        FShown = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        FShown.fill(Qt::transparent);
    }
    TCanvas canvas(&FShown);
    QPainter& painter = canvas.Painter();
    if (!over) {
        const QRect cleared = area.isNull() ? FShown.rect() : area;
        painter.setClipRect(cleared);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(cleared, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    DrawPicture(canvas);
}

void TPictureControl::DrawPicture(TCanvas& canvas) {
    int displayWidth = FPicture->DisplayWidth();
    int displayHeight = FPicture->DisplayHeight();
    int width = FPicture->Width();
    int height = FPicture->Height();
    if (FStretchMode == smShrink && FPicturePosition <= bpCenter &&
        (displayWidth > Width() || displayHeight > Height())) {
        const double ratio = std::max(static_cast<double>(displayWidth) / Width(),
                                      static_cast<double>(displayHeight) / Height());
        displayWidth = static_cast<int>(displayWidth / ratio);
        displayHeight = static_cast<int>(displayHeight / ratio);
        width = static_cast<int>(width / ratio);
        height = static_cast<int>(height / ratio);
    }
    const int freeX = std::max(0, Width() - displayWidth);
    const int freeY = std::max(0, Height() - displayHeight);
    const auto draw = [&](int x, int y) { FPicture->Draw(canvas, QRect(x, y, width, height)); };
    switch (FPicturePosition) {
        case bpTopLeft:
            draw(0, 0);
            break;
        case bpTopRight:
            draw(freeX, 0);
            break;
        case bpBottomLeft:
            draw(0, freeY);
            break;
        case bpBottomRight:
            draw(freeX, freeY);
            break;
        case bpCenter:
            draw(freeX / 2, freeY / 2);
            break;
        case bpTiled:
            if (displayWidth <= 0 || displayHeight <= 0) {
                break;
            }
            for (int y = 0; y < Height(); y += displayHeight) {
                for (int x = 0; x < Width(); x += displayWidth) {
                    draw(x, y);
                }
            }
            break;
        case bpStretched:
            FPicture->Draw(canvas, ClientRect());
            break;
        case bpStretchedWithAspect:
            if (displayWidth <= 0 || displayHeight <= 0) {
                break;
            }
            if (static_cast<qint64>(displayWidth) * Height() >
                static_cast<qint64>(displayHeight) * Width()) {
                FPicture->Draw(canvas,
                               QRect(0, 0, Width(), displayHeight * Width() / displayWidth));
            } else {
                FPicture->Draw(canvas,
                               QRect(0, 0, displayWidth * Height() / displayHeight, Height()));
            }
            break;
    }
}

void RegisterPictureControl() {
    TClassRegistry::Instance().RegisterControl<TPictureControl>(QStringLiteral("TPictureControl"));
    TEventRegistry::Instance().Add("OnFrameChange", &TPictureControl::OnFrameChange);
}

}  // namespace vx
