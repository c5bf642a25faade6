// The dashboard's cost per sample: DoDash on a full history, and a full
// repaint of the window at 1920 x 1080 rendered to an image.
#include "app/program.h"
#include "common/dialogs.h"
#include "dashboard/dashboard_window.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>

#include <cmath>

namespace {

// A house that moves: CH1 between 300 W and 3.5 kW, CH2 feeding back part
// of the day, the voltage wandering around 120 V.
void nextSample(RealtimeSample &s, int i)
{
    s.p1 = std::floor(1900 + 1600 * std::sin(i / 37.0));
    s.p2 = std::floor(400 * std::cos(i / 23.0));
    s.Volt = 120 + 2 * std::sin(i / 11.0);
    s.Amp1 = float(s.p1 / s.Volt);
    s.Amp2 = float(std::abs(s.p2) / s.Volt);
    s.KWh1 += s.p1 / 3.6e6;
    s.KWh2 += s.p2 / 3.6e6;
}

struct Rig
{
    QTemporaryDir dir;
    HeadlessDialogs dialogs;
    Program program{dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs};
    int i = 0;
    Rig()
    {
        program.flags().realtimeActive = true;
        for (; i < 400; ++i)
            sample();
    }
    void sample()
    {
        nextSample(program.sample(), i++);
        program.dashboard().DoDash(program.sample());
    }
};

void doDash(benchmark::State &state)
{
    Rig rig;
    for (auto _ : state)
        rig.sample();
    state.SetItemsProcessed(state.iterations());
}

void fullRepaint(benchmark::State &state)
{
    Rig rig;
    DashboardWindow window(rig.program.dashboard(), rig.program.realtime());
    window.resize(1920, 1080);
    window.show();
    QImage image(window.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        // The window's own refresh and screen paint are not the image's cost.
        state.PauseTiming();
        rig.sample();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window.render(&image);
    }
    benchmark::DoNotOptimize(image.constBits());
}

} // namespace

BENCHMARK(doDash)->Unit(benchmark::kMicrosecond);
BENCHMARK(fullRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();
