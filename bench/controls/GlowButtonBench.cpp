// One paint of a program-sized glow button (154 × 22, the layouts' appearance, plain text) in
// its normal and its hot look, repeated and right after a change of the face, and the face
// routine alone. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "Application.h"
#include "Canvas.h"
#include "Font.h"
#include "Forms.h"
#include "GlowButton.h"

namespace {

// The program's button on the form, in its hot look after the fade when asked.
vx::TGlowButton* ProgramButton(vx::TForm& form, bool hot) {
    form.SetBounds(0, 0, 200, 60);
    auto* button = new vx::TGlowButton(&form);
    button->SetBounds(15, 20, 154, 22);
    button->SetCaption(QStringLiteral("&E-Mail-Adresse überprüfen"));
    button->SetAntiAlias(vx::gdip::aaNone);
    vx::TGlowButtonAppearance& a = *button->Appearance();
    a.SetBorderColorHot(16367008);
    a.SetBorderColorChecked(16367008);
    if (hot) {
        button->MouseEnter();
        while (button->FadeTimer() != nullptr) {
            button->FadeTimer()->Tick();
        }
    }
    return button;
}

void PaintButton(benchmark::State& state, bool hot) {
    vx::TForm form;
    vx::TGlowButton* button = ProgramButton(form, hot);
    QImage image(154, 22, QImage::Format_RGB32);
    for (auto _ : state) {
        button->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// A paint right after the face changed (as on each step of a fade), so nothing kept from the
// previous paint can be reused.
void BM_PaintHotChanged(benchmark::State& state) {
    vx::TForm form;
    vx::TGlowButton* button = ProgramButton(form, true);
    vx::TGlowButtonAppearance& a = *button->Appearance();
    QImage image(154, 22, QImage::Format_RGB32);
    bool odd = false;
    for (auto _ : state) {
        odd = !odd;
        a.SetBorderColorHot(odd ? 16367008 : 16367009);
        button->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintNormal(benchmark::State& state) {
    PaintButton(state, false);
}
void BM_PaintHot(benchmark::State& state) {
    PaintButton(state, true);
}

// The face routine alone on an off-screen image, without the widget's paint machinery.
void BM_DrawGlowFaceHot(benchmark::State& state) {
    const vx::TGlowButtonAppearance appearance;
    const vx::TFont font;
    QImage image(154, 22, QImage::Format_RGB32);
    vx::TGlowFaceParams params;
    params.Rect = QRect(0, 0, 154, 22);
    params.Colors = appearance.HotSet();
    params.Caption = QStringLiteral("&E-Mail-Adresse überprüfen");
    params.Font = &font;
    params.AntiAlias = vx::gdip::aaNone;
    for (auto _ : state) {
        vx::TCanvas canvas(&image);
        vx::DrawGlowFace(canvas, params);
        canvas.Release();
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_DrawGlowFaceHot)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();
BENCHMARK(BM_PaintNormal)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(BM_PaintHot)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(BM_PaintHotChanged)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    vx::RegisterTahoma();
    vx::TApplication application;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
