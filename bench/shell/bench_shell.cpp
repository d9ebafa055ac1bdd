// The splash window's region scan and the main window's layout pass.
#include "shell/LayoutPass.h"
#include "shell/ui/WindowShape.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

// A picture like the splash: a disc and a card on the red key.
QImage shapedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 50, 100));
    p.drawEllipse(QRectF(width * 0.02, height * 0.15, width * 0.5, height * 0.8));
    p.setBrush(QColor(240, 230, 210));
    p.drawRoundedRect(QRectF(width * 0.32, height * 0.04, width * 0.66, height * 0.8), 16, 16);
    return image;
}

void BM_ScanSplashPicture(benchmark::State& state)
{
    QImage picture(QStringLiteral(QM_SOURCE_DIR "/images/splash.png"));
    if (picture.isNull())
        picture = shapedPicture(300, 190);
    for (auto _ : state)
        benchmark::DoNotOptimize(WindowShape::scanRuns(picture, 255));
}
BENCHMARK(BM_ScanSplashPicture)->Unit(benchmark::kMicrosecond);

void BM_ScanScreenSizedPicture(benchmark::State& state)
{
    const QImage picture = shapedPicture(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WindowShape::scanRuns(picture, 255));
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_ScanScreenSizedPicture)->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void BM_LayoutPass(benchmark::State& state)
{
    LayoutResult layout = LayoutResult::design();
    int width = 12000;
    for (auto _ : state) {
        layout = LayoutPass::run(width, 9000, layout, TwipsPerPixel{15, 15});
        width = width == 12000 ? 15000 : 12000;
        benchmark::DoNotOptimize(layout);
    }
}
BENCHMARK(BM_LayoutPass);

} // namespace

BENCHMARK_MAIN();
