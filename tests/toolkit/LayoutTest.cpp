#include <gtest/gtest.h>

#include <QBuffer>

#include "QtPrinters.h"

#include "Errors.h"
#include "Forms.h"
#include "Graphics.h"
#include "Layout.h"
#include "StdCtrls.h"
#include "Timer.h"

namespace vx {
namespace {

// A panel that streams its full height after its published values, like the gradient panel.
class TTallPanel : public TPanel {
    Q_OBJECT
  public:
    using TPanel::TPanel;
    int FullHeight = -1;
    std::vector<QString> Order;
    bool WasLoaded = false;

    bool ReadExtra(const QString& name, const TLayoutValue& value) override {
        if (name == QLatin1String("FullHeight")) {
            FullHeight = static_cast<int>(std::get<qint64>(value));
            SetHeight(FullHeight);
            return true;
        }
        return false;
    }
    void Loaded() override { WasLoaded = true; }
};

class TTestForm : public TForm {
    Q_OBJECT
  public:
    TTestForm() {
        FHandlers.Add(QStringLiteral("PanelClick"), this, &TTestForm::PanelClick);
        FHandlers.Add(QStringLiteral("EditKeyPress"), this, &TTestForm::EditKeyPress);
        FHandlers.Add(QStringLiteral("TimerTick"), this, &TTestForm::TimerTick);
    }
    void PanelClick(QObject*) { ++Clicks; }
    void EditKeyPress(QObject*, QChar& key) { LastKey = key; }
    void TimerTick(QObject*) { ++Ticks; }
    int Clicks = 0;
    int Ticks = 0;
    QChar LastKey;
};

class Layout : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        TClassRegistry::Instance().RegisterControl<TTallPanel>(QStringLiteral("TTallPanel"));
    }
    void Read(const char* text) {
        TLayoutReader::Read(QStringLiteral("Test"), QByteArray(text), form);
    }
    QString ErrorOf(const char* text) {
        TTestForm fresh;
        try {
            TLayoutReader::Read(QStringLiteral("Test"), QByteArray(text), fresh);
        } catch (const ELayoutError& error) {
            return error.Message();
        }
        return {};
    }
    TTestForm form;
};

TEST_F(Layout, BuildsTheTreeAndAppliesValuesInStoredOrder) {
    Read(R"(object Form1: TTestForm
  Caption = 'Verinox 1.0 - Info'
  ClientWidth = 330
  ClientHeight = 371
  Color = clBtnFace
  Font.Height = -11
  Font.Style = [fsBold, fsItalic]
  BorderIcons = [biSystemMenu]
  object Panel1: TTallPanel
    Left = 15
    Top = 72
    Width = 367
    Height = 20
    FullHeight = 113
    BevelOuter = bvLowered
    OnClick = PanelClick
    object Label1: TLabel
      Caption = 'Geben Sie bitte die zu pr' + 'üfende E-Mail-Adresse ein:'
      Transparent = True
    end
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 3700
    OnTimer = TimerTick
  end
end
)");
    EXPECT_EQ(form.objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(form.Caption(), QStringLiteral("Verinox 1.0 - Info"));
    EXPECT_EQ(form.ClientWidth(), 330);
    EXPECT_EQ(form.Color(), clBtnFace);
    EXPECT_EQ(form.Font()->Style(), TFontStyles(fsBold) | fsItalic);
    EXPECT_EQ(form.BorderIcons(), TBorderIcons(biSystemMenu));

    auto* panel = form.Find<TTallPanel>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    // The later FullHeight wins over the Height stored before it.
    EXPECT_EQ(panel->Height(), 113);
    EXPECT_EQ(panel->FullHeight, 113);
    EXPECT_EQ(panel->BevelOuter(), bvLowered);
    EXPECT_TRUE(panel->WasLoaded);
    EXPECT_EQ(panel->parentWidget(), &form);

    auto* label = form.Find<TLabel>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(),
              QStringLiteral("Geben Sie bitte die zu prüfende E-Mail-Adresse ein:"));
    EXPECT_EQ(label->parentWidget(), panel);
    EXPECT_EQ(label->Font()->Style(), TFontStyles(fsBold) | fsItalic);

    panel->Click();
    EXPECT_EQ(form.Clicks, 1);
    auto* timer = form.Find<TTimer>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->parent(), &form);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 3700);
    timer->Tick();
    EXPECT_EQ(form.Ticks, 1);
}

TEST_F(Layout, BindsEventsWithTheirOwnSignatures) {
    Read(R"(object Form1: TTestForm
  object Edit1: TEdit
    OnKeyPress = EditKeyPress
  end
end)");
    auto* edit = form.Find<TEdit>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    QChar key(13);
    edit->KeyPress(key);
    EXPECT_EQ(form.LastKey, QChar(13));
}

TEST_F(Layout, BinaryBlocksReachThePicture) {
    TPicture source;
    source.Bitmap().SetSize(4, 3);
    const QByteArray record = source.Data();
    const QByteArray text =
        "object Form1: TTestForm\n  object Image1: TImage\n    AutoSize = True\n"
        "    Picture.Data = {\n      " +
        record.toHex().left(40) + "\n      " + record.toHex().mid(40) + "}\n  end\nend\n";
    TLayoutReader::Read(QStringLiteral("Test"), text, form);
    auto* image = form.Find<TImage>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->Picture()->Graphic(), nullptr);
    EXPECT_EQ(image->Picture()->Width(), 4);
    EXPECT_EQ(image->Width(), 4);
    EXPECT_EQ(image->Height(), 3);
}

TEST_F(Layout, BadLayoutsNameTheLineAndProperty) {
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  object X: TNoSuchClass\n  end\nend"),
              QStringLiteral("layout Test, line 2: unknown class TNoSuchClass"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n\n  Colour = 5\nend"),
              QStringLiteral("layout Test, line 3: property Colour: unknown property"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  BorderStyle = bsRound\nend"),
              QStringLiteral(
                  "layout Test, line 2: property BorderStyle: unknown enumeration name bsRound"));
    EXPECT_EQ(
        ErrorOf("object F: TTestForm\n  OnCreate = NoSuchHandler\nend"),
        QStringLiteral("layout Test, line 2: property OnCreate: unknown handler NoSuchHandler"));
    EXPECT_EQ(
        ErrorOf("object F: TTestForm\n  OnCreate = EditKeyPress\nend"),
        QStringLiteral(
            "layout Test, line 2: property OnCreate: handler EditKeyPress does not fit the event"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  Caption = 12\nend"),
              QStringLiteral("layout Test, line 2: property Caption: string expected"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  Caption = 'open\nend"),
              QStringLiteral("layout Test, line 2: unterminated string"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  Color = clPlaid\nend"),
              QStringLiteral("layout Test, line 2: property Color: unknown name clPlaid"));
    EXPECT_EQ(
        ErrorOf("object F: TTestForm\n  Font.Style = [fsBold, fsWobbly]\nend"),
        QStringLiteral("layout Test, line 2: property Font.Style: unknown set member fsWobbly"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  Font.Nope.Height = 1\nend"),
              QStringLiteral("layout Test, line 2: property Font.Nope.Height: unknown property"));
    EXPECT_EQ(
        ErrorOf("object F: TTestForm\n  object I: TImage\n    Picture.Data = {0A1}\n  end\nend"),
        QStringLiteral("layout Test, line 3: binary block has an odd number of digits"));
    EXPECT_EQ(
        ErrorOf("object F: TTestForm\n  object I: TImage\n    Picture.Data = {01}\n  end\nend"),
        QStringLiteral("layout Test, line 3: property Picture.Data: Stream-Lesefehler"));
    EXPECT_EQ(ErrorOf("object F: TOtherForm\nend"),
              QStringLiteral("layout Test, line 1: the layout is for TOtherForm, not TTestForm"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  Left = 1\n"),
              QStringLiteral("layout Test, line 3: 'end' of F expected"));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  Left = ,\nend"),
              QStringLiteral("layout Test, line 2: property Left: malformed value"));
}

}  // namespace
}  // namespace vx

#include "LayoutTest.moc"
