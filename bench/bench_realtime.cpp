// One full cycle of the real-time display: nine ticks, each refreshing both
// clocks and one source (seven fixed sources, the Moon, the Sun), into the
// real-time grid's cell store with the real text measurer and the real
// sun/moon library. A tick must stay far inside its 50 ms period.

#include "astro/OrbexSunMoon.h"
#include "controls/QtTextMeasurer.h"
#include "mainwin/RealTimeDisplay.h"
#include "planner/GridLayout.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace vantrel;

/// Nine ticks of the display at the present moment; `range(0)` 1 switches
/// apparent places and radio refraction on.
void BM_RealTimeCycle(benchmark::State& state) {
    QFont font(QStringLiteral("Arial"), 8);
    QtTextMeasurer measurer(font);
    GridSettings settings;
    settings.RowCount = 4;
    GridCells grid(settings, &measurer);
    HomeStation station;
    station.Latitude = 52.2L;
    station.Longitude = -1.5L;
    station.HeightAsl = 80;
    station.UtcOffset = 1;
    LayoutHeader(grid, station);
    SystemLocalClock system;
    UtcClock clock(system);
    OrbexSunMoon library;
    ObservingConditions conditions;
    conditions.Apparent = conditions.Refraction = state.range(0) == 1;
    RealTimeDisplay display(grid, station, clock, library, '.', &conditions);
    display.Tick(); // the first tick of an option fits an interpolation window
    for (auto _ : state) {
        for (int tick = 0; tick < 9; ++tick) {
            display.Tick();
        }
        benchmark::DoNotOptimize(display.UtcPanelText().data());
    }
    state.counters["per tick"] = benchmark::Counter(
        9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RealTimeCycle)->Unit(benchmark::kMicrosecond)->Arg(0)->Arg(1);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
