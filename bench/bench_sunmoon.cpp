// Cost of the Sun and Moon library as the planner calls it: DataToDLL and
// four reads per body, the Moon and then the Sun at each row, rows one
// minute apart over a month of 31 days (44 640 rows).

#include "sunmoon/Orbex_sunmoon.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int kRowsPerMonth = 31 * 24 * 60;

/// A station and the UTC fields of one sweep row.
struct Row {
    std::uint16_t Year = 2026, Month = 1, Day = 1, Hour = 0, Minute = 0;
    double Height = 45.0, Latitude = 52.2, Longitude = 5.4;

    /// One minute on; after the last row of January back to its first.
    void Next() {
        if (++Minute < 60) {
            return;
        }
        Minute = 0;
        if (++Hour < 24) {
            return;
        }
        Hour = 0;
        if (++Day > 31) {
            Day = 1;
        }
    }
};

void CallAndRead(const Row& row, std::uint8_t body) {
    DataToDLL(row.Year, row.Month, row.Day, row.Hour, row.Minute, 0, row.Height, row.Latitude,
              row.Longitude, 0, body, 0.0);
    benchmark::DoNotOptimize(GetAzimuth());
    benchmark::DoNotOptimize(GetElevation());
    benchmark::DoNotOptimize(GetGHA());
    benchmark::DoNotOptimize(GetDecTopo());
}

// One iteration is one DataToDLL and its four reads in the sweep's order:
// Moon, Sun, next row. The time per iteration is the amortised cost of a
// call, window fits included.
void BM_SweepCall(benchmark::State& state) {
    Row row;
    std::uint8_t body = 0;
    for (auto _ : state) {
        CallAndRead(row, body);
        if (body == 1) {
            row.Next();
        }
        body ^= 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SweepCall);

// One iteration is a whole month: 44 640 rows, two bodies each.
void BM_MonthSweep(benchmark::State& state) {
    for (auto _ : state) {
        Row row;
        for (int i = 0; i < kRowsPerMonth; ++i) {
            CallAndRead(row, 0);
            CallAndRead(row, 1);
            row.Next();
        }
    }
    state.SetItemsProcessed(state.iterations() * 2 * kRowsPerMonth);
}
BENCHMARK(BM_MonthSweep)->Unit(benchmark::kMillisecond);

// The real-time display: DataToDLL twice with the same arguments, then the
// reads; the next body a few ticks later.
void BM_RealTimeDisplay(benchmark::State& state) {
    Row row;
    std::uint8_t body = 0;
    for (auto _ : state) {
        CallAndRead(row, body);
        CallAndRead(row, body);
        body ^= 1;
        row.Next();
    }
}
BENCHMARK(BM_RealTimeDisplay);

// A lone call far from the one before (each 37 days on): the cost of fitting
// a new interpolation window.
void BM_LoneCallFarAway(benchmark::State& state) {
    Row row;
    std::uint16_t dayOfYear = 0;
    for (auto _ : state) {
        dayOfYear = static_cast<std::uint16_t>((dayOfYear + 37) % 336);
        row.Month = static_cast<std::uint16_t>(1 + dayOfYear / 28);
        row.Day = static_cast<std::uint16_t>(1 + dayOfYear % 28);
        CallAndRead(row, 0);
    }
}
BENCHMARK(BM_LoneCallFarAway)->Unit(benchmark::kMicrosecond);

} // namespace
