// Cost of one node of the slow quantities (what a window fit takes twelve
// of) and of its Moon: the ELP/MPP02 series the program uses, against ERFA's
// eraMoon98 that it used before.

#include "sunmoon/Constants.h"
#include "sunmoon/ElpMpp02Moon.h"
#include "sunmoon/SlowEphemeris.h"

#include <erfa.h>

#include <benchmark/benchmark.h>

namespace {

using namespace vantrel::sunmoon;

/// Instants a little over a day apart, as window nodes come.
constexpr double kStepDays = 1.37;

void BM_SlowQuantitiesNode(benchmark::State& state) {
    double tt = 9800.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DirectSlowQuantities(tt));
        tt += kStepDays;
    }
}
BENCHMARK(BM_SlowQuantitiesNode)->Unit(benchmark::kMicrosecond);

void BM_MoonElpMpp02(benchmark::State& state) {
    const ElpMpp02Moon& moon = ElpMpp02Moon::Compiled();
    double tt = 9800.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(moon.Gcrs(tt));
        tt += kStepDays;
    }
    state.counters["terms"] = static_cast<double>(moon.TermCount());
}
BENCHMARK(BM_MoonElpMpp02)->Unit(benchmark::kMicrosecond);

void BM_MoonEraMoon98(benchmark::State& state) {
    double tt = 9800.0;
    double pv[2][3];
    for (auto _ : state) {
        eraMoon98(kJ2000Jd, tt, pv);
        benchmark::DoNotOptimize(pv);
        tt += kStepDays;
    }
}
BENCHMARK(BM_MoonEraMoon98)->Unit(benchmark::kMicrosecond);

} // namespace
