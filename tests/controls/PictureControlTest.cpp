#include <gtest/gtest.h>

#include <QBuffer>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include "Application.h"
#include "Errors.h"
#include "GifBuilder.h"
#include "PictureControl.h"
#include "RealInput.h"

namespace vx {
namespace {

using test::MakeGif;
using test::TGifFrame;

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

QByteArray ThreeFrames(int delay1 = 2, int delay2 = 3, int delay3 = 1) {
    return MakeGif(4, 4,
                   {{0, 0, 4, 4, delay1, 0, false, 1},
                    {0, 0, 4, 4, delay2, 0, false, 2},
                    {0, 0, 4, 4, delay3, 0, false, 3}});
}

void Load(TIPicture& picture, QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    picture.LoadFromStream(buffer);
}

// The picture drawn at (0, 0) at its own size onto a white image.
QImage Drawn(TIPicture& picture, int size = 8) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.Draw(0, 0, picture);
    canvas.Release();
    return image;
}

std::string ErrorOf(TIPicture& picture, const QByteArray& bytes) {
    try {
        Load(picture, bytes);
    } catch (const Exception& error) {
        return error.what();
    }
    return "no error";
}

TEST(IPicture, CountsFramesThatStartWithAGraphicControlExtension) {
    TIPicture picture;
    EXPECT_TRUE(picture.Empty());
    Load(picture, ThreeFrames());
    EXPECT_TRUE(picture.IsGIF());
    EXPECT_EQ(picture.FrameCount(), 3);
    EXPECT_EQ(picture.Frame(), 1);
    Load(picture, MakeGif(2, 2, {{0, 0, 2, 2}, {0, 0, 2, 2}}));
    EXPECT_EQ(picture.FrameCount(), 2);

    QImage png(3, 2, QImage::Format_RGB32);
    png.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    Load(picture, bytes);
    EXPECT_FALSE(picture.IsGIF());
    EXPECT_EQ(picture.FrameCount(), -1);
    EXPECT_EQ(picture.GetFrameDelay(1), -1);
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_EQ(Drawn(picture).pixel(2, 1), kRed);
}

TEST(IPicture, FrameSelectionCutsTheEarlierFramesOut) {
    TIPicture picture;
    Load(picture, ThreeFrames());
    EXPECT_EQ(Drawn(picture).pixel(1, 1), kRed);
    picture.SetFrame(0);
    EXPECT_EQ(Drawn(picture).pixel(1, 1), kRed);
    int changes = 0;
    picture.OnFrameChange = [&](QObject*) { ++changes; };
    picture.SetFrame(2);
    EXPECT_EQ(Drawn(picture).pixel(1, 1), kGreen);
    picture.SetFrame(3);
    EXPECT_EQ(Drawn(picture).pixel(1, 1), kBlue);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(picture.Data(), ThreeFrames()) << "the loaded bytes stay as they were";
}

TEST(IPicture, AFrameSmallerThanTheScreenIsDrawnAtItsPlace) {
    TIPicture picture;
    Load(picture, MakeGif(6, 6, {{0, 0, 6, 6, 5, 0, false, 1}, {2, 3, 2, 1, 5, 0, false, 2}}));
    picture.SetFrame(2);
    EXPECT_EQ(picture.FrameRect(), QRect(2, 3, 2, 1));
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 1);
    EXPECT_EQ(picture.DisplayWidth(), 6);
    EXPECT_EQ(picture.DisplayHeight(), 6);
    const QImage image = Drawn(picture);
    EXPECT_EQ(image.pixel(2, 3), kGreen);
    EXPECT_EQ(image.pixel(3, 3), kGreen);
    EXPECT_EQ(image.pixel(0, 0), kWhite);
    EXPECT_EQ(image.pixel(4, 3), kWhite);
}

TEST(IPicture, SizesPassThroughHimetricUnits) {
    TIPicture picture;
    Load(picture, MakeGif(10, 5, {{0, 0, 10, 5}}));
    EXPECT_EQ(picture.HimetricSize(), QSize(265, 132));
    EXPECT_EQ(picture.Width(), 10);
    picture.SetResolution(120, 72);
    EXPECT_EQ(picture.Width(), 13);
    EXPECT_EQ(picture.Height(), 4);
}

TEST(IPicture, DelayLookupStoresDisposalAndTransparency) {
    TIPicture picture;
    Load(picture, MakeGif(2, 2, {{0, 0, 2, 2, 7, 2, true, 1}, {0, 0, 2, 2, 0, 1, false, 2}}));
    EXPECT_EQ(picture.GetFrameDelay(1), 7);
    EXPECT_EQ(picture.FrameDisposal(), 2);
    EXPECT_TRUE(picture.FrameTransparent());
    EXPECT_EQ(picture.GetFrameDelay(2), 0);
    EXPECT_EQ(picture.FrameDisposal(), 1);
    EXPECT_FALSE(picture.FrameTransparent());
    EXPECT_EQ(picture.GetFrameDelay(3), -1);
}

TEST(IPicture, AFrameStartAtTheEndOfTheDataIsNotReadPastIt) {
    QByteArray bytes = MakeGif(2, 2, {});
    bytes.chop(1);
    bytes.append(QByteArray::fromHex("21f90400050000002c0102"));
    bytes.append('\0');
    TIPicture picture;
    EXPECT_EQ(ErrorOf(picture, bytes), SCouldNotLoadImage);
    EXPECT_EQ(picture.FrameCount(), 1);
    EXPECT_EQ(picture.FrameRect(), QRect(0x0201, 0, 0, 0));
    EXPECT_EQ(picture.GetFrameDelay(1), 5);
}

TEST(IPicture, DecodingErrorsCarryTheirMessages) {
    TIPicture picture;
    EXPECT_EQ(ErrorOf(picture, QByteArray("no picture at all")), SInvalidImageFormat);
    EXPECT_EQ(ErrorOf(picture, QByteArray()), SEmptyImageStream);
    EXPECT_EQ(ErrorOf(picture, QByteArray("GIF89a\x02\x00")), SCouldNotLoadImage);
}

TEST(IPicture, FileLoadSwallowsErrorsAndReportsClearBeforeChange) {
    TIPicture picture;
    QStringList events;
    picture.OnClear = [&](QObject*) { events << "clear"; };
    QObject::connect(&picture, &TGraphic::Changed, [&] { events << "change"; });
    QTemporaryDir dir;
    const QString path = dir.filePath("busy.gif");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ThreeFrames());
    file.close();
    picture.LoadFromFile(path);
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(events, QStringList({"clear", "change"}));

    events.clear();
    picture.LoadFromFile(dir.filePath("missing.gif"));
    EXPECT_TRUE(picture.Empty());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(Drawn(picture).pixel(1, 1), kWhite);
}

TEST(IPicture, ALayoutRecordIsReadWithoutNotificationAndWrittenBackUnchanged) {
    TIPicture picture;
    int changes = 0;
    QObject::connect(&picture, &TGraphic::Changed, [&] { ++changes; });
    EXPECT_TRUE(picture.ReadExtra(QStringLiteral("Data"), TLayoutValue(ThreeFrames())));
    EXPECT_FALSE(picture.ReadExtra(QStringLiteral("Other"), TLayoutValue(ThreeFrames())));
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.FrameCount(), 3);
    EXPECT_EQ(changes, 0);
    QByteArray written;
    QBuffer stream(&written);
    stream.open(QIODevice::WriteOnly);
    picture.WriteData(stream);
    EXPECT_EQ(written, ThreeFrames());
}

TEST(IPicture, AssignCopiesAPictureOrEmptiesWithNothing) {
    TIPicture source;
    Load(source, ThreeFrames());
    TIPicture picture;
    QStringList events;
    picture.OnClear = [&](QObject*) { events << "clear"; };
    QObject::connect(&picture, &TGraphic::Changed, [&] { events << "change"; });
    picture.Assign(&source);
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Data(), source.Data());
    EXPECT_EQ(picture.FrameCount(), 3);
    picture.Assign(nullptr);
    EXPECT_TRUE(picture.Empty());
    EXPECT_TRUE(picture.Data().isEmpty());
    EXPECT_EQ(events, QStringList({"change", "change", "clear"}));
}

struct PictureControlFixture : ::testing::Test {
    QWidget parent;
    TPictureControl* control = new TPictureControl(&parent);

    PictureControlFixture() { parent.resize(20, 20); }

    void Give(const QByteArray& bytes) { Load(*control->Picture(), bytes); }
    void Tick() { control->HelperWnd()->Tick(); }
    std::vector<int> FramesOverTicks(int ticks) {
        std::vector<int> frames;
        for (int i = 0; i < ticks; ++i) {
            Tick();
            frames.push_back(control->Picture()->Frame());
        }
        return frames;
    }
    QImage Rendered() {
        QImage image(control->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        control->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
};

TEST_F(PictureControlFixture, SwitchingOnTwiceMakesOneHelperWindow) {
    EXPECT_EQ(control->Version(), "1.3.1.0");
    control->SetAnimate(true);
    THelperWnd* helper = control->HelperWnd();
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->parentWidget(), &parent);
    control->SetAnimate(true);
    EXPECT_EQ(control->HelperWnd(), helper);
    control->SetAnimate(false);
    EXPECT_EQ(control->HelperWnd(), nullptr);
    control->SetAnimate(false);
    EXPECT_EQ(parent.findChildren<THelperWnd*>().size(), 0);
}

TEST_F(PictureControlFixture, EachFrameStaysForItsDelayInTicks) {
    Give(ThreeFrames(2, 3, 1));
    EXPECT_EQ(control->Picture()->Frame(), 0);
    control->SetAnimate(true);
    EXPECT_EQ(FramesOverTicks(9), std::vector<int>({1, 1, 2, 2, 2, 3, 1, 1, 2}));
}

TEST_F(PictureControlFixture, AFrameWithDelayZeroStaysForGood) {
    Give(ThreeFrames(2, 0, 3));
    control->SetAnimate(true);
    const std::vector<int> frames = FramesOverTicks(20);
    EXPECT_EQ(frames[0], 1);
    EXPECT_EQ(frames[1], 1);
    EXPECT_EQ(frames[2], 2);
    EXPECT_EQ(frames.back(), 2);
    EXPECT_EQ(control->TickCount(), 20);
}

TEST_F(PictureControlFixture, OffAndOnRestartsTheCount) {
    Give(ThreeFrames(5, 5, 5));
    control->SetAnimate(true);
    FramesOverTicks(3);
    control->SetAnimate(false);
    EXPECT_EQ(control->Picture()->Frame(), 1) << "the showing frame stays";
    control->SetAnimate(true);
    EXPECT_EQ(control->TickCount(), 0);
    EXPECT_EQ(FramesOverTicks(1), std::vector<int>({2}));
}

TEST_F(PictureControlFixture, EmptyOrStillPicturesTickWithoutCounting) {
    control->Picture()->LoadFromFile(QStringLiteral("/nonexistent/check.gif"));
    control->SetAnimate(true);
    FramesOverTicks(3);
    EXPECT_EQ(control->TickCount(), 0);
    Give(MakeGif(2, 2, {{0, 0, 2, 2, 1, 0, false, 1}}));
    EXPECT_FALSE(control->Animatable());
    FramesOverTicks(3);
    EXPECT_EQ(control->TickCount(), 0);
    EXPECT_EQ(control->Picture()->Frame(), 0);
}

TEST_F(PictureControlFixture, PicturePositionsPlaceThePicture) {
    control->SetBounds(0, 0, 10, 10);
    Give(MakeGif(4, 4, {{0, 0, 4, 4, 1, 0, false, 1}}));
    QImage image = Rendered();
    EXPECT_EQ(image.pixel(0, 0), kRed);
    EXPECT_EQ(image.pixel(4, 4), kWhite);
    control->SetPicturePosition(TPictureControl::bpBottomRight);
    image = Rendered();
    EXPECT_EQ(image.pixel(9, 9), kRed);
    EXPECT_EQ(image.pixel(5, 5), kWhite);
    control->SetPicturePosition(TPictureControl::bpCenter);
    image = Rendered();
    EXPECT_EQ(image.pixel(3, 3), kRed);
    EXPECT_EQ(image.pixel(6, 6), kRed);
    EXPECT_EQ(image.pixel(7, 7), kWhite);
    control->SetPicturePosition(TPictureControl::bpTiled);
    image = Rendered();
    EXPECT_EQ(image.pixel(9, 9), kRed);
    control->SetPicturePosition(TPictureControl::bpStretched);
    EXPECT_EQ(Rendered().pixel(9, 9), kRed);
}

TEST_F(PictureControlFixture, ShrinkKeepsTheAspectAndAutoSizeFollowsThePicture) {
    control->SetBounds(0, 0, 10, 10);
    Give(MakeGif(20, 10, {{0, 0, 20, 10, 1, 0, false, 2}}));
    control->SetStretchMode(TPictureControl::smShrink);
    QImage image = Rendered();
    EXPECT_EQ(image.pixel(9, 4), kGreen);
    EXPECT_EQ(image.pixel(9, 5), kWhite);
    control->SetAutoSize(true);
    EXPECT_EQ(control->size(), QSize(20, 10));
}

// What the window shows on the screen, read back from the window system.
QImage OnScreen(QWidget& window) {
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

TEST_F(PictureControlFixture, FramesThatKeepTheirPredecessorAreDrawnOverIt) {
    // A red frame over the whole picture, then a green and a blue quarter; disposal 0, 1, 3.
    parent.setAutoFillBackground(true);
    parent.setPalette(QPalette(Qt::white));
    control->SetBounds(0, 0, 10, 10);
    Give(MakeGif(4, 4,
                 {{0, 0, 4, 4, 1, 0, false, 1},
                  {0, 0, 2, 2, 1, 1, false, 2},
                  {2, 2, 2, 2, 1, 3, false, 3}}));
    test::ShowActive(parent);
    control->SetAnimate(true);
    EXPECT_EQ(FramesOverTicks(3), std::vector<int>({1, 2, 3}));
    QImage screen = OnScreen(parent);
    EXPECT_EQ(screen.pixel(0, 0), kGreen);
    EXPECT_EQ(screen.pixel(3, 0), kRed);
    EXPECT_EQ(screen.pixel(0, 3), kRed);
    EXPECT_EQ(screen.pixel(3, 3), kBlue);
    EXPECT_EQ(screen.pixel(5, 5), kWhite);
    // A repaint of the window, the control's parent first, keeps the picture as it was.
    parent.update();
    QApplication::processEvents();
    EXPECT_EQ(OnScreen(parent), screen);
    // Frame 1 covers everything again.
    EXPECT_EQ(FramesOverTicks(1), std::vector<int>({1}));
    screen = OnScreen(parent);
    EXPECT_EQ(screen.pixel(0, 0), kRed);
    EXPECT_EQ(screen.pixel(3, 3), kRed);
}

TEST_F(PictureControlFixture, AFrameThatCannotBeDecodedBringsTheErrorBoxOncePerRun) {
    QByteArray gif = ThreeFrames(1, 1, 1);
    // Frame 2's code size lies beyond what a GIF allows: decoding it fails.
    const QByteArray frameStart = QByteArray::fromHex("21f904");
    const qsizetype second = gif.indexOf(frameStart, gif.indexOf(frameStart) + 1);
    gif[second + 18] = 13;
    Give(gif);
    int boxes = 0;
    Application->MessageBoxHook = [&](const TMessageBoxInfo&) { ++boxes; };
    int loops = 0;
    control->OnFrameChange = [&](QObject*) { loops += control->Picture()->Frame() == 1 ? 1 : 0; };
    control->SetAnimate(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return loops >= 4; }, 3000));
    EXPECT_EQ(boxes, 1);
    // Frame 3 still shows in every loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return control->Picture()->Frame() == 3; }, 3000));
    control->SetAnimate(false);
    control->SetAnimate(true);
    loops = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return loops >= 3; }, 3000));
    EXPECT_EQ(boxes, 2);
    control->SetAnimate(false);
    Application->MessageBoxHook = nullptr;
}

}  // namespace
}  // namespace vx
