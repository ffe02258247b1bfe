#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "Canvas.h"
#include "Colors.h"
#include "Forms.h"
#include "GlowButton.h"
#include "RealInput.h"
#include "StdCtrls.h"

namespace vx {
namespace {

using namespace glow;

constexpr TColor kParent = 0x00FF00;  // what the window behind the buttons shows

QRgb Rgb(TColor c) {
    const std::uint32_t rgb = ColorToRGB(c);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// The layouts' appearance of every program button.
void ApplyLayoutAppearance(TGlowButton& b) {
    b.SetAntiAlias(gdip::aaNone);
    b.SetTabStop(true);
    TGlowButtonAppearance& a = *b.Appearance();
    a.SetBorderColorHot(16367008);
    a.SetBorderColorChecked(16367008);
    a.SetColorHot(16117985);
    a.SetColorHotTo(16372402);
    a.SetColorDown(16111818);
    a.SetColorDownTo(16367008);
    a.SetColorChecked(16111818);
    a.SetColorCheckedTo(16367008);
    a.SetColorDisabled(15921906);
    a.SetColorDisabledTo(15921906);
    a.SetColorMirrorHot(16107693);
    a.SetColorMirrorHotTo(16775412);
    a.SetColorMirrorDown(16102556);
    a.SetColorMirrorDownTo(16768988);
    a.SetColorMirrorChecked(16102556);
    a.SetColorMirrorCheckedTo(16768988);
    a.SetColorMirrorDisabled(11974326);
    a.SetColorMirrorDisabledTo(15921906);
}

class GlowButtonFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        form = std::make_unique<TForm>();
        form->SetBorderStyle(bsSizeable);
        form->SetBounds(0, 0, 300, 80);
        form->SetColor(kParent);
        button = new TGlowButton(form.get());
        button->SetBounds(15, 20, 154, 22);
        button->SetCaption(QStringLiteral("&E-Mail-Adresse überprüfen"));
        ApplyLayoutAppearance(*button);
        button->OnClick = [this](QObject*) { ++clicks; };
    }

    QImage Render() {
        QImage image(form->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        form->render(&image);
        return image.copy(button->geometry());
    }

    void Show() { test::ShowActive(*form); }

    void TickUntilIdle() {
        for (int i = 0; i < 10 && button->FadeTimer() != nullptr; ++i) {
            FadeTick();
        }
    }

    // The test delivers the fade's ticks itself, one at a time: the timer's own clock stops.
    void FadeTick() {
        button->FadeTimer()->SetEnabled(false);
        button->FadeTimer()->Tick();
    }

    std::unique_ptr<TForm> form;
    TGlowButton* button = nullptr;
    int clicks = 0;
};

// Colour of a vertical ramp row as the brush computes it: from `from` at row `r0` over `h` rows.
QRgb Ramp(TColor from, TColor to, int row, int r0, int h) {
    const double t = static_cast<double>(row - r0) / h;
    const auto ch = [t](int a, int b) { return static_cast<int>(std::nearbyint(a + t * (b - a))); };
    const std::uint32_t f = ColorToRGB(from);
    const std::uint32_t e = ColorToRGB(to);
    return qRgb(ch(GetRValue(f), GetRValue(e)), ch(GetGValue(f), GetGValue(e)),
                ch(GetBValue(f), GetBValue(e)));
}

void ExpectBorder(const QImage& face, TColor border) {
    // Straight runs of the outline: top and bottom rows, left and right columns.
    for (int x : {6, 40, 77, 120, 140}) {
        EXPECT_EQ(face.pixel(x, 0), Rgb(border)) << "top " << x;
        EXPECT_EQ(face.pixel(x, 21), Rgb(border)) << "bottom " << x;
    }
    for (int y : {4, 10, 14}) {
        EXPECT_EQ(face.pixel(0, y), Rgb(border)) << "left " << y;
        EXPECT_EQ(face.pixel(153, y), Rgb(border)) << "right " << y;
    }
}

void ExpectParentCorners(const QImage& face) {
    EXPECT_EQ(face.pixel(0, 0), Rgb(kParent));
    EXPECT_EQ(face.pixel(153, 0), Rgb(kParent));
    EXPECT_EQ(face.pixel(0, 21), Rgb(kParent));
    EXPECT_EQ(face.pixel(153, 21), Rgb(kParent));
}

TEST(GlowAppearance, DefaultsAreDerivedAndStoredOnlyWhenNeeded) {
    TGlowButtonAppearance a;
    EXPECT_EQ(a.ColorDown(), 16111818);
    EXPECT_EQ(a.ColorCheckedTo(), 16367008);
    EXPECT_EQ(a.ColorMirrorDown(), 16102556);
    EXPECT_EQ(a.ColorMirrorCheckedTo(), 16768988);
    EXPECT_EQ(a.ColorDisabled(), 15921906);
    EXPECT_EQ(a.ColorMirrorDisabled(), 11974326);
    EXPECT_EQ(a.GradientMirrorChecked(), gdip::ggVertical);
    EXPECT_EQ(a.GradientMirrorDisabled(), gdip::ggRadial);
    QStringList stored = a.StoredProperties();
    EXPECT_EQ(stored.size(), 16);
    EXPECT_FALSE(stored.contains(QStringLiteral("BorderColor")));
    EXPECT_TRUE(stored.contains(QStringLiteral("ColorHot")));
    a.SetBorderColorHot(16367008);
    a.SetGradient(gdip::ggRadial);
    stored = a.StoredProperties();
    EXPECT_EQ(stored.size(), 18);
    EXPECT_TRUE(stored.contains(QStringLiteral("BorderColorHot")));
    TGlowButtonAppearance copy;
    copy.Assign(a);
    EXPECT_EQ(copy.BorderColorHot(), 16367008);
    EXPECT_EQ(copy.Gradient(), gdip::ggRadial);
}

TEST(GlowAppearance, PublishedDefaultsOfTheButton) {
    TGlowButton b;
    EXPECT_EQ(b.Width(), 100);
    EXPECT_EQ(b.Height(), 41);
    EXPECT_EQ(b.AntiAlias(), gdip::aaClearType);
    EXPECT_EQ(b.Version(), QStringLiteral("1.5.0.0"));
    b.SetVersion(QStringLiteral("9.9"));
    EXPECT_EQ(b.Version(), QStringLiteral("1.5.0.0"));
    EXPECT_EQ(b.FocusType(), ftBorder);
    EXPECT_EQ(b.ShortCutHintPos(), shpTop);
    EXPECT_TRUE(b.WordWrap());
    EXPECT_FALSE(b.TabStop());
    const TColor before = b.Appearance()->ColorHot();
    b.SetComponentStyle(8);
    EXPECT_EQ(b.Appearance()->ColorHot(), before);
    b.SetComponentStyle(0);
    EXPECT_NE(b.Appearance()->ColorHot(), before);
}

TEST_F(GlowButtonFixture, NormalFace) {
    const QImage face = Render();
    for (int y = 1; y <= 10; ++y) {
        EXPECT_EQ(face.pixel(40, y), qRgb(255, 255, 255)) << y;
    }
    // The lower half runs from white at the middle line (row 10, covered) to 12632256.
    for (int y = 11; y <= 20; ++y) {
        EXPECT_EQ(face.pixel(3, y), Ramp(16777215, 12632256, y, 10, 12)) << y;
    }
    ExpectBorder(face, 12632256);
    ExpectParentCorners(face);
}

TEST_F(GlowButtonFixture, HotFaceAfterTheFade) {
    // Without a tab stop the shown window gives the button no focus rings.
    button->SetTabStop(false);
    Show();
    test::MoveTo(button, {10, 10});
    TickUntilIdle();
    ASSERT_EQ(button->FadeTimer(), nullptr);
    const QImage face = Render();
    // Outside the radial ellipses each half shows its base colour.
    EXPECT_EQ(face.pixel(77, 9), Rgb(16117985));
    EXPECT_EQ(face.pixel(77, 10), Rgb(16117985));
    EXPECT_EQ(face.pixel(2, 12), Rgb(16107693));
    // Down the centre column the rays from the centre points run straight to the ellipses'
    // ends: the upper one from (77, 0) to y = 8, the lower one from (77, 22) to y = 10.
    for (int y = 1; y <= 7; ++y) {
        EXPECT_EQ(face.pixel(77, y), Ramp(16372402, 16117985, y, 0, 8)) << y;
    }
    for (int y = 11; y <= 20; ++y) {
        EXPECT_EQ(face.pixel(77, y), Ramp(16775412, 16107693, 22 - y, 0, 12)) << y;
    }
    ExpectBorder(face, 16367008);
    ExpectParentCorners(face);
}

TEST_F(GlowButtonFixture, PressedFaceAfterTheFade) {
    Show();
    test::MousePress(button, Qt::LeftButton, {}, {10, 10});
    TickUntilIdle();
    ASSERT_EQ(button->FaceState(), gfsDown);
    const QImage face = Render();
    EXPECT_EQ(face.pixel(77, 9), Rgb(16111818));
    EXPECT_EQ(face.pixel(2, 12), Rgb(16102556));
    EXPECT_NE(face.pixel(77, 1), Rgb(16111818));
    ExpectBorder(face, 8388608);
    ExpectParentCorners(face);
    test::MouseRelease(button, Qt::LeftButton, {}, {10, 10});
}

TEST_F(GlowButtonFixture, DisabledFace) {
    button->SetEnabled(false);
    const QImage face = Render();
    // Both upper colours are the same, so the radial upper half is flat.
    for (int x : {3, 40, 77, 150}) {
        for (int y = 1; y <= 10; ++y) {
            EXPECT_EQ(face.pixel(x, y), Rgb(15921906)) << x << "," << y;
        }
    }
    EXPECT_EQ(face.pixel(2, 12), Rgb(11974326));
    ExpectBorder(face, 8421504);
    ExpectParentCorners(face);
    EXPECT_EQ(button->FaceState(), gfsDisabled);
    button->SetEnabled(true);
    Render();
    EXPECT_EQ(button->FaceState(), gfsUp);
}

TEST_F(GlowButtonFixture, FocusedFaceShowsTwoRings) {
    Show();
    button->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button->hasFocus());
    const QImage face = Render();
    // Outer ring along row 1 and column 1, inner dotted ring along row 2.
    EXPECT_EQ(face.pixel(40, 1), Rgb(14986633));
    EXPECT_EQ(face.pixel(1, 10), Rgb(14986633));
    int grey = 0;
    int white = 0;
    for (int x = 10; x < 140; ++x) {
        const QRgb p = face.pixel(x, 2);
        grey += qRed(p) < 200 ? 1 : 0;
        white += p == qRgb(255, 255, 255) ? 1 : 0;
    }
    EXPECT_GT(grey, 30);
    EXPECT_GT(white + (130 - grey), 30);
    ExpectBorder(face, 12632256);
    ExpectParentCorners(face);
}

// Dark caption pixels in rows 3 … 18.
QRect CaptionBounds(const QImage& face) {
    QRect bounds;
    for (int y = 3; y <= 18; ++y) {
        for (int x = 3; x < face.width() - 3; ++x) {
            if (qGray(face.pixel(x, y)) < 128) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

TEST_F(GlowButtonFixture, CaptionIsCentredWithItsAccessLetterUnderlined) {
    const QImage face = Render();
    const QRect text = CaptionBounds(face);
    ASSERT_TRUE(text.isValid());
    const int leftGap = text.left();
    const int rightGap = 153 - text.right();
    EXPECT_LE(std::abs(leftGap - rightGap), 4) << leftGap << " " << rightGap;
    EXPECT_LE(std::abs((text.top() + text.bottom()) / 2 - 10), 3);
    button->SetCaption(QStringLiteral("E-Mail-Adresse überprüfen"));
    const QImage plain = Render();
    // The only difference is the underline: one row below the letters, under the "E".
    QRect underline;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 154; ++x) {
            if (face.pixel(x, y) != plain.pixel(x, y)) {
                underline |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_TRUE(underline.isValid());
    EXPECT_EQ(underline.height(), 1);
    EXPECT_GE(underline.left(), text.left() - 1);
    EXPECT_LE(underline.right(), text.left() + 8);
    EXPECT_GE(underline.width(), 4);
}

// The darkest grey level among the caption's pixels.
int DarkestText(const QImage& face) {
    int darkest = 255;
    for (int y = 3; y <= 18; ++y) {
        for (int x = 3; x < face.width() - 3; ++x) {
            darkest = std::min(darkest, qGray(face.pixel(x, y)));
        }
    }
    return darkest;
}

TEST_F(GlowButtonFixture, DisabledCaptionColourDependsOnTheTextPath) {
    button->SetEnabled(false);
    EXPECT_LT(DarkestText(Render()), 40);
    button->SetAntiAlias(gdip::aaClearType);
    const QImage smooth = Render();
    EXPECT_GE(DarkestText(smooth), 120);
    EXPECT_LE(DarkestText(smooth), 135);
}

TEST_F(GlowButtonFixture, OddHeightGivesTheUpperHalfTheExtraRow) {
    button->SetBounds(15, 20, 154, 23);
    button->SetCaption(QString());
    const QImage face = Render();
    // halfH = 11: the upper half covers rows 0 … 11, the lower one rows 12 … 22 of its ramp
    // that starts at row 10 and spans 13 rows.
    EXPECT_EQ(face.pixel(40, 11), qRgb(255, 255, 255));
    EXPECT_EQ(face.pixel(40, 12), Ramp(16777215, 12632256, 12, 10, 13));
    EXPECT_EQ(face.pixel(40, 21), Ramp(16777215, 12632256, 21, 10, 13));
}

TEST_F(GlowButtonFixture, NoBorderStillShowsTheFocusRings) {
    Show();
    button->SetBorderStyle(glow::bsNone);
    button->SetCaption(QString());
    button->SetFocus();
    QApplication::processEvents();
    const QImage face = Render();
    EXPECT_EQ(face.pixel(40, 0), qRgb(255, 255, 255));
    EXPECT_EQ(face.pixel(40, 1), Rgb(14986633));
}

// Draws a face on the parent's colour, at the given pixel ratio and painter transform, clipped
// to the face as a button's own painting is, or not.
QImage DrawFace(const TGlowFaceParams& params, qreal ratio, QTransform transform, bool clip) {
    QImage image(QSize(180, 40) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Rgb(kParent));
    TCanvas canvas(&image);
    canvas.Painter().setTransform(transform);
    if (clip) {
        canvas.Painter().setClipRect(params.Rect);
    }
    DrawGlowFace(canvas, params);
    canvas.Release();
    return image;
}

// A face drawn through the button's cache, when the cache is filled and when it is reused,
// equals the face drawn afresh; each value that shapes the frame makes the cache draw anew.
TEST(GlowFaceCache, CachedFacesEqualFreshOnes) {
    TGlowButton button;
    ApplyLayoutAppearance(button);
    const TGlowButtonAppearance& a = *button.Appearance();
    const TFont font;
    TGlowFaceParams base;
    base.Rect = QRect(0, 0, 154, 22);
    base.Colors = a.NormalSet();
    base.Caption = QStringLiteral("&E-Mail-Adresse überprüfen");
    base.Font = &font;
    base.AntiAlias = gdip::aaNone;

    // Each face with the one it differs from in a single value.
    std::vector<std::tuple<const char*, TGlowFaceParams, TGlowFaceParams>> faces;
    const auto add = [&faces](const char* name, const TGlowFaceParams& from, auto change) {
        TGlowFaceParams face = from;
        change(face);
        faces.emplace_back(name, from, face);
        return face;
    };
    add("normal", base, [](TGlowFaceParams&) {});
    const TGlowFaceParams hot =
        add("hot", base, [&a](TGlowFaceParams& p) { p.Colors = a.HotSet(); });
    add("hot border", hot, [&a](TGlowFaceParams& p) { p.Colors.BorderColor = a.BorderColorHot(); });
    add("focus", base, [](TGlowFaceParams& p) { p.FocusBorder = true; });
    add("square", base, [](TGlowFaceParams& p) { p.Rounded = false; });
    add("no border", base, [](TGlowFaceParams& p) { p.BorderStyle = glow::bsNone; });
    add("left", base, [](TGlowFaceParams& p) { p.Position = bpLeft; });
    const TGlowFaceParams middle =
        add("middle", base, [](TGlowFaceParams& p) { p.Position = bpMiddle; });
    add("middle inside", middle, [](TGlowFaceParams& p) { p.MouseInside = true; });
    const TGlowFaceParams right =
        add("right", base, [](TGlowFaceParams& p) { p.Position = bpRight; });
    add("right inside", right, [](TGlowFaceParams& p) { p.MouseInside = true; });
    add("larger", base, [](TGlowFaceParams& p) { p.Rect = QRect(0, 0, 170, 30); });
    add("moved", base, [](TGlowFaceParams& p) { p.Rect = QRect(6, 4, 154, 22); });
    const TGlowFaceParams active =
        add("active", base, [](TGlowFaceParams& p) { p.Colors.Active = true; });
    const TGlowFaceParams dropDown =
        add("drop-down", active, [](TGlowFaceParams& p) { p.DropDownButton = true; });
    add("drop-down hot", dropDown, [](TGlowFaceParams& p) { p.DropDownState = 2; });
    add("drop-down below", dropDown, [](TGlowFaceParams& p) { p.DropDownPosition = dpBottom; });
    add("drop-down whole", dropDown, [](TGlowFaceParams& p) { p.DropDownSplit = false; });
    TFont large;
    large.SetSize(12);
    TFont red;
    red.SetColor(clRed);
    TBitmap glyph;
    glyph.SetSize(16, 16);
    add("other caption", base, [](TGlowFaceParams& p) { p.Caption = QStringLiteral("&Hilfe"); });
    add("no caption", base, [](TGlowFaceParams& p) { p.Caption.clear(); });
    add("larger font", base, [&large](TGlowFaceParams& p) { p.Font = &large; });
    add("font colour", base, [&red](TGlowFaceParams& p) { p.Font = &red; });
    add("caption on top", base, [](TGlowFaceParams& p) { p.Layout = blGlyphTop; });
    const TGlowFaceParams smooth =
        add("smooth text", base, [](TGlowFaceParams& p) { p.AntiAlias = gdip::aaAntiAlias; });
    add("smooth disabled", smooth, [](TGlowFaceParams& p) { p.Enabled = false; });
    const TGlowFaceParams withGlyph =
        add("glyph", base, [&glyph](TGlowFaceParams& p) { p.GlyphBitmap = &glyph; });
    add("glyph spacing", withGlyph, [](TGlowFaceParams& p) { p.Spacing = 8; });
    add("transparent focus", base, [](TGlowFaceParams& p) {
        p.SkipBackground = true;
        p.FocusBorder = true;
    });

    TGlowFaceCache cache;
    for (const qreal ratio : {1.0, 2.0}) {
        for (const QTransform& transform :
             {QTransform(), QTransform::fromTranslate(3, 5), QTransform::fromScale(1.5, 1.25)}) {
            for (const bool clip : {true, false}) {
                for (auto [name, prior, params] : faces) {
                    const QImage fresh = DrawFace(params, ratio, transform, clip);
                    prior.Cache = &cache;
                    DrawFace(prior, ratio, transform, clip);
                    params.Cache = &cache;
                    const qint64 before = cache.Image.cacheKey();
                    EXPECT_EQ(DrawFace(params, ratio, transform, clip), fresh)
                        << name << " filling, ratio " << ratio << ", " << transform.type();
                    // Kept only where nothing beyond the face can be painted and nothing scales.
                    if (clip && transform.type() <= QTransform::TxTranslate &&
                        !params.SkipBackground) {
                        EXPECT_EQ(cache.Key.Rect, params.Rect) << name;
                        EXPECT_EQ(cache.Key.Caption, params.Caption) << name;
                        EXPECT_EQ(cache.Key.PixelRatio, ratio) << name;
                    } else {
                        EXPECT_EQ(cache.Image.cacheKey(), before) << name;
                    }
                    EXPECT_EQ(DrawFace(params, ratio, transform, clip), fresh)
                        << name << " reused, ratio " << ratio << ", " << transform.type();
                }
            }
        }
    }
}

TEST(ShortCutHint, WindowPaintsASilverBandAndFrame) {
    TGlowButton button;
    button.SetShortCutHint(QStringLiteral("E"));
    button.ShowShortCutHint();
    TShortCutHintWindow* hint = button.ShortCutHintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    QImage image(hint->size(), QImage::Format_RGB32);
    image.fill(Qt::red);
    hint->render(&image);
    const int mid = image.width() / 2;
    EXPECT_EQ(image.pixel(0, image.height() / 2), qRgb(128, 128, 128));
    EXPECT_GT(qGray(image.pixel(2, 1)), qGray(image.pixel(2, image.height() - 2)));
    EXPECT_NE(image.pixel(mid, image.height() / 2), qRgb(255, 0, 0));
    button.HideShortCutHint();
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(GlowButtonFixture, CornerPixelsFollowThePosition) {
    button->SetPosition(bpMiddle);
    QImage face = Render();
    EXPECT_NE(face.pixel(0, 0), Rgb(kParent));
    EXPECT_NE(face.pixel(153, 21), Rgb(kParent));
    button->SetPosition(bpLeft);
    face = Render();
    EXPECT_EQ(face.pixel(0, 0), Rgb(kParent));
    EXPECT_EQ(face.pixel(0, 21), Rgb(kParent));
    EXPECT_NE(face.pixel(153, 0), Rgb(kParent));
}

TEST_F(GlowButtonFixture, TransparentButtonShowsOnlyTextOverTheParent) {
    button->SetTransparent(true);
    const QImage face = Render();
    EXPECT_EQ(face.pixel(40, 2), Rgb(kParent));
    EXPECT_EQ(face.pixel(40, 0), Rgb(kParent));
    EXPECT_EQ(face.pixel(2, 15), Rgb(kParent));
    EXPECT_TRUE(CaptionBounds(face).isValid());
}

TEST_F(GlowButtonFixture, ClickNeedsPressAndReleaseInside) {
    Show();
    test::MoveTo(button, {10, 10});
    test::MousePress(button, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(button->FaceState(), gfsDown);
    test::MouseRelease(button, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->FaceState(), gfsUp);

    test::MousePress(button, Qt::LeftButton, {}, {10, 10});
    test::MoveTo(button, {200, 10});
    // Leaving while held gives up the pressed look at once and fades the hot look out.
    EXPECT_EQ(button->FaceState(), gfsUp);
    EXPECT_FALSE(button->Pressed());
    EXPECT_FALSE(button->Hot());
    EXPECT_EQ(button->FadeKind(), fkHot);
    test::MouseRelease(button, Qt::LeftButton, {}, {200, 10});
    EXPECT_EQ(clicks, 1);
}

TEST_F(GlowButtonFixture, EnterAndLeaveAreReportedOncePerCrossing) {
    int enters = 0;
    int leaves = 0;
    button->OnMouseEnter = [&](QObject*) { ++enters; };
    button->OnMouseLeave = [&](QObject*) { ++leaves; };
    Show();
    test::MoveTo(button, {10, 10});
    test::MouseClick(button, Qt::LeftButton, {}, {10, 10});
    test::MouseClick(button, Qt::LeftButton, {}, {12, 10});
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 0);
    EXPECT_TRUE(button->MouseInside());
    // Held and dragged out, then released outside: one leave, although both the move and the
    // release tell the button.
    test::MousePress(button, Qt::LeftButton, {}, {10, 10});
    test::MoveTo(button, {10, 40});
    test::MouseRelease(button, Qt::LeftButton, {}, {10, 40});
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(button->MouseInside());
    test::MoveTo(button, {20, 10});
    EXPECT_EQ(enters, 2);
}

TEST_F(GlowButtonFixture, ComingBackWhileHeldRestoresThePressedLook) {
    Show();
    test::MoveTo(button, {10, 10});
    test::MousePress(button, Qt::LeftButton, {}, {10, 10});
    test::MoveTo(button, {10, 40});
    EXPECT_FALSE(button->Pressed());
    test::MoveTo(button, {12, 11});
    EXPECT_TRUE(button->Pressed());
    EXPECT_TRUE(button->Hot());
    EXPECT_EQ(button->FaceState(), gfsDown);
    test::MouseRelease(button, Qt::LeftButton, {}, {12, 11});
    EXPECT_EQ(clicks, 1);
}

TEST_F(GlowButtonFixture, DoubleClickClicksTwice) {
    int doubles = 0;
    button->OnDblClick = [&](QObject*) { ++doubles; };
    Show();
    test::MoveTo(button, {10, 10});
    test::MouseDClick(button, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubles, 1);
}

TEST_F(GlowButtonFixture, RightPressOnlyReportsItsEvents) {
    int downs = 0;
    int ups = 0;
    button->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    button->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    Show();
    test::MoveTo(button, {10, 10});
    TickUntilIdle();
    test::MouseClick(button, Qt::RightButton, {}, {10, 10});
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(button->FaceState(), gfsUp);
    EXPECT_EQ(button->FadeTimer(), nullptr);
}

TEST_F(GlowButtonFixture, FadeRepaintsFiveTimesAndEndsOnTheSixthTick) {
    Show();
    std::vector<TGlowButtonState> states;
    int paints = 0;
    button->OnDrawButton = [&](QObject*, TCanvas&, QRect, TGlowButtonState state) {
        ++paints;
        states.push_back(state);
    };
    test::MoveTo(button, {10, 10});
    ASSERT_NE(button->FadeTimer(), nullptr);
    EXPECT_EQ(button->FadeTimer()->Interval(), 40);
    EXPECT_EQ(button->HotPercent(), 0);
    std::vector<int> percents;
    std::vector<int> paintsPerTick;
    for (int tick = 0; tick < 6; ++tick) {
        const int before = paints;
        FadeTick();
        QApplication::processEvents();
        percents.push_back(button->HotPercent());
        paintsPerTick.push_back(paints - before);
    }
    EXPECT_EQ(percents, (std::vector<int>{20, 40, 60, 80, 100, 100}));
    EXPECT_EQ(paintsPerTick, (std::vector<int>{1, 1, 1, 1, 1, 0}));
    EXPECT_EQ(button->FadeTimer(), nullptr);
    EXPECT_EQ(button->FadeKind(), fkIdle);
    EXPECT_EQ(states.back(), gsHot);

    // Leaving repaints at once in the normal colours, then fades out from 100.
    const int before = paints;
    test::MoveAway(*form);
    ASSERT_GT(paints, before);
    EXPECT_EQ(states[static_cast<size_t>(before)], gsNormal);
    EXPECT_EQ(button->HotPercent(), 100);
    percents.clear();
    while (button->FadeTimer() != nullptr) {
        FadeTick();
        percents.push_back(button->HotPercent());
    }
    EXPECT_EQ(percents, (std::vector<int>{80, 60, 40, 20, 0, 0}));
}

TEST_F(GlowButtonFixture, FadeMixesTheHotColoursIn) {
    Show();
    test::MoveTo(button, {10, 10});
    FadeTick();
    FadeTick();
    ASSERT_EQ(button->HotPercent(), 40);
    const QImage face = Render();
    // Upper base: 40 % of the hot colour into white; lower base: 40 % into 12632256.
    EXPECT_EQ(face.pixel(77, 9), Rgb(MixColors(16117985, 16777215, 40)));
    EXPECT_EQ(face.pixel(2, 12), Rgb(MixColors(16107693, 12632256, 40)));
    ExpectBorder(face, MixColors(16367008, 12632256, 40));
}

TEST_F(GlowButtonFixture, DropDownPartLightsUpUnderThePointer) {
    button->SetDropDownButton(true);
    Show();
    // The strip is the right 13 columns (141 … 153); the pointer picks the part it is over.
    test::MoveTo(button, {60, 10});
    TickUntilIdle();
    const QImage overContent = Render();
    test::MoveTo(button, {148, 10});
    const QImage overStrip = Render();
    EXPECT_NE(overStrip.pixel(147, 5), overContent.pixel(147, 5));
    EXPECT_NE(overStrip.pixel(60, 5), overContent.pixel(60, 5));
    test::MoveTo(button, {60, 10});
    EXPECT_EQ(Render(), overContent);
}

TEST_F(GlowButtonFixture, SpaceShowsThePressedFaceAndClicksOnItsCharacter) {
    Show();
    button->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button->Active());
    QWindow* window = form->windowHandle();
    QTest::keyPress(window, Qt::Key_Space);
    EXPECT_EQ(button->FaceState(), gfsDown);
    EXPECT_TRUE(button->Pressed());
    EXPECT_EQ(clicks, 1);
    QTest::keyRelease(window, Qt::Key_Space);
    EXPECT_EQ(button->FaceState(), gfsUp);
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(clicks, 1);
    // Focus moving away while the key is down lifts the face as well.
    auto* edit = new TEdit(form.get());
    edit->SetBounds(15, 50, 100, 21);
    edit->SetTabStop(true);
    edit->show();
    QTest::keyPress(window, Qt::Key_Space);
    EXPECT_EQ(button->FaceState(), gfsDown);
    edit->SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(button->FaceState(), gfsUp);
}

TEST_F(GlowButtonFixture, EnterOnTheFocusedButtonClicksWithoutThePressedFace) {
    std::vector<TGlowFaceState> faces;
    button->OnDrawButton = [&](QObject*, TCanvas&, QRect, TGlowButtonState) {
        faces.push_back(button->FaceState());
    };
    // The click handler runs a while, as the check does, letting the window repaint meanwhile.
    TGlowFaceState faceDuringClick = gfsDisabled;
    button->OnClick = [&](QObject*) {
        ++clicks;
        QApplication::processEvents();
        faceDuringClick = button->FaceState();
    };
    Show();
    button->SetFocus();
    QApplication::processEvents();
    faces.clear();
    QTest::keyClick(form->windowHandle(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(faceDuringClick, gfsUp);
    EXPECT_EQ(std::count(faces.begin(), faces.end(), gfsDown), 0);
    EXPECT_FALSE(button->Pressed());
}

TEST_F(GlowButtonFixture, HeldSpaceKeepsThePressedFaceSteady) {
    std::vector<TGlowFaceState> faces;
    button->OnDrawButton = [&](QObject*, TCanvas&, QRect, TGlowButtonState) {
        faces.push_back(button->FaceState());
    };
    Show();
    button->SetFocus();
    QApplication::processEvents();
    QWindow* window = form->windowHandle();
    QTest::keyPress(window, Qt::Key_Space);
    ASSERT_EQ(button->FaceState(), gfsDown);
    faces.clear();
    // Held down, the keyboard repeats the key: releases and presses marked as repeated.
    for (int i = 0; i < 5; ++i) {
        test::RepeatedKey(*form, false, Qt::Key_Space, QStringLiteral(" "));
        EXPECT_EQ(button->FaceState(), gfsDown);
        test::RepeatedKey(*form, true, Qt::Key_Space, QStringLiteral(" "));
    }
    QApplication::processEvents();
    EXPECT_EQ(std::count(faces.begin(), faces.end(), gfsUp), 0);
    QTest::keyRelease(window, Qt::Key_Space);
    EXPECT_EQ(button->FaceState(), gfsUp);
    EXPECT_FALSE(button->Pressed());
}

TEST_F(GlowButtonFixture, EnterAndEscapeClickThroughTheDialogKeys) {
    Show();
    button->SetFocus();
    QApplication::processEvents();
    QWindow* window = form->windowHandle();
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    // Ctrl+Enter is no dialog key, and the line feed it types clicks nothing either.
    QTest::keyClick(window, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(clicks, 1);
    button->SetCancel(true);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(clicks, 2);
}

TEST_F(GlowButtonFixture, EnterClicksTheDefaultButtonOnlyWithoutAFocusedGlowButton) {
    auto* other = new TGlowButton(form.get());
    other->SetBounds(180, 20, 100, 22);
    other->SetTabStop(true);
    other->SetDefault(true);
    int otherClicks = 0;
    other->OnClick = [&](QObject*) { ++otherClicks; };
    auto* edit = new TEdit(form.get());
    edit->SetBounds(15, 50, 100, 21);
    edit->SetTabStop(true);
    Show();
    edit->SetFocus();
    QApplication::processEvents();
    QWindow* window = form->windowHandle();
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(clicks, 0);
    button->SetFocus();
    QApplication::processEvents();
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(GlowButtonFixture, AccessKeyClicksAnAbleButton) {
    Show();
    QWindow* window = form->windowHandle();
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(window, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    button->SetEnabled(false);
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    // A click hands the button's modal result to its window.
    button->SetEnabled(true);
    button->SetFocus();
    button->SetModalResult(mrOk);
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(GlowButtonFixture, GroupButtonsStayDownOneAtATime) {
    auto* second = new TGlowButton(form.get());
    button->SetGroupIndex(1);
    second->SetGroupIndex(1);
    button->SetDown(true);
    EXPECT_EQ(button->FaceState(), gfsChecked);
    second->SetDown(true);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(button->Down());
    // Without AllowAllUp a down member cannot be lifted by itself.
    second->SetDown(false);
    EXPECT_TRUE(second->Down());
    second->SetAllowAllUp(true);
    EXPECT_TRUE(button->AllowAllUp());
    second->SetDown(false);
    EXPECT_FALSE(second->Down());
    // A plain button never stays down.
    auto* plain = new TGlowButton(form.get());
    plain->SetDown(true);
    EXPECT_FALSE(plain->Down());
}

TEST_F(GlowButtonFixture, CheckButtonTogglesOnPress) {
    button->SetStyle(bsCheck);
    Show();
    test::MousePress(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_TRUE(button->Down());
    test::MouseRelease(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(clicks, 1);
    Render();
    EXPECT_EQ(button->FaceState(), gfsDown);
    test::MouseClick(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_FALSE(button->Down());
}

TEST_F(GlowButtonFixture, LinkedActionDrivesDownAndRunsOnClick) {
    auto* action = new TAction(form.get());
    int executed = 0;
    action->OnExecute = [&](QObject*) { ++executed; };
    action->SetCaption(QStringLiteral("&Prüfen"));
    action->SetGroupIndex(2);
    action->SetImageIndex(4);
    button->SetCaption(QString());
    button->OnClick = nullptr;
    button->SetAction(action);
    EXPECT_EQ(button->GroupIndex(), 2);
    EXPECT_EQ(button->ImageIndex(), 4);
    EXPECT_EQ(button->Caption(), QStringLiteral("&Prüfen"));
    action->SetChecked(true);
    EXPECT_TRUE(button->Down());
    action->SetImageIndex(5);
    EXPECT_EQ(button->ImageIndex(), 5);
    // A checked action keeps its button down: the release ends before toggling or clicking.
    Show();
    test::MouseClick(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(executed, 0);
    action->SetChecked(false);
    test::MouseClick(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(executed, 1);
    action->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    delete action;
    EXPECT_EQ(button->Action(), nullptr);
    button->Click();
    EXPECT_EQ(executed, 1);
}

TEST_F(GlowButtonFixture, AutoSizeFollowsTheCaption) {
    button->SetAutoSize(true);
    Render();
    const int wide = button->Width();
    EXPECT_GT(wide, 100);
    button->SetCaption(QStringLiteral("&Hilfe"));
    Render();
    EXPECT_LT(button->Width(), wide);
    EXPECT_GT(button->Height(), 13);
}

TEST_F(GlowButtonFixture, AppearanceChangesShowAtTheNextPaintOnly) {
    Show();
    int paints = 0;
    button->OnDrawButton = [&](QObject*, TCanvas&, QRect, TGlowButtonState) { ++paints; };
    button->Appearance()->SetBorderColor(clRed);
    QApplication::processEvents();
    EXPECT_EQ(paints, 0);
    button->Appearance()->NotifyChanged();
    QApplication::processEvents();
    EXPECT_EQ(paints, 1);
    ExpectBorder(Render(), clRed);
}

}  // namespace
}  // namespace vx
