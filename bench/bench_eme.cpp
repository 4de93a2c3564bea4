// Cost of the EME window's work: one second of live values for home and a
// DX station (what the window computes on the user-interface thread once a
// second), airless and refracted, and the search for the common Moon windows
// of the next seven days at the window's five-minute step (on its worker
// thread), each search with a calculator of its own as the window makes it.

#include "eme/EmeCalculator.h"
#include "eme/MoonWindows.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vantrel;

const eme::EmeSite kHome{52.52, 13.405, 40};
const eme::EmeSite kDx{33.1, -96.6, 180};

void LiveSecond(benchmark::State& state, bool refraction) {
    ObservingConditions conditions;
    conditions.FrequencyMHz = 1296;
    conditions.Refraction = refraction;
    eme::EmeCalculator calc(kHome, kDx, conditions);
    eme::UtcSeconds t = eme::UtcSecondsOf(EncodeDateTime(2026, 3, 21, 20, 0, 0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(calc.At(++t));
    }
}
BENCHMARK_CAPTURE(LiveSecond, airless, false);
BENCHMARK_CAPTURE(LiveSecond, refracted, true);

void SevenDays(benchmark::State& state) {
    eme::WindowSearch search;
    search.Start = eme::UtcSecondsOf(EncodeDateTime(2026, 3, 21, 20, 0, 0));
    search.End = search.Start + eme::kWindowDaysAhead * eme::kWholeSecondsPerDay;
    search.StepS = 300;
    search.DxMinElevationDeg = 10;
    for (auto _ : state) {
        eme::EmeCalculator calc(kHome, kDx, ObservingConditions{});
        benchmark::DoNotOptimize(eme::FindMoonWindows(calc, search));
    }
}
BENCHMARK(SevenDays)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
