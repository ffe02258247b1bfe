// One paint of the address check window's background panel and of the info dialog's tool panel,
// rendered offscreen the way the window system asks for it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "Application.h"
#include "Font.h"
#include "GradientPanel.h"
#include "ToolPanels.h"

namespace {

void PaintOnce(benchmark::State& state, QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        widget.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void MainBackgroundPaint(benchmark::State& state) {
    vx::TGradientPanel panel;
    panel.SetBounds(0, 0, 397, 249);
    panel.SetColor(16771030);
    panel.SetColorTo(13007698);
    panel.SetBevelOuter(vx::bvNone);
    PaintOnce(state, panel);
}
BENCHMARK(MainBackgroundPaint)->Repetitions(9)->ReportAggregatesOnly(true);

void InfoToolPanelPaint(benchmark::State& state) {
    vx::TToolPanel panel;
    panel.SetBounds(-4, -80, 404, 521);
    PaintOnce(state, panel);
}
BENCHMARK(InfoToolPanelPaint)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qt(argc, argv);
    vx::RegisterTahoma();
    vx::TApplication application;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
