// The picture control: one picture whose file bytes are kept as loaded and decoded by the
// platform's image reader, and for GIF files a frame-by-frame animation paced by a hidden helper
// window's 10 ms timer.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QSize>

#include "Control.h"
#include "Graphics.h"

namespace vx {

// The decoding errors of the picture.
inline const char* const SCouldNotAllocateImage = "Could not allocate memory for image";
inline const char* const SCouldNotCreateImageStream = "Could not create image stream";
inline const char* const SEmptyImageStream = "Empty image stream created";
inline const char* const SInvalidImageFormat = "Could not load image. Invalid format";
inline const char* const SCouldNotLoadImage = "Could not load image";

// A picture that keeps its file's bytes and, for a GIF, shows one chosen frame by cutting the
// earlier frames out of the bytes before decoding.
class TIPicture : public TGraphic, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(int Frame READ Frame WRITE SetFrame)

  public:
    TIPicture();

    QString ClassName() const override { return QStringLiteral("TIPicture"); }
    void Draw(TCanvas& canvas, const QRect& rect) override;
    bool Empty() const override { return FEmpty; }
    // The decoded picture's size at the picture's resolution.
    int Width() const override;
    int Height() const override;
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // Errors leave the picture empty and go no further.
    void LoadFromFile(const QString& fileName);
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void LoadFromClipboardFormat(const QMimeData&) override {}
    void SaveToClipboardFormat(QMimeData&) override {}
    void ReadData(QIODevice& stream) override;
    void WriteData(QIODevice& stream) override;
    bool ReadExtra(const QString& name, const TLayoutValue& value) override;
    // Takes a copy of another picture; null empties this one.
    void Assign(const TGraphic* source);
    void Assign(const TGraphic& source) override { Assign(&source); }

    const QByteArray& Data() const { return FData; }
    bool IsGIF() const;
    // Frames that start with a graphic control extension; -1 for data that is no GIF.
    int FrameCount();
    // The delay of frame k (from 1) in hundredths of a second, or -1; stores the frame's
    // disposal code and transparency flag.
    int GetFrameDelay(int k);

    int Frame() const { return FFrame; }
    void SetFrame(int value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value) { FStretch = value; }
    int ResolutionX() const { return FResolutionX; }
    int ResolutionY() const { return FResolutionY; }
    void SetResolution(int x, int y);
    QSize HimetricSize() const { return FHimetric; }
    // The GIF's logical screen size when known, else the picture's size.
    int DisplayWidth() const { return FScreenWidth != 0 ? FScreenWidth : Width(); }
    int DisplayHeight() const { return FScreenHeight != 0 ? FScreenHeight : Height(); }
    QRect FrameRect() const { return QRect(FFrameLeft, FFrameTop, FFrameWidth, FFrameHeight); }
    int FrameDisposal() const { return FFrameDisposal; }
    bool FrameTransparent() const { return FFrameTransparent; }

    TNotifyEvent OnFrameChange;
    TNotifyEvent OnClear;

  private:
    bool IsFrameStart(qsizetype p) const;
    quint16 Word(qsizetype p) const;
    void TakeData(QByteArray data);
    void Rebuild();

    QByteArray FData;
    bool FEmpty = true;
    QImage FImage;
    QSize FHimetric;
    int FResolutionX = 96;
    int FResolutionY = 96;
    int FFrame = 0;
    int FFrameCount = -1;
    quint16 FScreenWidth = 0;
    quint16 FScreenHeight = 0;
    quint16 FFrameLeft = 0;
    quint16 FFrameTop = 0;
    quint16 FFrameWidth = 0;
    quint16 FFrameHeight = 0;
    quint16 FFrameDisposal = 0;
    bool FFrameTransparent = false;
    bool FStretch = false;
};

// A hidden window whose platform timer ticks every 10 ms while it exists.
class THelperWnd : public TWinControl {
    Q_OBJECT
  public:
    explicit THelperWnd(QWidget* parent);
    ~THelperWnd() override;

    // Delivers one tick as the platform timer does.
    void Tick();

    TNotifyEvent OnTimer;

  protected:
    void timerEvent(QTimerEvent* e) override;

  private:
    int FTimerId = 0;
};

class TPictureControl : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool Animate READ Animate WRITE SetAnimate)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(vx::TIPicture* Picture READ Picture)
    Q_PROPERTY(TPicturePosition PicturePosition READ PicturePosition WRITE SetPicturePosition)
    Q_PROPERTY(TStretchMode StretchMode READ StretchMode WRITE SetStretchMode)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)

  public:
    enum TPicturePosition {
        bpTopLeft,
        bpTopRight,
        bpBottomLeft,
        bpBottomRight,
        bpCenter,
        bpTiled,
        bpStretched,
        bpStretchedWithAspect
    };
    Q_ENUM(TPicturePosition)
    enum TStretchMode { smNever, smShrink };
    Q_ENUM(TStretchMode)

    explicit TPictureControl(QWidget* parent = nullptr);
    ~TPictureControl() override;

    bool Animate() const { return FAnimate; }
    void SetAnimate(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    TIPicture* Picture() const { return FPicture.get(); }
    void SetPicture(const TIPicture* value);
    TPicturePosition PicturePosition() const { return FPicturePosition; }
    void SetPicturePosition(TPicturePosition value);
    TStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TStretchMode value);
    QString Version() const;
    // The version is fixed; layouts store it, assigning it changes nothing.
    void SetVersion(const QString&) {}

    THelperWnd* HelperWnd() const { return FHelperWnd; }
    int TickCount() const { return FTickCount; }
    int NextSwitch() const { return FNextSwitch; }
    bool Animatable() const { return FAnimatable; }

    void Loaded() override;

    TNotifyEvent OnFrameChange;

  protected:
    void Paint() override;

  private:
    void PictureChanged();
    void FrameChanged();
    void PictureCleared();
    void Tick();
    void FitToPicture();
    void DrawPicture(TCanvas& canvas);
    // Draws the picture into what the control shows: over it, or in place of `area`.
    void DrawShown(const QRect& area, bool over);

    std::unique_ptr<TIPicture> FPicture;
    bool FAnimate = false;
    bool FAutoSize = false;
    TPicturePosition FPicturePosition = bpTopLeft;
    TStretchMode FStretchMode = smNever;
    bool FAnimatable = false;
    bool FPaintingSuppressed = false;
    QPointer<THelperWnd> FHelperWnd;
    int FTickCount = 0;
    int FNextSwitch = 0;
    bool FDecodeErrorShown = false;
    // What the control shows: the frames drawn so far, each over the ones before as their
    // disposal codes say. Qt repaints the parent under the control on every paint, so the
    // control keeps its picture itself; a null image means it is drawn afresh.
    QImage FShown;
};

// Registers TPictureControl and its events for layouts.
void RegisterPictureControl();

}  // namespace vx
