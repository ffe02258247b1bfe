#pragma once

#include <QList>
#include <QString>

#include "Graphics.h"
#include "gif/GIFImage.h"

namespace vx {

// The MIME type under which the clipboard carries the "GIF Image" format: a 32-bit
// little-endian length, then the GIF data.
inline constexpr const char* GifClipFormat = "application/x-verinox-gif-image";

// A GIF picture in the picture system. It draws its current frame as a still picture (frames are
// never composed or animated here), copies to and from bitmaps and other GIF pictures, and
// persists as a 32-bit length followed by the GIF data. Codec errors reach callers as the picture
// system's errors with the codec's messages.
class TGIFImage : public TGraphic {
    Q_OBJECT
  public:
    TGIFImage();
    ~TGIFImage() override;

    QString ClassName() const override { return QStringLiteral("TGIFImage"); }

    void Draw(TCanvas& canvas, const QRect& rect) override;
    bool Empty() const override { return IsBlank(); }
    int Width() const override;
    int Height() const override;
    // A GIF cannot be resized: both raise "Cannot change the Size of a GIF image".
    void SetWidth(int value) override;
    void SetHeight(int value) override;

    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) override;
    void ReadData(QIODevice& stream) override;
    void WriteData(QIODevice& stream) override;

    QList<QRgb> Palette() const override;
    // Whether drawing leaves transparent pixels out: TransparentDrawing and a frame that has a
    // transparent colour.
    bool Transparent() const override { return ShowsTransparency(); }
    bool ShowsTransparency() const;
    bool TransparentDrawing() const { return TGraphic::Transparent(); }

    // Takes a GIF picture (sharing its data), a bitmap (as the only frame) or nothing else.
    void Assign(const TGraphic& source) override;
    // Takes one frame (of this or another picture) as the only frame.
    void AssignFrame(const gif::TGIFFrame& source);
    // Back to the empty picture.
    void Clear();
    bool SharesDataWith(const TGraphic& other) const;

    bool IsBlank() const;
    // Appends a frame copied from graphic and makes it current; returns its index.
    int AppendFrame(const TGraphic& graphic);
    // The decoded current frame (frame 0 when none is current). A picture without frames gets
    // one empty frame first.
    const gif::TDib& CurrentBitmap();
    // Draws one frame into rect; with transparent, pixels of its transparent colour are left out.
    void RenderFrame(gif::TGIFFrame& frame, TCanvas& canvas, const QRect& rect, bool transparent);
    void RecalcLogicalSize();
    gif::TBlockLines* FrameComment(int index, bool create);

    int FrameCount() const { return FImage.FrameCount(); }
    gif::TGIFFrame& Frame(int index) { return FImage.Frame(index); }
    gif::TGIFImage& Image() { return FImage; }

  protected:
    bool AssignTo(TGraphic& target) const override;

  private:
    // Hears the codec's progress and change reports and passes them on as the graphic's own.
    class TNotifyBridge : public gif::IGIFNotify {
      public:
        explicit TNotifyBridge(TGIFImage& owner) : FOwner(owner) {}
        void Progress(gif::TProgressStage stage, int percent, bool redrawNow,
                      const std::string& message) override;
        void Changed() override;

      private:
        TGIFImage& FOwner;
    };

    template <typename F>
    void Load(F&& load);
    gif::TGIFFrame& AddFrame(const TGraphic& graphic);
    void CopyFrameFrom(gif::TGIFFrame& frame, const TGraphic& source) const;
    void CopyFrameTo(gif::TGIFFrame& frame, TGraphic& target) const;
    void LoadClipboardGif(const QByteArray& bytes, const QMimeData& data);

    TNotifyBridge FBridge{*this};
    // Decoding on demand fills frame caches behind the graphic's const queries.
    mutable gif::TGIFImage FImage;
};

// Makes GIF pictures known to the picture system: extension "gif" ("CompuServe GIF Image"), the
// "GIF Image" clipboard format and the class name "TGIFImage" of persisted pictures.
void RegisterGIFImage();
// Removes them again, at shut-down.
void UnregisterGIFImage();

}  // namespace vx
