// A month of the planning table at one-minute steps, into the grid's cell
// store with the real text measurer: 44 640 data rows and 31 day rows, row
// heights included. Run with the sun/moon library linked in, as the program
// calls it.

#include "astro/OrbexSunMoon.h"
#include "controls/QtTextMeasurer.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "skychart/ElevationCollector.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using namespace vantrel;

/// A station in the English Midlands and December 2026 at one-minute steps.
struct MonthSweep {
    QtTextMeasurer measurer{[] {
        QFont font(QStringLiteral("Arial"), 8);
        return font;
    }()};
    HomeStation station;
    OrbexSunMoon library;
    SystemDaylightRules daylight;
    SweepInputs in;

    MonthSweep() {
        station.Latitude = 52.2L;
        station.Longitude = -1.5L;
        station.HeightAsl = 80;
        station.CalcInterval = 1;
        in.StartDate = EncodeDate(2026, 12, 1);
        in.EndDate = EncodeDate(2026, 12, 31);
        in.Library = &library;
        in.Daylight = &daylight;
    }
    /// A grid as the table tool makes it, or with `prefault` as the
    /// planner's window makes it (GridSettings::PrefaultPages).
    std::unique_ptr<GridCells> NewGrid(bool prefault = false) {
        GridSettings settings;
        settings.PrefaultPages = prefault;
        auto grid = std::make_unique<GridCells>(settings, &measurer);
        LayoutHeader(*grid, station);
        return grid;
    }
};

void BM_MonthSweepIntoCellStore(benchmark::State& state) {
    MonthSweep month;
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = month.NewGrid();
        state.ResumeTiming();
        RunPlanningSweep(*grid, month.station, month.in);
        benchmark::DoNotOptimize(grid->RowCount());
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = 44640 + 31;
}
BENCHMARK(BM_MonthSweepIntoCellStore)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same into a grid whose fresh block is prefaulted on another thread,
// as the planner window's first Calculate after start-up.
void BM_MonthSweepIntoPrefaultedCellStore(benchmark::State& state) {
    MonthSweep month;
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = month.NewGrid(true);
        state.ResumeTiming();
        RunPlanningSweep(*grid, month.station, month.in);
        benchmark::DoNotOptimize(grid->RowCount());
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MonthSweepIntoPrefaultedCellStore)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same sweep again over a grid that holds the last one, as the
// Calculate button does.
void BM_MonthSweepOverPreviousTable(benchmark::State& state) {
    MonthSweep month;
    auto grid = month.NewGrid();
    RunPlanningSweep(*grid, month.station, month.in);
    for (auto _ : state) {
        RunPlanningSweep(*grid, month.station, month.in);
    }
}
BENCHMARK(BM_MonthSweepOverPreviousTable)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same month with apparent places of date and radio refraction: the
// fixed sources through the astrometry context of each row, the Sun and the
// Moon refracted on top of the library's places. Target: at most twice the
// classic sweep over the previous table.
void BM_MonthSweepApparentAndRefracted(benchmark::State& state) {
    MonthSweep month;
    ObservingConditions conditions;
    conditions.Apparent = true;
    conditions.Refraction = true;
    conditions.FrequencyMHz = 10368;
    month.in.Conditions = &conditions;
    auto grid = month.NewGrid();
    RunPlanningSweep(*grid, month.station, month.in);
    for (auto _ : state) {
        RunPlanningSweep(*grid, month.station, month.in);
    }
}
BENCHMARK(BM_MonthSweepApparentAndRefracted)->Unit(benchmark::kMillisecond)->Iterations(5);

// Radio refraction alone on the classic places: every elevation of the
// month refracted, the part of the cost that the refraction model decides.
void BM_MonthSweepRefracted(benchmark::State& state) {
    MonthSweep month;
    ObservingConditions conditions;
    conditions.Refraction = true;
    conditions.FrequencyMHz = 10368;
    month.in.Conditions = &conditions;
    auto grid = month.NewGrid();
    RunPlanningSweep(*grid, month.station, month.in);
    for (auto _ : state) {
        RunPlanningSweep(*grid, month.station, month.in);
    }
}
BENCHMARK(BM_MonthSweepRefracted)->Unit(benchmark::kMillisecond)->Iterations(5);

// The month as Calculate runs it: the grid and the elevation chart's series
// from the same rows. Az/El takes the values as they are; Polar turns each
// hour angle and declination into elevation and azimuth.
void MonthSweepWithSeries(benchmark::State& state, int displayMode) {
    MonthSweep month;
    month.station.DisplayMode = displayMode;
    auto grid = month.NewGrid();
    RunPlanningSweep(*grid, month.station, month.in);
    std::size_t rows = 0;
    for (auto _ : state) {
        ElevationCollector series(
            month.station,
            ExpectedSweepRows(month.in.StartDate, month.in.EndDate, month.station.CalcInterval),
            PairTitles(*grid));
        RunPlanningSweep(*grid, month.station, month.in, &series);
        rows = series.Finish()->Rows();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
void BM_MonthSweepWithElevationSeries(benchmark::State& state) {
    MonthSweepWithSeries(state, 0);
}
BENCHMARK(BM_MonthSweepWithElevationSeries)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MonthSweepPolarWithElevationSeries(benchmark::State& state) {
    MonthSweepWithSeries(state, 1);
}
BENCHMARK(BM_MonthSweepPolarWithElevationSeries)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same Polar month without the series, beside the one above.
void BM_MonthSweepPolar(benchmark::State& state) {
    MonthSweep month;
    month.station.DisplayMode = 1;
    auto grid = month.NewGrid();
    RunPlanningSweep(*grid, month.station, month.in);
    for (auto _ : state) {
        RunPlanningSweep(*grid, month.station, month.in);
    }
}
BENCHMARK(BM_MonthSweepPolar)->Unit(benchmark::kMillisecond)->Iterations(5);

// The series alone: a month of rows handed to the collector as the sweep
// hands them, without the sweep, so its share can be told from the noise of
// the whole sweep.
void CollectMonth(benchmark::State& state, int displayMode) {
    MonthSweep month;
    month.station.DisplayMode = displayMode;
    constexpr int kRows = 44640;
    std::vector<PreciseRow> rows(kRows);
    for (int k = 0; k < kRows; ++k) {
        PreciseRow& r = rows[static_cast<std::size_t>(k)];
        r.Utc = month.in.StartDate + k / 1440.0;
        r.Local = r.Utc + 1 / 24.0;
        for (std::size_t i = 0; i < r.Degrees.size(); ++i) {
            // Hour angles turn with the row, declinations stay (as fixed sources do).
            r.Degrees[i] = i % 2 == 0 ? std::fmod(k * 0.25L + 40.0L * i, 360.0L) : 5.0L * i - 40;
        }
    }
    for (auto _ : state) {
        ElevationCollector series(month.station, kRows, {});
        for (const PreciseRow& r : rows) {
            series.Row(r);
        }
        benchmark::DoNotOptimize(series.Finish()->Rows());
    }
}
void BM_ElevationSeriesAloneAzEl(benchmark::State& state) {
    CollectMonth(state, 0);
}
BENCHMARK(BM_ElevationSeriesAloneAzEl)->Unit(benchmark::kMillisecond);
void BM_ElevationSeriesAlonePolar(benchmark::State& state) {
    CollectMonth(state, 1);
}
BENCHMARK(BM_ElevationSeriesAlonePolar)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv); // fonts need the GUI application
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
