#include <gtest/gtest.h>

#include "Forms.h"
#include "GlowButton.h"
#include "Layout.h"

namespace vx {
namespace {

class TLayoutForm : public TForm {
  public:
    TLayoutForm() { FHandlers.Add(QStringLiteral("GlowButton1Click"), this, &TLayoutForm::Click1); }
    void Click1(QObject*) { ++Clicks; }
    int Clicks = 0;
};

constexpr char kLayout[] = R"(object Form1: TForm
  object GlowButton1: TGlowButton
    Left = 15
    Top = 203
    Width = 154
    Height = 22
    Caption = '&E-Mail-Adresse überprüfen'
    AntiAlias = aaNone
    TabStop = True
    TabOrder = 1
    OnClick = GlowButton1Click
    Appearance.BorderColorHot = 16367008
    Appearance.ColorMirrorDisabled = 11974326
    Appearance.GradientMirrorChecked = ggRadial
  end
  object GlowButton2: TGlowButton
    Down = True
    GroupIndex = 3
    Layout = blGlyphTop
    Style = bsButton
  end
end
)";

TEST(GlowButtonLayout, LayoutsSetPropertiesAppearanceAndEvents) {
    RegisterGlowButton();
    TLayoutForm form;
    TLayoutReader::Read(QStringLiteral("test"), QByteArray(kLayout), form);
    auto* button = form.Find<TGlowButton>(QStringLiteral("GlowButton1"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->BoundsRect(), QRect(15, 203, 154, 22));
    EXPECT_EQ(button->AntiAlias(), gdip::aaNone);
    EXPECT_TRUE(button->TabStop());
    EXPECT_EQ(button->Caption(), QStringLiteral("&E-Mail-Adresse überprüfen"));
    EXPECT_EQ(button->Appearance()->BorderColorHot(), 16367008);
    EXPECT_EQ(button->Appearance()->GradientMirrorChecked(), gdip::ggRadial);
    button->Click();
    EXPECT_EQ(form.Clicks, 1);
    // Down is read before GroupIndex; it is applied once the whole layout is in.
    auto* grouped = form.Find<TGlowButton>(QStringLiteral("GlowButton2"));
    ASSERT_NE(grouped, nullptr);
    EXPECT_TRUE(grouped->Down());
    EXPECT_EQ(grouped->FaceState(), glow::gfsChecked);
    EXPECT_EQ(grouped->Layout(), glow::blGlyphTop);
}

}  // namespace
}  // namespace vx
